// The rank check on list files: the lookup by name and by registrable domain, the file read again
// when it changes, and the cells without a list.
#include <gtest/gtest.h>

#include "support/CaseName.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "sim/TopList.h"
#include "toplist/RankCheck.h"

namespace vantle {
namespace {

using sim::TopListStyle;

std::string Cell(RankCheck& check, const std::string& name) {
    const std::vector<std::string> cells = check.Run({name, name, name}, CancelToken());
    return cells.size() == 1 ? cells.front() : "cells: " + std::to_string(cells.size());
}

CheckEndpoints WithList(const std::string& path) {
    CheckEndpoints endpoints;
    endpoints.topListFile = path;
    return endpoints;
}

struct LookupCase {
    const char* name;
    std::string cell;
};

class RankLookup : public ::testing::TestWithParam<LookupCase> {};

TEST_P(RankLookup, Should_GiveTheRankOfTheNameElseOfItsRegistrableDomain) {
    const testing::TempFolder folder;
    const std::string path = folder.File("top.csv");
    ASSERT_TRUE(
        sim::WriteTopList(path, TopListStyle::Tranco,
                          {"google.com", "mail.google.com", "example.co.uk", "xn--80aswg.xn--p1ai", "ru"}));
    RankCheck check(WithList(path));
    EXPECT_EQ(Cell(check, GetParam().name), GetParam().cell);
}

INSTANTIATE_TEST_SUITE_P(Cases, RankLookup,
                         ::testing::Values(LookupCase{"google.com", "1"}, LookupCase{"mail.google.com", "2"},
                                           LookupCase{"www.google.com", "1"},
                                           LookupCase{"a.b.example.co.uk", "3"},
                                           LookupCase{"www.xn--80aswg.xn--p1ai", "4"},
                                           LookupCase{"co.uk", ""}, LookupCase{"other.ru", ""},
                                           LookupCase{"ru", "5"}),
                         [](const auto& info) { return testing::CaseName(info.param.name); });

TEST(RankCheck, Should_ReadTheFileAgain_When_ItChangedBetweenRuns) {
    const testing::TempFolder folder;
    const std::string path = folder.File("top.csv");
    ASSERT_TRUE(sim::WriteTopList(path, TopListStyle::Tranco, {"a.ru", "b.ru"}));
    RankCheck check(WithList(path));
    EXPECT_EQ(Cell(check, "b.ru"), "2");
    ASSERT_TRUE(sim::WriteTopList(path, TopListStyle::Majestic, {"b.ru", "a.ru", "c.ru"}));
    EXPECT_EQ(Cell(check, "b.ru"), "1");
    EXPECT_EQ(Cell(check, "c.ru"), "3");
}

// Within a run the file is looked at once, at its first name: a stat per name would cost more than
// the look-up over a million names.
TEST(RankCheck, Should_LookAtTheFileOnceARun_When_TheRunSaysItBegins) {
    const testing::TempFolder folder;
    const std::string path = folder.File("top.csv");
    ASSERT_TRUE(sim::WriteTopList(path, TopListStyle::Tranco, {"a.ru", "b.ru"}));
    RankCheck check(WithList(path));
    check.RunStarts();
    EXPECT_EQ(Cell(check, "b.ru"), "2");
    ASSERT_TRUE(sim::WriteTopList(path, TopListStyle::Majestic, {"b.ru", "a.ru", "c.ru"}));
    EXPECT_EQ(Cell(check, "b.ru"), "2") << "the same run";
    EXPECT_EQ(Cell(check, "c.ru"), "");
    check.RunStarts();
    EXPECT_EQ(Cell(check, "b.ru"), "1") << "the next run";
    EXPECT_EQ(Cell(check, "c.ru"), "3");
}

struct NoListCase {
    const char* name;
    std::function<std::string(const testing::TempFolder&)> path;  // the file chosen, made in the folder
    std::string cell;
};

std::vector<NoListCase> NoListCases() {
    return {
        {"none chosen", [](const testing::TempFolder&) { return std::string(); }, ""},
        {"missing", [](const testing::TempFolder& f) { return f.File("gone.csv"); }, "no list"},
        {"not a list",
         [](const testing::TempFolder& f) {
             std::ofstream(f.File("page.csv")) << "<html>not a list</html>\n";
             return f.File("page.csv");
         },
         "no list"},
        {"a folder",
         [](const testing::TempFolder& f) {
             std::filesystem::create_directory(f.File("folder.csv"));
             return f.File("folder.csv");
         },
         "no list"},
    };
}

class NoList : public ::testing::TestWithParam<std::size_t> {};

TEST_P(NoList, Should_GiveTheSameCellForEveryName) {
    const testing::TempFolder folder;
    const NoListCase c = NoListCases().at(GetParam());
    RankCheck check(WithList(c.path(folder)));
    EXPECT_EQ(Cell(check, "a.ru"), c.cell);
    EXPECT_EQ(Cell(check, "b.ru"), c.cell);
}

INSTANTIATE_TEST_SUITE_P(Cases, NoList, ::testing::Range<std::size_t>(0, NoListCases().size()),
                         [](const auto& info) {
                             return testing::CaseName(NoListCases().at(info.param).name);
                         });

}  // namespace
}  // namespace vantle
