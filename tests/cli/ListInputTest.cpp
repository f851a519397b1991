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

// The standing of a run one domain at a time takes the place of the rate measured here; the domain of
// panel 2 (from a threshold of 10 on) follows it.
TEST(ListInputTest, ProgressOfARunOneDomainAtATime) {
    const struct {
        std::string standing;
        std::string detail;
        std::string shown;
    } cases[] = {
        {"", "", "\rПроверено: 5/10, 0,5 дом/сек, осталось 0:10"},
        {"30 в минуту, осталось 0:10", "", "\rПроверено: 5/10, 30 в минуту, осталось 0:10"},
        {"30 в минуту, осталось 0:10", "site5.test",
         "\rПроверено: 5/10, 30 в минуту, осталось 0:10, site5.test"},
    };
    for (const auto& c : cases) {
        std::ostringstream err;
        Progress progress(err, ProgressStyle::Terminal);
        progress.SetStanding(c.standing);
        progress.SetDetail(c.detail);
        progress.Update(1, 10, 0);
        err.str("");
        progress.Update(5, 10, 8000);
        std::string shown = err.str();
        shown.erase(shown.find_last_not_of(' ') + 1);  // the blanks over a longer line before
        EXPECT_EQ(shown, c.shown) << c.standing << c.detail;
    }
}

}  // namespace
}  // namespace vantle::cli
