// vantle-cli against the simulator, as a child process: its table equals the engine's rows through
// CsvLine; bad arguments; a failure mid-run; Ctrl+C; standard input.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <memory>
#include <set>
#include <variant>

#include "FWURLPosition/FetchURL.h"
#include "catalog/CheckCatalog.h"
#include "check/CheckRun.h"
#include "check/FakeHost.h"
#include "cli/ChildRun.h"
#include "cli/CliOptions.h"
#include "cli/ListInput.h"
#include "http/HttpClient.h"
#include "io/CsvExport.h"
#include "io/Journal.h"
#include "io/SheetRead.h"
#include "io/XlsxExport.h"
#include "sim/CheckServices.h"
#include "sim/GraphRanks.h"
#include "sim/ServiceSimulator.h"
#include "text/Cp1251.h"
#include "text/Utf8.h"

namespace vantle {
namespace {

using testing::ChildResult;
using testing::RunCliSim;
using testing::TempDir;
using testing::WriteBytes;

// Which columns a run has: the bar query, the two option columns, the checks of today by name.
struct Layout {
    bool bar = true;
    bool yaPages = false;
    bool pr = false;
    std::vector<std::string> network;
};

class CliRunTest : public ::testing::Test {
protected:
    // The children keep their journal and their store of answers in this test's folder, never in the
    // user's.
    void SetUp() override {
        ::setenv("XDG_STATE_HOME", dir.File("state").c_str(), 1);
        ::setenv("XDG_DATA_HOME", dir.File("data").c_str(), 1);
    }

protected:
    static void TearDownTestSuite() { services_.reset(); }

    static CheckEndpoints Endpoints() {
        if (!services_) {
            services_ = std::make_unique<sim::CheckServices>();
        }
        return services_->Endpoints();
    }

    std::vector<std::string> Args(std::vector<std::string> cli, bool network = false) {
        const ServiceHosts hosts = sim.Hosts();
        std::vector<std::string> args{"--sim-bar=" + hosts.bar, "--sim-webmaster=" + hosts.webmaster,
                                      "--sim-fetch=" + hosts.fetchConnectTo};
        if (network) {
            const CheckEndpoints endpoints = Endpoints();
            args.push_back("--sim-dns=" + endpoints.dnsServers.at(0));
            args.push_back("--sim-ca=" + endpoints.caFile);
            for (const std::string& entry : endpoints.connectTo) {
                args.push_back("--sim-connect-to=" + entry);
            }
            args.push_back("--sim-archive=" + endpoints.archiveUrl);
        }
        if (!withHistory) {
            args.push_back("--no-history");  // the tables of these tests are the engine's, without Changes
        }
        args.push_back("--checks=bar");  // the runs here play the bar unless they name their checks
        args.insert(args.end(), cli.begin(), cli.end());
        return args;
    }

    // The same lines through the engine on a fake window laid out like the main window, each row
    // written with CsvLine, the bar's columns left out without it.
    std::string EngineCsv(const std::vector<std::string>& lines, const Layout& layout) {
        testing::FakeHost host;
        host.lines = lines;
        host.rate = "10";
        host.bar = layout.bar;
        auto add = [&host](const std::string& header) {
            const int col = host.table.ColCount();
            host.table.SetColCount(col + 1);
            host.table.SetCell(col, 0, header);
            return col;
        };
        host.yaPages = layout.yaPages;
        host.pageRank = layout.pr;
        host.yaPagesCol = layout.yaPages ? add("YaPages") : 0;
        host.prCol = layout.pr ? add("PR") : 0;
        std::vector<std::unique_ptr<Check>> checks;
        for (const std::string& name : layout.network) {
            checks.push_back(MakeNetworkCheck(name, Endpoints()));
            host.extras.push_back({checks.back().get(), host.table.ColCount()});
            for (const std::string& header : checks.back()->Columns()) {
                add(header);
            }
        }
        HttpClient http;
        CheckRun run(host, http, sim.Hosts(), DirectFetcher(sim.Hosts()));
        run.Button2Click();
        std::string csv;
        for (int row = 0; row < host.table.RowCount(); ++row) {
            std::vector<std::string> cells = host.table.RowCells(row);
            if (!layout.bar) {
                cells.erase(cells.begin() + 1, cells.begin() + 4);
            }
            csv += CsvLine(cells);
        }
        return csv;
    }

    static std::vector<std::string> Names(int count) {
        std::vector<std::string> names;
        for (int i = 1; i <= count; ++i) {
            names.push_back("site" + std::to_string(i) + ".test");
        }
        return names;
    }
    static std::string Joined(const std::vector<std::string>& lines, const std::string& end = "\n") {
        std::string text;
        for (const std::string& line : lines) {
            text += line + end;
        }
        return text;
    }

