// The expiry date of the SSL cell from the texts libcurl reports.
#include <gtest/gtest.h>

#include "support/CaseName.h"

#include <vector>

#include "web/CertDate.h"

namespace vantle {
namespace {

struct DateCase {
    const char* text;
    std::string date;
};

std::vector<DateCase> Cases() {
    return {
        {"Jan  2 03:04:05 2027 GMT", "2027-01-02"},
        {"Dec 31 23:59:59 2030 GMT", "2030-12-31"},
        {"Feb 28 12:00:00.250 2026 GMT", "2026-02-28"},
        {" Mar  9 01:02:03 2049 GMT\r\n", "2049-03-09"},
        {"Apr  1 00:00:00 2027", "2027-04-01"},
        {"2027-01-02 03:04:05 GMT", "2027-01-02"},
        {"2027-01-02T03:04:05Z", "2027-01-02"},
        {"", ""},
        {"Foo  2 03:04:05 2027 GMT", ""},
        {"Jan 32 03:04:05 2027 GMT", ""},
        {"Jan  2 03:04 2027 GMT", ""},
        {"Jan  2 03:04:05 20270 GMT", ""},
        {"Jan  2 03:04:05 2027 PST", ""},
        {"2027-13-02 03:04:05 GMT", ""},
        {"2027-01-02", ""},
    };
}

class CertDateTable : public ::testing::TestWithParam<std::size_t> {};

TEST_P(CertDateTable, Should_GiveTheDayOrNothing) {
    const DateCase c = Cases().at(GetParam());
    EXPECT_EQ(CertDate(c.text), c.date);
}

INSTANTIATE_TEST_SUITE_P(Cases, CertDateTable, ::testing::Range<std::size_t>(0, Cases().size()),
                         [](const auto& info) {
                             return std::to_string(info.param) + "_" +
                                    testing::CaseName(Cases().at(info.param).text);
                         });

}  // namespace
}  // namespace vantle
