// The cells of the DNS check from the statuses and records of its three queries.
#include <ares.h>
#include <gtest/gtest.h>

#include "support/CaseName.h"

#include <string>
#include <vector>

#include "dns/DnsVerdict.h"

namespace vantle {
namespace {

const std::vector<std::string> kNone;

struct IpCase {
    const char* words;
    AddressAnswer a;
    AddressAnswer aaaa;
    std::string cell;
};

const std::vector<IpCase>& IpCases() {
    static const std::vector<IpCase> cases = {
        {"first IPv4 of several",
         {ARES_SUCCESS, {"192.0.2.2", "192.0.2.1"}},
         {ARES_SUCCESS, {"2001:db8::1"}},
         "192.0.2.2"},
        {"IPv4 even when AAAA failed", {ARES_SUCCESS, {"192.0.2.1"}}, {ARES_ESERVFAIL, kNone}, "192.0.2.1"},
        {"IPv6 when there is no IPv4",
         {ARES_ENODATA, kNone},
         {ARES_SUCCESS, {"2001:db8::1", "2001:db8::2"}},
         "2001:db8::1"},
        {"no addresses at all", {ARES_ENODATA, kNone}, {ARES_ENODATA, kNone}, kDnsNoAddress},
        {"success without records counts as none",
         {ARES_SUCCESS, kNone},
         {ARES_ENODATA, kNone},
         kDnsNoAddress},
        {"NXDOMAIN from A", {ARES_ENOTFOUND, kNone}, {ARES_ENOTFOUND, kNone}, kDnsNxDomain},
        {"NXDOMAIN from AAAA alone", {ARES_ETIMEOUT, kNone}, {ARES_ENOTFOUND, kNone}, kDnsNxDomain},
        {"A failed, AAAA has one", {ARES_ESERVFAIL, kNone}, {ARES_SUCCESS, {"2001:db8::1"}}, kDnsError},
        {"A empty, AAAA timed out", {ARES_ENODATA, kNone}, {ARES_ETIMEOUT, kNone}, kDnsError},
        {"refused", {ARES_EREFUSED, kNone}, {ARES_EREFUSED, kNone}, kDnsError},
        {"bad packet", {ARES_EBADRESP, kNone}, {ARES_ENODATA, kNone}, kDnsError},
        {"cancelled", {ARES_ECANCELLED, kNone}, {ARES_ECANCELLED, kNone}, kDnsError},
    };
    return cases;
}

class DnsVerdictIp : public ::testing::TestWithParam<std::size_t> {};

TEST_P(DnsVerdictIp, Should_GiveTheIpCell) {
    const IpCase& c = IpCases().at(GetParam());
    EXPECT_EQ(DecideIp(c.a, c.aaaa), c.cell);
}

INSTANTIATE_TEST_SUITE_P(Cases, DnsVerdictIp, ::testing::Range<std::size_t>(0, IpCases().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& info) {
                             return vantle::testing::CaseName(IpCases().at(info.param).words);
                         });

// Where the web checks connect, from the same two answers.
struct AddressesCase {
    const char* words;
    AddressAnswer a;
    AddressAnswer aaaa;
    std::vector<std::string> addresses;
    std::string failure;
};

const std::vector<AddressesCase>& AddressesCases() {
    static const std::vector<AddressesCase> cases = {
        {"every address, IPv4 first",
         {ARES_SUCCESS, {"192.0.2.2", "192.0.2.1"}},
         {ARES_SUCCESS, {"2001:db8::1"}},
         {"192.0.2.2", "192.0.2.1", "2001:db8::1"},
         ""},
        {"IPv6 alone", {ARES_ENODATA, kNone}, {ARES_SUCCESS, {"2001:db8::1"}}, {"2001:db8::1"}, ""},
        {"IPv6 though A failed",
         {ARES_ETIMEOUT, kNone},
         {ARES_SUCCESS, {"2001:db8::1"}},
         {"2001:db8::1"},
         ""},
        {"IPv4 though AAAA failed",
         {ARES_SUCCESS, {"192.0.2.1"}},
         {ARES_ESERVFAIL, kNone},
         {"192.0.2.1"},
         ""},
        {"no records", {ARES_ENODATA, kNone}, {ARES_ENODATA, kNone}, {}, "no address"},
        {"success without records", {ARES_SUCCESS, kNone}, {ARES_ENODATA, kNone}, {}, "no address"},
        {"NXDOMAIN", {ARES_ENOTFOUND, kNone}, {ARES_ENOTFOUND, kNone}, {}, "no address"},
        {"NXDOMAIN beside a time-out", {ARES_ETIMEOUT, kNone}, {ARES_ENOTFOUND, kNone}, {}, "no address"},
        {"A timed out, AAAA empty", {ARES_ETIMEOUT, kNone}, {ARES_ENODATA, kNone}, {}, kDnsError},
        {"A empty, AAAA failed", {ARES_ENODATA, kNone}, {ARES_ESERVFAIL, kNone}, {}, kDnsError},
    };
    return cases;
}

class DnsVerdictAddresses : public ::testing::TestWithParam<std::size_t> {};

TEST_P(DnsVerdictAddresses, Should_GiveWhereToConnect) {
    const AddressesCase& c = AddressesCases().at(GetParam());
    const HostAddresses found = DecideAddresses(c.a, c.aaaa);
    EXPECT_EQ(found.addresses, c.addresses);
    EXPECT_EQ(found.failure, c.failure);
}

INSTANTIATE_TEST_SUITE_P(Cases, DnsVerdictAddresses,
                         ::testing::Range<std::size_t>(0, AddressesCases().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& info) {
                             return vantle::testing::CaseName(AddressesCases().at(info.param).words);
                         });

struct MxCase {
    const char* words;
    MxAnswer mx;
    std::string cell;
};

const std::vector<MxCase>& MxCases() {
    static const std::vector<MxCase> cases = {
        {"one host", {ARES_SUCCESS, {{10, "mail.example.ru"}}}, kDnsMxYes},
        {"null MX as empty host", {ARES_SUCCESS, {{0, ""}}}, kDnsMxNo},
        {"null MX as a dot", {ARES_SUCCESS, {{0, "."}}}, kDnsMxNo},
        {"root beside a real host", {ARES_SUCCESS, {{0, ""}, {20, "mx.example.ru"}}}, kDnsMxYes},
        {"no records", {ARES_ENODATA, {}}, kDnsMxNo},
        {"no name", {ARES_ENOTFOUND, {}}, kDnsMxNo},
        {"server failure", {ARES_ESERVFAIL, {}}, kDnsError},
        {"timed out", {ARES_ETIMEOUT, {}}, kDnsError},
        {"connection refused", {ARES_ECONNREFUSED, {}}, kDnsError},
    };
    return cases;
}

class DnsVerdictMx : public ::testing::TestWithParam<std::size_t> {};

TEST_P(DnsVerdictMx, Should_GiveTheMxCell) {
    const MxCase& c = MxCases().at(GetParam());
    EXPECT_EQ(DecideMx(c.mx), c.cell);
}

INSTANTIATE_TEST_SUITE_P(Cases, DnsVerdictMx, ::testing::Range<std::size_t>(0, MxCases().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& info) {
                             return vantle::testing::CaseName(MxCases().at(info.param).words);
                         });

// Packets that do not parse; statuses other than success leave the bytes unread.
struct RawCase {
    const char* words;
    RawAnswer raw;
    std::vector<std::string> cells;
};

const std::vector<RawCase>& RawCases() {
    static const std::vector<RawCase> cases = {
        {"success without bytes", {ARES_SUCCESS, ""}, {kDnsError, kDnsError}},
        {"success with garbage", {ARES_SUCCESS, "\x12\x34garbage"}, {kDnsError, kDnsError}},
        {"header only",
         {ARES_SUCCESS, std::string("\x12\x34\x81\x80\0\0\0\0\0\0\0\0", 12)},
         {kDnsError, kDnsError}},
        {"no data with garbage", {ARES_ENODATA, "garbage"}, {kDnsNoAddress, kDnsMxNo}},
        {"no name with garbage", {ARES_ENOTFOUND, "garbage"}, {kDnsNxDomain, kDnsMxNo}},
    };
    return cases;
}

class DnsVerdictRaw : public ::testing::TestWithParam<std::size_t> {};

TEST_P(DnsVerdictRaw, Should_GiveTheCells_When_AllThreeQueriesGotTheSameAnswer) {
    const RawCase& c = RawCases().at(GetParam());
    EXPECT_EQ(DecideDns(c.raw, c.raw, c.raw), c.cells);
}

INSTANTIATE_TEST_SUITE_P(Cases, DnsVerdictRaw, ::testing::Range<std::size_t>(0, RawCases().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& info) {
                             return vantle::testing::CaseName(RawCases().at(info.param).words);
                         });

}  // namespace
}  // namespace vantle
