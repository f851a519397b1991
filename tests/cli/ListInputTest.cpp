// The list's encodings and lines, and the progress line.
#include <gtest/gtest.h>

#include <sstream>

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

// On a terminal the line is written over in place: a shorter line blanks what is left of the longer
// one before it, or the screen would show a mix of both.
TEST(ListInputTest, ProgressOnATerminalBlanksWhatAShorterLineLeaves) {
    std::ostringstream err;
    Progress progress(err, ProgressStyle::Terminal);
    const struct {
        int done;
        long long nowMs;
        std::string shown;
    } cases[] = {
        {1, 0, "\rПроверено: 1/100"},
        {51, 1, "\rПроверено: 51/100, 50000,0 дом/сек, осталось 0:00"},
        {52, 100000, "\rПроверено: 52/100, 0,5 дом/сек, осталось 1:34    "},  // four characters shorter
        {53, 100000, "\rПроверено: 53/100, 0,5 дом/сек, осталось 1:30"},
    };
    for (const auto& c : cases) {
        err.str("");
        progress.Update(c.done, 100, c.nowMs);
        EXPECT_EQ(err.str(), c.shown) << c.done;
    }
    err.str("");
    progress.Finish();
    EXPECT_EQ(err.str(), "\n");
}

}  // namespace
}  // namespace vantle::cli
