// The pure readers of the registration check: one table per reader, with answers shaped like the
// registries' own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "registry/RegistrableDomain.h"
#include "registry/RegistryReaders.h"

namespace vantle::registry {

void PrintTo(const RegistryCells& cells, std::ostream* out) {
    *out << "{\"" << cells.created << "\", \"" << cells.expires << "\", \"" << cells.registrar << "\"}";
}

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
        {"nested exactly to the bound",
         "{\"events\":[],\"x\":" + std::string(kMaxJsonDepth, '[') + std::string(kMaxJsonDepth, ']') + "}",
         {"", "", ""}},
        {"nested one beyond the bound",
         "{\"events\":[],\"x\":" + std::string(kMaxJsonDepth + 1, '[') + std::string(kMaxJsonDepth + 1, ']') +
             "}",
         RegistryCells::Failure("bad answer")},
    };
    for (const RdapCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ReadRdap(c.json), c.cells);
    }
}

// Which name of the registrar entity the cell shows: "fn" before "org" before the handle before the
// IANA id.
TEST(RdapReader, Should_NameTheRegistrarByItsBestName) {
    const auto answer = [](const std::string& entity) {
        return R"({"events":[],"entities":[{"roles":["registrar"],)" + entity + "}]}";
    };
    const std::string ianaId = R"("publicIds":[{"type":"IANA Registrar ID","identifier":"292"}])";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {R"("handle":"H-1",)" + ianaId +
             R"(,"vcardArray":["vcard",[["org",{},"text","Org Name"],["fn",{},"text","Full Name"]]])",
         "Full Name"},
        {R"("handle":"H-1",)" + ianaId +
             R"(,"vcardArray":["vcard",[["version",{},"text","4.0"],["org",{},"text","Org Name"]]])",
         "Org Name"},
        {R"("vcardArray":["vcard",[["org",{},"text",["Org Part","Unit"]]]])", "Org Part"},
        {R"("vcardArray":["vcard",[["fn",{},"text"," "],["org",{},"text","Org Name"]]])", "Org Name"},
        {R"("handle":"REG-HANDLE",)" + ianaId + R"(,"vcardArray":["vcard",[["version",{},"text","4.0"]]])",
         "REG-HANDLE"},
        {R"("handle":"",)" + ianaId, "IANA #292"},
        {R"("handle":"REG-HANDLE")", "REG-HANDLE"},
        {R"("objectClassName":"entity")", ""},
    };
    for (const auto& [entity, name] : cases) {
        SCOPED_TRACE(entity);
        EXPECT_EQ(ReadRdap(answer(entity)).registrar, name);
    }
}

struct WhoisCase {
    const char* what;
    std::string text;
    RegistryCells cells;
};

// Each answer read as an answer about domain ("": whatever name it is about).
void ExpectCells(const std::vector<WhoisCase>& cases, std::string_view domain) {
    for (const WhoisCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ReadWhois(c.text, domain), c.cells);
    }
}

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
    ExpectCells(cases, "");
}