    sim::ServiceSimulator sim;
    TempDir dir;
    bool withHistory = false;
    static std::unique_ptr<sim::CheckServices> services_;
};

std::unique_ptr<sim::CheckServices> CliRunTest::services_;

// UTF-8 with a Cyrillic name, a name to clean and a line that is skipped.
const char kUtf8List[] = "пример.рф\nnews.example.com\n  WWW.Site.TEST/  \nnot-a-domain\nmail.ru\n";

TEST_F(CliRunTest, TableEqualsTheEngineRowsThroughCsvLine) {
    struct Case {
        std::string checks;
        Layout layout;
        std::string header;
    };
    const Case cases[] = {
        {"bar", {}, "\"Domain\";\"Tic\";\"Status\";\"Yaca\"\r\n"},
        {"pr,yapages", {false, true, true, {}}, "\"Domain\";\"YaPages\";\"PR\"\r\n"},
        {"ssl,bar,dns",
         {true, false, false, {"dns", "ssl"}},
         "\"Domain\";\"Tic\";\"Status\";\"Yaca\";\"IP\";\"MX\";\"SSL\"\r\n"},
    };
    const std::string list = dir.File("list.txt");
    WriteBytes(list, kUtf8List);
    std::vector<std::string> lines;
    for (const std::string& line : cli::SplitListLines(kUtf8List)) {
        lines.push_back(Utf8ToCp1251(line));
    }
    for (const Case& c : cases) {
        const ChildResult cli =
            RunCliSim(Args({"--rate", "10", "--checks", c.checks, "-q", list}, !c.layout.network.empty()));
        EXPECT_EQ(cli.status, 0) << c.checks << cli.err;
        EXPECT_EQ(cli.out.substr(0, c.header.size()), c.header) << c.checks;
        EXPECT_EQ(std::count(cli.out.begin(), cli.out.end(), '\n'), 5) << c.checks;  // "not-a-domain" skipped
        EXPECT_EQ(cli.out, EngineCsv(lines, c.layout)) << c.checks;
        EXPECT_EQ(cli.err, "") << c.checks;
    }
}

TEST_F(CliRunTest, BadArgumentsCheckNothingAndNameTheValue) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--checks", "bar,whois", "l"}, "«whois»"},
        {{"--rate", "0", "l"}, "«0»"},
        {{"--rate=11", "l"}, "«11»"},
        {{"--rate", "abc", "l"}, "«abc»"},
        {{"--threshold", "7", "--checks", "dns", "l"}, "«7»"},
        {{"--format", "xml", "l"}, "«xml»"},
        {{"--top-list=", "l"}, "«--top-list»"},
        {{"l", "--top-list"}, "«--top-list»"},
        {{"--frobnicate", "l"}, "«--frobnicate»"},
        {{"l", "m"}, "«m»"},
        {{}, "не указан список"},
        {{"missing.txt"}, "\"missing.txt\""},
    };
    for (const auto& [cli, named] : cases) {
        const ChildResult result = RunCliSim(Args(cli));
        EXPECT_EQ(result.status, 1) << named;
        EXPECT_NE(result.err.find(named), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "") << named;
    }
    EXPECT_EQ(sim.Count("/u"), 0);
}

TEST_F(CliRunTest, TopListChosenOnTheCommandLineFillsTheRankColumn) {
    const std::string list = dir.File("list.txt");
    WriteBytes(list, "b.test\na.test\nc.test\n");
    const std::string top = dir.File("top.csv");
    WriteBytes(top, "rank,domain\n1,a.test\n2,b.test\n3,a.test\n");
    const std::string header = "\"Domain\";\"Rank\"\r\n";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--top-list", top}, header + "\"b.test\";\"2\"\r\n\"a.test\";\"1\"\r\n\"c.test\";\"\"\r\n"},
        {{"--top-list=" + dir.File("missing.csv")},
         header + "\"b.test\";\"no list\"\r\n\"a.test\";\"no list\"\r\n\"c.test\";\"no list\"\r\n"},
        {{}, header + "\"b.test\";\"\"\r\n\"a.test\";\"\"\r\n\"c.test\";\"\"\r\n"},
    };
    for (const auto& [option, table] : cases) {
        std::vector<std::string> cli{"--rate", "10", "--checks", "rank", "-q"};
        cli.insert(cli.end(), option.begin(), option.end());
        cli.push_back(list);
        const ChildResult result = RunCliSim(Args(cli));
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out, table);
    }
}

