#include "filter/RowFilter.h"

#include <gtest/gtest.h>

#include "text/Cp1251.h"

namespace vantle {
namespace {

const std::vector<std::string> kHeaders = {"Domain", "Tic", "Status", "Yaca", "Expires", "HTTP", "Mirror"};

bool Accepts(const std::string& filter, const std::vector<std::string>& row) {
    return RowFilter::Parse(filter, kHeaders).Accepts(static_cast<int>(row.size()), [&row](int c) {
        return std::string_view(row[static_cast<std::size_t>(c)]);
    });
}

TEST(RowFilter, Should_KeepTheRowsThatMeetEveryTerm) {
    const std::vector<std::string> row = {"Site.ru", "120", "Vantle: main.ru", "Yes", "2027-02-01",
                                          "200",     ""};
    const std::vector<std::string> bad = {"x.ru", "N/A", "OK", "", "-", "timeout", "y.ru"};
    struct Case {
        std::string filter;
        bool row;
        bool bad;
    };
    const Case cases[] = {
        {"", true, true},
        {"   ", true, true},
        {"site", true, false},
        {"SITE.RU vantle", true, false},
        {"site nothing", false, false},
        {"Tic>=100", true, false},
        {"tic<100", false, false},
        {"Tic=120", true, false},
        {"Tic!=120", false, true},
        {"Tic>100.5", true, false},
        {"Expires<2027-03-01", true, false},
        {"Expires>=2027-03-01", false, false},
        {"HTTP=200", true, false},
        {"http=TIMEOUT", false, true},
        {"Mirror=", true, false},
        {"Mirror!=", false, true},
        {"Status>Vantle", true, false},
        {"Status=\"vantle: main.ru\"", true, false},
        {"\"Vantle: main\"", true, false},
        {"Unknown=1", false, false},
        {"=ok", false, false},
        {"x.ru Tic!=0", false, true},
        {"Tic>=", true, true},
        {"\"\" site", true, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Accepts(c.filter, row), c.row) << c.filter;
        EXPECT_EQ(Accepts(c.filter, bad), c.bad) << c.filter;
    }
}

TEST(RowFilter, Should_ReadTermsOperatorsAndColumns) {
    struct Case {
        std::string filter;
        int col;
        RowFilter::Op op;
        std::string value;
    };
    const Case cases[] = {
        {"Tic>=100", 1, RowFilter::Op::GreaterEqual, "100"},
        {"TIC<=5", 1, RowFilter::Op::LessEqual, "5"},
        {"Tic<5", 1, RowFilter::Op::Less, "5"},
        {"Tic>5", 1, RowFilter::Op::Greater, "5"},
        {"Tic!=5", 1, RowFilter::Op::NotEqual, "5"},
        {"Mirror=", 6, RowFilter::Op::Equal, ""},
        {"Tic==5", 1, RowFilter::Op::Equal, "=5"},
        {"Tic!5", -1, RowFilter::Op::Contains, "Tic!5"},
        {"a=b", -1, RowFilter::Op::Contains, "a=b"},
        {"\"Tic>5\"", -1, RowFilter::Op::Contains, "Tic>5"},
    };
    for (const Case& c : cases) {
        const RowFilter filter = RowFilter::Parse(c.filter, kHeaders);
        ASSERT_EQ(filter.Terms().size(), 1u) << c.filter;
        EXPECT_EQ(filter.Terms()[0].col, c.col) << c.filter;
        EXPECT_EQ(filter.Terms()[0].op, c.op) << c.filter;
        EXPECT_EQ(filter.Terms()[0].value, c.value) << c.filter;
    }
}

TEST(RowFilter, Should_MatchCyrillicTextWithoutRegardToCase) {
    EXPECT_TRUE(Accepts(Utf16ToCp1251(u"ПРИМЕР"), {Utf16ToCp1251(u"пример.рф")}));
    EXPECT_TRUE(Accepts(Utf16ToCp1251(u"domain=Пример.РФ"), {Utf16ToCp1251(u"пример.рф")}));
}

}  // namespace
}  // namespace vantle