// Registries name the same fields in many ways; each key here must land in its cell, and keys that
// merely start like one must not.
TEST(WhoisReader, Should_KnowTheRegistriesKeys) {
    const std::vector<WhoisCase> cases = {
        {"serbian",
         "Registration date: 26.03.2008 16:18:03\nExpiration date: 26.03.2026 16:18:03\n",
         {"2008-03-26", "2026-03-26", ""}},
        {"italian",
         "Created:            1999-12-10 00:00:00\nExpire Date:        2019-04-21\n",
         {"1999-12-10", "2019-04-21", ""}},
        {"argentinian",
         "registered:\t1997-05-26 00:00:00\nexpire:\t\t2019-05-26 00:00:00\n",
         {"1997-05-26", "2019-05-26", ""}},
        {"slovak", "Registrar:    ABCD-0001\nValid Until:  2019-07-24\n", {"", "2019-07-24", "ABCD-0001"}},
        {"polish",
         "created:   1999.10.27 13:00:00\nrenewal date:   2018.10.26 15:00:00\n",
         {"1999-10-27", "2018-10-26", ""}},
        {"kazakh",
         "Domain created: 2009-07-01 12:44:02 (GMT+0:00)\nRegistar created: KAZNIC\n"
         "Current Registar: HOSTER.TEST\n",
         {"2009-07-01", "", "HOSTER.TEST"}},
        {"luxembourgish",
         "domainname: example.lu\nregistrar-name:   Example Registrar\n",
         {"registered", "", "Example Registrar"}},
        {"spanish",
         "   Fecha de Vencimiento: 2018-03-06 00:00:00\n   Fecha de Creaci\xc3\xb3n: 2003-03-06 00:00:00\n",
         {"2003-03-06", "2018-03-06", ""}},
        {"hong kong",
         "Registrar Name: Example Registration Ltd\nDomain Name Commencement Date: 14-07-1998\n"
         "Expiry Date: 07-03-2020\n",
         {"1998-07-14", "2020-03-07", "Example Registration Ltd"}},
        {"taiwanese", "Registration Service Provider: Example, Inc.\n", {"registered", "", "Example, Inc."}},
        {"underscored",
         "domain_dateregistered: 1997-05-04T12:00:00+12:00\nregistrar_name: Example Ltd\n",
         {"1997-05-04", "", "Example Ltd"}},
        {"japanese",
         "[\xe7\x99\xbb\xe9\x8c\xb2\xe5\xb9\xb4\xe6\x9c\x88\xe6\x97\xa5]  2001/02/03\n"
         "[\xe6\x9c\x89\xe5\x8a\xb9\xe6\x9c\x9f\xe9\x99\x90]  2031/02/28\n",
         {"2001-02-03", "2031-02-28", ""}},
        {"israeli", "assigned:     05-06-1999\nvalidity:     05-06-2026\n", {"1999-06-05", "2026-06-05", ""}},
        {"keys that only start like one",
         "option created: 2014.06.02\noption expiration date: 2020.06.02\nregistrar url: http://x.test\n"
         "created: 2001-01-01\n",
         {"2001-01-01", "", ""}},
    };
    ExpectCells(cases, "");
}

TEST(WhoisReader, Should_ReadEveryKeyLayout) {
    const std::vector<WhoisCase> cases = {
        {"dot leaders",
         "domain.............: example.fi\ncreated............: 18.7.2012 04:04:23\n"
         "expires............: 17.7.2022 22:16:55\n",
         {"2012-07-18", "2022-07-17", ""}},
        {"no colon",
         "   Record expires on 2019-11-09 (YYYY-MM-DD)\n   Record created on 2000-08-29 (YYYY-MM-DD)\n",
         {"2000-08-29", "2019-11-09", ""}},
        {"no colon, no date after the key",
         "Record created on request\nExpires 2030-01-02\n",
         {"", "2030-01-02", ""}},
        {"key in brackets",
         "[Domain Name]                EXAMPLE.JP\n[Registered Date]               2019/09/27\n",
         {"2019-09-27", "", ""}},
        {"lettered key in brackets",
         "a. [Domain Name]   EXAMPLE.CO.JP\n[Registered Date]\n[Connected Date]  2019/09/27\n",
         {"registered", "", ""}},
        {"stars before the key",
         "** Domain Name: example.com.tr\n** Additional Info:\n"
         "Created on..............: 2001-Aug-23.\nExpires on..............: 2019-Aug-22.\n",
         {"2001-08-23", "2019-08-22", ""}},
        {"tabs and a spaced colon",
         "NIC Handle\t\t: ab1-test\nLast modified : 2022-08-04\nExpires\t:\t2024-01-31\n",
         {"", "2024-01-31", ""}},
        {"the value on the next line",
         "First registration date:\n1996-02-08\nRegistrar:\nexample AG\n",
         {"1996-02-08", "", "example AG"}},
        {"the next line is a key of its own", "Created:\nExpires: 2024-01-31\n", {"", "2024-01-31", ""}},
    };
    ExpectCells(cases, "");
}

