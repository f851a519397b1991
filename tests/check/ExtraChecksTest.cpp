// The checks beside the old services in the run and the recheck: their columns, running together, the
// run without the bar query.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "check/BarQuery.h"
#include "check/CheckRun.h"
#include "check/FakeHost.h"
#include "text/Cp1251.h"

namespace vantle {
namespace {

using testing::FakeHost;
using testing::FakeHttp;

// Gives "<prefix>:<full name>" per column. With a partner, it waits (up to a bound) until the partner
// has started too: both then report that they ran at the same time.
class EchoCheck : public Check {
public:
    EchoCheck(std::string prefix, int columns) : prefix_(std::move(prefix)), columns_(columns) {}
    std::string_view Name() const override { return prefix_; }
    std::vector<std::string> Columns() const override { return std::vector<std::string>(columns_, prefix_); }
    std::vector<std::string> Run(const DomainNames& names, const CancelToken& cancel) override {
        started = true;
        ++runs;
        bool together = partner == nullptr;
        for (int i = 0; i < 2000 && !together && !cancel.Cancelled(); ++i) {
            together = partner->started;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (cancel.Cancelled()) {
            sawCancel = true;
        }
        return std::vector<std::string>(columns_, prefix_ + (together ? ":" : "?") + names.full);
    }
    std::atomic<bool> started{false};
    std::atomic<bool> sawCancel{false};
    std::atomic<int> runs{0};
    EchoCheck* partner = nullptr;

private:
    std::string prefix_;
    int columns_;
};

class ExtraChecksTest : public ::testing::Test {
protected:
    ExtraChecksTest() {
        dns.partner = &web;
        web.partner = &dns;
        host.table.SetColCount(7);
        host.extras = {{&dns, 4}, {&web, 5}};
        host.rate = "10";
    }
    FakeHost host;
    FakeHttp http;
    ServiceHosts hosts;
    CheckRun run{host, http, hosts, [](std::string_view, std::string&) {}};
    EchoCheck dns{"dns", 1};
    EchoCheck web{"web", 2};
};

TEST_F(ExtraChecksTest, RunWithoutTheBarWritesEveryDomainAndOnlyTheChosenCells) {
    host.bar = false;
    host.threshold = "not a number";  // not read without the bar query
    host.lines = {"Site.TEST", "junk", Utf16ToCp1251(u"www.пример.рф")};
    run.Button2Click();
    EXPECT_TRUE(http.asked.empty());
    EXPECT_TRUE(host.boxes.size() == 1 && host.boxes[0].kind == "ask");
    ASSERT_EQ(host.table.RowCount(), 3);
    const std::vector<std::string> first = {"site.test",    "", "", "", "dns:site.test", "web:site.test",
                                            "web:site.test"};
    EXPECT_EQ(host.table.RowCells(1), first);
    EXPECT_EQ(host.table.Cell(4, 2), "dns:xn--e1afmkfd.xn--p1ai");
    EXPECT_EQ(host.panels[1], "");
}

TEST_F(ExtraChecksTest, ChecksOfADomainRunTogetherBesideTheBarQuery) {
    host.lines = {"a.test"};
    http.answers[BarQueryUrl(hosts, "a.test")] = "<url domain=\"a.test\"><tcy value=\"5\"/></url>";
    run.Button2Click();
    EXPECT_EQ(host.table.Cell(1, 1), "5");
    EXPECT_EQ(host.table.Cell(4, 1), "dns:a.test");
    EXPECT_EQ(host.table.Cell(6, 1), "web:a.test");
}

TEST_F(ExtraChecksTest, FailedBarQueryCancelsTheOtherChecksAndEndsTheRun) {
    // web waits for a partner that never starts (dns is not chosen), until the failed bar query cancels it
    web.partner = &dns;
    host.extras = {{&web, 5}};
    host.lines = {"a.test", "b.test"};
    run.Button2Click();
    EXPECT_TRUE(web.sawCancel);
    EXPECT_EQ(host.Count("error"), 1);
    EXPECT_EQ(host.table.Cell(5, 1), "");
    EXPECT_EQ(web.runs, 1);
}

TEST_F(ExtraChecksTest, RecheckRunsTheChosenChecksAgainForTheRow) {
    host.bar = false;
    host.lines = {"a.test"};
    run.Button2Click();
    host.table.SetCell(4, 1, "old");
    host.selectedRow = 1;
    run.N5Click();
    EXPECT_EQ(host.table.Cell(4, 1), "dns:a.test");
    EXPECT_EQ(host.table.Cell(0, 1), "a.test");
    EXPECT_EQ(dns.runs, 2);
    EXPECT_TRUE(http.asked.empty());
}

TEST_F(ExtraChecksTest, NameBeyondTheCodePage_Should_ReachTheBarAndTheChecksInIdnaForm) {
    const std::string muenchen = Utf16ToCp1251Keeping(u"münchen.de");
    host.lines = {muenchen};
    http.answers[BarQueryUrl(hosts, "xn--mnchen-3ya.de")] = "<url domain=\"a\"><tcy value=\"5\"/></url>";
    run.Button2Click();
    EXPECT_EQ(host.table.Cell(0, 1), muenchen);
    EXPECT_EQ(host.table.Cell(1, 1), "5");
    EXPECT_EQ(host.table.Cell(4, 1), "dns:xn--mnchen-3ya.de");
    EXPECT_EQ(host.table.Cell(6, 1), "web:xn--mnchen-3ya.de");
}

TEST_F(ExtraChecksTest, NameThatCannotBeAskedFor_Should_GiveBadNameInEveryColumnOfTodayWithoutAsking) {
    host.bar = false;
    host.lines = {"a.test", Utf16ToCp1251(u"пример..рф"), Utf16ToCp1251(u"при\u00A0мер.рф"), "a_b.test"};
    run.Button2Click();
    ASSERT_EQ(host.table.RowCount(), 5);
    for (int row = 2; row <= 4; ++row) {
        const std::vector<std::string> cells = host.table.RowCells(row);
        EXPECT_EQ(std::vector<std::string>(cells.begin() + 4, cells.end()),
                  std::vector<std::string>(3, "bad name"))
            << row;
    }
    EXPECT_EQ(host.table.Cell(4, 1), "dns:a.test");
    EXPECT_EQ(dns.runs, 1);
    EXPECT_EQ(web.runs, 1);
    host.selectedRow = 2;
    run.N5Click();
    EXPECT_EQ(host.table.Cell(5, 2), "bad name");
    EXPECT_EQ(dns.runs, 1) << "a recheck does not ask either";
}

}  // namespace
}  // namespace vantle