// The graph's index goes to the test's own cache folder; a file cut short is told once on standard
// error, and its cells say so.
TEST_F(CliRunTest, GraphRanksChosenOnTheCommandLineFillTheLinkColumns) {
    const std::string list = dir.File("list.txt");
    WriteBytes(list, "mail.b.test\nc.test\n");
    const std::string ranks = dir.File("ranks.txt");
    WriteBytes(ranks, sim::GraphRanksHeader() + sim::GraphRanksLine("b.test", 7, 9));
    const std::string cut = dir.File("cut.txt.gz");
    ASSERT_TRUE(sim::WriteGraphRanks(cut, {sim::GraphRanksLine("b.test", 7, 9)}, true));
    const std::string whole = testing::ReadBytes(cut);
    WriteBytes(cut, whole.substr(0, whole.size() - 4));
    ::setenv("XDG_CACHE_HOME", dir.File("cache").c_str(), 1);
    const std::string header = "\"Domain\";\"LinkRank\";\"LinkPR\"\r\n";
    struct Case {
        std::vector<std::string> option;
        std::string table;
        std::string complaint;
    };
    const Case cases[] = {
        {{"--graph-ranks", ranks}, header + "\"mail.b.test\";\"7\";\"9\"\r\n\"c.test\";\"\";\"\"\r\n", ""},
        {{"--graph-ranks=" + cut},
         header + "\"mail.b.test\";\"no graph\";\"no graph\"\r\n\"c.test\";\"no graph\";\"no graph\"\r\n",
         "оборван"},
        {{}, header + "\"mail.b.test\";\"\";\"\"\r\n\"c.test\";\"\";\"\"\r\n", ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> cli{"--checks", "links", "-q"};
        cli.insert(cli.end(), c.option.begin(), c.option.end());
        cli.push_back(list);
        const ChildResult result = RunCliSim(Args(cli));
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out, c.table);
        EXPECT_EQ(result.err.find(c.complaint) != std::string::npos, true) << result.err;
        EXPECT_EQ(result.err.empty(), c.complaint.empty()) << result.err;
    }
    EXPECT_TRUE(std::filesystem::exists(dir.File("cache") + "/vantle/links"));
    const ChildResult empty = RunCliSim(Args({"--graph-ranks=", list}));
    EXPECT_EQ(empty.status, 1);
    EXPECT_NE(empty.err.find("«--graph-ranks»"), std::string::npos) << empty.err;
    ::unsetenv("XDG_CACHE_HOME");
}

TEST_F(CliRunTest, FailureMidRunWritesTheRowsSoFarAndExitsTwo) {
    const std::vector<std::string> names = Names(4);
    sim.FailBarFor(names[2]);
    const std::string list = dir.File("list.txt");
    WriteBytes(list, Joined(names));
    const ChildResult cli = RunCliSim(Args({"--rate", "10", "-q", list}));
    EXPECT_EQ(cli.status, 2);
    EXPECT_EQ(cli.err, "vantle-cli: '' is not a valid integer value.\n");
    sim.ClearFaults();
    EXPECT_EQ(cli.out, EngineCsv({names[0], names[1]}, {}));
}

TEST_F(CliRunTest, InterruptStopsAfterTheCurrentDomainAndWritesItsRows) {
    const std::vector<std::string> names = Names(40);
    const std::string list = dir.File("list.txt");
    WriteBytes(list, Joined(names));
    bool sent = false;
    const ChildResult cli = RunCliSim(Args({"--rate", "10", "-q", list}), "/dev/null", [&](pid_t pid) {
        if (!sent && sim.Count("/u") >= 3) {
            sent = ::kill(pid, SIGINT) == 0;
        }
    });
    ASSERT_TRUE(sent);
    EXPECT_EQ(cli.status, 0) << cli.err;
    // The domain in progress when the signal came is finished and written; none starts after it.
    const auto rows = std::count(cli.out.begin(), cli.out.end(), '\n') - 1;
    EXPECT_GE(rows, 3);
    EXPECT_LT(rows, 40);
    EXPECT_EQ(rows, sim.Count("/u"));
    EXPECT_EQ(cli.out, EngineCsv(std::vector<std::string>(names.begin(), names.begin() + rows), {}));
    EXPECT_NE(cli.err.find("остановлена"), std::string::npos);
}

TEST_F(CliRunTest, StandardInputInEitherEncodingAndAnyLineEnds) {
    const std::vector<std::string> cp1251{"\xEF\xF0\xE8\xEC\xE5\xF0.\xF0\xF4", "a.test", "b.test"};
    const std::vector<std::string> utf8{"пример.рф", "a.test", "b.test"};
    const std::pair<const char*, std::string> cases[] = {
        {"Windows-1251, LF", Joined(cp1251)},
        {"UTF-8 with its mark, CR LF", "\xEF\xBB\xBF" + Joined(utf8, "\r\n")},
        {"UTF-8, CR", Joined(utf8, "\r")},
    };
    const std::string expected = EngineCsv(cp1251, {});
    for (const auto& [what, bytes] : cases) {
        const std::string input = dir.File("input");
        WriteBytes(input, bytes);
        const ChildResult cli = RunCliSim(Args({"--rate=10", "-q", "-"}), input);
        EXPECT_EQ(cli.status, 0) << what << cli.err;
        EXPECT_EQ(cli.out, expected) << what;
    }
}

TEST_F(CliRunTest, AListFromACsvOrAWorkbookIsItsDomainColumn) {
    const std::vector<std::vector<std::string>> sheet = {
        {"Note", "Site"}, {"x", "https://a.test/page"}, {"", ""}, {"y", "\xEF\xF0\xE8\xEC\xE5\xF0.\xF0\xF4"}};
    const CsvTable table{4, 2, [&sheet](int col, int row) { return sheet[row][col]; }};
    SaveXlsxFile(dir.File("list.xlsx"), table);
    SaveCsvUtf8File(dir.File("list.csv"), table);
    const std::string expected = EngineCsv({"a.test", "\xEF\xF0\xE8\xEC\xE5\xF0.\xF0\xF4"}, {});
    for (const char* name : {"list.xlsx", "list.csv"}) {
        const ChildResult file = RunCliSim(Args({"--rate=10", "-q", dir.File(name)}));
        EXPECT_EQ(file.status, 0) << name << file.err;
        EXPECT_EQ(file.out, expected) << name;
        const ChildResult input = RunCliSim(Args({"--rate=10", "-q", "-"}), dir.File(name));
        EXPECT_EQ(input.status, 0) << name << input.err;
        EXPECT_EQ(input.out, expected) << name;
    }
    // A table without a column of domains is no list.
    WriteBytes(dir.File("numbers.csv"), "a;b\r\n1;2\r\n");
    const int before = sim.Count("/u");
    const ChildResult none = RunCliSim(Args({"-q", dir.File("numbers.csv")}));
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("Необходимо составить список доменов"), std::string::npos) << none.err;
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(sim.Count("/u"), before);
}

