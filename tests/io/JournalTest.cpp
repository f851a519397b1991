// The run's journal: what is written is read back, a torn last line is passed over, a folder that
// cannot be written says so without throwing, no value read is trusted, and each running copy holds a
// slot of its own.
#include "io/Journal.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "io/TempDir.h"
#include "pace/Clock.h"
#include "support/Eventually.h"
#include "support/Reaped.h"
#include "text/Cp1251.h"

namespace vantle {
namespace {

JournalStart Start(std::string_view list) {
    return {{"Domain", "Tic", "Status", "Yaca", "IP"}, {"bar", "dns"}, 3, ListHash(list)};
}

// A row's line is the same bytes whatever rows came before it (the record behind it is refilled, not
// made anew): a narrower row after a wider one keeps none of its cells, and a wider one after it
// gets all of its own.
TEST(JournalTest, ARowLineDependsOnItsRowAlone) {
    const JournalRow wide{0, {"a.ru", Utf16ToCp1251(u"ёж"), "x\"y"}, {1, 2, 3}};
    const JournalRow narrow{-1, {"b.ru"}, {0, 0, 7}};
    const std::string wideLine =
        "{\"cells\":[\"a.ru\",\"\xD1\x91\xD0\xB6\",\"x\\\"y\"],\"line\":0,\"row\":1,\"totals\":[1,2,3]}";
    EXPECT_EQ(JournalWriter::RowLine(1, wide), wideLine);
    EXPECT_EQ(JournalWriter::RowLine(2, narrow),
              "{\"cells\":[\"b.ru\"],\"line\":-1,\"row\":2,\"totals\":[0,0,7]}");
    EXPECT_EQ(JournalWriter::RowLine(1, wide), wideLine);
    // Cells that need escaping and cells that do not, beside each other.
    const JournalRow odd{
        12345, {"\\\t\x01/", "", "\x7F\xB8\"", "\xB8\x7F", "a\\", "\x1F"}, {-1, 0, 2147483647}};
    const nlohmann::json whole = {
        {"row", -7},
        {"line", 12345},
        {"cells", {"\\\t\x01/", "", "\x7F\xD1\x91\"", "\xD1\x91\x7F", "a\\", "\x1F"}},
        {"totals", {-1, 0, 2147483647}}};
    EXPECT_EQ(JournalWriter::RowLine(-7, odd), whole.dump()) << "the bytes of the whole record dumped";
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

TEST(JournalTest, NamesAndTextsBeyondTheCodePageReadBackAsWritten) {
    testing::TempDir dir;
    const std::string muenchen = Utf16ToCp1251Keeping(u"münchen.de");
    const std::string emoji = Utf16ToCp1251Keeping(u"\U0001F600.com");
    const std::string list = muenchen + "\n" + emoji +
                             "\n\x98"
                             "41;.test\n";  // the last: a bare 0x98
    JournalWriter writer(dir.File(""));
    ASSERT_TRUE(writer.Start(Start(list), list));
    const std::vector<std::string> cells = {muenchen, "5", Utf16ToCp1251Keeping(u"Ελλάς"), "", "1.2.3.4"};
    ASSERT_TRUE(writer.Row(1, {0, cells, {0, 0, 0}}));
    ASSERT_TRUE(writer.Row(2, {1, {emoji, "", "", "", "bad name"}, {0, 0, 0}}));
    ASSERT_TRUE(writer.Row(3, {2,
                               {"\x98"
                                "41;.test",
                                "", "", "", ""},
                               {0, 0, 0}}));

    const auto state = ReadJournal(dir.File(""));
    ASSERT_TRUE(state.has_value());
    EXPECT_EQ(state->list, list);
    ASSERT_EQ(state->rows.size(), 3u);
    EXPECT_EQ(state->rows.at(1).cells, cells);
    EXPECT_EQ(state->rows.at(2).cells[0], emoji);
    EXPECT_EQ(state->rows.at(3).cells[0],
              "\x98"
              "41;.test");
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

// A journal of three lines and five columns, its list copy matching, and one record after its start.
constexpr std::string_view kThreeLines = "a.test\nb.test\nc.test\n";

std::string StartLine(int lines, int columns = 5) {
    std::string cols;
    for (int c = 0; c < columns; ++c) {
        cols += (c > 0 ? ",\"C" : "\"C") + std::to_string(c) + "\"";
    }
    return "{\"start\":{\"cols\":[" + cols + "],\"checks\":[\"bar\"],\"lines\":" + std::to_string(lines) +
           ",\"hash\":\"" + ListHash(kThreeLines) + "\"}}\n";
}

std::optional<JournalState> WithRecord(const std::string& record) {
    return ReadJournalBytes(StartLine(3) + record + "\n", std::string(kThreeLines));
}

std::string RowRecord(const std::string& row, const std::string& line, const std::string& cells,
                      const std::string& totals) {
    return "{\"row\":" + row + ",\"line\":" + line + ",\"cells\":" + cells + ",\"totals\":" + totals + "}";
}

struct RecordCase {
    std::string record;
    bool taken;
};

void ExpectRowTaken(const std::vector<RecordCase>& cases) {
    for (const RecordCase& c : cases) {
        const auto state = WithRecord(c.record);
        ASSERT_TRUE(state.has_value()) << c.record;
        EXPECT_EQ(state->rows.size(), c.taken ? 1u : 0u) << c.record;
        EXPECT_EQ(state->rejected, c.taken ? 0 : 1) << c.record;
    }
}

TEST(JournalTrustTest, RowNumberLiesWithinTheList) {
    const std::string cells = R"(["a.test"])", totals = "[0,0,0]";
    ExpectRowTaken({
        {RowRecord("0", "0", cells, totals), false},  // row 0 holds the headers
        {RowRecord("1", "0", cells, totals), true},
        {RowRecord("3", "0", cells, totals), true},
        {RowRecord("4", "0", cells, totals), false},
        {RowRecord("-5", "0", cells, totals), false},
        {RowRecord("100000000", "0", cells, totals), false},
        {RowRecord("18446744073709551615", "0", cells, totals), false},
        {RowRecord("1.5", "0", cells, totals), false},
        {RowRecord("\"1\"", "0", cells, totals), false},
    });
}

TEST(JournalTrustTest, LineLiesWithinTheListOrMarksARecheck) {
    const std::string cells = R"(["a.test"])", totals = "[0,0,0]";
    ExpectRowTaken({
        {RowRecord("1", "-2", cells, totals), false},
        {RowRecord("1", "-1", cells, totals), true},
        {RowRecord("1", "2", cells, totals), true},
        {RowRecord("1", "3", cells, totals), false},
        {RowRecord("1", "null", cells, totals), false},
        {"{\"row\":1,\"cells\":[],\"totals\":[0,0,0]}", false},
    });
}

TEST(JournalTrustTest, CellsAreStringsNoMoreThanTheColumns) {
    const std::string totals = "[0,0,0]";
    ExpectRowTaken({
        {RowRecord("1", "0", "[]", totals), true},
        {RowRecord("1", "0", R"(["a","b","c","d","e"])", totals), true},
        {RowRecord("1", "0", R"(["a","b","c","d","e","f"])", totals), false},
        {RowRecord("1", "0", R"(["a",2])", totals), false},
        {RowRecord("1", "0", R"("a")", totals), false},
    });
}

TEST(JournalTrustTest, TotalsAreThreeCountsUpToTheLines) {
    const std::string cells = "[]";
    ExpectRowTaken({
        {RowRecord("1", "0", cells, "[0,0,0]"), true},
        {RowRecord("1", "0", cells, "[3,3,3]"), true},
        {RowRecord("1", "0", cells, "[4,0,0]"), false},
        {RowRecord("1", "0", cells, "[0,0,4]"), false},
        {RowRecord("1", "0", cells, "[0,-1,0]"), false},
        {RowRecord("1", "0", cells, "[0,0]"), false},
        {RowRecord("1", "0", cells, "[0,0,0,0]"), false},
        {RowRecord("1", "0", cells, "{}"), false},
    });
}

TEST(JournalTrustTest, ResumeLiesWithinTheListAndOneRowBeyondIt) {
    const struct {
        std::string line, at;
        bool taken;
    } cases[] = {
        {"-1", "1", false}, {"0", "1", true},  {"3", "4", true},      {"4", "1", false},
        {"0", "0", false},  {"0", "5", false}, {"\"0\"", "1", false},
    };
    for (const auto& c : cases) {
        const std::string record = "{\"resume\":" + c.line + ",\"at\":" + c.at + "}";
        const auto state = WithRecord(record);
        ASSERT_TRUE(state.has_value());
        EXPECT_EQ(state->resume.has_value(), c.taken) << record;
        EXPECT_EQ(state->rejected, c.taken ? 0 : 1) << record;
        if (c.taken) {
            EXPECT_EQ(state->resume, std::make_pair(std::stoi(c.line), std::stoi(c.at)));
        }
    }
}

TEST(JournalTrustTest, StartFitsItsListCopyOrNothingIsRead) {
    const std::string list(kThreeLines);  // three line ends: at most four lines
    const struct {
        std::string start;
        std::string list;
        bool read;
    } cases[] = {
        {StartLine(4), list, true},
        {StartLine(5), list, false},
        {StartLine(-1), list, false},
        {StartLine(1 << 24), "", true},  // without its list copy only a bound of its own holds
        {StartLine((1 << 24) + 1), "", false},
        {StartLine(3, 64), list, true},
        {StartLine(3, 65), list, false},
        {StartLine(3, 0), list, false},
        {"{\"start\":{\"cols\":[\"D\"],\"checks\":[1],\"lines\":1,\"hash\":\"\"}}\n", list, false},
        {"{\"start\":{\"cols\":[\"D\"],\"checks\":[],\"lines\":1}}\n", list, false},
        {"{\"start\":[]}\n", list, false},
    };
    for (const auto& c : cases) {
        const std::string journal = c.start + RowRecord("1", "0", "[]", "[0,0,0]") + "\n";
        EXPECT_EQ(ReadJournalBytes(journal, c.list).has_value(), c.read) << c.start;
    }
}

TEST(JournalTrustTest, AStartThatDoesNotFitEndsTheJournalBeforeIt) {
    const std::string journal = StartLine(3) + RowRecord("1", "0", "[]", "[0,0,0]") + "\n" + StartLine(9) +
                                RowRecord("2", "1", "[]", "[0,0,0]") + "\n";
    EXPECT_FALSE(ReadJournalBytes(journal, std::string(kThreeLines)).has_value())
        << "no row of a journal whose start does not fit is restored";
}

// A journal of an earlier version holds its list with escapes closed by ";": it is restored, in the
// escapes of today, so that its names are the names the window writes.
TEST(JournalTest, AListWithTheOlderEscapesIsRestoredInTodays) {
    testing::TempDir dir;
    const std::string older =
        "m\x98"
        "fc;nchen.de\n\x98"
        "1f600;.com\n\x98"
        "41;.test\n";
    JournalWriter writer(dir.File(""));
    ASSERT_TRUE(writer.Start(Start(older), older));
    ASSERT_TRUE(writer.Row(1, {0, {Utf16ToCp1251Keeping(u"münchen.de")}, {0, 0, 0}}));
    const auto state = ReadJournal(dir.File(""));
    ASSERT_TRUE(state.has_value());
    EXPECT_EQ(state->list, Utf16ToCp1251Keeping(u"münchen.de\n\U0001F600.com\n") +
                               "\x98"
                               "41;.test\n");  // a bare 0x98 stays
    EXPECT_TRUE(Restorable(*state));
}

TEST(JournalTrustTest, DoneIsABooleanAndARecheckKeepsTheRowsLine) {
    // A row written after the save (a recheck, or the run going on) makes the journal unsaved again:
    // a crash then must offer it back.
    const std::string row = RowRecord("1", "0", "[]", "[0,0,0]");
    const std::string recheck = RowRecord("1", "-1", "[]", "[0,0,0]");
    const std::pair<std::string, bool> cases[] = {
        {R"({"done":true})", true},
        {R"({"done":false})", false},
        {row + "\n" + R"({"done":true})", true},
        {R"({"done":true})"
         "\n" +
             row,
         false},
        {R"({"done":true})"
         "\n" +
             recheck,
         false},
        {R"({"done":true})"
         "\n"
         R"({"done":false})",
         true},  // a save is never taken back
        {R"({"done":true})"
         "\n"
         R"({"resume":1,"at":2})",
         true},
    };
    // Told from the last line alone too: finished where the end is last (a line cut in its writing
    // after it passed over), never where anything follows it or the line only ends like it.
    testing::TempDir dir;
    const auto finished = [&](const std::string& bytes) {
        testing::WriteBytes(dir.File("journal"), StartLine(3) + bytes);
        return JournalFinished(dir.File(""));
    };
    for (const auto& [records, done] : cases) {
        EXPECT_EQ(WithRecord(records)->done, done) << records;
        EXPECT_EQ(finished(records + "\n"), records.ends_with(R"({"done":true})")) << records;
    }
    EXPECT_TRUE(finished(R"({"done":true})"
                         "\n" +
                         row));
    EXPECT_FALSE(finished(R"(x{"done":true})"
                          "\n"));
    EXPECT_EQ(WithRecord(R"({"done":1})")->rejected, 1);
    const auto state = ReadJournalBytes(StartLine(3) + RowRecord("2", "1", "[]", "[0,0,0]") + "\n" +
                                            RowRecord("2", "-1", R"(["x"])", "[1,0,0]") + "\n" +
                                            RowRecord("3", "-1", "[]", "[1,0,0]") + "\n",
                                        std::string(kThreeLines));
    ASSERT_TRUE(state.has_value());
    EXPECT_EQ(state->rows.at(2).line, 1) << "a rechecked row keeps its line";
    EXPECT_EQ(state->rows.at(2).cells, std::vector<std::string>{"x"});
    EXPECT_EQ(state->rows.at(3).line, -1) << "a recheck of a row never written has no line";
    EXPECT_EQ(state->lastLine, 1) << "a recheck is not the run's last line";
    EXPECT_EQ(state->lastTotals, (std::array<std::int32_t, 3>{1, 0, 0}));
}

TEST(JournalTest, AnEditIsKeptAsAnEditUntilAnUndoOrTheRowIsWrittenAgain) {
    testing::TempDir dir;
    const std::string list(kThreeLines);
    JournalWriter writer(dir.File(""));
    ASSERT_TRUE(writer.Start(Start(list), list));
    ASSERT_TRUE(writer.Row(1, {0, {"a.test", "10", "", "", "1.2.3.4"}, {0, 0, 0}}));
    ASSERT_TRUE(writer.Row(2, {1, {"b.test", "5", ""}, {0, 0, 0}}));
    ASSERT_TRUE(writer.Done());
    ASSERT_TRUE(writer.Edit(1, 1, "77", true));
    ASSERT_TRUE(writer.Edit(2, 4, Utf16ToCp1251(u"вручную"), true));
    ASSERT_TRUE(writer.Edit(1, 4, "9.9.9.9", true));
    ASSERT_TRUE(writer.Edit(1, 4, "1.2.3.4", false));

    auto state = ReadJournal(dir.File(""));
    ASSERT_TRUE(state.has_value());
    EXPECT_FALSE(state->done) << "an edit after a save is unsaved again";
    EXPECT_EQ(state->rows.at(1).cells[1], "77");
    EXPECT_EQ(state->rows.at(1).cells[4], "1.2.3.4") << "the undo put the answer back";
    EXPECT_EQ(state->rows.at(2).cells[4], Utf16ToCp1251(u"вручную")) << "a short row grows to the column";
    EXPECT_EQ(state->edited, (std::set<std::pair<int, int>>{{1, 1}, {2, 4}}));

    ASSERT_TRUE(writer.Row(1, {-1, {"a.test", "12", "", "", "1.2.3.4"}, {0, 0, 0}}));
    state = ReadJournal(dir.File(""));
    EXPECT_EQ(state->edited, (std::set<std::pair<int, int>>{{2, 4}})) << "a recheck's row is an answer again";
    EXPECT_EQ(state->rows.at(1).cells[1], "12");
}

TEST(JournalTrustTest, AnEditNamesARowTheJournalHoldsAndOneOfItsColumns) {
    const std::string row = RowRecord("1", "0", "[\"a.test\"]", "[0,0,0]") + "\n";
    const struct {
        std::string edit;
        bool taken;
        std::size_t cells;  // of the row afterwards
    } cases[] = {
        {R"({"edit":1,"col":4,"text":"x","hand":true})", true, 5},
        {R"({"edit":1,"col":0,"text":"x","hand":false})", true, 1},
        {R"({"edit":1,"col":5,"text":"x","hand":true})", false, 1},
        {R"({"edit":1,"col":-1,"text":"x","hand":true})", false, 1},
        {R"({"edit":2,"col":1,"text":"x","hand":true})", false, 1},
        {R"({"edit":1,"col":1,"text":3,"hand":true})", false, 1},
        {R"({"edit":1,"col":1,"text":"x","hand":1})", false, 1},
        {R"({"edit":1,"col":1,"text":"x"})", false, 1},
    };
    for (const auto& c : cases) {
        const auto state = ReadJournalBytes(StartLine(3) + row + c.edit + "\n", std::string(kThreeLines));
        ASSERT_TRUE(state.has_value()) << c.edit;
        EXPECT_EQ(state->rejected, c.taken ? 0 : 1) << c.edit;
        EXPECT_EQ(state->rows.at(1).cells.size(), c.cells) << c.edit;
        EXPECT_EQ(state->rows.at(1).cells.back(), c.taken ? "x" : "a.test") << c.edit;
    }
}

// A check added to a checked table: the rows before keep every cell under its header, the new
// columns empty, and the rows after may fill them.
TEST(JournalTrustTest, NewColumnsMoveTheCellsByTheirHeaders) {
    const struct {
        std::string cols;
        std::vector<std::string> cells;  // of row 1 after it, or nothing when the record is refused
    } cases[] = {
        {R"(["C0","C1","New","C2","C3","C4"])", {"d", "t", "", "s", "y", "ip"}},
        {R"(["C0","New"])", {"d", ""}},
        {R"(["C4","C0"])", {"ip", "d"}},
        {R"([])", {}},
        {R"("C0")", {}},
    };
    for (const auto& c : cases) {
        const auto state =
            ReadJournalBytes(StartLine(3) + RowRecord("1", "0", R"(["d","t","s","y","ip"])", "[0,0,0]") +
                                 "\n{\"cols\":" + c.cols + "}\n",
                             std::string(kThreeLines));
        ASSERT_TRUE(state.has_value());
        EXPECT_EQ(state->rejected, c.cells.empty() ? 1 : 0) << c.cols;
        if (!c.cells.empty()) {
            EXPECT_EQ(state->rows.at(1).cells, c.cells) << c.cols;
            EXPECT_EQ(state->start.columns.size(), c.cells.size()) << c.cols;
        }
    }
    const auto wider = ReadJournalBytes(StartLine(3, 2) + "{\"cols\":[\"C0\",\"C1\",\"Archive\"]}\n" +
                                            RowRecord("1", "0", R"(["a","b","c"])", "[0,0,0]") + "\n",
                                        std::string(kThreeLines));
    ASSERT_TRUE(wider.has_value());
    EXPECT_EQ(wider->rows.at(1).cells.size(), 3u) << "a row as wide as the new columns is taken";
}

TEST(JournalTest, AStopIsForgottenOnceTheRunWritesAnotherRow) {
    const std::string resume = "{\"resume\":1,\"at\":2}\n";
    const struct {
        std::string after;
        bool kept;
    } cases[] = {
        {"", true},
        {RowRecord("2", "1", "[]", "[0,0,0]") + "\n", false},
        {RowRecord("1", "-1", "[]", "[0,0,0]") + "\n", true},  // a recheck does not move the run on
        {R"({"done":true})"
         "\n",
         true},
    };
    for (const auto& c : cases) {
        const auto state =
            ReadJournalBytes(StartLine(3) + RowRecord("1", "0", "[]", "[0,0,0]") + "\n" + resume + c.after,
                             std::string(kThreeLines));
        ASSERT_TRUE(state.has_value());
        EXPECT_EQ(state->resume.has_value(), c.kept) << c.after;
    }
}

TEST(JournalTest, AfterATornLineTheNextRecordStartsOnALineOfItsOwn) {
    testing::TempDir dir;
    const std::string list(kThreeLines);
    ASSERT_TRUE(JournalWriter(dir.File("")).Start(Start(list), list));
    const std::string whole = testing::ReadBytes(dir.File("journal"));
    JournalWriter(dir.File("")).Row(1, {0, {"a.test"}, {0, 0, 0}});
    const std::string oneRow = testing::ReadBytes(dir.File("journal"));
    EXPECT_EQ(std::count(oneRow.begin(), oneRow.end(), '\n'), 2) << "no blank line after a whole one";
    testing::WriteBytes(dir.File("journal"), oneRow + "{\"row\":2,\"line\":1,\"cel");

    JournalWriter after(dir.File(""));  // as after a restart
    ASSERT_TRUE(after.Row(3, {2, {"c.test"}, {0, 0, 0}}));
    const std::string added = testing::ReadBytes(dir.File("journal")).substr(oneRow.size());
    EXPECT_EQ(added.substr(0, 25), "{\"row\":2,\"line\":1,\"cel\n{\"") << added;
    EXPECT_EQ(std::count(added.begin(), added.end(), '\n'), 2) << added;
    const auto state = ReadJournal(dir.File(""));
    ASSERT_TRUE(state.has_value());
    EXPECT_EQ(state->rows.size(), 2u) << "only the torn line is passed over";
    EXPECT_EQ(state->rows.at(3).cells[0], "c.test");
    EXPECT_EQ(state->rejected, 0);
    EXPECT_EQ(whole.back(), '\n');
}

TEST(JournalTest, StartLeavesTheListAndTheJournalWholeWithoutTemporaries) {
    testing::TempDir dir;
    JournalWriter writer(dir.File(""));
    const std::string list(kThreeLines);
    ASSERT_TRUE(writer.Start(Start("old\n"), "old\n"));
    ASSERT_TRUE(writer.Row(1, {0, {"old"}, {0, 0, 0}}));
    ASSERT_TRUE(writer.Start(Start(list), list));
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"journal", "list"}));
    EXPECT_EQ(testing::ReadBytes(dir.File("list")), list);
    const auto state = ReadJournal(dir.File(""));
    ASSERT_TRUE(state.has_value());
    EXPECT_TRUE(state->rows.empty()) << "a new start replaces the journal";
    EXPECT_EQ(state->list, list);
}

// A journal in folder with one row never saved, or finished.
void WriteJournal(const std::string& folder, bool done) {
    std::filesystem::create_directories(folder);
    const std::string list(kThreeLines);
    JournalWriter writer(folder);
    ASSERT_TRUE(writer.Start(Start(list), list));
    ASSERT_TRUE(writer.Row(1, {0, {"a.test"}, {0, 0, 0}}));
    if (done) {
        ASSERT_TRUE(writer.Done());
    }
}

TEST(JournalSlotTest, EachHolderGetsAFolderOfItsOwnAndTheFirstComesBack) {
    testing::TempDir dir;
    const std::string base = dir.File("state");
    JournalSlot first = JournalSlot::Take(base, Restorable);
    ASSERT_TRUE(first.Held()) << first.Error();
    EXPECT_EQ(first.Dir(), base);
    {
        // a second open file description is a second holder, as another process would be
        JournalSlot second = JournalSlot::Take(base, Restorable);
        ASSERT_TRUE(second.Held());
        EXPECT_EQ(second.Dir(), base + "/2");
        JournalSlot third = JournalSlot::Take(base, Restorable);
        EXPECT_EQ(third.Dir(), base + "/3");
    }
    EXPECT_EQ(JournalSlot::Take(base, Restorable).Dir(), base + "/2") << "a slot let go is free again";
    first = JournalSlot();
    EXPECT_EQ(JournalSlot::Take(base, Restorable).Dir(), base);
}

TEST(JournalSlotTest, WhichFreeSlotIsTaken) {
    // Slots 1..3 of a base; each busy (held by another) or free, with no journal, a finished one or
    // one with rows never saved.
    enum Kind { Busy, None, Finished, Unsaved };
    const struct {
        std::vector<Kind> slots;
        bool preferUnsaved;
        std::string taken;  // "" for the base, else its subfolder
    } cases[] = {
        {{None, Unsaved, Unsaved}, true, "2"},
        {{Busy, Unsaved, Unsaved}, true, "2"},
        {{Unsaved, Busy, Unsaved}, true, ""},
        {{Busy, Busy, Unsaved}, true, "3"},
        {{Busy, Busy, Busy}, true, "4"},
        {{Busy, Finished, None}, true, "2"},
        {{Unsaved, Unsaved, Finished}, false, "3"},
        {{Unsaved, None, Unsaved}, false, "2"},
        {{Unsaved, Unsaved, Unsaved}, false, "4"},
        {{Busy, Unsaved, Busy}, false, "4"},
    };
    for (const auto& c : cases) {
        testing::TempDir dir;
        const std::string base = dir.File("state");
        for (std::size_t i = 0; i < c.slots.size(); ++i) {
            const std::string folder = i == 0 ? base : base + "/" + std::to_string(i + 1);
            std::filesystem::create_directories(folder);
            if (c.slots[i] == Finished || c.slots[i] == Unsaved) {
                WriteJournal(folder, c.slots[i] == Finished);
            }
        }
        std::vector<UniqueFd> held;  // a lock held from outside, as another copy holds it
        for (std::size_t i = 0; i < c.slots.size(); ++i) {
            if (c.slots[i] == Busy) {
                const std::string lock = (i == 0 ? base : base + "/" + std::to_string(i + 1)) + "/lock";
                held.emplace_back(::open(lock.c_str(), O_RDWR | O_CREAT, 0600));
                ASSERT_EQ(::flock(held.back().get(), LOCK_EX | LOCK_NB), 0);
            }
        }
        const auto prefer = c.preferUnsaved ? std::function<bool(const JournalState&)>(Restorable) : nullptr;
        const JournalSlot slot = JournalSlot::Take(base, prefer);
        EXPECT_EQ(slot.Dir(), c.taken.empty() ? base : base + "/" + c.taken)
            << "case " << (&c - cases) << ": " << slot.Error();
    }
}

TEST(JournalSlotTest, TheLockOfAKilledHolderIsFreeAgain) {
    testing::TempDir dir;
    const std::string base = dir.File("state");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        JournalSlot slot = JournalSlot::Take(base, {});
        JournalWriter writer(std::move(slot));
        const std::string list(kThreeLines);
        const bool written = writer.Start(Start(list), list) && writer.Row(1, {0, {"a.test"}, {0, 0, 0}});
        const char byte = written ? '1' : '0';
        (void)!::write(ready[1], &byte, 1);
        ::pause();
        ::_exit(0);
    }
    ASSERT_GT(child, 0);
    testing::Reaped reap{child};
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ASSERT_EQ(byte, '1');
    {
        JournalSlot other = JournalSlot::Take(base, Restorable);
        EXPECT_EQ(other.Dir(), base + "/2") << "the live holder's journal is neither offered nor taken";
        EXPECT_FALSE(ReadJournal(other.Dir()).has_value());
    }
    reap.End();
    ::close(ready[0]);
    ::close(ready[1]);
    JournalSlot after = JournalSlot::Take(base, Restorable);
    EXPECT_EQ(after.Dir(), base);
    const auto state = ReadJournal(after.Dir());
    ASSERT_TRUE(state.has_value());
    EXPECT_TRUE(Restorable(*state));
}

