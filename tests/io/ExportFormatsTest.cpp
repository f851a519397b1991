// The UTF-8 CSV and the Excel workbook, read back: the CSV byte for byte, the workbook's sheet through
// its zip and XML.
#include <gtest/gtest.h>
#include <zip.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "io/CsvExport.h"
#include "io/TempDir.h"
#include "io/XlsxExport.h"
#include "text/Cp1251.h"
#include "text/Utf8.h"

namespace vantle {
namespace {

const std::vector<std::vector<std::string>> kRows = {
    {"Domain", "Tic", "Status", "PR", "Mirror"},
    {Utf16ToCp1251(u"пример.рф"), "150", "say \"hi\"", "N/A", "www"},
    {"site.test", "0", "", "7", Utf16ToCp1251(u"сайт.рф")},
};

CsvTable Table() {
    return {3, 5, [](int col, int row) {
                return kRows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
            }};
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string ZipEntry(const std::string& path, const char* name) {
    int error = 0;
    std::unique_ptr<zip_t, decltype(&zip_discard)> archive(zip_open(path.c_str(), ZIP_RDONLY, &error),
                                                           zip_discard);
    if (!archive) {
        return {};
    }
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat(archive.get(), name, 0, &stat) != 0) {
        return {};
    }
    std::unique_ptr<zip_file_t, decltype(&zip_fclose)> file(zip_fopen(archive.get(), name, 0), zip_fclose);
    std::string bytes(stat.size, '\0');
    if (!file || zip_fread(file.get(), bytes.data(), stat.size) != static_cast<zip_int64_t>(stat.size)) {
        return {};
    }
    return bytes;
}

TEST(ExportFormatsTest, Utf8CsvIsTheSameCsvInUtf8WithAByteOrderMark) {
    testing::TempDir dir;
    SaveCsvUtf8File(dir.File("t.csv"), Table());
    std::string expected = "\xEF\xBB\xBF";
    for (const auto& row : kRows) {
        expected += Cp1251ToUtf8(CsvLine(row));
    }
    EXPECT_EQ(ReadAll(dir.File("t.csv")), expected);
}

TEST(ExportFormatsTest, WorkbookHoldsNumbersAsNumbersUnderABoldFrozenHeader) {
    testing::TempDir dir;
    SaveXlsxFile(dir.File("t.xlsx"), Table());
    const std::string sheet = ZipEntry(dir.File("t.xlsx"), "xl/worksheets/sheet1.xml");
    ASSERT_FALSE(sheet.empty());
    const std::string expected[] = {
        "<pane ySplit=\"1\"",                                     // frozen header
        "<c r=\"B2\"><v>150</v></c>",                             // Tic as a number
        "<c r=\"B3\"><v>0</v></c>",                               // a zero too
        "<c r=\"D3\"><v>7</v></c>",                               // PR
        "<c r=\"D2\" t=\"inlineStr\"><is><t>N/A</t></is></c>",    // not a number: text
        "<c r=\"A1\" s=\"1\" t=\"inlineStr\"><is><t>Domain</t>",  // bold header
        "<t>\xD0\xBF\xD1\x80\xD0\xB8\xD0\xBC\xD0\xB5\xD1\x80.",   // Cyrillic in UTF-8
        "<t>say \"hi\"</t>",
    };
    for (const std::string& part : expected) {
        EXPECT_NE(sheet.find(part), std::string::npos) << part << "\n" << sheet;
    }
}

// Which cells of a workbook are numbers, dates or text: by the column's header, and by the cell.
TEST(ExportFormatsTest, WorkbookHoldsTheCountingColumnsAsNumbersAndTheDateColumnsAsDates) {
    const std::vector<std::vector<std::string>> rows = {
        {"Domain", "Tic", "YaPages", "PR", "Rank", "HTTP", "Created", "Expires", "Archive", "SSL",
         "Registrar"},
        {"a.test", "10", "2500", "3", "1234", "200", "1999-12-31", "2027-03-01", "2001-01-01", "2026-12-31",
         "2027"},
        {"b.test", "N/A", "-", "", "", "timeout", "free", "", "none", "invalid 2025-01-01", "R"},
        {"c.test", "0", "1", "10", "1", "301", "2010-02-30", "2010-13-01", "1899-12-31", "no https",
         "2026-12-31"},
        {"d.test", "-", "", "", "", "", "2024-02-29", "2023-02-29", "1900-01-01", "2010-12-31", ""},
    };
    const CsvTable table{5, 11, [&rows](int col, int row) {
                             return rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
                         }};
    testing::TempDir dir;
    SaveXlsxFile(dir.File("t.xlsx"), table);
    const std::string sheet = ZipEntry(dir.File("t.xlsx"), "xl/worksheets/sheet1.xml");
    ASSERT_FALSE(sheet.empty());
    struct Case {
        std::string cell;
        std::string xml;  // what the sheet holds for it
    };
    const Case cases[] = {
        {"B2", "<c r=\"B2\"><v>10</v></c>"},
        {"C2", "<c r=\"C2\"><v>2500</v></c>"},
        {"D2", "<c r=\"D2\"><v>3</v></c>"},
        {"E2", "<c r=\"E2\"><v>1234</v></c>"},
        {"F2", "<c r=\"F2\"><v>200</v></c>"},
        {"G2", "<c r=\"G2\" s=\"2\"><v>36525</v></c>"},
        {"H2", "<c r=\"H2\" s=\"2\"><v>46447</v></c>"},
        {"I2", "<c r=\"I2\" s=\"2\"><v>36892</v></c>"},
        {"J2", "<c r=\"J2\" s=\"2\"><v>46387</v></c>"},
        {"K2", "<c r=\"K2\" t=\"inlineStr\"><is><t>2027</t></is></c>"},
        {"F3", "<c r=\"F3\" t=\"inlineStr\"><is><t>timeout</t></is></c>"},
        {"G3", "<c r=\"G3\" t=\"inlineStr\"><is><t>free</t></is></c>"},
        {"J3", "<c r=\"J3\" t=\"inlineStr\"><is><t>invalid 2025-01-01</t></is></c>"},
        {"G4", "<c r=\"G4\" t=\"inlineStr\"><is><t>2010-02-30</t></is></c>"},
        {"H4", "<c r=\"H4\" t=\"inlineStr\"><is><t>2010-13-01</t></is></c>"},
        {"I4", "<c r=\"I4\" t=\"inlineStr\"><is><t>1899-12-31</t></is></c>"},
        {"B4", "<c r=\"B4\"><v>0</v></c>"},
        {"E4", "<c r=\"E4\"><v>1</v></c>"},
        {"G5", "<c r=\"G5\" s=\"2\"><v>45351</v></c>"},
        {"H5", "<c r=\"H5\" t=\"inlineStr\"><is><t>2023-02-29</t></is></c>"},
        {"I5", "<c r=\"I5\" s=\"2\"><v>1</v></c>"},
        {"J5", "<c r=\"J5\" s=\"2\"><v>40543</v></c>"},
        {"K4", "<c r=\"K4\" t=\"inlineStr\"><is><t>2026-12-31</t></is></c>"},
        {"F1", "<c r=\"F1\" s=\"1\" t=\"inlineStr\"><is><t>HTTP</t>"},
    };
    for (const Case& c : cases) {
        EXPECT_NE(sheet.find(c.xml), std::string::npos) << c.cell << "\n" << sheet;
    }
    const std::string styles = ZipEntry(dir.File("t.xlsx"), "xl/styles.xml");
    EXPECT_NE(styles.find("formatCode=\"yyyy-mm-dd\""), std::string::npos) << styles;
}

TEST(ExportFormatsTest, WorkbookGoesOnIntoFurtherSheetsEachUnderTheHeaderWithItsFilterButtons) {
    struct Case {
        int dataRows;
        int perSheet;
        int sheets;
    };
    const Case cases[] = {{0, 2, 1}, {1, 2, 1}, {2, 2, 1}, {3, 2, 2}, {4, 2, 2}, {5, 2, 3}, {5, 1, 5}};
    for (const Case& c : cases) {
        const CsvTable table{c.dataRows + 1, 2, [](int col, int row) {
                                 return row == 0   ? std::string(col == 0 ? "Domain" : "Tic")
                                        : col == 0 ? "d" + std::to_string(row) + ".test"
                                                   : std::to_string(row);
                             }};
        testing::TempDir dir;
        SaveXlsxFile(dir.File("t.xlsx"), table, c.perSheet);
        int row = 1;
        for (int s = 1; s <= c.sheets; ++s) {
            const std::string sheet =
                ZipEntry(dir.File("t.xlsx"), ("xl/worksheets/sheet" + std::to_string(s) + ".xml").c_str());
            ASSERT_FALSE(sheet.empty()) << c.dataRows << "/" << c.perSheet << " sheet " << s;
            EXPECT_NE(sheet.find("<t>Domain</t>"), std::string::npos) << s;
            EXPECT_NE(sheet.find("<pane ySplit=\"1\""), std::string::npos) << s;
            // Filter buttons on the header, over this sheet's rows and no further.
            const int rowsHere = std::min(c.perSheet, c.dataRows - (s - 1) * c.perSheet);
            EXPECT_NE(sheet.find("<autoFilter ref=\"A1:B" + std::to_string(rowsHere + 1) + "\""),
                      std::string::npos)
                << c.dataRows << "/" << c.perSheet << " sheet " << s << "\n"
                << sheet;
            for (int at = 2; at <= c.perSheet + 1 && row <= c.dataRows; ++at, ++row) {
                const std::string cells = "<c r=\"A" + std::to_string(at) + "\" t=\"inlineStr\"><is><t>d" +
                                          std::to_string(row) + ".test</t></is></c><c r=\"B" +
                                          std::to_string(at) + "\"><v>" + std::to_string(row) + "</v></c>";
                EXPECT_NE(sheet.find(cells), std::string::npos)
                    << c.dataRows << "/" << c.perSheet << " sheet " << s << "\n"
                    << sheet;
            }
            EXPECT_EQ(sheet.find("<row r=\"" + std::to_string(c.perSheet + 2) + "\""), std::string::npos);
        }
        EXPECT_EQ(row, c.dataRows + 1) << c.dataRows << "/" << c.perSheet;
        const std::string more = "xl/worksheets/sheet" + std::to_string(c.sheets + 1) + ".xml";
        EXPECT_TRUE(ZipEntry(dir.File("t.xlsx"), more.c_str()).empty()) << c.dataRows << "/" << c.perSheet;
    }
}

TEST(ExportFormatsTest, WorkbookOnAFullDeviceRaisesDiskFullAsTheCsvDoes) {
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    try {
        SaveXlsxFile("/dev/full", Table());
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(std::string(e.what()), "Disk full");
    }
}

// A sheet's cell holds 32,767 characters at the most: a longer one is a failed save, not a cell left out.
TEST(ExportFormatsTest, WorkbookWithACellTooLongForASheetRaisesCannotCreate) {
    struct Case {
        std::size_t length;
        bool fails;
    };
    const Case cases[] = {{32767, false}, {32768, true}};
    for (const Case& c : cases) {
        const std::string cell(c.length, 'x');
        const CsvTable table{2, 1, [&cell](int, int row) { return row == 0 ? std::string("Status") : cell; }};
        testing::TempDir dir;
        const std::string path = dir.File("t.xlsx");
        std::string error;
        try {
            SaveXlsxFile(path, table);
        } catch (const EInOutError& e) {
            error = e.what();
        }
        EXPECT_EQ(!error.empty(), c.fails) << c.length << " " << error;
        EXPECT_EQ(error.rfind("Cannot create file \"" + path + "\".", 0) == 0, c.fails) << error;
    }
}

TEST(ExportFormatsTest, WorkbookThatCannotBeCreatedRaisesCannotCreate) {
    try {
        SaveXlsxFile("/nonexistent-dir/t.xlsx", Table());
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"/nonexistent-dir/t.xlsx\".", 0), 0u);
    }
}