TEST_F(CliRunTest, ResumeGoesOnFromTheJournalOfAnInterruptedRun) {
    const std::vector<std::string> names = Names(10);
    const std::string list = dir.File("list.txt");
    WriteBytes(list, Joined(names));
    bool sent = false;
    const ChildResult first = RunCliSim(Args({"--rate", "10", "-q", list}), "/dev/null", [&](pid_t pid) {
        if (!sent && sim.Count("/u") >= 3) {
            sent = ::kill(pid, SIGINT) == 0;
        }
    });
    ASSERT_TRUE(sent);
    const int checked = sim.Count("/u");
    const ChildResult other = RunCliSim(Args({"--checks", "bar,pr", "--resume", "-q", list}));
    EXPECT_EQ(other.status, 1) << "the journal is of other checks";
    const ChildResult resumed = RunCliSim(Args({"--rate", "10", "-q", "--resume", list}));
    EXPECT_EQ(resumed.status, 0) << resumed.err;
    EXPECT_EQ(sim.Count("/u"), 10) << "no line asked twice, " << checked << " before the stop";
    EXPECT_EQ(resumed.out, EngineCsv(names, {}));
    const ChildResult again = RunCliSim(Args({"--rate", "10", "-q", "--resume", list}));
    EXPECT_EQ(again.status, 1) << "the run was finished: nothing is left to resume";
}

TEST_F(CliRunTest, ResumeLeavesOutJournalRecordsThatDoNotFitAndSaysHowMany) {
    const std::vector<std::string> names = Names(6);
    const std::string list = dir.File("list.txt");
    WriteBytes(list, Joined(names));
    bool sent = false;
    RunCliSim(Args({"--rate", "10", "-q", list}), "/dev/null", [&](pid_t pid) {
        if (!sent && sim.Count("/u") >= 2) {
            sent = ::kill(pid, SIGINT) == 0;
        }
    });
    ASSERT_TRUE(sent);
    const std::string journal = dir.File("state/vantle/cli/journal");
    WriteBytes(journal,
               testing::ReadBytes(journal) +
                   "{\"row\":-5,\"line\":0,\"cells\":[],\"totals\":[0,0,0]}\n"
                   "{\"row\":100000000,\"line\":0,\"cells\":[],\"totals\":[0,0,0]}\n"
                   "{\"row\":7,\"line\":5,\"cells\":[],\"totals\":[0,0,0]}\n"
                   "{\"row\":1,\"line\":0,\"cells\":[\"a\",\"b\",\"c\",\"d\",\"e\"],\"totals\":[0,0,0]}\n"
                   "{\"resume\":-1,\"at\":2}\n");
    const ChildResult resumed = RunCliSim(Args({"--rate", "10", "-q", "--resume", list}));
    EXPECT_EQ(resumed.status, 0) << resumed.err;
    EXPECT_EQ(resumed.err, "vantle-cli: записей журнала не подошло и пропущено: 5\n");
    EXPECT_EQ(resumed.out, EngineCsv(names, {}));
}

// The first write of the table that fails ends the run: a full device checks nothing (its header
// fails), a reader gone after the header ends it at the next row; the message names the file.
TEST_F(CliRunTest, AnOutputThatCannotBeWrittenStopsTheRunAtItsFirstFailedWrite) {
    const std::vector<std::string> names = Names(40);
    const std::string list = dir.File("list.txt");
    WriteBytes(list, Joined(names));
    const ChildResult full = RunCliSim(Args({"--rate", "10", "-q", "-o", "/dev/full", list}));
    EXPECT_EQ(full.status, 2);
    EXPECT_EQ(full.err, "vantle-cli: не удалось записать таблицу в «/dev/full»: No space left on device\n");
    EXPECT_EQ(sim.Count("/u"), 0);

    const ChildResult gone = RunCliSim(Args({"--rate", "10", "-q", list}), "/dev/null", {}, 1);
    EXPECT_EQ(gone.status, 2) << gone.err;
    EXPECT_EQ(gone.err, "vantle-cli: не удалось записать таблицу в стандартный вывод: Broken pipe\n");
    EXPECT_LE(sim.Count("/u"), 3) << "of 40";
    const std::string table = EngineCsv({names[0]}, {});
    EXPECT_EQ(gone.out, table.substr(0, table.find('\n') + 1)) << "the header was read";
}