TEST(JournalSlotTest, ASlotThatCannotBeLockedRefusesEveryWrite) {
    testing::TempDir dir;
    testing::WriteBytes(dir.File("file"), "");
    JournalSlot slot = JournalSlot::Take(dir.File("file/state"), Restorable);
    EXPECT_FALSE(slot.Held());
    EXPECT_EQ(slot.Error(), dir.File("file/state/lock") + ": Not a directory");
    JournalWriter writer(std::move(slot));
    EXPECT_FALSE(writer.Start(Start("a\n"), "a\n"));
    EXPECT_NE(writer.Error().find("Not a directory"), std::string::npos) << writer.Error();
    EXPECT_FALSE(writer.Row(1, {0, {}, {0, 0, 0}}));
    EXPECT_FALSE(writer.Done());
}

TEST(JournalSlotTest, AWriterOfAHeldSlotWritesInItsFolder) {
    testing::TempDir dir;
    const std::string base = dir.File("state");
    JournalSlot busy = JournalSlot::Take(base, {});
    JournalWriter writer(JournalSlot::Take(base, {}));
    const std::string list(kThreeLines);
    ASSERT_TRUE(writer.Start(Start(list), list));
    ASSERT_TRUE(writer.Row(2, {1, {"b.test"}, {0, 0, 0}}));
    EXPECT_FALSE(ReadJournal(base).has_value());
    EXPECT_EQ(ReadJournal(base + "/2")->rows.size(), 1u);
}

