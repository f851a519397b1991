// Saved tables read back: each of the three formats gives the cells saved, the header says the checks,
// and a file that is no saved table says why.
#include "io/SavedTable.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "io/CsvExport.h"
#include "io/SavedChecks.h"
#include "io/TempDir.h"
#include "io/XlsxExport.h"
#include "io/ZipBuilder.h"
#include "text/Utf8.h"

namespace vantle {
namespace {

using Rows = std::vector<std::vector<std::string>>;

const std::vector<CheckColumns>& kChecks = testing::SavedChecks();

std::string Cp(std::string_view utf8) {
    return Utf8ToCp1251(utf8);
}

using Save = std::function<void(const std::string&, const CsvTable&)>;

std::string Saved(const Rows& rows, const Save& save) {
    testing::TempDir dir;
    const CsvTable table{static_cast<int>(rows.size()), static_cast<int>(rows.front().size()),
                         [&rows](int col, int row) { return rows[row][col]; }};
    save(dir.File("t"), table);
    return testing::ReadBytes(dir.File("t"));
}

const Save kFormats[] = {
    [](const std::string& path, const CsvTable& table) { SaveCsvFile(path, table); },
    [](const std::string& path, const CsvTable& table) { SaveCsvUtf8File(path, table); },
    [](const std::string& path, const CsvTable& table) { SaveXlsxFile(path, table); },
};

Rows RowsOf(const JournalState& state) {
    Rows rows;
    for (const auto& [row, content] : state.rows) {
        EXPECT_EQ(row, static_cast<int>(rows.size()) + 1);
        EXPECT_EQ(content.line, row - 1);
        rows.push_back(content.cells);
    }
    return rows;
}

TEST(SavedTableTest, EachFormatGivesBackTheCellsSaved) {
    const Rows saved = {
        {"Domain", "Tic", "Status", "Yaca", "YaPages", "IP", "MX", "SSL", "Created", "Expires", "Registrar"},
        {Cp("пример.рф"), "150", "Vantle: a.ru", "Yes", "12", "10.0.0.1", "yes", "2027-01-31", "1900-03-01",
         "invalid 2020-01-01", Cp("ООО \"Рег\"; ru")},
        {"b.ru", "0", "", "", "N/A", "NXDOMAIN", "DNS error", "no https", "free", "", ""},
        {"c.ru", "0", "www", "Yes", "0", "", "no", "1900-01-01", "1900-02-28", "9999-12-31", "x\r\ny"},
    };
    for (const Save& save : kFormats) {
        const SavedTableRead read = ReadSavedTable(Saved(saved, save), kChecks);
        ASSERT_EQ(read.problem, SavedTableProblem::None);
        EXPECT_EQ(read.state.start.columns, saved.front());
        EXPECT_EQ(read.state.start.checks,
                  (std::vector<std::string>{"bar", "yapages", "dns", "ssl", "registry"}));
        EXPECT_EQ(RowsOf(read.state), Rows(saved.begin() + 1, saved.end()));
        EXPECT_EQ(read.state.list, Cp("пример.рф") + "\nb.ru\nc.ru");
        EXPECT_EQ(read.state.start.lineCount, 3);
        EXPECT_EQ(read.state.lastLine, 2);
        EXPECT_EQ(read.state.lastTotals, (std::array<std::int32_t, 3>{1, 2, 2}));
        EXPECT_EQ(read.state.rows.at(1).totals, (std::array<std::int32_t, 3>{1, 0, 1}));
    }
}

// The UTF-8 CSV and the workbook keep letters beyond Windows-1251 in names and texts alike.
TEST(SavedTableTest, UnicodeFormatsGiveBackLettersBeyondTheCodePage) {
    const Rows saved = {
        {"Domain", "IP", "MX", "Created", "Expires", "Registrar"},
        {Utf8ToCp1251Keeping("münchen.de"), "10.0.0.1", "yes", "2001-02-03", "2030-01-01",
         Utf8ToCp1251Keeping("Registrö Ελλάς")},
    };
    for (const Save& save : {kFormats[1], kFormats[2]}) {
        const SavedTableRead read = ReadSavedTable(Saved(saved, save), kChecks);
        ASSERT_EQ(read.problem, SavedTableProblem::None);
        // The window's table keeps the bar's three columns, empty here.
        const Rows expected = {
            {saved[1][0], "", "", "", "10.0.0.1", "yes", "2001-02-03", "2030-01-01", saved[1][5]}};
        EXPECT_EQ(RowsOf(read.state), expected);
    }
}

TEST(SavedTableTest, ColumnsComeInTheWindowsOrder) {
    const struct {
        const char* what;
        std::vector<std::string> header;
        std::vector<std::string> columns;
        std::vector<std::string> checks;
    } cases[] = {
        {"without the bar its columns stay, empty",
         {"Domain", "IP", "MX"},
         {"Domain", "Tic", "Status", "Yaca", "IP", "MX"},
         {"dns"}},
        {"PR before YaPages stays so",
         {"Domain", "Tic", "Status", "Yaca", "PR", "YaPages"},
         {"Domain", "Tic", "Status", "Yaca", "PR", "YaPages"},
         {"bar", "pr", "yapages"}},
        {"the checks that answer today in their order, whatever the file's",
         {"Rank", "Domain", "IP", "MX"},
         {"Domain", "Tic", "Status", "Yaca", "IP", "MX", "Rank"},
         {"dns", "rank"}},
        {"a check with a column missing has it empty",
         {"Domain", "Expires"},
         {"Domain", "Tic", "Status", "Yaca", "Created", "Expires", "Registrar"},
         {"registry"}},
        {"one bar column chooses the bar", {"Domain", "Yaca"}, {"Domain", "Tic", "Status", "Yaca"}, {"bar"}},
        {"what changed stays after the checks' columns, and is no check",
         {"Domain", "Changes", "Rank"},
         {"Domain", "Tic", "Status", "Yaca", "Rank", "Changes"},
         {"rank"}},
    };
    for (const auto& c : cases) {
        Rows rows = {c.header, {}};
        for (std::size_t i = 0; i < c.header.size(); ++i) {
            rows[1].push_back(c.header[i] == "Domain" ? "a.ru" : c.header[i] + "!");
        }
        const SavedTableRead read = ReadSavedTable(Saved(rows, kFormats[0]), kChecks);
        ASSERT_EQ(read.problem, SavedTableProblem::None) << c.what;
        EXPECT_EQ(read.state.start.columns, c.columns) << c.what;
        EXPECT_EQ(read.state.start.checks, c.checks) << c.what;
        const auto& cells = read.state.rows.at(1).cells;
        for (std::size_t i = 0; i < c.columns.size(); ++i) {
            const bool inFile = std::find(c.header.begin(), c.header.end(), c.columns[i]) != c.header.end();
            const std::string expected = c.columns[i] == "Domain" ? "a.ru" : inFile ? c.columns[i] + "!" : "";
            EXPECT_EQ(cells[i], expected) << c.what << " " << c.columns[i];
        }
    }
}

TEST(SavedTableTest, AFileThatIsNoSavedTableSaysWhy) {
    const struct {
        const char* what;
        std::string bytes;
        SavedTableProblem problem;
        std::string detail;
    } cases[] = {
        {"empty", "", SavedTableProblem::Unreadable, ""},
        {"a zip that is no workbook", testing::ZipOf({{"a.txt", "x"}}), SavedTableProblem::Unreadable, ""},
        {"a broken zip", std::string("PK\x03\x04xyz", 7), SavedTableProblem::Unreadable, ""},
        {"a plain list", "a.ru\r\nb.ru\r\n", SavedTableProblem::UnknownColumn, "a.ru"},
        {"an unknown caption", "\"Domain\";\"Foo\"\r\n\"a.ru\";\"1\"\r\n", SavedTableProblem::UnknownColumn,
         "Foo"},
        {"a caption in another case", "\"domain\"\r\n\"a.ru\"\r\n", SavedTableProblem::UnknownColumn,
         "domain"},
        {"an empty caption", "\"Domain\";\"\"\r\n", SavedTableProblem::UnknownColumn, ""},
        {"commas between fields", "Domain,Tic\r\na.ru,1\r\n", SavedTableProblem::UnknownColumn, "Domain,Tic"},
        {"a caption twice", "Domain;IP;IP\r\na.ru;1;2\r\n", SavedTableProblem::RepeatedColumn, "IP"},
        {"no Domain", "Tic;IP\r\n1;2\r\n", SavedTableProblem::NoDomainColumn, ""},
        {"a row longer than the header", "Domain;IP\r\na.ru;1\r\nb.ru;2;3\r\n", SavedTableProblem::LongRow,
         "3"},
        {"only the header", "\"Domain\";\"IP\"\r\n", SavedTableProblem::NoRows, ""},
        {"only empty rows", "Domain;IP\r\n;\r\n\"\";\"\"\r\n", SavedTableProblem::NoRows, ""},
    };
    for (const auto& c : cases) {
        const SavedTableRead read = ReadSavedTable(c.bytes, kChecks);
        EXPECT_EQ(read.problem, c.problem) << c.what;
        EXPECT_EQ(read.detail, c.detail) << c.what;
    }
}

TEST(SavedTableTest, EdgesOfRows) {
    // An empty extra field past the header is no content; a short row is filled with empty cells.
    const SavedTableRead read = ReadSavedTable("Domain;IP\r\na.ru;1;\r\nb.ru\r\n;\r\nc.ru;3\r\n", kChecks);
    ASSERT_EQ(read.problem, SavedTableProblem::None);
    const Rows rows = RowsOf(read.state);
    EXPECT_EQ(
        rows,
        (Rows{{"a.ru", "", "", "", "1", ""}, {"b.ru", "", "", "", "", ""}, {"c.ru", "", "", "", "3", ""}}));
}

TEST(SavedTableTest, LaterSheetsGoOnWithoutTheirHeader) {
    testing::TempDir dir;
    const Rows rows = {{"Domain", "Rank"}, {"a.ru", "1"}, {"b.ru", "2"}, {"c.ru", "3"}};
    const CsvTable table{4, 2, [&rows](int col, int row) { return rows[row][col]; }};
    SaveXlsxFile(dir.File("t.xlsx"), table, 2);
    const SavedTableRead read = ReadSavedTable(testing::ReadBytes(dir.File("t.xlsx")), kChecks);
    ASSERT_EQ(read.problem, SavedTableProblem::None);
    EXPECT_EQ(read.state.list, "a.ru\nb.ru\nc.ru");
}

TEST(SavedTableTest, WorkbookNumbersInDateColumnsAreDates) {
    const std::string bytes = testing::WorkbookOf(
        R"(<row><c t="inlineStr"><is><t>Domain</t></is></c><c t="inlineStr"><is><t>Created</t></is></c>)"
        R"(<c t="inlineStr"><is><t>Rank</t></is></c><c t="inlineStr"><is><t>Registrar</t></is></c></row>)"
        R"(<row><c t="inlineStr"><is><t>a.ru</t></is></c><c><v>45291</v></c><c><v>45291</v></c><c><v>7</v></c></row>)");
    const SavedTableRead read = ReadSavedTable(bytes, kChecks);
    ASSERT_EQ(read.problem, SavedTableProblem::None);
    EXPECT_EQ(read.state.rows.at(1).cells,
              (std::vector<std::string>{"a.ru", "", "", "", "2023-12-31", "", "7", "45291"}));
}

TEST(SheetDateTest, DayNumbersOfASheet) {
    const struct {
        std::string serial;
        std::string date;
    } cases[] = {
        {"1", "1900-01-01"},
        {"59", "1900-02-28"},
        {"60", "60"},
        {"61", "1900-03-01"},
        {"45291", "2023-12-31"},
        {"2958465", "9999-12-31"},
        {"2958466", "2958466"},
        {"0", "0"},
        {"-1", "-1"},
        {"1.5", "1.5"},
        {"", ""},
        {"12x", "12x"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SheetDate(c.serial), c.date) << c.serial;
    }
}

}  // namespace
}  // namespace vantle
