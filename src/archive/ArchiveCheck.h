#pragma once
// The archive check: the day of the first capture of the name in the web archive, asked of its
// capture index (endpoints.archiveUrl) without a key.

#include <string>
#include <string_view>
#include <vector>

#include "check/Check.h"
#include "check/CheckEndpoints.h"

namespace vantle {

class ArchiveCheck : public Check {
public:
    explicit ArchiveCheck(CheckEndpoints endpoints = {});

    std::string_view Name() const override { return "archive"; }
    std::vector<std::string> Columns() const override { return {"Archive"}; }
    // "YYYY-MM-DD" or "none" (see ArchiveCellFromCdx); else "rate limited", "timeout", "refused",
    // "no address", "bad answer", "cancelled" or "error". A 429 answer is asked once more after its
    // Retry-After (seconds or a date; 1 s when it names none) when that is at most
    // endpoints.maxRetryAfterMs; each request is bounded by
    // endpoints.checkTimeoutMs, the wait between them by maxRetryAfterMs and the cancel token.
    std::vector<std::string> Run(const DomainNames& names, const CancelToken& cancel) override;

    // The query URL of a name.
    static std::string QueryUrl(std::string_view archiveUrl, std::string_view name);

private:
    CheckEndpoints endpoints_;
};

}  // namespace vantle