// A row missing below the last one is a write that failed: the restore takes the journal up to it, and
// the run goes on from it (the line after the last row kept, whatever lines the threshold skipped).
TEST(JournalTest, ARowMissingFromTheJournalAndTheRowsAfterItAreCheckedAgain) {
    const struct {
        std::vector<std::pair<int, int>> rows;  // row, line
        std::size_t kept;
        std::optional<std::pair<int, int>> resume;
        int unwritten;
    } cases[] = {
        {{{1, 0}, {2, 1}, {3, 2}}, 3, std::nullopt, 0},
        {{{1, 0}, {2, 1}, {4, 3}}, 2, std::make_pair(2, 3), 1},
        {{{1, 0}, {3, 2}, {4, 3}}, 1, std::make_pair(1, 2), 2},
        {{{2, 1}, {3, 2}}, 0, std::make_pair(0, 1), 2},
        {{{1, 0}, {2, 4}, {4, 7}}, 2, std::make_pair(5, 3), 1},
        {{{1, 0}, {2, -1}, {4, 3}}, 2, std::make_pair(1, 3), 1},  // row 2 a recheck's, of no line
    };
    for (const auto& c : cases) {
        std::string journal = StartLine(8);
        for (const auto& [row, line] : c.rows) {
            const std::string totals = "[" + std::to_string(row) + ",0,0]";
            journal += RowRecord(std::to_string(row), std::to_string(line), "[]", totals) + "\n";
        }
        auto state = ReadJournalBytes(journal, "");
        ASSERT_TRUE(state.has_value());
        ASSERT_EQ(state->rows.size(), c.rows.size()) << "what is read is what was written";
        TakeUpToFirstGap(*state);
        EXPECT_EQ(state->rows.size(), c.kept) << c.rows.back().first;
        EXPECT_EQ(state->resume, c.resume) << c.rows.back().first;
        EXPECT_EQ(state->unwritten, c.unwritten) << c.rows.back().first;
        EXPECT_EQ(state->lastTotals[0], c.resume ? c.resume->second - 1 : 3) << "the last row kept's totals";
    }
}

