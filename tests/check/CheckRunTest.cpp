// The check run, the stop command and the recheck against a fake window and fake services.
#include "check/CheckRun.h"

#include <gtest/gtest.h>

#include <set>

#include "check/BarQuery.h"
#include "check/FakeHost.h"
#include "check/IndexQuery.h"
#include "text/Cp1251.h"

namespace vantle {
namespace {

using testing::FakeHost;
using testing::FakeHttp;

std::string Cp(const std::u16string& text) {
    return Utf16ToCp1251(text);
}

struct Site {
    Site(std::string n, std::string t, std::string m = "", bool y = false)
        : name(std::move(n)), tic(std::move(t)), mirror(std::move(m)), yaca(y) {}
    std::string name;
    std::string tic;
    std::string mirror;  // the <url domain> of the answer; the name itself when empty
    bool yaca = false;
};

std::string BarAnswer(const Site& s) {
    const std::string mirror = s.mirror.empty() ? s.name : s.mirror;
    std::string answer = "<?xml version=\"1.0\"?><urlinfo><url domain=\"" + mirror + "\">" +
                         "<tcy rang=\"3\" value=\"" + s.tic + "\"/></url>";
    if (s.yaca) {
        answer += "<textinfo>http://yaca.yandex.ru/yca/cat/Computers/</textinfo>";
    }
    return answer + "</urlinfo>";
}

class CheckRunTest : public ::testing::Test {
protected:
    FakeHost host;
    FakeHttp http;
    ServiceHosts hosts;
    std::vector<std::string> rankUrls;
    CheckRun run{host, http, hosts, [this](std::string_view url, std::string& answer) {
                     rankUrls.emplace_back(url);
                     answer = "Rank_1:1:4";
                 }};

    void Serve(const Site& s) { http.answers[BarQueryUrl(hosts, s.name)] = BarAnswer(s); }

    // Lines site1.test ... siteN.test, each with a TIC of 10 * i.
    void NumberedSites(int n) {
        for (int i = 1; i <= n; ++i) {
            const std::string name = "site" + std::to_string(i) + ".test";
            host.lines.push_back(name);
            Serve({name, std::to_string(10 * i)});
        }
    }

    int BarQueriesFor(const std::string& name) {
        int n = 0;
        for (const auto& url : http.asked) {
            n += url == BarQueryUrl(hosts, name) ? 1 : 0;
        }
        return n;
    }

    std::vector<std::string> Column(int col) {
        std::vector<std::string> cells;
        for (int r = 1; r < host.table.RowCount(); ++r) {
            cells.push_back(host.table.Cell(col, r));
        }
        return cells;
    }

    // The totals recounted from the table, as the status bar must show them.
    void ExpectTotalsMatchTable() {
        Totals t;
        for (int r = 1; r < host.table.RowCount(); ++r) {
            t.ZeroCount += host.table.Cell(1, r) == "0" ? 1 : 0;
            t.GluedCount += host.table.Cell(2, r).rfind("Vantle", 0) == 0 ? 1 : 0;
            t.YacaCount += host.table.Cell(3, r) == "Yes" ? 1 : 0;
        }
        EXPECT_EQ(run.totals().ZeroCount, t.ZeroCount);
        EXPECT_EQ(run.totals().GluedCount, t.GluedCount);
        EXPECT_EQ(run.totals().YacaCount, t.YacaCount);
    }

    void StopAfterPump(int n) {
        host.onPump = [this, n](int pump) {
            if (pump == n) {
                run.Button3Click();
            }
        };
    }
};

TEST_F(CheckRunTest, ThreeGoodLinesFillThreeRowsAndAskToSave) {
    NumberedSites(3);
    run.Button2Click();
    EXPECT_EQ(host.table.RowCount(), 4);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"site1.test", "site2.test", "site3.test"}));
    EXPECT_EQ(Column(1), (std::vector<std::string>{"10", "20", "30"}));
    EXPECT_EQ(host.panels[0], Cp(u"Всего: 3/3"));
    EXPECT_EQ(host.panels[1], Cp(u"Клееных: 0; Нулевых: 0; ЯК: 0"));
    EXPECT_EQ(host.progress, 3);
    EXPECT_EQ(host.progressMax, 3);
    ASSERT_EQ(host.Count("ask"), 1);
    EXPECT_EQ(host.boxes.back().text, Cp(u"Проверка завершена. Сохранить результаты?"));
    EXPECT_TRUE(host.startVisible);
    EXPECT_TRUE(host.csvEnabled);
    EXPECT_FALSE(host.runInProgress);
    EXPECT_EQ(host.csvClicks, 0);
}

