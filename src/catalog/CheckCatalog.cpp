#include "catalog/CheckCatalog.h"

#include "dns/DnsCheck.h"
#include "web/SslCheck.h"
#include "web/WebCheck.h"

namespace vantle {

const std::vector<std::string_view>& CheckNames() {
    static const std::vector<std::string_view> names = {"bar", "yapages", "pr", "dns", "web", "ssl"};
    return names;
}

const std::vector<std::string_view>& NetworkCheckNames() {
    static const std::vector<std::string_view> names = {"dns", "web", "ssl"};
    return names;
}

std::unique_ptr<Check> MakeNetworkCheck(std::string_view name, const CheckEndpoints& endpoints) {
    if (name == "dns") {
        return std::make_unique<DnsCheck>(endpoints);
    }
    if (name == "web") {
        return std::make_unique<WebCheck>(endpoints);
    }
    if (name == "ssl") {
        return std::make_unique<SslCheck>(endpoints);
    }
    return nullptr;
}

}  // namespace vantle