// A row the journal is missing (its write failed) is checked again by --resume, with every row after
// it, rather than coming back blank.
TEST_F(CliRunTest, ResumeChecksARowMissingFromTheJournalAgain) {
    const std::vector<std::string> names = Names(10);
    const std::string list = dir.File("list.txt");
    WriteBytes(list, Joined(names));
    bool sent = false;
    RunCliSim(Args({"--rate", "10", "-q", list}), "/dev/null", [&](pid_t pid) {
        if (!sent && sim.Count("/u") >= 3) {
            sent = ::kill(pid, SIGINT) == 0;
        }
    });
    ASSERT_TRUE(sent);
    const int checked = sim.Count("/u");
    const std::string journal = dir.File("state/vantle/cli/journal");
    std::string bytes = testing::ReadBytes(journal);
    const std::size_t second = bytes.find("\"row\":2,");
    ASSERT_NE(second, std::string::npos) << bytes;
    const std::size_t begin = bytes.rfind('\n', second) + 1;
    bytes.erase(begin, bytes.find('\n', second) + 1 - begin);
    WriteBytes(journal, bytes);
    const ChildResult resumed = RunCliSim(Args({"--rate", "10", "-q", "--resume", list}));
    EXPECT_EQ(resumed.status, 0) << resumed.err;
    EXPECT_EQ(sim.Count("/u") - checked, 9) << "from the second line on, " << checked << " before";
    EXPECT_EQ(resumed.out, EngineCsv(names, {}));
}

TEST_F(CliRunTest, CopiesAtOnceKeepAJournalEachAndResumeTakesTheOneWhoseOwnerIsGone) {
    const std::vector<std::string> first = Names(16);
    std::vector<std::string> second;
    for (int i = 1; i <= 8; ++i) {
        second.push_back("other" + std::to_string(i) + ".test");
    }
    const std::string firstList = dir.File("first.txt"), secondList = dir.File("second.txt");
    WriteBytes(firstList, Joined(first));
    WriteBytes(secondList, Joined(second));
    const std::string base = dir.File("state/vantle/cli");
    const auto rows = [](const std::string& folder) {
        const auto journal = ReadJournal(folder);
        return journal ? journal->rows.size() : 0u;
    };

    bool alongside = false;
    ChildResult killed, resumed, notLive;
    const ChildResult live = RunCliSim(Args({"--rate", "2", "-q", firstList}), "/dev/null", [&](pid_t) {
        if (alongside || rows(base) < 2) {
            return;
        }
        alongside = true;
        killed = RunCliSim(Args({"--rate", "10", "-q", secondList}), "/dev/null", [&](pid_t pid) {
            if (rows(base + "/2") >= 3) {
                ::kill(pid, SIGKILL);
            }
        });
        resumed = RunCliSim(Args({"--rate", "10", "-q", "--resume", secondList}));
        notLive = RunCliSim(Args({"--rate", "10", "-q", "--resume", firstList}));
    });
    ASSERT_TRUE(alongside);
    const int asked = sim.Count("/u");  // before the engine's own run below asks again
    // A line asked just before the kill may be asked again; none other is.
    EXPECT_GE(asked, 16 + 8);
    EXPECT_LE(asked, 16 + 8 + 1);
    EXPECT_EQ(killed.status, -1);
    EXPECT_EQ(resumed.status, 0) << resumed.err;
    EXPECT_EQ(resumed.out, EngineCsv(second, {})) << "the killed copy's rows and the rest";
    EXPECT_EQ(notLive.status, 1) << "the run still going is not resumed by another copy";
    EXPECT_EQ(live.status, 0) << live.err;
    EXPECT_EQ(live.out, EngineCsv(first, {}));

    const auto liveJournal = ReadJournal(base);
    ASSERT_TRUE(liveJournal.has_value());
    EXPECT_EQ(liveJournal->start.lineCount, 16);
    EXPECT_EQ(liveJournal->rows.size(), 16u) << "the live copy's journal was neither cut nor written into";
    EXPECT_EQ(liveJournal->rejected, 0);
    EXPECT_TRUE(liveJournal->done) << "a table written whole leaves nothing to resume";
    const auto secondJournal = ReadJournal(base + "/2");
    ASSERT_TRUE(secondJournal.has_value());
    EXPECT_EQ(secondJournal->rows.size(), 8u) << "the resumed copy went on in the killed one's journal";
}

TEST_F(CliRunTest, OtherFormatsCarryTheSameTable) {
    const std::vector<std::string> lines{"a.test", "b.test"};
    const std::string input = dir.File("input");
    WriteBytes(input, Joined(lines));
    const ChildResult utf8 = RunCliSim(Args({"--rate=10", "-q", "--format=csv-utf8", "-"}), input);
    EXPECT_EQ(utf8.status, 0) << utf8.err;
    EXPECT_EQ(utf8.out, "\xEF\xBB\xBF" + EngineCsv(lines, {}));
    const ChildResult book = RunCliSim(Args({"--rate=10", "-q", "--format", "xlsx", "-"}), input);
    EXPECT_EQ(book.status, 0) << book.err;
    EXPECT_EQ(book.out.substr(0, 2), "PK");
}

