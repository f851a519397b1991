// Domain lists from CSV tables and workbooks, and plain text lists left exactly as they were read.
#include "io/ListSheet.h"

#include <gtest/gtest.h>

#include <string>

#include "io/CsvExport.h"
#include "io/ListFile.h"
#include "io/TempDir.h"
#include "io/XlsxExport.h"
#include "io/ZipBuilder.h"
#include "text/Utf8.h"

namespace vantle {
namespace {

using namespace std::string_literals;

std::string Cp(std::string_view utf8) {
    return Utf8ToCp1251(utf8);
}

TEST(CsvSeparatorTest, OnlyEveryFirstRecordWithTwoFieldsMakesATable) {
    std::string twenty;
    for (int i = 0; i < 20; ++i) {
        twenty += "a" + std::to_string(i) + ".ru;x\n";
    }
    const struct {
        const char* what;
        std::string text;
        std::optional<char> separator;
    } cases[] = {
        {"a plain list", "a.ru\nb.ru\n", std::nullopt},
        {"semicolons", "a.ru;x\nb.ru;y", ';'},
        {"tabs", "a.ru\tx\nb.ru\ty", '\t'},
        {"commas", "a.ru,x\nb.ru,y", ','},
        {"the semicolon goes first", "a.ru;x,y\nb.ru;z", ';'},
        {"the tab before the comma", "a,b\tc\nd,e\tf", '\t'},
        {"one line of one field among them", "a.ru;x\nb.ru\nc.ru;z", std::nullopt},
        {"only the first line has two", "a.ru,comment\nb.ru\n", std::nullopt},
        {"a separator inside quotes is no separator", "\"a;b\"\n\"c;d\"", std::nullopt},
        {"blank lines do not count", "a;b\n\n\nc;d\n", ';'},
        {"the twentieth record counts", twenty.substr(0, twenty.size() - 3) + "\n", std::nullopt},
        {"the twenty-first does not", twenty + "lone.ru\n", ';'},
        {"empty", "", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CsvSeparator(c.text), c.separator) << c.what;
    }
}

std::vector<std::vector<std::string>> Texts(const std::vector<SheetRow>& rows) {
    std::vector<std::vector<std::string>> out;
    for (const SheetRow& row : rows) {
        out.emplace_back();
        for (const SheetCell& cell : row) {
            EXPECT_EQ(cell.col, static_cast<int>(out.back().size()));
            out.back().push_back(cell.text);
        }
    }
    return out;
}

TEST(ReadCsvRowsTest, FieldsAsSpreadsheetsWriteThem) {
    using Rows = std::vector<std::vector<std::string>>;
    const struct {
        const char* what;
        std::string text;
        Rows rows;
    } cases[] = {
        {"plain", "a;b\nc;d", {{"a", "b"}, {"c", "d"}}},
        {"quoted with the separator", "\"a;b\";c\n", {{"a;b", "c"}}},
        {"a doubled quote", "\"say \"\"hi\"\"\";x", {{"say \"hi\"", "x"}}},
        {"a line end inside quotes", "\"a\nb\";c\nd;e", {{"a\nb", "c"}, {"d", "e"}}},
        {"a last empty field", "a;\n", {{"a", ""}}},
        {"an empty quoted line is a record", "\"\"\na", {{""}, {"a"}}},
        {"blank lines are none", "\n\na\n\n", {{"a"}}},
        {"text after the closing quote", "\"a\"b;c", {{"ab", "c"}}},
        {"a quote never closed", "\"a;b\nc", {{"a;b\nc"}}},
        {"a quote inside an unquoted field", "a\"b;c", {{"a\"b", "c"}}},
        {"CR LF ends a line", "a;b\r\nc\r\n", {{"a", "b"}, {"c"}}},
        {"CR LF after a quoted field", "\"a\"\r\n\"b\r\nc\"\r\n", {{"a"}, {"b\r\nc"}}},
        {"only the last CR goes with the line end", "a\r\r\n", {{"a\r"}}},
        {"a CR not before a line end stays", "a\rb;c", {{"a\rb", "c"}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Texts(ReadCsvRows(c.text, ';')), c.rows) << c.what;
    }
    EXPECT_EQ(ReadCsvRows("a\nb\nc", ';', 2).size(), 2u);
}

TEST(HostOfCellTest, TheHostOfAUrlAndTheCellOtherwise) {
    const struct {
        std::string cell;
        std::string host;
    } cases[] = {
        {"https://www.example.com/path?q", "www.example.com"},
        {"http://user:pw@a.ru:8080/", "a.ru"},
        {"http://a.ru:80x", "a.ru:80x"},
        {"http://a.ru:", "a.ru:"},
        {"www.a.ru/page", "www.a.ru"},
        {"a.ru?x=1", "a.ru"},
        {"a.ru#top", "a.ru"},
        {"  a.ru \t", "a.ru"},
        {"\xEF\xF0\xE8\xEC\xE5\xF0.\xF0\xF4", "\xEF\xF0\xE8\xEC\xE5\xF0.\xF0\xF4"},
        {"a.ru\r\nb", "a.ru  b"},
        {"Mail.Example.COM", "Mail.Example.COM"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HostOfCell(c.cell), c.host) << c.cell;
    }
}

TEST(ListFromFileBytesTest, APlainListIsReadAsBefore) {
    const std::string texts[] = {
        "a.ru\r\nb.ru\r\n",
        "\xEF\xBB\xBF\xD1\x80\xD1\x84.\xD1\x80\xD1\x84\n",
        "\xEF\xF0\xE8.\xF0\xF4\rwww.a.ru/x\n",
        "http://a.ru/?q=1\n  b.ru  \n\n",
        "a.ru, comment\nb.ru\n",
        "a.ru\0;b\n;c\n"s,
        "",
    };
    for (const std::string& text : texts) {
        const ListFromFile list = ListFromFileBytes(text);
        EXPECT_FALSE(list.table) << text;
        EXPECT_EQ(list.text, ListTextToCp1251(DecodeListText(text))) << text;
    }
}

TEST(ListFromFileBytesTest, TheDomainColumnOfACsv) {
    const struct {
        const char* what;
        std::string bytes;
        std::string list;
    } cases[] = {
        {"the Domain header", "Domain;Tic\r\na.ru;1\r\nb.ru;2\r\n", "a.ru\nb.ru"},
        {"a header in any case, in another column", "Note;HOST\nx;a.ru\ny;b.ru", "a.ru\nb.ru"},
        {"a Cyrillic header in UTF-8 with the mark, a Cyrillic name",
         "\xEF\xBB\xBF\xD0\x98\xD0\xBC\xD1\x8F,\xD0\xA1\xD0\xB0\xD0\xB9\xD1\x82\r\nx,\xD1\x80\xD1\x84."
         "\xD1\x80\xD1\x84\r\n",
         Cp("рф.рф")},
        {"a Cyrillic header in Windows-1251", Cp("ДОМЕНЫ\tx\nа.рф\t1\n"), Cp("а.рф")},
        {"a header with a hyphen", Cp("URL-адрес;x\nhttps://a.ru/p;1\n"), "a.ru"},
        {"a header with blanks around", " Site ;x\na.ru;1", "a.ru"},
        {"the header wins over a column of names before it", "mirror;url\nm.ru;a.ru\nn.ru;b.ru",
         "a.ru\nb.ru"},
        {"no header: the first column of names", "1;a.ru\n2;b.ru\n", "a.ru\nb.ru"},
        {"an unknown header is left out", "Name;Address\nx;a.ru\ny;b.ru", "a.ru\nb.ru"},
        {"empty cells skipped", "Domain;x\n;1\na.ru;2\n  ;3\n", "a.ru"},
        {"URLs give hosts", "url,n\nhttps://www.example.com/path?q,1\nhttp://b.ru:8080,2",
         "www.example.com\nb.ru"},
        {"quoted as Excel writes", "\"Domain\";\"Note\"\r\n\"a.ru\";\"x;y\"\r\n\"b.ru\";\"\"\"q\"\"\"\r\n",
         "a.ru\nb.ru"},
        {"numbers with dots are no names", "1.5;a.ru\n2.5;b.ru", "a.ru\nb.ru"},
        {"half of the cells like names is not most", "x;y\na b;c.ru\nd.ru;e.ru", "c.ru\ne.ru"},
        {"two of three is most", "a.ru;c.ru\nb c;d.ru\ne.ru;f.ru", "a.ru\nb c\ne.ru"},
        {"two of four is not most", "a.ru;x\nb;c.ru\nd.ru;e.ru\nf;g.ru", "c.ru\ne.ru\ng.ru"},
        {"no column of names", "a;b\nc;d\n", ""},
        {"a header only", "Domain;Tic\n", ""},
    };
    for (const auto& c : cases) {
        const ListFromFile list = ListFromFileBytes(c.bytes);
        EXPECT_TRUE(list.table) << c.what;
        EXPECT_EQ(list.text, c.list) << c.what;
    }
}

TEST(ListFromFileBytesTest, AWorkbookOfTheProgramGivesItsDomains) {
    testing::TempDir dir;
    const std::vector<std::vector<std::string>> rows = {
        {"Tic", "Domain"}, {"10", "a.ru"}, {"", ""}, {"0", Cp("пример.рф")}};
    const CsvTable table{4, 2, [&rows](int col, int row) { return rows[row][col]; }};
    SaveXlsxFile(dir.File("t.xlsx"), table);
    const ListFromFile list = ListFromFileBytes(testing::ReadBytes(dir.File("t.xlsx")));
    EXPECT_TRUE(list.table);
    EXPECT_EQ(list.text, "a.ru\n" + Cp("пример.рф"));
}

TEST(ListFromFileBytesTest, AWorkbookWithSharedAndInlineStrings) {
    const std::string shared =
        R"(<si><t>Name</t></si><si><r><t>Dom</t></r><r><t>ain</t></r></si><si><t>a.ru</t><rPh><t>x</t></rPh></si>)";
    const std::string rows =
        R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="C1" t="s"><v>1</v></c></row>)"
        R"(<row r="2"><c r="A2" t="inlineStr"><is><t>n</t></is></c><c r="C2" t="s"><v>2</v></c></row>)"
        R"(<row r="3"><c r="C3"><v>12.5</v></c></row>)"
        R"(<row r="4"><c r="C4" t="inlineStr"><is><t>)"
        "\xD1\x81\xD0\xB0\xD0\xB9\xD1\x82.\xD1\x80\xD1\x84"
        R"(</t></is></c></row>)"
        R"(<row r="5"><c r="C5" t="s"><v>9</v></c><c r="C5" t="str"><v>b.ru</v></c></row>)";
    const ListFromFile list = ListFromFileBytes(testing::WorkbookOf(rows, shared));
    EXPECT_TRUE(list.table);
    EXPECT_EQ(list.text, "a.ru\n" + Cp("сайт.рф") + "\nb.ru");
}

TEST(ReadWorkbookSheetsTest, EscapedCharactersComeBack) {
    // é is beyond Windows-1251: it is kept as the escape of the program's text.
    const std::pair<std::string, std::string> cases[] = {
        {"a_x000D__x000a_b", "a\r\nb"},
        {"a.ru_x000D_", "a.ru\r"},  // an escape that ends the text
        {"_x000D_", "\r"},
        {"a.ru_x000D", "a.ru_x000D"},
        {"_x005F_x0041_ _x0041 _x00e9_ _x0439_ _xZZZZ_",
         "_x0041_ _x0041 " + Utf8ToCp1251Keeping("é") + " " + Cp("й") + " _xZZZZ_"},
    };
    std::string row = "<row>";
    for (const auto& [xml, cell] : cases) {
        row += "<c t=\"inlineStr\"><is><t>" + xml + "</t></is></c>";
    }
    row += R"(<c t="s"><v>0</v></c></row>)";  // and a shared string
    const auto sheets =
        ReadWorkbookSheets(testing::WorkbookOf(row, "<si><t>a_x000D_</t></si>"), false, 1 << 20);
    ASSERT_TRUE(sheets);
    ASSERT_EQ(sheets->front().size(), 1u);
    for (std::size_t col = 0; col < std::size(cases); ++col) {
        EXPECT_EQ(CellText(sheets->front().front(), static_cast<int>(col)), cases[col].second)
            << cases[col].first;
    }
    EXPECT_EQ(CellText(sheets->front().front(), static_cast<int>(std::size(cases))), "a\r");
}

TEST(ListFromFileBytesTest, AWorkbookThatCannotBeReadGivesNoList) {
    const std::string cases[] = {
        "PK\x03\x04 not really a zip"s,
        testing::ZipOf({{"readme.txt", "hello"}}),
        testing::WorkbookOf("<row><c><v>1</v></row>"),
        testing::ZipOf({{"xl/worksheets/sheet1.xml", "<!DOCTYPE x [<!ENTITY a 'b'>]><worksheet/>"}}),
    };
    for (const std::string& bytes : cases) {
        const ListFromFile list = ListFromFileBytes(bytes);
        EXPECT_TRUE(list.table);
        EXPECT_EQ(list.text, "");
    }
}

TEST(ReadWorkbookSheetsTest, ASheetWithoutTheWorkbookPartIsTheFirstSheet) {
    const std::string bytes =
        testing::ZipOf({{"xl/worksheets/sheet1.xml",
                         R"(<worksheet><sheetData><row><c t="inlineStr"><is><t>a.ru</t></is></c>)"
                         R"(<c t="inlineStr"><is><t>b</t></is></c></row></sheetData></worksheet>)"}});
    const auto sheets = ReadWorkbookSheets(bytes, false, 1 << 20);
    ASSERT_TRUE(sheets);
    ASSERT_EQ(sheets->size(), 1u);
    ASSERT_EQ(sheets->front().size(), 1u);
    EXPECT_EQ(CellText(sheets->front().front(), 0), "a.ru");
    EXPECT_EQ(CellText(sheets->front().front(), 1), "b");
}

TEST(ReadWorkbookSheetsTest, UnpackingStopsAtTheBound) {
    const auto parts = testing::WorkbookParts("<row><c t=\"inlineStr\"><is><t>a.ru" +
                                              std::string(100000, ' ') + "</t></is></c></row>");
    std::size_t unpacked = 0;
    for (const auto& part : parts) {
        unpacked += part.second.size();
    }
    const std::string bytes = testing::ZipOf(parts);
    EXPECT_LT(bytes.size(), unpacked / 10);
    EXPECT_TRUE(ReadWorkbookSheets(bytes, false, unpacked));
    EXPECT_FALSE(ReadWorkbookSheets(bytes, false, unpacked - 1));
}

TEST(ReadWorkbookSheetsTest, FarColumnsAreLeftOut) {
    const std::string bytes = testing::WorkbookOf(
        R"(<row><c r="XFD1" t="inlineStr"><is><t>last</t></is></c><c r="XFE1" t="inlineStr"><is><t>beyond</t></is></c>)"
        R"(<c r="1" t="inlineStr"><is><t>no letters</t></is></c></row>)");
    const auto sheets = ReadWorkbookSheets(bytes, false, 1 << 20);
    ASSERT_TRUE(sheets);
    ASSERT_EQ(sheets->front().size(), 1u);
    ASSERT_EQ(sheets->front().front().size(), 1u);
    EXPECT_EQ(sheets->front().front().front().col, 16383);
}

}  // namespace
}  // namespace vantle
