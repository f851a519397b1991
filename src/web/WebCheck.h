#pragma once
// The web check: what http://<name>/ answers, following its redirects, and where they lead.

#include <utility>

#include "check/Check.h"
#include "check/CheckEndpoints.h"

namespace vantle {

class WebCheck : public Check {
public:
    explicit WebCheck(CheckEndpoints endpoints = {}) : endpoints_(std::move(endpoints)) {}

    std::string_view Name() const override { return "web"; }
    // {"HTTP", "Mirror"}
    std::vector<std::string> Columns() const override;
    // HTTP: the final status ("200", "404"), or "loop", "bad redirect", "no address", "refused",
    // "timeout", "TLS error", "no answer", "cancelled", "bad name", "error". Mirror: see MirrorCell.
    std::vector<std::string> Run(const DomainNames& names, const CancelToken& cancel) override;

private:
    CheckEndpoints endpoints_;
};

// The HTTP cell word for a transfer that ended with code before a whole answer head came.
std::string WebFailureWord(int code, bool https);

}  // namespace vantle
