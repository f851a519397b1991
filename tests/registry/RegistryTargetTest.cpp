// Which registry a name is asked of: the zone's usual way, or the WHOIS server of a registry that
// lives under a public suffix.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "registry/RegistryTarget.h"

namespace vantle::registry {

void PrintTo(const RegistryTarget& target, std::ostream* out) {
    *out << static_cast<int>(target.way) << " \"" << target.domain << "\" \"" << target.server << "\"";
}

namespace {

using Way = RegistryTarget::Way;

TEST(ChooseRegistry, Should_AskTheRegistryThatHoldsTheName) {
    CheckEndpoints endpoints;
    endpoints.whoisRuRegional = "regional.test:4343";
    endpoints.whoisCountryCom = "country.test";
    endpoints.whoisNicRu = "nic-ru.test";
    endpoints.whoisNetRu = "net-ru.test";
    const std::vector<std::pair<std::string, RegistryTarget>> cases = {
        {"shop.com.ru", {Way::Whois, "shop.com.ru", "regional.test:4343"}},
        {"www.shop.com.ru", {Way::Whois, "shop.com.ru", "regional.test:4343"}},
        {"shop.com.ru.", {Way::Whois, "shop.com.ru", "regional.test:4343"}},
        {"shop.msk.ru", {Way::Whois, "shop.msk.ru", "regional.test:4343"}},
        {"shop.spb.su", {Way::Whois, "shop.spb.su", "regional.test:4343"}},
        {"shop.ru.net", {Way::Whois, "shop.ru.net", "regional.test:4343"}},
        {"mail.shop.uk.com", {Way::Whois, "shop.uk.com", "country.test"}},
        {"shop.us.com", {Way::Whois, "shop.us.com", "country.test"}},
        {"shop.net.ru", {Way::Whois, "shop.net.ru", "net-ru.test"}},
        {"www.shop.org.ru", {Way::Whois, "shop.org.ru", "net-ru.test"}},
        {"shop.pp.ru", {Way::Whois, "shop.pp.ru", "net-ru.test"}},
        {"shop.yekaterinburg.ru", {Way::Whois, "shop.yekaterinburg.ru", "nic-ru.test"}},
        {"shop.komi.su", {Way::Whois, "shop.komi.su", "nic-ru.test"}},
        {"shop.xn--90a1af.xn--p1ai", {Way::Whois, "shop.xn--90a1af.xn--p1ai", "regional.test:4343"}},
        {"shop.gov.ru", {Way::NoWhois, "shop.gov.ru", ""}},
        {"net.ru", {Way::Usual, "net.ru", ""}},
        {"com.ru", {Way::Usual, "com.ru", ""}},  // the zone's own name is a name of .ru
        {"www.com.ru", {Way::Whois, "www.com.ru", "regional.test:4343"}},
        {"uk.com", {Way::Usual, "uk.com", ""}},
        {"mail.example.ru", {Way::Usual, "example.ru", ""}},
        {"mail.example.co.uk", {Way::Usual, "example.co.uk", ""}},
        {"user.blogspot.com", {Way::Usual, "blogspot.com", ""}},  // a host's platform, not a registry
        {"shop.xcom.ru", {Way::Usual, "xcom.ru", ""}},
        {"a..com.ru", {Way::Whois, "", "regional.test:4343"}},
        {"", {Way::Usual, "", ""}},
    };
    for (const auto& [name, target] : cases) {
        EXPECT_EQ(ChooseRegistry(name, endpoints), target) << name;
    }
}

TEST(ChooseRegistry, Should_SayNoWhois_When_TheServerIsUnknown) {
    CheckEndpoints endpoints;
    endpoints.whoisRuRegional.clear();
    EXPECT_EQ(ChooseRegistry("shop.com.ru", endpoints), (RegistryTarget{Way::NoWhois, "shop.com.ru", ""}));
    EXPECT_EQ(ChooseRegistry("shop.uk.com", endpoints).way, Way::Whois);
    EXPECT_EQ(CheckEndpoints().whoisRuRegional, "whois.flexireg.net");
    EXPECT_EQ(CheckEndpoints().whoisCountryCom, "whois.centralnic.com");
    EXPECT_EQ(CheckEndpoints().whoisNicRu, "whois.nic.ru");
    EXPECT_EQ(CheckEndpoints().whoisNetRu, "whois.nic.net.ru");
}

}  // namespace
}  // namespace vantle::registry
