// The pure readers of the registration check: one table per reader, with answers shaped like the
// registries' own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "registry/RegistrableDomain.h"
#include "registry/RegistryReaders.h"

namespace vantle::registry {
namespace {

struct RdapCase {
    const char* what;
    std::string json;
    RegistryCells cells;
};

const char* const kRegistrarEntity = R"({"objectClassName":"entity","handle":"292","roles":["registrar"],
    "publicIds":[{"type":"IANA Registrar ID","identifier":"292"}],
    "vcardArray":["vcard",[["version",{},"text","4.0"],["fn",{},"text","Example Brand Registrar Inc."]]],
    "entities":[{"objectClassName":"entity","roles":["abuse"],
      "vcardArray":["vcard",[["version",{},"text","4.0"],["fn",{},"text","Abuse desk"]]]}]})";

TEST(RdapReader, Should_ReadTheDatesAndTheRegistrar) {
    const std::vector<RdapCase> cases = {
        {"whole answer",
         std::string(R"({"objectClassName":"domain","ldhName":"GOOGLE.COM","events":[
            {"eventAction":"registration","eventDate":"1997-09-15T04:00:00Z"},
            {"eventAction":"expiration","eventDate":"2028-09-14T04:00:00Z"},
            {"eventAction":"last update of RDAP database","eventDate":"2024-05-06T07:08:09Z"}],
            "entities":[)") +
             kRegistrarEntity + "]}",
         {"1997-09-15", "2028-09-14", "Example Brand Registrar Inc."}},
        {"registrar by its IANA id only",
         R"({"events":[{"eventAction":"registration","eventDate":"2001-02-03T00:00:00.000+01:00"}],
            "entities":[{"roles":["technical","registrar"],"publicIds":[{"type":"IANA Registrar ID","identifier":"1068"}],
            "vcardArray":["vcard",[["version",{},"text","4.0"]]]}]})",
         {"2001-02-03", "", "IANA #1068"}},
        {"redacted registrant, no expiration",
         R"({"events":[{"eventAction":"registration","eventDate":"2010-10-10T10:10:10Z"}],
            "entities":[{"roles":["registrant"],"vcardArray":["vcard",[["fn",{},"text","REDACTED FOR PRIVACY"]]]},
                        {"roles":["registrar"],"vcardArray":["vcard",[["fn",{},"text","\u0420\u0435\u0433.\u0440\u0444"]]]}],
            "redacted":[{"name":{"type":"Registrant Name"},"method":"removal"}]})",
         {"2010-10-10", "", "\xd0\xa0\xd0\xb5\xd0\xb3.\xd1\x80\xd1\x84"}},
        {"registrar among the entities of another",
         std::string(R"({"events":[],"entities":[{"roles":["registrant"],
            "entities":[)") +
             kRegistrarEntity + "]}]}",
         {"", "", "Example Brand Registrar Inc."}},
        {"dates that are not days",
         R"({"events":[{"eventAction":"registration","eventDate":"2021-02-30T00:00:00Z"},
            {"eventAction":"expiration","eventDate":"soon"},{"eventAction":"expiration"}]})",
         {"", "", ""}},
        {"no events", R"({"objectClassName":"domain","entities":[]})", RegistryCells::Failure("bad answer")},
        {"events not a list", R"({"events":{"eventAction":"registration"}})",
         RegistryCells::Failure("bad answer")},
        {"a list, not an object", R"([{"events":[]}])", RegistryCells::Failure("bad answer")},
        {"not JSON", "<html>busy</html>", RegistryCells::Failure("bad answer")},
        {"cut off", R"({"events":[{"eventAction":"registration","eventDate":"2001-)",
         RegistryCells::Failure("bad answer")},
        {"nested 100000 deep", "{\"events\":" + std::string(100000, '[') + std::string(100000, ']') + "}",
         RegistryCells::Failure("bad answer")},
        {"nested just within the bound",
         "{\"events\":[],\"x\":" + std::string(62, '[') + std::string(62, ']') + "}",
         {"", "", ""}},
    };
    for (const RdapCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ReadRdap(c.json), c.cells);
    }
}

struct WhoisCase {
    const char* what;
    std::string text;
    RegistryCells cells;
};

