// The reader of top-sites lists: each format, line end and kind of junk, and the zip archive.
#include <gtest/gtest.h>

#include "support/CaseName.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "TempFolder.h"
#include "sim/TopList.h"
#include "toplist/TopListTable.h"

namespace vantle {
namespace {

using Lookups = std::vector<std::pair<std::string, int>>;

constexpr const char* kMajesticHead =
    "GlobalRank,TldRank,Domain,TLD,RefSubNets,RefIPs,IDN_Domain,IDN_TLD,PrevGlobalRank,PrevTldRank\n";

struct ListCase {
    const char* name;
    std::string bytes;
    std::optional<std::size_t> size;  // nothing: not a list
    Lookups lookups = {};
};

std::vector<ListCase> ListCases() {
    return {
        {"tranco",
         "1,google.com\n2,yandex.ru\n3,vk.com\n",
         3,
         {{"yandex.ru", 2}, {"vk.com", 3}, {"ok.ru", 0}}},
        {"crlf", "1,google.com\r\n2,yandex.ru\r\n", 2, {{"google.com", 1}, {"yandex.ru", 2}}},
        {"no last line end", "1,a.ru\n2,b.ru", 2, {{"b.ru", 2}}},
        {"umbrella subdomains",
         "1,www.google.com\n2,google.com\n",
         2,
         {{"www.google.com", 1}, {"google.com", 2}}},
        {"junk lines",
         "1,a.ru\n\nx,b.ru\n5\n0,zero.ru\n-3,minus.ru\n99999999999,big.ru\n4,\n6,c.ru\n",
         2,
         {{"a.ru", 1}, {"c.ru", 6}, {"b.ru", 0}, {"zero.ru", 0}, {"big.ru", 0}}},
        {"twice keeps the better", "1,a.ru\n7,b.ru\n3,b.ru\n", 2, {{"b.ru", 3}}},
        {"twice, the better first", "1,a.ru\n2,b.ru\n9,a.ru\n", 2, {{"a.ru", 1}, {"b.ru", 2}}},
        {"header", "rank,domain\n1,a.ru\n2,b.ru\n", 2, {{"a.ru", 1}, {"b.ru", 2}, {"domain", 0}}},
        {"header in capitals", "Rank,Domain\r\n1,a.ru\r\n", 1, {{"a.ru", 1}}},
        {"header of another rank", "TldRank,Domain\n1,a.ru\n", std::nullopt},
        {"case, quotes and dot", "1,\"Example.COM.\"\n", 1, {{"example.com", 1}, {"EXAMPLE.com", 1}}},
        {"byte order mark",
         "\xEF\xBB\xBF"
         "1,a.ru\n",
         1,
         {{"a.ru", 1}}},
        {"majestic",
         std::string(kMajesticHead) + "1,1,google.com,com,1,1,google.com,com,1,1\n"
                                      "2,1,yandex.ru,ru,1,1,yandex.ru,ru,2,1\n",
         2,
         {{"google.com", 1}, {"yandex.ru", 2}}},
        {"majestic columns moved",
         "Domain,x,globalrank\r\nmail.ru,q,5\r\nvk.com,q,9\r\n",
         2,
         {{"mail.ru", 5}, {"vk.com", 9}}},
        {"majestic short line", std::string(kMajesticHead) + "1,1\n2,1,b.ru,ru\n", 1, {{"b.ru", 2}}},
        {"majestic without domain", "GlobalRank,TldRank,Site\n1,1,a.ru\n", std::nullopt},
        {"unknown header", "rank;domain\n1;a.ru\n", std::nullopt},
        {"empty", "", std::nullopt},
        {"broken zip", std::string("PK\x03\x04", 4) + "not really a zip", std::nullopt},
    };
}

class ListTable : public ::testing::TestWithParam<std::size_t> {};

TEST_P(ListTable, Should_HoldTheRanksOfTheList) {
    const ListCase c = ListCases().at(GetParam());
    const std::optional<TopListTable> table = TopListTable::FromBytes(c.bytes);
    ASSERT_EQ(table.has_value(), c.size.has_value());
    if (!table) {
        return;
    }
    EXPECT_EQ(table->Size(), *c.size);
    for (const auto& [domain, rank] : c.lookups) {
        EXPECT_EQ(table->Rank(domain), rank) << domain;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ListTable, ::testing::Range<std::size_t>(0, ListCases().size()),
                         [](const auto& info) { return testing::CaseName(ListCases().at(info.param).name); });

struct ZipCase {
    const char* name;
    sim::TopListStyle style;
    std::string entry;
    bool list;
};

class ZipTable : public ::testing::TestWithParam<ZipCase> {};

TEST_P(ZipTable, Should_ReadTheFirstCsvEntry) {
    const testing::TempFolder folder;
    const std::string path = folder.File("list.zip");
    ASSERT_TRUE(sim::WriteTopList(path, GetParam().style, {"a.ru", "b.com"}, true, GetParam().entry));
    const std::optional<TopListTable> table = TopListTable::FromBytes(testing::TempFolder::Read(path));
    ASSERT_EQ(table.has_value(), GetParam().list);
    if (table) {
        EXPECT_EQ(table->Rank("b.com"), 2);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ZipTable,
                         ::testing::Values(ZipCase{"tranco", sim::TopListStyle::Tranco, "top-1m.csv", true},
                                           ZipCase{"majestic", sim::TopListStyle::Majestic, "majestic.CSV",
                                                   true},
                                           ZipCase{"no_csv", sim::TopListStyle::Tranco, "top-1m.txt", false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vantle