// A UTF-8 list with a name beyond Windows-1251 and one that cannot be asked for: the checks get the
// IDNA form, the UTF-8 CSV shows the names as written, the Windows-1251 CSV the ASCII form.
TEST_F(CliRunTest, Utf8ListBeyondWindows1251KeepsItsNames) {
    const std::string list = dir.File("list.txt");
    WriteBytes(list, "münchen.de\nпример..рф\na.test\n");
    const std::vector<std::string> lines{Utf16ToCp1251Keeping(u"münchen.de"), Utf16ToCp1251(u"пример..рф"),
                                         "a.test"};
    const std::string engine = EngineCsv(lines, {false, false, false, {"dns"}});
    EXPECT_NE(engine.find("\"" + lines[1] + "\";\"bad name\";\"bad name\"\r\n"), std::string::npos) << engine;

    const ChildResult utf8 = RunCliSim(Args({"--checks", "dns", "-q", "--format=csv-utf8", list}, true));
    EXPECT_EQ(utf8.status, 0) << utf8.err;
    EXPECT_EQ(utf8.out, "\xEF\xBB\xBF" + Cp1251ToUtf8(engine));
    EXPECT_NE(utf8.out.find("\r\n\"münchen.de\";"), std::string::npos) << utf8.out;

    const ChildResult cp1251 = RunCliSim(Args({"--checks", "dns", "-q", list}, true));
    EXPECT_EQ(cp1251.status, 0) << cp1251.err;
    std::string expected = engine;
    expected.replace(expected.find(lines[0]), lines[0].size(), "xn--mnchen-3ya.de");
    EXPECT_EQ(cp1251.out, expected);
}

TEST(CliParallelOption, RangeIsOneTo256) {
    const std::pair<std::string, bool> cases[] = {{"0", false}, {"1", true}, {"256", true}, {"257", false},
                                                  {"x", false}, {"", false}, {"-4", false}};
    for (const auto& [value, good] : cases) {
        const auto parsed = cli::ParseCliOptions({"--parallel", value, "l"});
        EXPECT_EQ(std::holds_alternative<cli::CliOptions>(parsed), good) << value;
        if (good) {
            EXPECT_EQ(std::get<cli::CliOptions>(parsed).parallel, std::stoi(value));
        } else {
            EXPECT_NE(std::get<cli::CliUsageError>(parsed).message.find("«" + value + "»"),
                      std::string::npos);
        }
    }
    EXPECT_EQ(std::get<cli::CliOptions>(cli::ParseCliOptions({"l"})).parallel, 16);
}

TEST(CliParallelOption, DnsRateIsTenTo5000) {
    const std::pair<std::string, bool> cases[] = {
        {"9", false}, {"10", true}, {"5000", true}, {"5001", false}, {"", false}};
    for (const auto& [value, good] : cases) {
        const auto parsed = cli::ParseCliOptions({"--dns-rate=" + value, "l"});
        ASSERT_EQ(std::holds_alternative<cli::CliOptions>(parsed), good) << value;
        if (good) {
            EXPECT_EQ(std::get<cli::CliOptions>(parsed).dnsRate, std::stoi(value));
        }
    }
    EXPECT_EQ(std::get<cli::CliOptions>(cli::ParseCliOptions({"l"})).dnsRate, 200);
}

// Without --checks the run asks what answers today, the top-sites list adding its rank and the
// graph its links; the threshold, which only the bar has, then is refused.
TEST(CliOptionsTest, DefaultChecksAreTodaysAndRankWithAList) {
    using Checks = std::set<std::string>;
    const Checks today{"dns", "web", "ssl", "registry", "archive"};
    const std::pair<std::vector<std::string>, Checks> cases[] = {
        {{"l"}, today},
        {{"--top-list", "t.csv", "l"}, {"dns", "web", "ssl", "registry", "archive", "rank"}},
        {{"--graph-ranks", "g.txt.gz", "l"}, {"dns", "web", "ssl", "registry", "archive", "links"}},
        {{"--checks", "bar", "l"}, {"bar"}},
        {{"--checks", "bar", "--top-list", "t.csv", "l"}, {"bar"}},
        {{"--resume", "l"}, today},
    };
    for (const auto& [args, checks] : cases) {
        const auto parsed = cli::ParseCliOptions(args);
        ASSERT_TRUE(std::holds_alternative<cli::CliOptions>(parsed)) << args.size();
        EXPECT_EQ(std::get<cli::CliOptions>(parsed).checks, checks) << args.size();
    }
    const auto threshold = cli::ParseCliOptions({"--threshold", "5", "l"});
    ASSERT_TRUE(std::holds_alternative<cli::CliUsageError>(threshold));
    EXPECT_NE(std::get<cli::CliUsageError>(threshold).message.find("«5»"), std::string::npos);
}