// A row whose names and texts the code page cannot hold: the Windows-1251 CSV writes the domain's ASCII
// form and "?" elsewhere; the UTF-8 CSV and the workbook every character as it was typed or answered.
const std::vector<std::vector<std::string>> kBeyondRows = {
    {"Domain", "Registrar", "Mirror"},
    {Utf16ToCp1251Keeping(u"münchen.de"), Utf16ToCp1251Keeping(u"Registrö Ελλάς"), Utf16ToCp1251(u"сайт.рф")},
    {Utf16ToCp1251Keeping(u"\U0001F600.com"), "bad name", Utf16ToCp1251Keeping(u"例え.jp")},
    {Utf16ToCp1251(u"пример.рф"), "a", "b"},
};

CsvTable BeyondTable() {
    return {4, 3, [](int col, int row) {
                return kBeyondRows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
            }};
}

TEST(ExportFormatsTest, Cp1251CsvWritesTheAsciiDomainAndQuestionMarksForWhatItCannotHold) {
    const std::string expected =
        "\"Domain\";\"Registrar\";\"Mirror\"\r\n"
        "\"xn--mnchen-3ya.de\";\"Registr? ?????\";\"" +
        Utf16ToCp1251(u"сайт.рф") +
        "\"\r\n"
        "\"?.com\";\"bad name\";\"??.jp\"\r\n"
        "\"" +
        Utf16ToCp1251(u"пример.рф") + "\";\"a\";\"b\"\r\n";
    std::ostringstream written;
    WriteCsv(written, BeyondTable());
    EXPECT_EQ(written.str(), expected);
    testing::TempDir dir;
    SaveCsvFile(dir.File("t.csv"), BeyondTable());
    EXPECT_EQ(ReadAll(dir.File("t.csv")), expected);
    std::string lines;
    for (const auto& row : kBeyondRows) {
        lines += Cp1251CsvLine(row);
    }
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(Cp1251CsvField(1, kBeyondRows[1][0]), "m?nchen.de") << "only the first column is the domain";
}

