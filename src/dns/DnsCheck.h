#pragma once
// The DNS check: asks the resolver about the name's A, AAAA and MX records at once and shows its
// first address and whether it takes mail. The name is taken as complete (no search list). The
// answers are the domain's own for the run: the web checks connect to the addresses they hold.

#include <string>
#include <string_view>
#include <vector>

#include "check/Check.h"
#include "check/CheckEndpoints.h"

namespace vantle {

class DnsCheck : public Check {
public:
    explicit DnsCheck(CheckEndpoints endpoints);

    std::string_view Name() const override { return "dns"; }
    std::vector<std::string> Columns() const override { return {"IP", "MX"}; }
    // Ends at endpoints.checkTimeoutMs after its start at the latest, or soon after cancel is set;
    // the queries not answered by then give "DNS error". Calls may overlap on different threads.
    std::vector<std::string> Run(const DomainNames& names, const CancelToken& cancel) override;

private:
    CheckEndpoints endpoints_;
};

}  // namespace vantle
