// The ranks file's line reader on bytes: what a line gives, and every line that gives nothing.
#include <gtest/gtest.h>

#include "support/CaseName.h"

#include <string>

#include "links/RanksLine.h"

namespace vantle {
namespace {

// A reversed name of top + 50 labels "abcd": 253 bytes under "com", 254 under "coma".
std::string Reversed(const std::string& top) {
    std::string name = top;
    for (int i = 0; i < 50; ++i) {
        name += ".abcd";
    }
    return name;
}
std::string Forward(const std::string& top) {
    std::string name;
    for (int i = 0; i < 50; ++i) {
        name += "abcd.";
    }
    return name + top;
}

struct LineCase {
    const char* what;
    std::string line;
    RanksLineKind kind;
    std::string domain;
    LinkRanks ranks;
};

class RanksLineRead : public ::testing::TestWithParam<LineCase> {};

TEST_P(RanksLineRead, Should_GiveTheEntry_When_EveryFieldIsSound) {
    const RanksLine read = ReadRanksLine(GetParam().line);
    EXPECT_EQ(read.kind, GetParam().kind);
    EXPECT_EQ(read.domain, GetParam().domain);
    EXPECT_EQ(read.ranks, GetParam().ranks);
}

constexpr RanksLineKind kEntry = RanksLineKind::Entry;
constexpr RanksLineKind kSkip = RanksLineKind::Skipped;

INSTANTIATE_TEST_SUITE_P(
    Cases, RanksLineRead,
    ::testing::Values(
        LineCase{"header",
                 "#harmonicc_pos\t#harmonicc_val\t#pr_pos\t#pr_val\t#host_rev\t#n_hosts",
                 RanksLineKind::Header,
                 "",
                 {}},
        LineCase{"plain",
                 "1\t3.053703E7\t3\t0.009072779578696339\tcom.facebook\t1016",
                 kEntry,
                 "facebook.com",
                 {1, 3}},
        LineCase{"www stripped", "7\t1.5E7\t9\t1.0E-4\tcom.example.www\t2", kEntry, "example.com", {7, 9}},
        LineCase{"www twice", "7\t1.5E7\t9\t1.0E-4\tcom.example.www.www\t2", kEntry, "example.com", {7, 9}},
        LineCase{"www as the name", "7\t1.5E7\t9\t1.0E-4\tcom.www\t2", kEntry, "www.com", {7, 9}},
        LineCase{"three labels", "5\t1\t6\t1\tuk.co.example\t1", kEntry, "example.co.uk", {5, 6}},
        LineCase{
            "reversed idn", "12\t1\t40\t1\txn--p1ai.xn--80aswg\t1", kEntry, "xn--80aswg.xn--p1ai", {12, 40}},
        LineCase{"upper case", "2\t1\t2\t1\tCOM.Example\t1", kEntry, "example.com", {2, 2}},
        LineCase{"crlf", "4\t1\t8\t1\tru.example\t1\r", kEntry, "example.ru", {4, 8}},
        LineCase{"no host count", "4\t1\t8\t1\tru.example", kEntry, "example.ru", {4, 8}},
        LineCase{"largest position", "4294967295\t1\t1\t1\tcom.a\t1", kEntry, "a.com", {4294967295u, 1}},
        LineCase{"position past 32 bits", "4294967296\t1\t1\t1\tcom.a\t1", kSkip, "", {}},
        LineCase{"position zero", "0\t1\t1\t1\tcom.a\t1", kSkip, "", {}},
        LineCase{"negative position", "1\t1\t-2\t1\tcom.a\t1", kSkip, "", {}},
        LineCase{"huge value", "1\t1E400\t1\t1\tcom.a\t1", kSkip, "", {}},
        LineCase{"value not a number", "1\tabc\t1\t1\tcom.a\t1", kSkip, "", {}},
        LineCase{"position with a blank", "1 \t1\t1\t1\tcom.a\t1", kSkip, "", {}},
        LineCase{"cut short", "1\t3.05E7\t3\t0.009", kSkip, "", {}},
        LineCase{"empty line", "", kSkip, "", {}}, LineCase{"empty name", "1\t1\t1\t1\t\t1", kSkip, "", {}},
        LineCase{"empty label", "1\t1\t1\t1\tcom..a\t1", kSkip, "", {}},
        LineCase{"dot first", "1\t1\t1\t1\t.com.a\t1", kSkip, "", {}},
        LineCase{"dot last", "1\t1\t1\t1\tcom.a.\t1", kSkip, "", {}},
        LineCase{"byte beyond ascii", "1\t1\t1\t1\tcom.\xe0\t1", kSkip, "", {}},
        LineCase{"label of 64", "1\t1\t1\t1\tcom." + std::string(64, 'a') + "\t1", kSkip, "", {}},
        LineCase{"label of 63",
                 "1\t1\t1\t1\tcom." + std::string(63, 'a') + "\t1",
                 kEntry,
                 std::string(63, 'a') + ".com",
                 {1, 1}},
        LineCase{"name of 253", "1\t1\t1\t1\t" + Reversed("com"), kEntry, Forward("com"), {1, 1}},
        LineCase{"name of 254", "1\t1\t1\t1\t" + Reversed("coma"), kSkip, "", {}}),
    [](const auto& info) { return testing::CaseName(info.param.what); });

}  // namespace
}  // namespace vantle