TEST(ExportFormatsTest, Utf8CsvAndWorkbookWriteEveryCharacter) {
    testing::TempDir dir;
    SaveCsvUtf8File(dir.File("t.csv"), BeyondTable());
    const std::string csv = ReadAll(dir.File("t.csv"));
    for (const char* part :
         {"\"m\xC3\xBCnchen.de\";\"Registr\xC3\xB6 \xCE\x95\xCE\xBB\xCE\xBB\xCE\xAC\xCF\x82\"",
          "\"\xF0\x9F\x98\x80.com\";\"bad name\";\"\xE4\xBE\x8B\xE3\x81\x88.jp\""}) {
        EXPECT_NE(csv.find(part), std::string::npos) << part;
    }
    std::ostringstream written;
    WriteCsvUtf8(written, BeyondTable());
    EXPECT_EQ(written.str(), csv);
    EXPECT_EQ(csv.find("\xC2\x98"), std::string::npos) << "no U+0098 left of an escape";

    SaveXlsxFile(dir.File("t.xlsx"), BeyondTable());
    const std::string sheet = ZipEntry(dir.File("t.xlsx"), "xl/worksheets/sheet1.xml");
    for (const char* part : {"<t>m\xC3\xBCnchen.de</t>", "<t>\xE4\xBE\x8B\xE3\x81\x88.jp</t>"}) {
        EXPECT_NE(sheet.find(part), std::string::npos) << part << "\n" << sheet;
    }
}

}  // namespace
}  // namespace vantle