// Where the registrar's name stands: on its line, on the next, or in a block of its own.
TEST(WhoisReader, Should_FindTheRegistrarWhereverItStands) {
    const std::vector<WhoisCase> cases = {
        {"on the next, deeper line",
         "    Registrar:\n        Example Ltd [Tag = EXAMPLE]\n        URL: https://x.test\n"
         "    Relevant dates:\n        Registered on: 11-Jun-1996\n",
         {"1996-06-11", "", "Example Ltd [Tag = EXAMPLE]"}},
        {"on the next line at the same indent",
         "REGISTRAR:\nExample Service Company\n1 Long Road\n",
         {"registered", "", "Example Service Company"}},
        {"a block with a name",
         "Registrar:\n        Name: Example vzw\n        Website: https://x.test\n"
         "Created: 2001-02-03\n",
         {"2001-02-03", "", "Example vzw"}},
        {"a bracketed block",
         "[Holder]\n    Name: Holder LLC\n[Registrar]\n    Type: Legal person\n"
         "    Name: Example Inc.\n[Whois]\nUpdated: 2024-09-03\n",
         {"registered", "", "Example Inc."}},
        {"a bare header over its organisation",
         "Registrant\n  Organization:     Holder Ltd\n  Created: 2018-03-02\n"
         "Registrar\n  Organization:     Example Limited\n"
         "  Name:             EXAMPLE-REG\n  Created: 2017-01-01\n",
         {"2018-03-02", "", "Example Limited"}},
        {"the registrar's contacts before the registrar",
         "Registered:\tWed Jan 12 2000\n\nRegistrar Technical Contacts:\n\tOrganisation:\tReseller NV\n\n"
         "Registrar:\n\tName:\t Example Registrar NV\n",
         {"2000-01-12", "", "Example Registrar NV"}},
        {"a bare header over a blank line",
         "Registrar\n\nregistrar..........: Example GmbH (d/b/a ex.test)\n",
         {"registered", "", "Example GmbH (d/b/a ex.test)"}},
        {"empty, the next line a field at the same indent",
         "Registrar:\nCreation Date: 2001-02-03\nRegistry Expiry Date: 2031-02-03\n",
         {"2001-02-03", "2031-02-03", ""}},
        {"a block at its header's own indent",
         "Registrar:\nname:       Example AS\nchanged:    2019-01-01\n\n"
         "registered: 2001-02-03\n",
         {"2001-02-03", "", "Example AS"}},
        {"empty, the next line a deeper field",
         "Registrar:\n   Creation Date: 2001-02-03\nRegistry Expiry Date: 2031-02-03\n",
         {"", "2031-02-03", ""}},
    };
    ExpectCells(cases, "");
}

// An answer may hold contacts' blocks and other names' records beside the domain's own: the cells come
// from the domain's record.
TEST(WhoisReader, Should_ReadTheRecordOfTheDomainAsked) {
    const std::vector<WhoisCase> cases = {
        {"contact's date before the domain's, indented block",
         "Domain EXAMPLE.KG (ACTIVE)\nAdministrative Contact:\n   Name: A\n   Created: 2015-05-05\n"
         "Record created: Tue Feb 10 09:42:42 2004\nRecord expires on: Sat Mar 28 23:59:00 2026\n",
         {"2004-02-10", "2026-03-28", ""}},
        {"contact's date before the domain's, block at the line's own indent",
         "Administrative Contact/Agent\nNIC Handle.......: H-1\nCreated: 2015-05-05\n\nDomain created: "
         "2009-07-01\n",
         {"2009-07-01", "", ""}},
        {"contact object before the domain's record",
         "person:   Domain Admin\nregistrar: REG-B\ncreated:  2011-06-03\n\ndomain:   example.com\n"
         "registrar: REG-A\nregistered: 18.04.2002 18:00:00\nexpire:   17.04.2020\n",
         {"2002-04-18", "2020-04-17", "REG-A"}},
        {"only a contact gives a date",
         "domain: example.at\n\nperson: Someone\ncreated: 2015-05-05\n",
         {"2015-05-05", "", ""}},
        {"other names' records first",
         "   Server Name: EXAMPLE.COM.ZZZ.TEST\n   Registrar: WRONG ONE INC.\n\n"
         "   Domain Name: EXAMPLE.COM.AU\n   Registrar: WRONG TWO INC.\n   Creation Date: 01-jan-1999\n\n"
         "   Domain Name: EXAMPLE.COM\n   Registrar: RIGHT INC.\n   Creation Date: 15-sep-1997\n"
         "   Expiration Date: 14-sep-2011\n",
         {"1997-09-15", "2011-09-14", "RIGHT INC."}},
        {"the name in Cyrillic",
         "domain: \xd0\xbf\xd1\x80\xd0\xb8\xd0\xbc\xd0\xb5\xd1\x80.\xd1\x80\xd1\x84\n"
         "created: 2010-11-11\n",
         {"2010-11-11", "", ""}},
    };
    ExpectCells(cases, "example.com");
}