// A run's journal as the programs keep it: the first row of a fresh run (not a recheck's) brings the
// start record and the list; a resumed run goes on; a failure is told once.
TEST(RunJournalTest, AFreshRunStartsWithItsFirstRowAndAResumedOneGoesOn) {
    testing::TempDir dir;
    const std::string list(kThreeLines);
    int asked = 0;
    const auto start = [&] {
        ++asked;
        return JournalStart{{"Domain", "IP"}, {"dns"}, 3, {}};
    };
    const auto listBytes = [&] { return list; };
    {
        RunJournal journal(JournalSlot::Take(dir.File("state"), Restorable));
        EXPECT_FALSE(journal.Row(1, {-1, {"a.test", "old"}, {}}, start, listBytes)) << "no error";
        EXPECT_EQ(asked, 0) << "a recheck begins no journal";
        EXPECT_FALSE(journal.Row(1, {0, {"a.test", "1.2.3.4"}, {}}, start, listBytes));
        EXPECT_FALSE(journal.Row(2, {1, {"b.test", "NXDOMAIN"}, {}}, start, listBytes));
        EXPECT_EQ(asked, 1);
        ASSERT_TRUE(journal.Flush());
        const auto state = ReadJournal(journal.Dir());
        ASSERT_TRUE(state);
        EXPECT_EQ(state->start.listHash, ListHash(list)) << "the hash is the list's";
        EXPECT_EQ(state->list, list);
        EXPECT_EQ(state->rows.size(), 2u);
        EXPECT_FALSE(journal.Resume(2, 3));
    }
    RunJournal resumed(JournalSlot::Take(dir.File("state"), Restorable));
    resumed.SetFresh(false);
    EXPECT_FALSE(resumed.Row(3, {2, {"c.test", "NXDOMAIN"}, {}}, start, listBytes));
    EXPECT_EQ(asked, 1);
    ASSERT_TRUE(resumed.Flush());
    const auto state = ReadJournal(resumed.Dir());
    ASSERT_TRUE(state);
    EXPECT_EQ(state->rows.size(), 3u) << "the resumed run went on in the same journal";
    EXPECT_FALSE(state->resume) << "the row after the stop clears it";
}

