// The list's encodings and lines, and the progress line.
#include <gtest/gtest.h>

#include "cli/ListInput.h"
#include "cli/Progress.h"

namespace vantle::cli {
namespace {

TEST(ListInputTest, LinesAsTheEntryDialogCountsThem) {
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"", {}},     {"a", {"a"}},         {"a\n", {"a"}},
        {"\n", {""}}, {"a\n\n", {"a", ""}}, {"a\n\nb", {"a", "", "b"}},
    };
    for (const auto& [text, lines] : cases) {
        EXPECT_EQ(SplitListLines(text), lines) << text;
    }
}

TEST(ListInputTest, ProgressLine) {
    EXPECT_EQ(Progress::Line(1, 10, 0), "Проверено: 1/10");
    EXPECT_EQ(Progress::Line(5, 10, 2.5), "Проверено: 5/10, 2,5 дом/сек, осталось 0:02");
    EXPECT_EQ(Progress::Line(1, 7201, 1), "Проверено: 1/7201, 1,0 дом/сек, осталось 2:00:00");
}

}  // namespace
}  // namespace vantle::cli