// Many domains at once give the same table, in list order, as one at a time.
TEST_F(CliRunTest, ParallelRunWritesTheRowsInListOrder) {
    const std::vector<std::string> names = Names(12);
    const std::string list = dir.File("list.txt");
    WriteBytes(list, Joined(names));
    const ChildResult cli = RunCliSim(Args({"--checks", "dns,ssl", "--parallel", "8", "-q", list}, true));
    EXPECT_EQ(cli.status, 0) << cli.err;
    EXPECT_EQ(cli.out, EngineCsv(names, {false, false, false, {"dns", "ssl"}}));
}

TEST_F(CliRunTest, TermAndHangUpStopAsCtrlCDoesAndWriteTheRows) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sim.ClearFaults();
        const int before = sim.Count("/u");
        const std::vector<std::string> names = Names(40);
        const std::string list = dir.File("list.txt");
        WriteBytes(list, Joined(names));
        bool sent = false;
        const ChildResult cli = RunCliSim(Args({"--rate", "10", "-q", list}), "/dev/null", [&](pid_t pid) {
            if (!sent && sim.Count("/u") - before >= 2) {
                sent = ::kill(pid, signal) == 0;
            }
        });
        ASSERT_TRUE(sent) << signal;
        EXPECT_EQ(cli.status, 0) << signal << cli.err;
        const auto rows = std::count(cli.out.begin(), cli.out.end(), '\n') - 1;
        EXPECT_EQ(rows, sim.Count("/u") - before) << signal;
        EXPECT_LT(rows, 40) << signal;
        EXPECT_EQ(cli.out, EngineCsv(std::vector<std::string>(names.begin(), names.begin() + rows), {}));
    }
}

// The second Ctrl+C ends the program at once, while the first still waits for the current domain (its
// site trickles); every row checked before it is in the file already.
TEST_F(CliRunTest, SecondInterruptEndsAtOnceWithTheRowsSoFarInTheFile) {
    const std::vector<std::string> names = Names(6);
    Endpoints();
    services_->Web().SetRule(names[3], sim::WebRule::Trickle);
    const std::string list = dir.File("list.txt");
    const std::string out = dir.File("out.csv");
    WriteBytes(list, Joined(names));
    int sent = 0;
    auto first = std::chrono::steady_clock::now();
    const ChildResult cli =
        RunCliSim(Args({"--checks", "bar,web", "--rate", "10", "-q", "-o", out, list}, true), "/dev/null",
                  [&](pid_t pid) {
                      if (sent == 0 && sim.Count("/u") >= 4) {
                          sent += ::kill(pid, SIGINT) == 0 ? 1 : 0;
                          first = std::chrono::steady_clock::now();
                      } else if (sent == 1 &&
                                 std::chrono::steady_clock::now() - first > std::chrono::milliseconds(200)) {
                          sent += ::kill(pid, SIGINT) == 0 ? 1 : 0;
                      }
                  });
    services_->Web().SetRule(names[3], sim::WebServer::DefaultRule(names[3]));
    ASSERT_EQ(sent, 2);
    EXPECT_EQ(cli.status, -1) << "ended by the signal";
    const std::string written = testing::ReadBytes(out);
    EXPECT_EQ(written, EngineCsv({names[0], names[1], names[2]}, {true, false, false, {"web"}}));
}

// Every check asks the simulated DNS: a name it does not know has no web site and no certificate,
// whatever the web simulator would have answered.
TEST_F(CliRunTest, ANameTheDnsDoesNotKnowHasNoAddressInEveryColumn) {
    Endpoints();
    services_->Web().SetRule("nxsite.test", sim::WebRule::Ok);
    services_->Web().SetRule("site1.test", sim::WebRule::Ok);
    const std::string list = dir.File("list.txt");
    WriteBytes(list, "nxsite.test\nsite1.test\n");
    const ChildResult cli = RunCliSim(Args({"--checks", "dns,web,ssl", "-q", list}, true));
    services_->Web().SetRule("nxsite.test", sim::WebServer::DefaultRule("nxsite.test"));
    services_->Web().SetRule("site1.test", sim::WebServer::DefaultRule("site1.test"));
    EXPECT_EQ(cli.status, 0) << cli.err;
    EXPECT_NE(cli.out.find("\"nxsite.test\";\"NXDOMAIN\";\"no\";\"no address\";\"\";\"no address\"\r\n"),
              std::string::npos)
        << cli.out;
    EXPECT_NE(cli.out.find("\"site1.test\";\"" + sim::CheckServices::ExpectedIp("site1.test") +
                           "\";\"yes\";\"200\";"),
              std::string::npos)
        << cli.out;
}

