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
        {"Tic>=120", true, false},
        {"Tic<=120", true, false},
        {"Tic>120", false, false},
        {"Tic<120", false, false},
        {"Tic<=119", false, false},
        {"Tic>=121", false, false},
        {"tic<100", false, false},
        {"Tic>=abc", false, false},
        {"Tic>>3", false, false},
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

TEST(RowFilter, Should_ReadBlanksAroundTheOperator) {
    struct Case {
        std::string filter;
        std::size_t terms;
        int col;  // of the first term
        RowFilter::Op op;
        std::string value;
    };
    const Case cases[] = {
        {"Tic >= 100", 1, 1, RowFilter::Op::GreaterEqual, "100"},
        {"Tic >=100", 1, 1, RowFilter::Op::GreaterEqual, "100"},
        {"Tic>= 100", 1, 1, RowFilter::Op::GreaterEqual, "100"},
        {"Tic < 5 site", 2, 1, RowFilter::Op::Less, "5"},
        {"HTTP = 200", 1, 5, RowFilter::Op::Equal, "200"},
        {"HTTP =200", 1, 5, RowFilter::Op::Equal, "200"},
        // After = and != a blank ends the term: an empty cell, then a word anywhere.
        {"Mirror= site", 2, 6, RowFilter::Op::Equal, ""},
        {"Mirror!= site", 2, 6, RowFilter::Op::NotEqual, ""},
        {"Tic>=100 site", 2, 1, RowFilter::Op::GreaterEqual, "100"},
        {"site Tic>5", 2, -1, RowFilter::Op::Contains, "site"},
        {"\"Tic\" \">\" 5", 3, -1, RowFilter::Op::Contains, "Tic"},
    };
    for (const Case& c : cases) {
        const RowFilter filter = RowFilter::Parse(c.filter, kHeaders);
        ASSERT_EQ(filter.Terms().size(), c.terms) << c.filter;
        EXPECT_EQ(filter.Terms()[0].col, c.col) << c.filter;
        EXPECT_EQ(filter.Terms()[0].op, c.op) << c.filter;
        EXPECT_EQ(filter.Terms()[0].value, c.value) << c.filter;
    }
}

TEST(RowFilter, Should_TakeAYearOrAMonthAsThatPeriod_When_TheColumnHoldsDates) {
    const std::vector<std::string> headers = {"Domain", "Created"};
    struct Case {
        std::string filter;
        std::string created;
        bool accepted;
    };
    const Case cases[] = {
        {"Created<2010", "2009-12-31", true},       {"Created<2010", "2010-01-01", false},
        {"Created<=2010", "2010-12-31", true},      {"Created<=2010", "2011-01-01", false},
        {"Created>2010", "2010-12-31", false},      {"Created>2010", "2011-01-01", true},
        {"Created>=2010", "2009-12-31", false},     {"Created>=2010", "2010-01-01", true},
        {"Created=2010", "2010-06-15", true},       {"Created=2010", "2011-01-01", false},
        {"Created!=2010", "2010-06-15", false},     {"Created>=2010-03", "2010-02-28", false},
        {"Created>=2010-03", "2010-03-01", true},   {"Created<2010-03", "2010-02-28", true},
        {"Created<=2010-03", "2010-03-31", true},   {"Created<=2010-03", "2010-04-01", false},
        {"Created<=2010-12", "2010-12-31", true},   {"Created<=2010-12", "2011-01-01", false},
        {"Created=2010-12", "2011-01-01", false},   {"Created=2010-12", "2010-12-01", true},
        {"Created<2010-03-01", "2010-02-28", true}, {"Created<2010", "free", false},
    };
    for (const Case& c : cases) {
        const std::vector<std::string> row = {"a.ru", c.created};
        const RowFilter filter = RowFilter::Parse(c.filter, headers);
        EXPECT_TRUE(filter.Error().empty()) << c.filter;
        EXPECT_EQ(filter.Accepts(
                      2, [&row](int col) { return std::string_view(row[static_cast<std::size_t>(col)]); }),
                  c.accepted)
            << c.filter << " " << c.created;
    }
}

