// The pass over a ranks file (gzip or plain, whole or damaged), its index, and the links check's cells.
#include <gtest/gtest.h>

#include "support/CaseName.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "links/LinksCheck.h"
#include "sim/GraphRanks.h"
#include "toplist/TempFolder.h"

namespace vantle {
namespace {

using sim::GraphRanksLine;

const std::vector<std::string> kLines = {
    GraphRanksLine("example.com", 10, 20),        GraphRanksLine("example.co.uk", 11, 5),
    GraphRanksLine("xn--80aswg.xn--p1ai", 12, 7), GraphRanksLine("www.twice.org", 30, 8),
    GraphRanksLine("twice.org", 20, 9),
};

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

CheckEndpoints WithGraph(const testing::TempFolder& folder, const std::string& file) {
    CheckEndpoints endpoints;
    endpoints.graphRanksFile = file;
    endpoints.cacheDir = folder.File("cache");
    return endpoints;
}

std::string Cells(LinksCheck& check, const std::string& name) {
    const std::vector<std::string> cells = check.Run({name, name, name}, CancelToken());
    return cells.size() == 2 ? cells[0] + "|" + cells[1] : "cells: " + std::to_string(cells.size());
}

// A gzip file of the lines whose last bytes (the trailer and some of the stream) are cut off.
std::string CutGzip(const testing::TempFolder& folder, std::size_t cut) {
    const std::string path = folder.File("cut.txt.gz");
    std::vector<std::string> many;
    for (int i = 1; i <= 2000; ++i) {
        many.push_back(GraphRanksLine(sim::SyntheticGraphDomain(static_cast<std::uint64_t>(i)), i, i));
    }
    many.insert(many.begin(), kLines.begin(), kLines.end());
    EXPECT_TRUE(sim::WriteGraphRanks(path, many, true));
    const std::string whole = testing::TempFolder::Read(path);
    Write(path, whole.substr(0, whole.size() - cut));
    return path;
}

struct LookupCase {
    const char* name;
    const char* cells;
};

class LinksLookup : public ::testing::TestWithParam<LookupCase> {};

TEST_P(LinksLookup, Should_GiveThePositionsOfTheRegistrableDomain) {
    const testing::TempFolder folder;
    const std::string path = folder.File("ranks.txt.gz");
    ASSERT_TRUE(sim::WriteGraphRanks(path, kLines, true));
    LinksCheck check(WithGraph(folder, path));
    EXPECT_EQ(Cells(check, GetParam().name), GetParam().cells);
}

INSTANTIATE_TEST_SUITE_P(Cases, LinksLookup,
                         ::testing::Values(LookupCase{"example.com", "10|20"},
                                           LookupCase{"mail.example.com", "10|20"},
                                           LookupCase{"a.b.example.co.uk", "11|5"},
                                           LookupCase{"www.xn--80aswg.xn--p1ai", "12|7"},
                                           LookupCase{"twice.org", "20|8"}, LookupCase{"other.com", "|"},
                                           LookupCase{"co.uk", "|"}, LookupCase{"com", "|"}),
                         [](const auto& info) { return testing::CaseName(info.param.name); });

struct FileCase {
    const char* what;
    std::function<std::string(const testing::TempFolder&)> make;  // the file's path
    RanksProblem problem;
    std::uint64_t entries;
    std::uint64_t skipped;
};

class RanksFilePass : public ::testing::TestWithParam<FileCase> {};

TEST_P(RanksFilePass, Should_ReadEveryEntryOrSayWhatIsWrong) {
    const testing::TempFolder folder;
    const std::string path = GetParam().make(folder);
    std::uint64_t seen = 0;
    const RanksPass pass = PassRanksFile(path, [&seen](std::string_view, const LinkRanks&) { ++seen; });
    EXPECT_EQ(pass.problem, GetParam().problem) << pass.detail;
    EXPECT_EQ(pass.entries, GetParam().entries);
    EXPECT_EQ(seen, pass.entries);
    EXPECT_EQ(pass.skipped, GetParam().skipped);
    if (GetParam().problem != RanksProblem::None) {
        EXPECT_FALSE(RanksProblemText(pass).empty());
    }
}

std::string Joined(const std::string& end) {
    std::string text = sim::GraphRanksHeader();
    for (const std::string& line : kLines) {
        text += line.substr(0, line.size() - 1) + end;
    }
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RanksFilePass,
    ::testing::Values(
        FileCase{"gzip",
                 [](const auto& f) {
                     const std::string path = f.File("r.gz");
                     sim::WriteGraphRanks(path, kLines, true);
                     return path;
                 },
                 RanksProblem::None, 5, 0},
        FileCase{"plain crlf without a last line end",
                 [](const auto& f) {
                     const std::string path = f.File("r.txt");
                     const std::string text = Joined("\r\n");
                     Write(path, text.substr(0, text.size() - 2));
                     return path;
                 },
                 RanksProblem::None, 5, 0},
        FileCase{"two gzip members",
                 [](const auto& f) {
                     const std::string path = f.File("r.gz");
                     sim::WriteGraphRanks(path, kLines, true);
                     const std::string first = testing::TempFolder::Read(path);
                     sim::WriteGraphRanks(path, {}, true);
                     sim::WriteGraphRanks(f.File("s.gz"), kLines, true);
                     Write(path, first + testing::TempFolder::Read(f.File("s.gz")));
                     return path;
                 },
                 // the second member's header is no entry and is not counted as skipped
                 RanksProblem::None, 10, 0},
        FileCase{"bad lines and one too long",
                 [](const auto& f) {
                     const std::string path = f.File("r.txt");
                     Write(path, sim::GraphRanksHeader() + "1\t2\n" + std::string(5000, 'x') + "\n" +
                                     std::string(3000, 'y') + kLines[0] + "x\tcom.a\n" + kLines[1]);
                     return path;
                 },
                 RanksProblem::None, 1, 4},
        FileCase{"truncated gzip", [](const auto& f) { return CutGzip(f, 12); }, RanksProblem::Truncated,
                 2005, 0},
        FileCase{"damaged gzip",
                 [](const auto& f) {
                     const std::string path = f.File("r.gz");
                     sim::WriteGraphRanks(path, kLines, true);
                     std::string bytes = testing::TempFolder::Read(path);
                     bytes[bytes.size() - 6] ^= 0x55;  // the trailer's length
                     Write(path, bytes);
                     return path;
                 },
                 // the entries of the buffer in which the damage shows are not given
                 RanksProblem::Corrupt, 0, 0},
        FileCase{"top sites list",
                 [](const auto& f) {
                     const std::string path = f.File("top.csv");
                     Write(path, "1,google.com\n2,facebook.com\n");
                     return path;
                 },
                 RanksProblem::NotRanks, 0, 0},
        FileCase{"empty",
                 [](const auto& f) {
                     Write(f.File("e"), "");
                     return f.File("e");
                 },
                 RanksProblem::NotRanks, 0, 0},
        FileCase{"missing", [](const auto& f) { return f.File("none.gz"); }, RanksProblem::CannotOpen, 0, 0},
        FileCase{"a folder", [](const auto& f) { return f.File(""); }, RanksProblem::CannotOpen, 0, 0}),
    [](const auto& info) { return testing::CaseName(info.param.what); });

TEST(LinksCheck, Should_LeaveTheCellsEmpty_When_NoFileIsChosen) {
    LinksCheck check;
    EXPECT_EQ(Cells(check, "example.com"), "|");
}

// A cut-short download holds the strongest names only: the others would read as "not linked".
TEST(LinksCheck, Should_SayNoGraph_When_TheFileCannotBeReadWhole) {
    const testing::TempFolder folder;
    LinksCheck cut(WithGraph(folder, CutGzip(folder, 12)));
    EXPECT_EQ(Cells(cut, "example.com"), "no graph|no graph");
    LinksCheck missing(WithGraph(folder, folder.File("none.gz")));
    EXPECT_EQ(Cells(missing, "example.com"), "no graph|no graph");
}

// The index is built once per state of the file: a file with a problem is not read again either.
TEST(LinksCheck, Should_ReadTheFileOnlyOnce_When_ItHasNotChanged) {
    const testing::TempFolder folder;
    for (const std::string& path : {folder.File("ranks.gz"), CutGzip(folder, 12)}) {
        if (path == folder.File("ranks.gz")) {
            ASSERT_TRUE(sim::WriteGraphRanks(path, kLines, true));
        }
        bool read = false;
        const PassProgress seen = [&read](std::uint64_t, std::uint64_t) { read = true; };
        const LinkGraph first = PrepareLinkGraph(WithGraph(folder, path), seen);
        EXPECT_TRUE(read);
        read = false;
        const LinkGraph second = PrepareLinkGraph(WithGraph(folder, path), seen);
        EXPECT_FALSE(read) << path;
        EXPECT_EQ(first.pass.problem, second.pass.problem) << path;
        EXPECT_EQ(second.index != nullptr, second.pass.problem == RanksProblem::None);
    }
}

TEST(LinksCheck, Should_ReadTheFileAgain_When_ItChangedOrItsIndexIsDamaged) {
    const testing::TempFolder folder;
    const std::string path = folder.File("ranks.txt");
    ASSERT_TRUE(sim::WriteGraphRanks(path, kLines, false));
    LinksCheck check(WithGraph(folder, path));
    check.RunStarts();
    EXPECT_EQ(Cells(check, "example.com"), "10|20");

    ASSERT_TRUE(sim::WriteGraphRanks(path, {GraphRanksLine("example.com", 1, 2), kLines[1]}, false));
    EXPECT_EQ(Cells(check, "example.com"), "10|20");  // once a run
    check.RunStarts();
    EXPECT_EQ(Cells(check, "example.com"), "1|2");

    const std::filesystem::path index = GraphIndexFile(WithGraph(folder, path));
    std::filesystem::resize_file(index, std::filesystem::file_size(index) - 16);
    check.RunStarts();
    EXPECT_EQ(Cells(check, "example.co.uk"), "11|5");
    EXPECT_EQ(std::filesystem::file_size(index), 512u + 2 * 16 + 8);  // header, entries, one fence
}

}  // namespace
}  // namespace vantle