TEST_F(CheckRunTest, YesToTheEndQuestionRunsTheExport) {
    NumberedSites(1);
    host.answerSave = true;
    run.Button2Click();
    EXPECT_EQ(host.csvClicks, 1);
    EXPECT_TRUE(host.csvEnabled);
}

TEST_F(CheckRunTest, PauseIsThousandDivRate) {
    const int expected[] = {1000, 500, 333, 250, 200, 166, 142, 125, 111, 100};
    for (int rate = 1; rate <= 10; ++rate) {
        FakeHost h;
        FakeHttp web;
        CheckRun r(h, web, hosts, [](std::string_view, std::string&) {});
        h.lines = {"a.test"};
        web.answers[BarQueryUrl(hosts, "a.test")] = BarAnswer({"a.test", "1"});
        h.rate = std::to_string(rate);
        r.Button2Click();
        ASSERT_EQ(h.sleeps.size(), 1u);
        EXPECT_EQ(h.sleeps[0], expected[rate - 1]) << "rate " << rate;
    }
}

TEST_F(CheckRunTest, ShowingTheRowTakesItsTimeFromThePause) {
    host.lines = {"high.test", "low.test", "slow.test"};
    Serve({"high.test", "50"});
    Serve({"low.test", "1"});
    Serve({"slow.test", "60"});
    host.threshold = "5";
    host.rate = "10";
    host.repaintMs = 30;
    host.onPump = [this](int pump) {
        if (pump == 2) {
            host.repaintMs = 250;  // longer than the pause: no wait at all, but still one pump
        }
    };
    run.Button2Click();
    EXPECT_EQ(host.sleeps, (std::vector<int>{70, 100, 0}));
    EXPECT_EQ(host.pumps, 3);
}

// A run of the old services says where it stands in a place of its own: the rows a minute (the rate
// picked until one is measured) and the time left; panels 0 to 2 keep their texts.
TEST_F(CheckRunTest, TheStandingSaysTheRateAndTheTimeLeftBesideThePanels) {
    NumberedSites(10);
    host.threshold = "10";  // from 10 on, panel 2 names each domain
    host.rate = "3";
    host.onPump = [this](int) { host.clockMs += 1667; };  // each line takes 2 s with its pause
    run.Button2Click();
    struct Case {
        const char* when;
        std::size_t linesDone;
        std::u16string text;
    };
    const Case cases[] = {
        {"no rows yet", 0, u"180 в минуту, осталось 0:03"},
        {"one row, no rate measured", 1, u"180 в минуту, осталось 0:03"},
        {"some rows", 2, u"30 в минуту, осталось 0:16"},
        {"the last row", 10, u"30 в минуту, осталось 0:00"},
    };
    // Emptied as the run starts, then shown before the first line and after each.
    ASSERT_EQ(host.standings.size(), 12u);
    EXPECT_EQ(host.standings[0], "");
    for (const Case& c : cases) {
        EXPECT_EQ(host.standings[c.linesDone + 1], Cp(c.text)) << c.when;
    }
    EXPECT_EQ(host.panels[0], Cp(u"Всего: 10/10"));
    EXPECT_EQ(host.panels[1], Cp(u"Клееных: 0; Нулевых: 0; ЯК: 0"));
    EXPECT_EQ(host.panels[2], "site10.test");
}

TEST_F(CheckRunTest, LinesWithoutDotAreSkippedWithoutStepPauseOrPump) {
    host.lines = {"foo", "bar", ""};
    run.Button2Click();
    EXPECT_TRUE(http.asked.empty());
    EXPECT_EQ(host.progress, 0);
    EXPECT_TRUE(host.sleeps.empty());
    EXPECT_EQ(host.pumps, 0);
    EXPECT_EQ(host.Count("ask"), 1);
}

TEST_F(CheckRunTest, LineIsCleanedIntoTheDisplayName) {
    host.lines = {"  WWW.Site.TEST/  "};
    Serve({"site.test", "5"});
    run.Button2Click();
    EXPECT_EQ(host.table.Cell(0, 1), "site.test");
    EXPECT_EQ(http.asked, (std::vector<std::string>{BarQueryUrl(hosts, "site.test")}));
}

