// The UTF-8 CSV and the Excel workbook, read back: the CSV byte for byte, the workbook's sheet through
// its zip and XML.
#include <gtest/gtest.h>
#include <zip.h>

#include <fstream>
#include <iterator>
#include <memory>

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

TEST(ExportFormatsTest, WorkbookThatCannotBeCreatedRaisesCannotCreate) {
    try {
        SaveXlsxFile("/nonexistent-dir/t.xlsx", Table());
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"/nonexistent-dir/t.xlsx\".", 0), 0u);
    }
}

}  // namespace
}  // namespace vantle
