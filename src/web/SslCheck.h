#pragma once
// The certificate check: when the certificate of https://<name>/ expires, and whether it is valid.

#include <utility>

#include "check/Check.h"
#include "check/CheckEndpoints.h"

namespace vantle {

class SslCheck : public Check {
public:
    explicit SslCheck(CheckEndpoints endpoints = {}) : endpoints_(std::move(endpoints)) {}

    std::string_view Name() const override { return "ssl"; }
    // {"SSL"}
    std::vector<std::string> Columns() const override;
    // "YYYY-MM-DD" (the expiry of a certificate that verifies), "invalid YYYY-MM-DD" (one that does
    // not: expired, another name, unknown issuer), "no https", "timeout", "no address", "no date",
    // "cancelled", "TLS error", "error".
    std::vector<std::string> Run(const DomainNames& names, const CancelToken& cancel) override;

private:
    CheckEndpoints endpoints_;
};

// The SSL cell word for a handshake with port 443 that ended with code; alert: the server sent a fatal
// TLS alert (it speaks TLS but refused), which tells "TLS error" from "no https".
std::string SslFailureWord(int code, bool alert);

}  // namespace vantle