// The store of answers across runs: Changes (only with a check of today), --changes, --history,
// --no-history, and the old services' table byte for byte as without it.
TEST_F(CliRunTest, ChangesSinceTheLastRunAndTheDomainsHistory) {
    withHistory = true;
    const std::string list = dir.File("list.txt");
    WriteBytes(list, "b.test\na.test\n");
    const std::string top = dir.File("top.csv");
    const auto run = [&](const std::string& ranks, std::vector<std::string> more) {
        WriteBytes(top, "rank,domain\n" + ranks);
        std::vector<std::string> cli{"--checks", "rank", "--top-list", top, "-q", "--format=csv-utf8"};
        cli.insert(cli.end(), more.begin(), more.end());
        cli.push_back(list);
        return RunCliSim(Args(cli));
    };
    const ChildResult first = run("1,a.test\n2,b.test\n", {});
    EXPECT_EQ(
        first.out,
        "\xEF\xBB\xBF\"Domain\";\"Rank\";\"Changes\"\r\n\"b.test\";\"2\";\"\"\r\n\"a.test\";\"1\";\"\"\r\n")
        << first.err;
    const ChildResult changed = run("1,a.test\n5,b.test\n", {"--changes"});
    EXPECT_EQ(changed.out,
              "\xEF\xBB\xBF\"Domain\";\"Rank\";\"Changes\"\r\n\"b.test\";\"5\";\"Rank 2 → 5\"\r\n")
        << changed.err;
    EXPECT_EQ(run("1,a.test\n2,b.test\n", {"--no-history"}).out.find("Changes"), std::string::npos);

    const ChildResult history = RunCliSim(Args({"--history", "B.test"}));
    EXPECT_EQ(history.status, 0) << history.err;
    const std::vector<std::string> lines = [&] {
        std::vector<std::string> split;
        for (std::size_t at = 0, end; (end = history.out.find("\r\n", at)) != std::string::npos;
             at = end + 2) {
            split.push_back(history.out.substr(at, end - at));
        }
        return split;
    }();
    ASSERT_EQ(lines.size(), 3u) << history.out;
    EXPECT_EQ(lines[0], "\"Time (UTC)\";\"Check\";\"Rank\"");
    EXPECT_NE(lines[1].find("\"rank\";\"5\""), std::string::npos);  // newest first
    EXPECT_NE(lines[2].find("\"rank\";\"2\""), std::string::npos);

    // The workbook, written whole at the end, keeps only the changed rows too.
    const std::string book = dir.File("changes.xlsx");
    EXPECT_EQ(run("3,a.test\n5,b.test\n", {"--changes", "--format", "xlsx", "-o", book}).status, 0);
    const auto sheets = ReadWorkbookSheets(testing::ReadBytes(book), false, 1 << 20);
    ASSERT_TRUE(sheets && sheets->size() == 1);
    std::vector<std::string> domains;
    for (const SheetRow& row : sheets->front()) {
        domains.push_back(CellText(row, 0));
    }
    EXPECT_EQ(domains, (std::vector<std::string>{"Domain", "a.test"}));

    // The old services alone: the same bytes with the store as without it.
    const std::vector<std::string> names = Names(3);
    WriteBytes(list, Joined(names));
    withHistory = false;
    const std::string without = RunCliSim(Args({"--rate", "10", "-q", list})).out;
    withHistory = true;
    EXPECT_EQ(RunCliSim(Args({"--rate", "10", "-q", list})).out, without);
}

TEST_F(CliRunTest, KnownFirstCapturesAreNotAskedAgainUnlessFresh) {
    withHistory = true;
    const std::vector<std::string> names = Names(3);
    const std::string list = dir.File("list.txt");
    WriteBytes(list, Joined(names));
    const sim::ArchiveServer& archive = (Endpoints(), services_->Archive());
    const ChildResult first = RunCliSim(Args({"--checks", "archive", "-q", list}, true));
    const std::size_t asked = archive.RequestCount();
    const ChildResult second = RunCliSim(Args({"--checks", "archive", "-q", list}, true));
    EXPECT_EQ(second.out, first.out);
    std::size_t lasting = 0;
    for (const std::string& name : names) {
        lasting += sim::ArchiveServer::DefaultDay(name).empty() ? 0 : 1;
    }
    // "none" is believed for a week as well: nothing is asked the second time.
    EXPECT_EQ(archive.RequestCount(), asked) << lasting;
    RunCliSim(Args({"--checks", "archive", "--fresh", "-q", list}, true));
    EXPECT_EQ(archive.RequestCount(), asked + names.size());
}

TEST_F(CliRunTest, ADamagedStoreIsSetAsideAndNamedOnceAndTheRunGoesOn) {
    withHistory = true;
    std::filesystem::create_directories(dir.File("data") + "/vantle");
    const std::string store = dir.File("data") + "/vantle/history.sqlite";
    WriteBytes(store, std::string(4096, 'x'));
    const std::string list = dir.File("list.txt");
    WriteBytes(list, "b.test\n");
    const ChildResult cli = RunCliSim(Args({"--checks", "rank", "-q", list}));
    EXPECT_EQ(cli.status, 0);
    EXPECT_EQ(cli.out, "\"Domain\";\"Rank\";\"Changes\"\r\n\"b.test\";\"\";\"\"\r\n");
    EXPECT_NE(cli.err.find(".damaged-"), std::string::npos) << cli.err;
    EXPECT_EQ(cli.err.find('\n'), cli.err.size() - 1) << cli.err;  // named once
    bool setAside = false;
    for (const auto& entry : std::filesystem::directory_iterator(dir.File("data") + "/vantle")) {
        setAside |= entry.path().filename().string().rfind("history.sqlite.damaged-", 0) == 0 &&
                    std::filesystem::file_size(entry.path()) == 4096;
    }
    EXPECT_TRUE(setAside);
}

}  // namespace
}  // namespace vantle