TEST_F(CheckRunTest, CyrillicNameIsShownAsTypedAndAskedInAsciiForm) {
    const std::string name = Cp(u"пример.рф");
    host.lines = {name};
    Serve({"xn--e1afmkfd.xn--p1ai", "7"});
    run.Button2Click();
    EXPECT_EQ(host.table.Cell(0, 1), name);
    EXPECT_EQ(host.table.Cell(1, 1), "7");
    EXPECT_EQ(host.table.Cell(2, 1), "");
}

TEST_F(CheckRunTest, ThresholdFiltersAndNamesTheDomainInPanelTwo) {
    host.lines = {"high.test", "low.test"};
    Serve({"low.test", "10"});
    Serve({"high.test", "30"});
    host.threshold = "20";
    run.Button2Click();
    EXPECT_EQ(Column(0), (std::vector<std::string>{"high.test"}));
    EXPECT_EQ(run.totals().ZeroCount, 0);
    EXPECT_EQ(host.panels[2], "low.test");
    EXPECT_EQ(host.progress, 2);
}

TEST_F(CheckRunTest, PanelTwoStaysEmptyBelowThresholdTen) {
    NumberedSites(2);
    host.threshold = "9";
    run.Button2Click();
    EXPECT_EQ(host.panels[2], "");
}

TEST_F(CheckRunTest, FirstLineBelowThresholdLeavesRowOneEmpty) {
    host.lines = {"low.test", "mid.test"};
    Serve({"low.test", "1"});
    Serve({"mid.test", "2"});
    host.threshold = "5";
    run.Button2Click();
    EXPECT_EQ(host.table.RowCount(), 2);
    EXPECT_EQ(host.table.Cell(0, 1), "");
    EXPECT_EQ(host.panels[0], Cp(u"Всего: 1/2"));
}

TEST_F(CheckRunTest, TotalsCountZeroGluedAndCatalogue) {
    host.lines = {"zero.test", "glued.test", "yaca.test", "www.test", "sub.test"};
    Serve({"zero.test", "0"});
    Serve({"glued.test", "40", "other.test"});
    Serve({"yaca.test", "50", "", true});
    Serve({"www.test", "5", "www.www.test"});
    Serve({"sub.test", "5", "mysub.test"});
    run.Button2Click();
    EXPECT_EQ(Column(2),
              (std::vector<std::string>{"", "Vantle: other.test", "", "(www)", "Vantle(S): mysub.test"}));
    EXPECT_EQ(Column(3), (std::vector<std::string>{"", "", "Yes", "", ""}));
    EXPECT_EQ(host.panels[1], Cp(u"Клееных: 2; Нулевых: 1; ЯК: 1"));
    ExpectTotalsMatchTable();
}

TEST_F(CheckRunTest, EmptyListShowsTheInfoBoxAndNothingElse) {
    run.Button2Click();
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].kind, "info");
    EXPECT_EQ(host.boxes[0].text, Cp(u"Необходимо составить список доменов"));
    EXPECT_FALSE(host.progressVisible);
}

TEST_F(CheckRunTest, BadThresholdOrRateChangesNothing) {
    struct Case {
        std::string threshold, rate, message;
    };
    const Case cases[] = {
        {"12a", "3", "'12a' is not a valid integer value"},
        {"99999999999", "3", "'99999999999' is not a valid integer value"},
        {"", "x", "'x' is not a valid integer value"},
        {"  ", "3", "'' is not a valid integer value"},  // only an empty box means 0
    };
    for (const auto& c : cases) {
        FakeHost h;
        FakeHttp web;
        CheckRun r(h, web, hosts, [](std::string_view, std::string&) {});
        h.lines = {"a.test", "b.test", "c.test"};
        h.table.SetCell(0, 1, "old.test");
        h.table.SetCell(0, 2, "older.test");
        h.table.SetRowCount(3);
        h.panels[0] = "p0";
        h.panels[1] = "p1";
        h.panels[2] = "p2";
        h.csvEnabled = true;
        h.threshold = c.threshold;
        h.rate = c.rate;
        r.Button2Click();
        ASSERT_EQ(h.boxes.size(), 1u) << c.threshold;
        EXPECT_EQ(h.boxes[0].kind, "error");
        EXPECT_EQ(h.boxes[0].text, c.message);
        EXPECT_EQ(h.table.RowCount(), 3);
        EXPECT_EQ(h.table.Cell(0, 2), "older.test");
        EXPECT_EQ(h.panels[0], "p0");
        EXPECT_EQ(h.panels[2], "p2");
        EXPECT_TRUE(h.startVisible);
        EXPECT_TRUE(h.csvEnabled);
        EXPECT_FALSE(h.runInProgress);
        EXPECT_TRUE(web.asked.empty());
    }
}

