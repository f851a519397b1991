// The run's journal: what is written is read back, a torn last line is passed over, a folder that
// cannot be written says so without throwing.
#include "io/Journal.h"

#include <gtest/gtest.h>

#include "io/TempDir.h"
#include "text/Cp1251.h"

namespace vantle {
namespace {

JournalStart Start(std::string_view list) {
    return {{"Domain", "Tic", "Status", "Yaca", "IP"}, {"bar", "dns"}, 3, ListHash(list)};
}

TEST(JournalTest, RowsResumeAndDoneReadBackAsWritten) {
    testing::TempDir dir;
    const std::string list = Utf16ToCp1251(u"пример.рф\nb.test\nc.test\n");
    JournalWriter writer(dir.File(""));
    ASSERT_TRUE(writer.Start(Start(list), list));
    ASSERT_TRUE(writer.Row(1, {0, {Utf16ToCp1251(u"пример.рф"), "10", "", "Yes", "1.2.3.4"}, {0, 0, 1}}));
    ASSERT_TRUE(writer.Row(2, {1, {"b.test", "0", "", "", "NXDOMAIN"}, {0, 1, 1}}));
    ASSERT_TRUE(writer.Row(1, {0, {Utf16ToCp1251(u"пример.рф"), "20", "", "", "1.2.3.4"}, {0, 1, 0}}));
    ASSERT_TRUE(writer.Resume(2, 3));

    auto state = ReadJournal(dir.File(""));
    ASSERT_TRUE(state.has_value());
    EXPECT_EQ(state->start.columns[4], "IP");
    EXPECT_EQ(state->start.checks, (std::vector<std::string>{"bar", "dns"}));
    EXPECT_EQ(state->list, list);
    ASSERT_EQ(state->rows.size(), 2u);
    EXPECT_EQ(state->rows.at(1).cells[1], "20") << "a rewritten row: the later one wins";
    EXPECT_EQ(state->rows.at(1).cells[0], Utf16ToCp1251(u"пример.рф"));
    EXPECT_EQ(state->rows.at(2).totals, (std::array<std::int32_t, 3>{0, 1, 1}));
    EXPECT_EQ(state->resume, std::make_pair(2, 3));
    EXPECT_FALSE(state->done);

    ASSERT_TRUE(writer.Done());
    EXPECT_TRUE(ReadJournal(dir.File(""))->done);
}

TEST(JournalTest, TornLastLineAndAChangedListAreHandled) {
    testing::TempDir dir;
    JournalWriter writer(dir.File(""));
    ASSERT_TRUE(writer.Start(Start("a.test\n"), "a.test\n"));
    ASSERT_TRUE(writer.Row(1, {0, {"a.test", "1", "", "", ""}, {0, 0, 0}}));
    testing::WriteBytes(dir.File("journal"),
                        testing::ReadBytes(dir.File("journal")) + "{\"row\":2,\"line\":1,\"cel");
    testing::WriteBytes(dir.File("list"), "other.test\n");
    auto state = ReadJournal(dir.File(""));
    ASSERT_TRUE(state.has_value());
    EXPECT_EQ(state->rows.size(), 1u);
    EXPECT_EQ(state->list, "") << "a list copy that does not match the journal is not used";
}

TEST(JournalTest, NoJournalAndAFolderThatCannotBeWritten) {
    testing::TempDir dir;
    EXPECT_FALSE(ReadJournal(dir.File("none")).has_value());
    testing::WriteBytes(dir.File("file"), "");  // a folder below a file cannot exist, even for root
    JournalWriter writer(dir.File("file/state"));
    EXPECT_FALSE(writer.Start(Start("a\n"), "a\n"));
    EXPECT_NE(writer.Error().find("Not a directory"), std::string::npos) << writer.Error();
    EXPECT_FALSE(writer.Row(1, {}));
}

}  // namespace
}  // namespace vantle
