#include "io/CsvExport.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "io/TempDir.h"

namespace vantle {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;
using Grid = std::vector<std::vector<std::string>>;  // rows of cells

CsvTable TableOf(const Grid& grid) {
    CsvTable table;
    table.rows = static_cast<int>(grid.size());
    table.cols = grid.empty() ? 0 : static_cast<int>(grid[0].size());
    table.cell = [&grid](int col, int row) {
        return grid[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
    };
    return table;
}

std::string CsvOf(const Grid& grid) {
    std::ostringstream out;
    WriteCsv(out, TableOf(grid));
    return out.str();
}

const std::vector<std::string> kHeader4 = {"Domain", "Tic", "Status", "Yaca"};
const std::vector<std::string> kHeader6 = {"Domain", "Tic", "Status", "Yaca", "YaPages", "PR"};

// --- bytes ---------------------------------------------------------------------------------------

struct LineCase {
    const char* name;
    std::vector<std::string> fields;
    std::string bytes;
};

const LineCase kLineCases[] = {
    {"Header", kHeader4, "\"Domain\";\"Tic\";\"Status\";\"Yaca\"\r\n"},
    {"FourEmptyFields", {"", "", "", ""}, "\"\";\"\";\"\";\"\"\r\n"},
    {"OneField", {"a.ru"}, "\"a.ru\"\r\n"},
    {"NoFields", {}, "\"\"\r\n"},
    {"QuoteDoubled", {"a\"b", "\""}, "\"a\"\"b\";\"\"\"\"\r\n"},
    {"EveryQuoteDoubled", {"\"a\"\"b\""}, "\"\"\"a\"\"\"\"b\"\"\"\r\n"},
    {"SemicolonInside", {"a;b", ";"}, "\"a;b\";\";\"\r\n"},
    {"LineBreakInside", {"a\r\nb", "c\nd"}, "\"a\r\nb\";\"c\nd\"\r\n"},
    {"CyrillicBytesUnchanged",
     {"\xEF\xF0\xE8\xEC\xE5\xF0.\xF0\xF4", "\x98\xA0\xFF"},
     "\"\xEF\xF0\xE8\xEC\xE5\xF0.\xF0\xF4\";\"\x98\xA0\xFF\"\r\n"},
    {"Row", {"a.ru", "10", "Vantle: b.ru", "Yes"}, "\"a.ru\";\"10\";\"Vantle: b.ru\";\"Yes\"\r\n"},
};

class CsvLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(CsvLineTest, BytesAreExact) {
    EXPECT_EQ(CsvLine(GetParam().fields), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Cases, CsvLineTest, ::testing::ValuesIn(kLineCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WriteCsvTest, EmptyTableOfFourColumns_Should_GiveHeaderAndOneLineOfEmptyFields) {
    EXPECT_EQ(CsvOf({kHeader4, {"", "", "", ""}}),
              "\"Domain\";\"Tic\";\"Status\";\"Yaca\"\r\n"
              "\"\";\"\";\"\";\"\"\r\n");
}

TEST(WriteCsvTest, EmptyTableOfSixColumns_Should_WriteEveryColumn) {
    EXPECT_EQ(CsvOf({kHeader6, {"", "", "", "", "", ""}}),
              "\"Domain\";\"Tic\";\"Status\";\"Yaca\";\"YaPages\";\"PR\"\r\n"
              "\"\";\"\";\"\";\"\";\"\";\"\"\r\n");
}

TEST(WriteCsvTest, PrAddedFirst_Should_WriteBothOptionalColumnsInTableOrder) {
    EXPECT_EQ(
        CsvOf({{"Domain", "Tic", "Status", "Yaca", "PR", "YaPages"}, {"a.ru", "10", "", "Yes", "N/A", "-"}}),
        "\"Domain\";\"Tic\";\"Status\";\"Yaca\";\"PR\";\"YaPages\"\r\n"
        "\"a.ru\";\"10\";\"\";\"Yes\";\"N/A\";\"-\"\r\n");
}

TEST(WriteCsvTest, FilledTable_Should_WriteOneLinePerRowInOrder) {
    const Grid grid = {kHeader4,
                       {"a.ru", "10", "(www)", "Yes"},
                       {"\xEF\xF0\xE8\xEC\xE5\xF0.\xF0\xF4", "0", "", ""},
                       {"say\"hi\".ru", "5", "x;y", ""}};
    EXPECT_EQ(CsvOf(grid),
              "\"Domain\";\"Tic\";\"Status\";\"Yaca\"\r\n"
              "\"a.ru\";\"10\";\"(www)\";\"Yes\"\r\n"
              "\"\xEF\xF0\xE8\xEC\xE5\xF0.\xF0\xF4\";\"0\";\"\";\"\"\r\n"
              "\"say\"\"hi\"\".ru\";\"5\";\"x;y\";\"\"\r\n");
}

TEST(WriteCsvTest, NoBomAndNothingAfterTheLastLineBreak) {
    const std::string csv = CsvOf({kHeader4, {"", "", "", ""}});
    EXPECT_EQ(csv.front(), '"');
    EXPECT_EQ(csv.substr(csv.size() - 2), "\r\n");
}

// --- read-back through an independent RFC 4180 reader --------------------------------------------

// RFC 4180 with ";" as separator: quoted fields may hold ";", CR, LF and doubled quotes; records end
// at CR LF. Returns false on anything malformed.
bool ParseRfc4180(const std::string& text, Grid& rows) {
    rows.clear();
    std::size_t i = 0;
    while (i < text.size()) {
        std::vector<std::string> record;
        for (;;) {
            std::string field;
            if (i < text.size() && text[i] == '"') {
                ++i;
                for (;;) {
                    if (i >= text.size()) {
                        return false;  // unterminated quote
                    }
                    if (text[i] == '"') {
                        if (i + 1 < text.size() && text[i + 1] == '"') {
                            field.push_back('"');
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    field.push_back(text[i++]);
                }
            } else {
                while (i < text.size() && text[i] != ';' && text[i] != '\r') {
                    if (text[i] == '"' || text[i] == '\n') {
                        return false;
                    }
                    field.push_back(text[i++]);
                }
            }
            record.push_back(field);
            if (i < text.size() && text[i] == ';') {
                ++i;
                continue;
            }
            break;
        }
        if (text.compare(i, 2, "\r\n") != 0) {
            return false;
        }
        i += 2;
        rows.push_back(record);
    }
    return true;
}

TEST(WriteCsvTest, ReadBack_Should_EqualTheTableCellForCell) {
    const Grid grid = {kHeader6,
                       {"a.ru", "10", "Vantle: b.ru", "Yes", "12", "3"},
                       {"", "", "", "", "", ""},
                       {"q\"uote", "\"\"", "semi;colon", ";;", "\"a;b\"", "end\""},
                       {"line\r\nbreak", "lf\nonly", "cr\ronly", " ", "\t", "N/A"},
                       {"\xEF\xF0\xE8\xEC\xE5\xF0.\xF0\xF4", "\x98", "\xA0", "\xFF\xC0", "-", "0"}};
    Grid back;
    ASSERT_TRUE(ParseRfc4180(CsvOf(grid), back));
    EXPECT_EQ(back, grid);
}

TEST(WriteCsvTest, ReaderItself_Should_RefuseAnUnbalancedLine) {
    Grid back;
    EXPECT_FALSE(ParseRfc4180("\"a\"b\";\"c\"\r\n", back));  // what the unmended export wrote
}

// --- the file ------------------------------------------------------------------------------------

const Grid kSmall = {kHeader4, {"a.ru", "10", "", "Yes"}};
const std::string kSmallBytes = "\"Domain\";\"Tic\";\"Status\";\"Yaca\"\r\n\"a.ru\";\"10\";\"\";\"Yes\"\r\n";

TEST(SaveCsvFileTest, Should_WriteTheBytesOfWriteCsv) {
    TempDir dir;
    const std::string path = dir.File("out.csv");
    SaveCsvFile(path, TableOf(kSmall));
    EXPECT_EQ(ReadBytes(path), kSmallBytes);
}

TEST(SaveCsvFileTest, ExistingFile_Should_BeReplaced) {
    TempDir dir;
    const std::string path = dir.File("out.csv");
    WriteBytes(path, std::string(100000, 'z'));
    SaveCsvFile(path, TableOf(kSmall));
    EXPECT_EQ(ReadBytes(path), kSmallBytes);
}

TEST(SaveCsvFileTest, NameWithoutExtension_Should_GiveAFileWithoutExtension) {
    TempDir dir;
    SaveCsvFile(dir.File("results"), TableOf(kSmall));
    EXPECT_TRUE(std::filesystem::exists(dir.File("results")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("results.csv")));
}

TEST(SaveCsvFileTest, LargeTable_Should_MatchWriteCsvAcrossFlushes) {
    Grid grid = {kHeader6};
    for (int r = 0; r < 20000; ++r) {
        grid.push_back({"domain" + std::to_string(r) + ".ru", std::to_string(r * 10), "", r % 3 ? "" : "Yes",
                        std::to_string(r), "N/A"});
    }
    TempDir dir;
    const std::string path = dir.File("big.csv");
    SaveCsvFile(path, TableOf(grid));
    EXPECT_EQ(ReadBytes(path), CsvOf(grid));
}

std::string SaveError(const std::string& path, const Grid& grid) {
    try {
        SaveCsvFile(path, TableOf(grid));
    } catch (const EInOutError& e) {
        return e.what();
    }
    return "no error";
}

TEST(SaveCsvFileTest, DirectoryPath_Should_RaiseCannotCreate) {
    TempDir dir;
    EXPECT_EQ(SaveError(dir.path().string(), kSmall),
              "Cannot create file \"" + dir.path().string() + "\". Is a directory");
}

TEST(SaveCsvFileTest, PathInAMissingDirectory_Should_RaiseCannotCreate) {
    TempDir dir;
    const std::string path = dir.File("no-such-dir/out.csv");
    EXPECT_EQ(SaveError(path, kSmall), "Cannot create file \"" + path + "\". No such file or directory");
}

TEST(SaveCsvFileTest, ReadOnlyDirectory_Should_RaiseCannotCreateWithPermissionDenied) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes everywhere";
    }
    TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0500), 0);
    const std::string path = dir.File("out.csv");
    EXPECT_EQ(SaveError(path, kSmall), "Cannot create file \"" + path + "\". Permission denied");
    ::chmod(dir.path().c_str(), 0700);
}

TEST(SaveCsvFileTest, EInOutError_Is_ARuntimeError) {
    EXPECT_THROW(SaveCsvFile("/nonexistent-vantle-dir/out.csv", TableOf(kSmall)), std::runtime_error);
}

TEST(SaveCsvFileTest, FullDevice_Should_RaiseDiskFull) {
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    EXPECT_EQ(SaveError("/dev/full", kSmall), "Disk full");
}

// The file size limit makes write(2) fail midway (EFBIG) without filling a disk; a child process
// takes the limit so that the test program keeps its own.
TEST(SaveCsvFileTest, WriteFailingMidway_Should_RaiseAndKeepWhatWasWritten) {
    Grid grid = {kHeader4};
    for (int r = 0; r < 10000; ++r) {
        grid.push_back({"domain" + std::to_string(r) + ".ru", "10", "", ""});
    }
    const std::string full = CsvOf(grid);
    constexpr rlim_t kLimit = 100000;
    ASSERT_GT(full.size(), kLimit);
    TempDir dir;
    const std::string path = dir.File("partial.csv");

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{kLimit, kLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const std::string error = SaveError(path, grid);
        ::_exit(error == "I/O error " + std::to_string(EFBIG) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the child saw another error text";
    const std::string kept = ReadBytes(path);
    EXPECT_EQ(kept.size(), kLimit);
    EXPECT_EQ(kept, full.substr(0, kept.size()));
}

}  // namespace
}  // namespace vantle