TEST_F(CheckRunTest, StopAfterFifthOfTenAndResumeChecksEveryLineOnce) {
    NumberedSites(10);
    StopAfterPump(5);
    run.Button2Click();
    EXPECT_EQ(host.resumeFlag, "1");
    EXPECT_EQ(host.Count("ask"), 0);
    EXPECT_EQ(host.table.RowCount(), 6);
    EXPECT_EQ(host.progress, 5);
    EXPECT_TRUE(host.startVisible);
    EXPECT_TRUE(host.csvEnabled);

    host.onPump = nullptr;
    run.Button2Click();
    EXPECT_EQ(host.resumeFlag, "0");
    EXPECT_EQ(host.table.RowCount(), 11);
    for (int i = 1; i <= 10; ++i) {
        const std::string name = "site" + std::to_string(i) + ".test";
        EXPECT_EQ(host.table.Cell(0, i), name);
        EXPECT_EQ(BarQueriesFor(name), 1) << name;
    }
    EXPECT_EQ(host.progress, 10);
    EXPECT_EQ(host.panels[0], Cp(u"Всего: 10/10"));
    EXPECT_EQ(host.Count("ask"), 1);
    ExpectTotalsMatchTable();
}

TEST_F(CheckRunTest, ResumeOverJunkAndFilteredLinesDuplicatesNothing) {
    host.lines = {"a.test", "junk", "low.test", "b.test", "", "c.test", "low2.test", "d.test"};
    Serve({"a.test", "7"});
    Serve({"low.test", "1"});
    Serve({"b.test", "50", "other.test"});
    Serve({"c.test", "60", "", true});
    Serve({"low2.test", "2"});
    Serve({"d.test", "9"});
    host.threshold = "5";
    StopAfterPump(3);  // after b.test: a.test, low.test and b.test were pumped after
    run.Button2Click();
    EXPECT_EQ(Column(0), (std::vector<std::string>{"a.test", "b.test"}));
    EXPECT_EQ(host.resumeFlag, "1");

    host.onPump = nullptr;
    run.Button2Click();
    EXPECT_EQ(Column(0), (std::vector<std::string>{"a.test", "b.test", "c.test", "d.test"}));
    for (const char* name : {"a.test", "low.test", "b.test", "c.test", "low2.test", "d.test"}) {
        EXPECT_EQ(BarQueriesFor(name), 1) << name;
    }
    EXPECT_EQ(host.progress, 6);
    ExpectTotalsMatchTable();
}

TEST_F(CheckRunTest, StopAtThresholdTenAsksAndTheNextStartBeginsAfresh) {
    NumberedSites(4);
    host.threshold = "10";
    StopAfterPump(2);
    run.Button2Click();
    EXPECT_EQ(host.resumeFlag, "0");
    EXPECT_EQ(host.Count("ask"), 1);
    EXPECT_EQ(host.table.RowCount(), 3);

    host.onPump = nullptr;
    run.Button2Click();
    EXPECT_EQ(host.table.RowCount(), 5);
    EXPECT_EQ(BarQueriesFor("site1.test"), 2);
    EXPECT_EQ(host.progress, 4);
    ExpectTotalsMatchTable();
}

TEST_F(CheckRunTest, FreshRunOverOneOldRowStartsTheTotalsOver) {
    host.lines = {"z.test"};
    Serve({"z.test", "0"});
    run.Button2Click();
    run.Button2Click();
    EXPECT_EQ(host.table.RowCount(), 2);
    EXPECT_EQ(run.totals().ZeroCount, 1);
    ExpectTotalsMatchTable();
}

TEST_F(CheckRunTest, FailedRequestOnTheThirdDomainEndsTheRunResumably) {
    NumberedSites(5);
    http.answers.erase(BarQueryUrl(hosts, "site3.test"));
    run.Button2Click();
    ASSERT_EQ(host.Count("error"), 1);
    EXPECT_EQ(host.boxes[0].text, "'' is not a valid integer value");
    EXPECT_EQ(host.Count("ask"), 0);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"site1.test", "site2.test"}));
    EXPECT_EQ(host.progress, 2);
    EXPECT_EQ(host.sleeps.size(), 2u);
    EXPECT_TRUE(host.startVisible);
    EXPECT_TRUE(host.csvEnabled);
    EXPECT_FALSE(host.runInProgress);
    EXPECT_EQ(host.resumeFlag, "1");

    Serve({"site3.test", "30"});
    run.Button2Click();
    EXPECT_EQ(host.table.RowCount(), 6);
    EXPECT_EQ(host.table.Cell(0, 3), "site3.test");
    EXPECT_EQ(BarQueriesFor("site2.test"), 1);
    EXPECT_EQ(host.progress, 5);
    ExpectTotalsMatchTable();
}

