// LinkRank and LinkPR in the table's filter: numbers, compared as numbers; a text value refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filter/RowFilter.h"

namespace vantle {
namespace {

const std::vector<std::string> kHeaders = {"Domain", "LinkRank", "LinkPR"};

TEST(LinkColumns, Should_FilterAsNumbers) {
    for (const char* header : {"LinkRank", "LinkPR"}) {
        EXPECT_FALSE(RowFilter::Parse(std::string(header) + "<abc", kHeaders).Error().empty()) << header;
        const RowFilter filter = RowFilter::Parse(std::string(header) + "<1000", kHeaders);
        ASSERT_TRUE(filter.Error().empty()) << header;
        struct Row {
            std::string cell;
            bool passes;
        };
        for (const Row& row : {Row{"999", true}, Row{"1000", false}, Row{"20000", false}, Row{"", false},
                               Row{"no graph", false}}) {
            EXPECT_EQ(filter.Accepts(3, [&row](int) { return std::string_view(row.cell); }), row.passes)
                << header << " " << row.cell;
        }
    }
}

}  // namespace
}  // namespace vantle
