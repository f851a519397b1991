// The reader of the capture index's answers: each shape of body and its Archive cell.
#include <gtest/gtest.h>

#include "support/CaseName.h"

#include <string>
#include <vector>

#include "archive/CdxReader.h"

namespace vantle {
namespace {

struct CdxCase {
    const char* name;
    std::string body;
    std::string cell;
};

std::vector<CdxCase> CdxCases() {
    return {
        {"a capture", R"([["timestamp"],["20010405123456"]])", "2001-04-05"},
        {"oldest row first", R"([["timestamp"],["19991231235959"],["20050101000000"]])", "1999-12-31"},
        {"blanks and line ends", "[[\"timestamp\"],\r\n [\"20240229000000\"]\r\n]\n", "2024-02-29"},
        {"day only", R"([["timestamp"],["20100102"]])", "2010-01-02"},
        {"empty array", "[]", "none"},
        {"header only", R"([["timestamp"]])", "none"},
        {"empty body", "", "bad answer"},
        {"html", "<html>busy</html>", "bad answer"},
        {"cut short", R"([["timestamp"],["2001040)", "bad answer"},
        {"object", R"({"timestamp":"20010405123456"})", "bad answer"},
        {"no header", R"([["20010405123456"]])", "bad answer"},
        {"other header", R"([["original"],["20010405123456"]])", "bad answer"},
        {"row not an array", R"([["timestamp"],"20010405123456"])", "bad answer"},
        {"number stamp", R"([["timestamp"],[20010405123456]])", "bad answer"},
        {"empty row", R"([["timestamp"],[]])", "bad answer"},
        {"letters in stamp", R"([["timestamp"],["2001O405123456"]])", "bad answer"},
        {"month 13", R"([["timestamp"],["20011305123456"]])", "bad answer"},
        {"february 29 of 2001", R"([["timestamp"],["20010229000000"]])", "bad answer"},
        {"stamp too long", R"([["timestamp"],["200104051234567"]])", "bad answer"},
        {"nested too deep", R"([["timestamp"],[["20010405123456"]]])", "bad answer"},
        {"trailing garbage", R"([["timestamp"],["20010405123456"]] x)", "bad answer"},
    };
}

class CdxTable : public ::testing::TestWithParam<std::size_t> {};

TEST_P(CdxTable, Should_GiveTheArchiveCell) {
    const CdxCase c = CdxCases().at(GetParam());
    EXPECT_EQ(ArchiveCellFromCdx(c.body), c.cell);
}

INSTANTIATE_TEST_SUITE_P(Cases, CdxTable, ::testing::Range<std::size_t>(0, CdxCases().size()),
                         [](const auto& info) { return testing::CaseName(CdxCases().at(info.param).name); });

}  // namespace
}  // namespace vantle