TEST_F(CheckRunTest, AnswerWithoutNumberEndsTheRunWithItsText) {
    host.lines = {"odd.test"};
    http.answers[BarQueryUrl(hosts, "odd.test")] = "<tcy value=\"abc\"/>";
    host.threshold = "10";
    run.Button2Click();
    ASSERT_GE(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "'abc' is not a valid integer value");
    // Above the quiet threshold the failure ends the run as a stop does there: with the question.
    EXPECT_EQ(host.Count("ask"), 1);
    EXPECT_EQ(host.resumeFlag, "0");
}

TEST_F(CheckRunTest, HandOverForgetsTheResumePoint) {
    NumberedSites(4);
    StopAfterPump(2);
    run.Button2Click();
    host.onPump = nullptr;
    host.table.ResetTable();
    run.ForgetResume();
    run.Button2Click();  // the flag still says "1", but there is nothing to continue
    EXPECT_EQ(host.table.RowCount(), 5);
    EXPECT_EQ(host.table.Cell(0, 1), "site1.test");
    EXPECT_EQ(host.progress, 4);
}

TEST_F(CheckRunTest, ListShrinkingDuringThePumpReadsEmptyLines) {
    NumberedSites(4);
    host.onPump = [this](int pump) {
        if (pump == 1) {
            host.lines.resize(2);
        }
    };
    run.Button2Click();
    EXPECT_EQ(host.table.RowCount(), 3);
    EXPECT_EQ(http.asked.size(), 2u);
}

TEST_F(CheckRunTest, OptionalCellsGoToTheirColumns) {
    host.table.SetColCount(6);
    host.table.SetCell(4, 0, "PR");
    host.table.SetCell(5, 0, "YaPages");
    host.prCol = 4;
    host.yaPagesCol = 5;
    host.yaPages = true;
    host.pageRank = true;
    host.lines = {"site.test"};
    Serve({"site.test", "10"});
    http.answers[IndexQueryUrl(hosts, "", "site.test")] =
        "<div class=\"header g-line\"><span title=\"x\">Pages: 1234</span>";
    run.Button2Click();
    EXPECT_EQ(host.table.Cell(5, 1), "1234");
    EXPECT_EQ(host.table.Cell(4, 1), "4");
    ASSERT_EQ(rankUrls.size(), 1u);
    EXPECT_NE(rankUrls[0].find("q=info:http://site.test"), std::string::npos);
}

TEST_F(CheckRunTest, CheckedBoxWithoutItsColumnWritesNowhere) {
    host.yaPages = true;
    host.pageRank = true;
    host.lines = {"site.test"};
    Serve({"site.test", "10"});
    run.Button2Click();
    EXPECT_EQ(host.table.Cell(0, 1), "site.test");
    EXPECT_TRUE(rankUrls.empty());
}

// ---- Recheck ----

class RecheckTest : public CheckRunTest {
protected:
    void Row(const std::string& name, const std::string& tic, const std::string& status,
             const std::string& yaca) {
        const int r = host.table.RowCount() - (host.table.Cell(0, 1).empty() ? 1 : 0);
        host.table.SetCell(0, r, name);
        host.table.SetCell(1, r, tic);
        host.table.SetCell(2, r, status);
        host.table.SetCell(3, r, yaca);
        host.table.SetRowCount(r + 1);
    }
};