namespace vantle {
namespace {

// Many blocks of the index: each name is found in its block, at its own positions, the first and the
// last of a block as well as those between; a name the graph lacks is found nowhere.
TEST(GraphIndex, Should_FindEveryNameAtItsPositions_When_TheIndexHasManyBlocks) {
    const testing::TempFolder folder;
    const std::string path = folder.File("ranks.gz");
    constexpr int kNames = 3000;
    std::vector<std::string> lines;
    for (int i = 0; i < kNames; ++i) {
        lines.push_back(
            GraphRanksLine(sim::SyntheticGraphDomain(static_cast<std::uint64_t>(i)), i + 1, kNames - i));
    }
    ASSERT_TRUE(sim::WriteGraphRanks(path, lines, true));
    const LinkGraph graph = PrepareLinkGraph(WithGraph(folder, path));
    ASSERT_NE(graph.index, nullptr);
    EXPECT_EQ(graph.index->Size(), static_cast<std::uint64_t>(kNames));
    for (int i = 0; i < kNames; ++i) {
        const std::optional<LinkRanks> found =
            graph.index->Find(sim::SyntheticGraphDomain(static_cast<std::uint64_t>(i)));
        ASSERT_TRUE(found.has_value()) << i;
        EXPECT_EQ(*found,
                  (LinkRanks{static_cast<std::uint32_t>(i + 1), static_cast<std::uint32_t>(kNames - i)}));
        EXPECT_FALSE(graph.index->Find("absent" + std::to_string(i) + ".test").has_value());
    }
}

}  // namespace
}  // namespace vantle