TEST(WhoisReader, Should_ReadTheRuAndTheGenericFields) {
    const std::vector<WhoisCase> cases = {
        {"ru registry",
         "% TCI Whois Service. Terms of use:\n\ndomain:        YANDEX.RU\nnserver:       ns1.yandex.ru.\n"
         "state:         REGISTERED, DELEGATED, VERIFIED\norg:           YANDEX, LLC.\nregistrar:     "
         "REGISTRAR-ONE-RU\n"
         "created:       1997-09-23T09:45:07Z\npaid-till:     2025-09-30T21:00:00Z\nfree-date:     "
         "2025-11-01\n"
         "source:        TCI\n\nLast updated on 2024-05-06T07:08:09Z\n",
         {"1997-09-23", "2025-09-30", "REGISTRAR-ONE-RU"}},
        {"ru registry, free", "No entries found for the selected source(s).\n",
         RegistryCells::Failure("free")},
        {"ru registry, limit", "%\n% You have exceeded allowed connection rate.\n",
         RegistryCells::Failure("rate limited")},
        {"generic registry",
         "   Domain Name: EXAMPLE.COM\r\n   Registrar WHOIS Server: whois.iana.org\r\n"
         "   Updated Date: 2024-08-14T07:01:34Z\r\n   Creation Date: 1995-08-14T04:00:00Z\r\n"
         "   Registry Expiry Date: 2025-08-13T04:00:00Z\r\n"
         "   Registrar: RESERVED-Internet Assigned Numbers Authority\r\n   Registrar IANA ID: 376\r\n",
         {"1995-08-14", "2025-08-13", "RESERVED-Internet Assigned Numbers Authority"}},
        {"registrar's own server",
         "Domain Name: example.net\nRegistrar Registration Expiration Date: 2026-01-02T03:04:05Z\n"
         "Registrar: Example Registrar, LLC\n",
         {"", "2026-01-02", "Example Registrar, LLC"}},
        {"names of months, registrar on the next line",
         "    Domain name:\n        example.co.uk\n\n    Registrar:\n        Example Ltd [Tag = EXAMPLE]\n"
         "        URL: https://example.test\n\n    Relevant dates:\n        Registered on: 11-Jun-1996\n"
         "        Expiry date:  11-jun-2026\n",
         {"1996-06-11", "2026-06-11", "Example Ltd [Tag = EXAMPLE]"}},
        {"generic, free",
         "No match for \"FREE-NAME.COM\".\r\n>>> Last update of whois database: 2024 <<<\r\n",
         RegistryCells::Failure("free")},
        {"upper case, free", "NOT FOUND\n", RegistryCells::Failure("free")},
        {"generic limit", "WHOIS LIMIT EXCEEDED - SEE WWW.EXAMPLE.TEST FOR DETAILS\n",
         RegistryCells::Failure("rate limited")},
        {"too many", "Error: Too many queries from your address\n", RegistryCells::Failure("rate limited")},
        {"a date that is not one",
         "registrar: X\ncreated: 2021-02-29\npaid-till: 29.02.2024\n",
         {"", "2024-02-29", "X"}},
        {"nothing known", "% Welcome\nsome words\n", RegistryCells::Failure("bad answer")},
        {"empty", "", RegistryCells::Failure("bad answer")},
    };
    for (const WhoisCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ReadWhois(c.text, ""), c.cells);
    }
}

TEST(IanaReferral, Should_NameTheZonesServer) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"% IANA WHOIS server\n\nrefer:        whois.verisign-grs.com\n\ndomain:       COM\n"
         "whois:        whois.other.test\n",
         "whois.verisign-grs.com"},
        {"domain:       INFO\nwhois:        WHOIS.NIC.INFO\n", "whois.nic.info"},
        {"domain:       XX\nstatus:       ACTIVE\n", ""},
        {"refer: whois.evil.test; rm -rf\nrefer:\n", ""},
        {"", ""},
    };
    for (const auto& [text, server] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ReadIanaReferral(text), server);
    }
}

TEST(BootstrapReader, Should_MapEveryZoneToItsBase) {
    const auto bases = ReadBootstrap(R"({"version":"1.0","services":[
        [["COM","net"],["http://rdap.example.test/com/v1","https://rdap.example.test/com/v1/"]],
        [["org"],["http://rdap.org.test/rdap"]],
        [["nothing"],["ftp://x.test/"]],
        [["co.uk"],["https://rdap.uk.test/"]],
        "garbage"]})");
    ASSERT_TRUE(bases);
    EXPECT_EQ(*bases, (std::map<std::string, std::string>{{"com", "https://rdap.example.test/com/v1/"},
                                                          {"net", "https://rdap.example.test/com/v1/"},
                                                          {"org", "http://rdap.org.test/rdap/"},
                                                          {"co.uk", "https://rdap.uk.test/"}}));
    const std::vector<std::pair<std::string, std::string>> lookups = {
        {"example.com", "https://rdap.example.test/com/v1/"},
        {"example.co.uk", "https://rdap.uk.test/"},
        {"example.uk", ""},
        {"example.ru", ""},
    };
    for (const auto& [name, base] : lookups) {
        EXPECT_EQ(RdapBaseFor(*bases, name), base) << name;
    }
    for (const char* bad : {"not json", "{}", R"({"services":{}})", "[]"}) {
        EXPECT_FALSE(ReadBootstrap(bad)) << bad;
    }
}

TEST(DayOf, Should_GiveTheDayOrNothing) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"2021-03-04T05:06:07Z", "2021-03-04"},
        {"2021.03.04", "2021-03-04"},
        {"2021/03/04 10:00", "2021-03-04"},
        {"04-Mar-2021", "2021-03-04"},
        {"04.03.2021", "2021-03-04"},
        {" 2024-02-29 ", "2024-02-29"},
        {"2023-02-29", ""},
        {"2021-13-01", ""},
        {"2021-03-041", ""},
        {"2021-03/04", ""},
        {"before Aug-1996", ""},
        {"04-Foo-2021", ""},
        {"", ""},
        {"1800-01-01", ""},
    };
    for (const auto& [date, day] : cases) {
        EXPECT_EQ(DayOf(date), day) << date;
    }
}

TEST(RegistrableDomain, Should_GiveTheRegisteredName) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"mail.example.co.uk", "example.co.uk"},
        {"www.example.com", "example.com"},
        {"example.com.", "example.com"},
        {"a.b.xn--80ak6aa92e.xn--p1ai", "xn--80ak6aa92e.xn--p1ai"},
        {"user.blogspot.com", "blogspot.com"},  // the private part of the list is not a registry
        {"example.test", "example.test"},
        {"ru", ""},
        {"co.uk", ""},
        {"127.0.0.1", ""},
        {"a..com", ""},
        {"", ""},
    };
    for (const auto& [name, domain] : cases) {
        EXPECT_EQ(RegistrableDomain(name), domain) << name;
    }
}

}  // namespace
}  // namespace vantle::registry