TEST_F(RecheckTest, TotalsFollowTheRewrittenRow) {
    struct Case {
        const char* what;
        std::string oldTic, oldStatus, oldYaca;
        Site now;  // empty tic: the request fails
        int zero, glued, yaca;
    };
    const Case cases[] = {
        {"zero to ten", "0", "", "", {"site.test", "10"}, -1, 0, 0},
        {"ten to zero", "10", "", "", {"site.test", "0"}, 1, 0, 0},
        {"zero, request fails", "0", "", "", {"site.test", ""}, 0, 1, 0},
        {"glued to own mirror", "5", "Vantle: other.test", "", {"site.test", "5"}, 0, -1, 0},
        {"glued to www", "5", "Vantle: other.test", "", {"site.test", "5", "www.site.test"}, 0, -1, 0},
        {"glued stays glued", "5", "Vantle: other.test", "", {"site.test", "5", "x.site.test"}, 0, 0, 0},
        {"catalogue lost", "5", "", "Yes", {"site.test", "5"}, 0, 0, -1},
        {"catalogue gained", "5", "", "", {"site.test", "5", "", true}, 0, 0, 1},
        {"catalogue kept", "5", "", "Yes", {"site.test", "5", "", true}, 0, 0, 0},
    };
    for (const auto& c : cases) {
        FakeHost h;
        FakeHttp web;
        CheckRun r(h, web, hosts, [](std::string_view, std::string&) {});
        h.table.SetCell(0, 1, "site.test");
        h.table.SetCell(1, 1, c.oldTic);
        h.table.SetCell(2, 1, c.oldStatus);
        h.table.SetCell(3, 1, c.oldYaca);
        if (!c.now.tic.empty()) {
            web.answers[BarQueryUrl(hosts, "site.test")] = BarAnswer(c.now);
        }
        r.N5Click();
        EXPECT_EQ(r.totals().ZeroCount, c.zero) << c.what;
        EXPECT_EQ(r.totals().GluedCount, c.glued) << c.what;
        EXPECT_EQ(r.totals().YacaCount, c.yaca) << c.what;
        EXPECT_EQ(h.table.Cell(0, 1), "site.test") << c.what;
        EXPECT_EQ(h.table.Cell(1, 1), c.now.tic) << c.what;
        EXPECT_EQ(h.panels[1], r.TotalsLine()) << c.what;
    }
}

TEST_F(RecheckTest, FailedRequestGivesEmptyTicAndBareGluedStatus) {
    Row("site.test", "0", "", "Yes");
    host.selectedRow = 1;
    run.N5Click();
    EXPECT_EQ(host.table.Cell(1, 1), "");
    EXPECT_EQ(host.table.Cell(2, 1), "Vantle: ");
    EXPECT_EQ(host.table.Cell(3, 1), "");
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(RecheckTest, MarksTheRowAndWritesOnlyTheRowItBeganOn) {
    Row("one.test", "1", "", "");
    Row("two.test", "2", "", "");
    Serve({"two.test", "20"});
    host.selectedRow = 2;
    std::string seenDuringPause;
    host.onPump = [this, &seenDuringPause](int) {
        seenDuringPause = host.table.Cell(0, 2);
        host.selectedRow = 1;
    };
    run.N5Click();
    EXPECT_EQ(seenDuringPause, "> two.test");
    EXPECT_EQ(host.table.Cell(0, 2), "two.test");
    EXPECT_EQ(host.table.Cell(1, 2), "20");
    EXPECT_EQ(host.table.Cell(1, 1), "1");
    EXPECT_EQ(host.sleeps, (std::vector<int>{250, 250}));
    EXPECT_EQ(host.pumps, 1);
    EXPECT_EQ(host.table.RowCount(), 3);
}

TEST_F(RecheckTest, TypedNameIsUsedUncleanedAndCyrillicGoesAsAscii) {
    Row(Cp(u"пример.рф"), "1", "", "");
    Serve({"xn--e1afmkfd.xn--p1ai", "3"});
    run.N5Click();
    EXPECT_EQ(host.table.Cell(1, 1), "3");
    EXPECT_EQ(host.table.Cell(0, 1), Cp(u"пример.рф"));
}

TEST_F(RecheckTest, IndexQueryKeepsWhatAFailedGetLeft) {
    host.table.SetColCount(5);
    host.table.SetCell(4, 0, "YaPages");
    host.yaPagesCol = 4;
    host.yaPages = true;
    Row("site.test", "1", "", "");
    Serve({"site.test", "1"});
    // First answer names www. + the domain; the second request fails, so the first answer is cut.
    http.answers[IndexQueryUrl(hosts, "", "site.test")] = "see www.site.test: 77<";
    run.N5Click();
    ASSERT_EQ(http.asked.size(), 3u);
    EXPECT_EQ(http.asked[2], IndexQueryUrl(hosts, "www.", "site.test"));
    EXPECT_EQ(host.table.Cell(4, 1), ExtractIndexCount("see www.site.test: 77<"));
}

}  // namespace
}  // namespace vantle
