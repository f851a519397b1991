// The CSV file read back by an RFC 4180 reader (";" as separator) gives the table again, byte for
// byte, whatever the cells hold; and the reader itself refuses what breaks the format.
#include <gtest/gtest.h>

#include <sstream>

#include "io/CsvExport.h"
#include "support/Rfc4180.h"

namespace vantle {
namespace {

using testing::CsvRecords;
using testing::ParseRfc4180;

std::string Write(const CsvRecords& table) {
    const int cols = table.empty() ? 1 : static_cast<int>(table[0].size());
    const CsvTable csv{static_cast<int>(table.size()), cols, [&](int col, int row) {
                           return table[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
                       }};
    std::ostringstream out;
    WriteCsv(out, csv);
    return out.str();
}

TEST(CsvRoundTrip, Should_ReadBackAsTheTable_When_CellsHoldQuotesSeparatorsLineEndsAndNul) {
    const CsvRecords tables[] = {
        {},
        {{""}},
        {{"Domain", "Tic", "Status", "Yaca"}, {"site.test", "120", "Vantle: other.test", "Yes"}},
        {{"a\"b", "\"\"", "\""}, {";", "a;b", ";;"}},
        {{"line\r\nbreak", "\r", "\n"}, {"\n\r", "end\r", ""}},
        {{std::string("nul\0inside", 10), "\xEF\xF0\xE8\xEC\xE5\xF0", "\x98\xFF"}},
        {{""}, {""}, {""}},
    };
    for (const auto& table : tables) {
        const std::string text = Write(table);
        SCOPED_TRACE(text);
        const auto parsed = ParseRfc4180(text);
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(*parsed, table);
    }
}

TEST(Rfc4180Reader, Should_RefuseTextThatBreaksTheFormat) {
    const char* broken[] = {
        "\"open",            // unclosed quote
        "a\"b\r\n",          // quote inside an unquoted field
        "\"a\"b\r\n",        // text after the closing quote
        "\"a\"\n\"b\"\r\n",  // a bare LF as line end
        "\"a\"\r\"b\"",      // a bare CR as line end
    };
    for (const char* text : broken) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(ParseRfc4180(text).has_value());
    }
}

TEST(Rfc4180Reader, Should_ReadUnquotedFieldsAndALastLineWithoutLineEnd) {
    const auto parsed = ParseRfc4180("a;b\r\n;\"c\"");
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(*parsed, (CsvRecords{{"a", "b"}, {"", "c"}}));
}

}  // namespace
}  // namespace vantle
