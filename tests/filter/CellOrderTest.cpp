#include "filter/CellOrder.h"

#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include "text/Cp1251.h"

namespace vantle {
namespace {

TEST(CellOrder, Should_ReadNumbersDatesTextAndEmpty) {
    struct Case {
        const char* cell;
        CellKind kind;
        double value;
    };
    const Case cases[] = {
        {"120", CellKind::Number, 120},
        {" -3 ", CellKind::Number, -3},
        {"2,5", CellKind::Number, 2.5},
        {"2.5", CellKind::Number, 2.5},
        {"2.", CellKind::Text, 0},
        {"-", CellKind::Text, 0},
        {"N/A", CellKind::Text, 0},
        {"12a", CellKind::Text, 0},
        {"", CellKind::Empty, 0},
        {"  ", CellKind::Empty, 0},
        {"2027-03-01", CellKind::Date, 20270301},
        {"2027-13-01", CellKind::Text, 0},
        {"2027-3-01", CellKind::Text, 0},
        {"timeout", CellKind::Text, 0},
    };
    for (const Case& c : cases) {
        const CellKey key = KeyOf(c.cell);
        EXPECT_EQ(key.kind, c.kind) << c.cell;
        EXPECT_EQ(key.value, c.value) << c.cell;
    }
}

// A column sorted both ways, as ColumnOrder orders it with a stable sort.
std::vector<std::string> Sorted(std::vector<std::string> cells, bool descending) {
    bool ordinal = false;
    for (const std::string& cell : cells) {
        ordinal = ordinal || ColumnOrder::IsOrdinal(KeyOf(cell));
    }
    const ColumnOrder order(ordinal, descending);
    std::stable_sort(cells.begin(), cells.end(), [&order](const std::string& a, const std::string& b) {
        return order.Before(KeyOf(a), a, KeyOf(b), b);
    });
    return cells;
}

TEST(CellOrder, Should_SortEachKindOfColumnWithOddCellsLastBothWays) {
    using Cells = std::vector<std::string>;
    struct Case {
        Cells cells;
        Cells ascending;
        Cells descending;
    };
    const Case cases[] = {
        {{"100", "N/A", "20", "", "3", "-"},
         {"3", "20", "100", "N/A", "", "-"},
         {"100", "20", "3", "N/A", "", "-"}},
        {{"2027-03-01", "timeout", "2026-12-31", "2030-01-01"},
         {"2026-12-31", "2027-03-01", "2030-01-01", "timeout"},
         {"2030-01-01", "2027-03-01", "2026-12-31", "timeout"}},
        {{"b.ru", "", "A.ru", "c.ru"}, {"A.ru", "b.ru", "c.ru", ""}, {"c.ru", "b.ru", "A.ru", ""}},
        {{Utf16ToCp1251(u"Яблоко"), Utf16ToCp1251(u"арбуз"), Utf16ToCp1251(u"Ёж")},
         {Utf16ToCp1251(u"арбуз"), Utf16ToCp1251(u"Ёж"), Utf16ToCp1251(u"Яблоко")},
         {Utf16ToCp1251(u"Яблоко"), Utf16ToCp1251(u"Ёж"), Utf16ToCp1251(u"арбуз")}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Sorted(c.cells, false), c.ascending) << c.cells[0];
        EXPECT_EQ(Sorted(c.cells, true), c.descending) << c.cells[0];
    }
}

TEST(CellOrder, Should_FoldAsciiAndCyrillicCase) {
    EXPECT_EQ(FoldCase(Utf16ToCp1251(u"ПрИмЕр.РФ ЁЖ ЇІ Site")), Utf16ToCp1251(u"пример.рф ёж їі site"));
    EXPECT_TRUE(ContainsFolded(Utf16ToCp1251(u"Vantle: ПРИМЕР.рф"), Utf16ToCp1251(u"пример")));
    EXPECT_FALSE(ContainsFolded("abc", "abcd"));
}

// A letter beyond the code page (kept as an escape) folds and matches as one character.
TEST(CellOrder, Should_MatchLettersBeyondTheCodePageWhole) {
    const auto kept = [](const char16_t* text) { return Utf16ToCp1251Keeping(text); };
    EXPECT_EQ(FoldCase(kept(u"MÜNCHEN.de ΕΛΛΆΔΑ İ")), kept(u"münchen.de ελλάδα i"));
    const struct {
        std::u16string cell;
        std::u16string needle;
        bool found;
    } cases[] = {
        {u"münchen.de", u"ü", true},   {u"MÜNCHEN.de", u"ünch", true}, {u"münchen.de", u"mün", true},
        {u"münchen.de", u"fc", false},  // the digits of the escape are no text
        {u"münchen.de", u"c;", false}, {u"münchen.de", u"ö", false},   {u"例え.jp", u"え.jp", true},
        {u"例え.jp", u"8b", false},    {u"a😀b", u"😀b", true},          {u"a😀b", u"600", false},
        {u"münchen.de", u"de", true},  // after the escape
        {u"münchen.de", u"m", true},   // before it
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ContainsFolded(kept(c.cell.c_str()), kept(c.needle.c_str())), c.found)
            << kept(c.cell.c_str()) << " / " << kept(c.needle.c_str());
    }
}

}  // namespace
}  // namespace vantle
