#include "catalog/CheckCatalog.h"

#include "archive/ArchiveCheck.h"
#include "dns/DnsCheck.h"
#include "links/LinksCheck.h"
#include "registry/RegistryCheck.h"
#include "toplist/RankCheck.h"
#include "web/SslCheck.h"
#include "web/WebCheck.h"

namespace vantle {

const std::vector<std::string_view>& CheckNames() {
    static const std::vector<std::string_view> names = {"bar", "yapages",  "pr",      "dns",  "web",
                                                        "ssl", "registry", "archive", "rank", "links"};
    return names;
}

const std::vector<std::string_view>& NetworkCheckNames() {
    static const std::vector<std::string_view> names = {"dns",     "web",  "ssl",  "registry",
                                                        "archive", "rank", "links"};
    return names;
}

const std::vector<std::string_view>& TodaysCheckNames() {
    static const std::vector<std::string_view> names = {"dns", "web", "ssl", "registry", "archive"};
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
    if (name == "registry") {
        return std::make_unique<RegistryCheck>(endpoints);
    }
    if (name == "archive") {
        return std::make_unique<ArchiveCheck>(endpoints);
    }
    if (name == "rank") {
        return std::make_unique<RankCheck>(endpoints);
    }
    if (name == "links") {
        return std::make_unique<LinksCheck>(endpoints);
    }
    return nullptr;
}

}  // namespace vantle