TEST(RowFilter, Should_TakeAMonthAsThatPeriod_When_TheColumnHoldsText) {
    const std::vector<std::string> headers = {"Domain", "Status"};
    const std::vector<std::string> row = {"a.ru", "2010-03-15"};
    const auto cell = [&row](int col) { return std::string_view(row[static_cast<std::size_t>(col)]); };
    EXPECT_TRUE(RowFilter::Parse("Status=2010-03", headers).Accepts(2, cell));
    EXPECT_FALSE(RowFilter::Parse("Status=2010", headers).Accepts(2, cell));
}

TEST(RowFilter, Should_CountDaysFromToday_When_ADateColumnIsComparedWithToday) {
    const std::vector<std::string> headers = {"Domain", "Created", "Expires", "Status"};
    const FilterContext context{std::chrono::sys_days(std::chrono::year(2026) / 12 / 8), {}};
    struct Case {
        std::string filter;
        std::string cell;  // of Created, Expires and Status alike
        bool accepted;
    };
    const Case cases[] = {
        {"Expires<today+30", "2027-01-06", true},
        {"Expires<today+30", "2027-01-07", false},
        {"Expires<=today+30", "2027-01-07", true},
        {"Created>today-365", "2025-12-08", false},
        {"Created>today-365", "2025-12-09", true},
        {"Expires<today", "2026-12-07", true},
        {"Expires<TODAY", "2026-12-08", false},
        {"Expires=today+0", "2026-12-08", true},
        {"Expires>=today-0", "2026-12-07", false},
        {"Expires=today", "free", false},
        {"Status=today", "today", true},
        {"Status=today", "2026-12-08", false},
        {Utf16ToCp1251(u"Expires<СЕГОДНЯ+1"), "2026-12-08", true},
        {Utf16ToCp1251(u"Expires<сегодня"), "2026-12-08", false},
    };
    for (const Case& c : cases) {
        const std::vector<std::string> row = {"a.ru", c.cell, c.cell, c.cell};
        const RowFilter filter = RowFilter::Parse(c.filter, headers, context);
        EXPECT_TRUE(filter.Error().empty()) << c.filter;
        EXPECT_EQ(filter.Accepts(
                      4, [&row](int col) { return std::string_view(row[static_cast<std::size_t>(col)]); }),
                  c.accepted)
            << c.filter << " " << c.cell;
    }
    for (const char* unread :
         {"Expires<today+", "Expires<today*2", "Expires<todays", "Expires<today+1000000"}) {
        EXPECT_FALSE(RowFilter::Parse(unread, headers, context).Error().empty()) << unread;
    }
}

TEST(RowFilter, Should_SayThatAColumnIsNotShown_When_ATermNamesAHiddenOne) {
    const std::vector<std::string> headers = {"Domain", "Tic", "Status", "Yaca", "IP"};
    const FilterContext context{std::nullopt, {false, true, true, true, false}};
    const RowFilter hidden = RowFilter::Parse("Tic >= 100", headers, context);
    EXPECT_EQ(hidden.Error(), Utf16ToCp1251(u"столбца «Tic» нет в этой таблице: его проверка не выбрана"));
    EXPECT_TRUE(RowFilter::Parse("IP=1.2.3.4", headers, context).Error().empty());
    EXPECT_TRUE(RowFilter::Parse("Tic>=100", headers).Error().empty()) << "shown when nothing is hidden";
}