// A commit that fails (the disk full: here the file size limit) stays queued and goes again with the
// next one, before the rows given meanwhile: the journal on disk never has a hole.
TEST(RunJournalTest, ACommitThatFailsGoesAgainBeforeTheRowsAfterIt) {
    testing::TempDir dir;
    const auto start = [] { return JournalStart{{"Domain"}, {"dns"}, 3, {}}; };
    const auto list = [] { return std::string(kThreeLines); };
    RunJournal journal(JournalSlot::Take(dir.File("state"), Restorable), std::chrono::milliseconds(0));
    EXPECT_FALSE(journal.Row(1, {0, {"a.test"}, {}}, start, list));
    ASSERT_TRUE(journal.Flush());
    const auto size = std::filesystem::file_size(journal.Dir() + "/journal");
    struct sigaction ignore {
    }, before{};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &before);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit full{static_cast<rlim_t>(size), limit.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &full), 0);
    std::optional<std::string> told = journal.Row(2, {1, {"b.test"}, {}}, start, list);
    const bool written = journal.Flush();
    const std::optional<std::string> third = journal.Row(3, {2, {"c.test"}, {}}, start, list);
    told = told ? told : third;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::sigaction(SIGXFSZ, &before, nullptr);
    EXPECT_FALSE(written);
    ASSERT_TRUE(told) << "the failure is told by the next row at the latest";
    EXPECT_NE(told->find("journal"), std::string::npos) << *told;
    ASSERT_TRUE(journal.Flush());
    const auto state = ReadJournal(journal.Dir());
    ASSERT_TRUE(state.has_value());
    ASSERT_EQ(state->rows.size(), 3u);
    EXPECT_EQ(state->rows.at(2).cells, std::vector<std::string>{"b.test"});
    EXPECT_EQ(state->lastLine, 2) << "the rows reached the disk in their order";
}