// Without dates or a registrar the answer still says what it is: no entry, a limit, a held name, or
// nothing a reader knows.
TEST(WhoisReader, Should_TellFreeFromHeldFromUnknown) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"example.com is free\n", "free"},
        {"Domain Name: example.com\nStatus:      AVAILABLE\n", "free"},
        {"The domain example.com is not registered.\n", "free"},
        {"No Found\n", "free"},
        {"%ERROR:103: Domain is not registered\n", "free"},
        {"220 Available\n", "free"},
        {"example.com: no existe\n", "free"},
        {"Domain: example.com\nStatus: free\n", "free"},
        {"Domain: example.com\nStatus: connect\n", "registered"},
        {"domain: example.com\nstatus: taken\n", "registered"},
        {"[State]      Connected (2025/03/31)\n", "registered"},
        {"DOMAIN NAME: example.com\nrequested on: see at www.registry.test\nregistration status: "
         "Registered\n",
         "registered"},
        {"domain:  example.com\nnserver: ns1.example.net\n", "registered"},
        {"domain:  other.com\nnserver: ns1.example.net\n", "bad answer"},
        {"Status: connect\nDomain: other.com\n", "registered"},
        {"Query rate limit exceeded\n", "rate limited"},
        {"Created: before Aug-1996\n", "bad answer"},
        {"<html>busy</html>\n", "bad answer"},
    };
    for (const auto& [answer, word] : cases) {
        SCOPED_TRACE(answer);
        EXPECT_EQ(ReadWhois(answer, "example.com"), RegistryCells::Failure(word));
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

// The forms registries outside the generic zones use, each beside a near miss.
TEST(DayOf, Should_ReadTheRegistriesDateForms) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"18.7.2012 04:04:23", "2012-07-18"},
        {"1.2.2012", "2012-02-01"},
        {"30/10/2002 00:00:00", "2002-10-30"},
        {"12/31/2020", "2020-12-31"},  // a month past 12: the day comes second
        {"13/13/2020", ""},
        {"14-07-1998", "1998-07-14"},
        {"14-07/1998", ""},
        {"19990518 #162310", "1999-05-18"},
        {"20230229", ""},
        {"199905180", ""},
        {"2019/09/27", "2019-09-27"},
        {"2007. 03. 02.", "2007-03-02"},
        {"2001-Aug-23.", "2001-08-23"},
        {"2001-Aug-32", ""},
        {"Tue Feb 10 09:42:42 2004", "2004-02-10"},
        {"Wednesday, 12 January 2000", "2000-01-12"},  // the longest weekday written out
        {"Wednesdays, 12 January 2000", ""},
        {"Feb 10 2004", "2004-02-10"},
        {"May 31, 1999", "1999-05-31"},
        {"31 May 1999", "1999-05-31"},
        {"30th April 2003", "2003-04-30"},
        {"1st September 2003", "2003-09-01"},
        {"31st April 2003", ""},
        {"30 Foo 2003", ""},
        {"Aug-1996", ""},
        {"see at www.registry.test", ""},
        {"2003", ""},
        {"12:44:02 2009-07-01", ""},
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
        {"mail." + std::string(63, 'a') + ".com", std::string(63, 'a') + ".com"},  // the longest label
        {"mail." + std::string(64, 'a') + ".com", ""},
    };
    for (const auto& [name, domain] : cases) {
        EXPECT_EQ(RegistrableDomain(name), domain) << name;
    }
}

}  // namespace
}  // namespace vantle::registry
