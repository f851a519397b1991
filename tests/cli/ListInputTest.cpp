// The list's encodings and lines, and the progress line.
#include <gtest/gtest.h>

#include "cli/ListInput.h"
#include "cli/Progress.h"

namespace vantle::cli {
namespace {

struct EncodingCase {
    const char* what;
    std::string bytes;
    std::string cp1251;
};

TEST(ListInputTest, TextBecomesWindows1251) {
    const EncodingCase cases[] = {
        {"ASCII stays", "a.test\nb.test", "a.test\nb.test"},
        {"Windows-1251 stays (not UTF-8)", "\xEF\xF0\xE8.\xF0\xF4", "\xEF\xF0\xE8.\xF0\xF4"},
        {"UTF-8 is converted", "\xD0\xBF\xD1\x80\xD0\xB8.\xD1\x80\xD1\x84", "\xEF\xF0\xE8.\xF0\xF4"},
        {"the mark is dropped",
         "\xEF\xBB\xBF"
         "a.test",
         "a.test"},
        {"the mark and UTF-8", "\xEF\xBB\xBF\xD1\x80\xD1\x84", "\xF0\xF4"},
    };
    for (const EncodingCase& c : cases) {
        EXPECT_EQ(ListTextToCp1251(c.bytes), c.cp1251) << c.what;
    }
}

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