// The commits' interval is the run's clock's: the rows given within one interval reach the disk
// together at its end, and a row given after that commit waits for the next one.
TEST(RunJournalTest, RowsGivenWithinAnIntervalAreCommittedTogetherAtItsEnd) {
    testing::TempDir dir;
    VirtualClock clock;
    RunJournal journal(JournalSlot::Take(dir.File("state"), Restorable), std::chrono::milliseconds(100),
                       clock);
    const auto start = [] { return JournalStart{{"Domain"}, {"dns"}, 4, {}}; };
    const auto list = [] { return std::string("a.test\nb.test\nc.test\nd.test\n"); };
    const auto onDisk = [&] {
        const auto state = ReadJournal(journal.Dir());
        return state ? state->rows.size() : 0u;
    };
    struct Step {
        std::vector<int> rows;  // given now
        long advanceMs;         // then the clock moves on, the commit thread waiting on it
        std::size_t onDisk;
    };
    const std::vector<Step> steps = {
        {{1}, 0, 1},      // the first commit goes at once
        {{2, 3}, 99, 1},  // within the interval: queued
        {{}, 1, 3},       // its end: both together
        {{4}, 99, 3},     // the next interval counts from that commit
        {{}, 1, 4},
    };
    for (const Step& step : steps) {
        for (const int row : step.rows) {
            EXPECT_FALSE(journal.Row(row, {row - 1, {"x.test"}, {}}, start, list));
        }
        if (step.advanceMs > 0) {
            ASSERT_TRUE(testing::Eventually([&] { return clock.Waiting() == 1; })) << step.onDisk;
            clock.Advance(std::chrono::milliseconds(step.advanceMs));
        }
        if (clock.Due() == 0 && clock.Waiting() == 1) {
            EXPECT_EQ(onDisk(), step.onDisk);  // the commit thread waits: nothing is under way
        } else {
            EXPECT_TRUE(testing::Eventually([&] { return onDisk() == step.onDisk; })) << step.onDisk;
        }
    }
}

TEST(RunJournalTest, AJournalThatCannotBeWrittenIsToldOnce) {
    testing::TempDir dir;
    testing::WriteBytes(dir.File("file"), "");
    RunJournal journal(JournalSlot::Take(dir.File("file/state"), Restorable));
    const auto start = [] { return JournalStart{{"Domain"}, {}, 1, {}}; };
    const auto list = [] { return std::string("a.test\n"); };
    const std::optional<std::string> first = journal.Row(1, {0, {"a.test"}, {}}, start, list);
    ASSERT_TRUE(first);
    EXPECT_FALSE(first->empty());
    EXPECT_FALSE(journal.Row(1, {0, {"a.test"}, {}}, start, list));
    EXPECT_FALSE(journal.Resume(1, 2));
}

}  // namespace
}  // namespace vantle