TEST(RowFilter, Should_SayWhyATermCannotBeRead) {
    const std::vector<std::string> headers = {"Domain", "Tic", "Created", "Status", "HTTP", "Mirror"};
    struct Case {
        std::string filter;
        std::u16string error;  // empty: the filter reads
    };
    const Case cases[] = {
        {"Foo>1", u"нет столбца «Foo»"},
        {"site Foo=1 Bar=2", u"нет столбца «Foo»"},
        {">=5", u"нет имени столбца перед «>=»"},
        {"Tic>>3", u"лишний знак сравнения: «>>3»"},
        {"Tic==3", u"лишний знак сравнения: «==3»"},
        {"Tic>=abc", u"«abc» — не число"},
        {"HTTP<timeout", u"«timeout» — не число"},
        {"Created>soon", u"«soon» — не дата (ГГГГ-ММ-ДД, ГГГГ-ММ или ГГГГ)"},
        {"Created<2010-13", u"«2010-13» — не дата (ГГГГ-ММ-ДД, ГГГГ-ММ или ГГГГ)"},
        {"Created<2010-00", u"«2010-00» — не дата (ГГГГ-ММ-ДД, ГГГГ-ММ или ГГГГ)"},
        {"Created<201", u"«201» — не дата (ГГГГ-ММ-ДД, ГГГГ-ММ или ГГГГ)"},
        {"Tic>=", u"нет значения после «>=»"},
        {"Tic!5", u"после «!» нужен «=»"},
        // What reads: the boundary on each side of every rule above.
        {"Tic>=120", u""},
        {"Tic >= 120", u""},
        {"HTTP=timeout", u""},
        {"HTTP!=200", u""},
        {"Status>abc", u""},
        {"Mirror=", u""},
        {"Created<2010", u""},
        {"Created<2010-12", u""},
        {"Created>=2010-03-01", u""},
        {"\"Foo>1\"", u""},
        {"Yahoo!", u""},
        {"site", u""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RowFilter::Parse(c.filter, headers).Error(), Utf16ToCp1251(c.error)) << c.filter;
    }
}

TEST(RowFilter, Should_MatchCyrillicTextWithoutRegardToCase) {
    EXPECT_TRUE(Accepts(Utf16ToCp1251(u"ПРИМЕР"), {Utf16ToCp1251(u"пример.рф")}));
    EXPECT_TRUE(Accepts(Utf16ToCp1251(u"domain=Пример.РФ"), {Utf16ToCp1251(u"пример.рф")}));
}

TEST(RowFilter, Should_KeepChangedRows_When_TheTableHasChanges) {
    const std::vector<std::string> headers = {"Domain", "Expires", "Registrar", "Changes"};
    const std::string arrow = " " + EscapeOf(U'\u2192') + " ";
    const std::vector<std::string> expires = {
        "a.ru", "2027-12-01", "B", "Expires 2026-12-01" + arrow + "2027-12-01; Registrar A" + arrow + "B"};
    const std::vector<std::string> created = {"b.ru", "", "", "Created: free" + arrow + "2026-11-30"};
    const std::vector<std::string> still = {"c.ru", "2027-01-01", "A", ""};
    // A value that holds a column's name is no change of that column.
    const std::vector<std::string> named = {"d.ru", "", "", "Registrar Expires Ltd" + arrow + "B"};
    struct Case {
        std::string filter;
        bool expires, created, still, named;
    };
    const Case cases[] = {
        {"Changes", true, true, false, true},           {"changes", true, true, false, true},
        {"Changes=Expires", true, false, false, false}, {"Changes=registrar", true, false, false, true},
        {"Changes=Created", false, true, false, false}, {"Changes!=Expires", false, true, true, true},
        {"Changes=Expire", false, false, false, false},  // a whole name, not its start
        {"Changes=", false, false, true, false},         // no change at all
        {"Changes a.ru", true, false, false, false},
    };
    for (const Case& c : cases) {
        const RowFilter filter = RowFilter::Parse(c.filter, headers);
        EXPECT_TRUE(filter.Error().empty()) << c.filter;
        const auto accepts = [&filter](const std::vector<std::string>& row) {
            return filter.Accepts(
                4, [&row](int col) { return std::string_view(row[static_cast<std::size_t>(col)]); });
        };
        EXPECT_EQ(accepts(expires), c.expires) << c.filter;
        EXPECT_EQ(accepts(created), c.created) << c.filter;
        EXPECT_EQ(accepts(still), c.still) << c.filter;
        EXPECT_EQ(accepts(named), c.named) << c.filter;
    }
    // Without the column the word is plain text, as before.
    EXPECT_FALSE(Accepts("Changes", {"a.ru", "1", "", "", "", "", ""}));
}

}  // namespace
}  // namespace vantle
