// The run without the old services: many domains in flight, rows in list order, a stop that does not
// wait for the checks in flight, the recheck as a state of its own, the pace of the services.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

#include "check/CheckRun.h"
#include "check/FakeHost.h"

namespace vantle {
namespace {

using testing::FakeHost;
using testing::FakeHttp;

// Each domain's check waits until the test lets it go (or its cancel); counts how many run at once.
class GateCheck : public Check {
public:
    std::string_view Name() const override { return "gate"; }
    std::vector<std::string> Columns() const override { return {"Gate"}; }
    std::vector<std::string> Run(const DomainNames& names, const CancelToken& cancel) override {
        std::unique_lock lock(mutex_);
        started_.push_back(names.full);
        mostAtOnce_ = std::max(mostAtOnce_, ++atOnce_);
        changed_.notify_all();
        changed_.wait(lock, cancel.Stop(), [&] { return released_.count(names.full) > 0; });
        --atOnce_;
        if (cancel.Cancelled()) {
            ++cancelled_;
            return {"cancelled"};
        }
        return {"ok:" + names.full};
    }
    void Release(const std::string& name) {
        const std::lock_guard lock(mutex_);
        released_.insert(name);
        changed_.notify_all();
    }
    // Waits (a bounded real time, for a broken run) until n checks have started.
    bool WaitStarted(std::size_t n) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return started_.size() >= n; });
    }
    std::vector<std::string> Started() {
        const std::lock_guard lock(mutex_);
        return started_;
    }
    int MostAtOnce() {
        const std::lock_guard lock(mutex_);
        return mostAtOnce_;
    }
    int Cancelled() {
        const std::lock_guard lock(mutex_);
        return cancelled_;
    }

private:
    std::mutex mutex_;
    std::condition_variable_any changed_;
    std::vector<std::string> started_;
    std::set<std::string> released_;
    int atOnce_ = 0;
    int mostAtOnce_ = 0;
    int cancelled_ = 0;
};

class ParallelHost : public FakeHost {
public:
    int parallel = 1;
    int ParallelCount() override { return parallel; }
};

class ParallelRunTest : public ::testing::Test {
protected:
    ParallelRunTest() {
        host.bar = false;
        host.table.SetColCount(5);
        host.table.SetCell(4, 0, "Gate");
        host.extras = {{&gate, 4}};
    }
    std::vector<std::string> Column(int col) {
        std::vector<std::string> cells;
        for (int r = 1; r < host.table.RowCount(); ++r) {
            cells.push_back(host.table.Cell(col, r));
        }
        return cells;
    }
    ParallelHost host;
    FakeHttp http;
    ServiceHosts hosts;
    GateCheck gate;
    CheckRun run{host, http, hosts, [](std::string_view, std::string&) {}};
};

struct WidthCase {
    int parallel;
    int lines;
    int mostAtOnce;
};

TEST_F(ParallelRunTest, RowsComeInListOrderWithAtMostNInFlight) {
    const WidthCase cases[] = {{1, 4, 1}, {3, 5, 3}, {3, 3, 3}, {8, 3, 3}, {300, 2, 2}};
    for (const WidthCase& c : cases) {
        ParallelHost h;
        h.bar = false;
        h.parallel = c.parallel;
        h.table.SetColCount(5);
        GateCheck g;
        h.extras = {{&g, 4}};
        std::vector<std::string> expected;
        for (int i = 0; i < c.lines; ++i) {
            h.lines.push_back("d" + std::to_string(i) + ".example");
            expected.push_back(h.lines.back());
        }
        // The domains are let go last first, one at a pump, once every place there is is taken.
        std::set<std::string> released;
        h.onPump = [&](int) {
            const std::vector<std::string> started = g.Started();
            const std::size_t places =
                std::min<std::size_t>(static_cast<std::size_t>(c.parallel), c.lines - released.size());
            if (started.size() - released.size() < places) {
                return;
            }
            for (auto it = started.rbegin(); it != started.rend(); ++it) {
                if (released.insert(*it).second) {
                    g.Release(*it);
                    break;
                }
            }
        };
        CheckRun r{h, http, hosts, [](std::string_view, std::string&) {}};
        r.Button2Click();
        std::vector<std::string> names;
        std::vector<std::string> cells;
        for (int row = 1; row < h.table.RowCount(); ++row) {
            names.push_back(h.table.Cell(0, row));
            cells.push_back(h.table.Cell(4, row));
        }
        EXPECT_EQ(names, expected) << c.parallel;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            EXPECT_EQ(cells[i], "ok:" + expected[i]) << c.parallel;
        }
        EXPECT_EQ(g.MostAtOnce(), c.mostAtOnce) << c.parallel;
        EXPECT_EQ(h.progress, c.lines) << c.parallel;
        EXPECT_TRUE(h.sleeps.empty()) << "no pause without the old services";
    }
}

TEST_F(ParallelRunTest, StopLetsTheChecksInFlightGoAndTheResumeAsksThemAgain) {
    host.parallel = 4;
    host.lines = {"a.example", "b.example", "junk line", "c.example", "d.example", "e.example"};
    int pumpsAfterStop = 0;
    host.onPump = [&](int) {
        if (host.startVisible) {
            ++pumpsAfterStop;
            return;
        }
        gate.Release("a.example");
        // "Стоп" once a is written and b, c, d hang in their places (e maybe too).
        if (host.table.RowCount() > 1 && !host.table.Cell(0, 1).empty() && gate.Started().size() >= 4) {
            host.startVisible = true;
        }
    };
    run.Button2Click();
    EXPECT_EQ(pumpsAfterStop, 0) << "the stop does not wait for the hanging checks";
    EXPECT_EQ(Column(0), std::vector<std::string>{"a.example"});
    EXPECT_EQ(host.resumeFlag, "1");
    ASSERT_TRUE(run.ResumeAt());
    EXPECT_EQ(run.ResumeAt()->first, 1) << "b.example, the first line not written";
    EXPECT_EQ(run.ResumeAt()->second, 2);
    EXPECT_EQ(run.State(), RunState::Idle);
    // Every check let go sees its cancel: all that started but a (b, c, d, and e if it was reached).
    for (int i = 0; i < 1000 && gate.Cancelled() + 1 < static_cast<int>(gate.Started().size()); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_GE(gate.Cancelled(), 3);
    EXPECT_EQ(gate.Cancelled() + 1, static_cast<int>(gate.Started().size()));

    // The resume checks b, c and d again and goes on to e; every line is written once.
    host.onPump = [&](int) {
        for (const char* name : {"b.example", "c.example", "d.example", "e.example"}) {
            gate.Release(name);
        }
    };
    run.Button2Click();
    EXPECT_EQ(Column(0),
              (std::vector<std::string>{"a.example", "b.example", "c.example", "d.example", "e.example"}));
    EXPECT_EQ(Column(4)[1], "ok:b.example");
}

// A site that takes its whole time holds its own row back, not the domains after it.
TEST_F(ParallelRunTest, AHangingFirstDomainDoesNotHoldTheOthersBack) {
    host.parallel = 2;
    host.lines = {"a.example", "b.example", "c.example", "d.example", "e.example", "f.example"};
    bool othersStartedFirst = false;
    host.onPump = [&](int pumps) {
        const std::vector<std::string> started = gate.Started();
        for (const std::string& name : started) {
            if (name != "a.example") {
                gate.Release(name);
            }
        }
        if (started.size() == host.lines.size() || pumps > 20000) {
            othersStartedFirst = started.size() == host.lines.size();
            gate.Release("a.example");
        }
    };
    run.Button2Click();
    EXPECT_TRUE(othersStartedFirst);
    EXPECT_EQ(gate.MostAtOnce(), 2);
    EXPECT_EQ(Column(0), host.lines);
}

// However many finished domains wait for a slow one above them, N stay in flight: a waiting domain is
// its cells. (A cap on the domains held, running or waiting, stalls this list before its end.)
TEST_F(ParallelRunTest, AHangingFirstDomainLetsTheWholeListPassItInItsPlaces) {
    host.parallel = 3;
    for (int i = 0; i < 2500; ++i) {
        host.lines.push_back("d" + std::to_string(i) + ".example");
    }
    bool allStartedFirst = false;
    const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(30);  // a broken run's
    host.onPump = [&](int) {
        const std::vector<std::string> started = gate.Started();
        for (const std::string& name : started) {
            if (name != "d0.example") {
                gate.Release(name);
            }
        }
        if (started.size() == host.lines.size() || std::chrono::steady_clock::now() > bound) {
            allStartedFirst = started.size() == host.lines.size();
            gate.Release("d0.example");
        }
    };
    run.Button2Click();
    EXPECT_TRUE(allStartedFirst);
    EXPECT_EQ(gate.MostAtOnce(), 3);
    EXPECT_EQ(Column(0), host.lines);
}

// A thread that cannot be had (the address space is full) ends that check with a cell text.
TEST(ParallelChecksTest, AThreadThatCannotBeStartedGivesACellText) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers' shadow memory has no room for an address space limit";
#else
    GateCheck gate;
    // The stacks of threads that ended are kept for the next ones: threads that live meanwhile hold
    // them, so that a new thread needs new room.
    std::atomic<bool> go{false};
    std::vector<std::jthread> holders;
    for (int i = 0; i < 16; ++i) {
        holders.emplace_back([&go] {
            while (!go) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
    }
    rlimit before{};
    ::getrlimit(RLIMIT_AS, &before);
    std::ifstream status("/proc/self/status");
    long long vmKiB = 0;
    for (std::string word; status >> word;) {
        if (word == "VmSize:") {
            status >> vmKiB;
            break;
        }
    }
    std::optional<ParallelChecks> checks;
    std::vector<std::string> cells;
    // Room for small allocations, none for a thread's stack.
    const rlimit tight{static_cast<rlim_t>(vmKiB + 2048) * 1024, before.rlim_max};
    if (vmKiB > 0 && ::setrlimit(RLIMIT_AS, &tight) == 0) {
        checks.emplace(std::vector<Check*>{&gate}, DomainNames{"a.example", "a.example", "a.example"});
        const bool done = checks->WaitFor(0);
        cells = done ? checks->Cells(0) : std::vector<std::string>{};
        ::setrlimit(RLIMIT_AS, &before);
        gate.Release("a.example");
    }
    go = true;
    EXPECT_EQ(cells, std::vector<std::string>{std::string(kNoResources)});
#endif
}

TEST_F(ParallelRunTest, TheOldServicesKeepOneDomainAtATime) {
    host.parallel = 8;
    host.bar = false;
    host.pageRank = true;
    host.prCol = 5;
    host.table.SetColCount(6);
    host.lines = {"a.example", "b.example", "c.example"};
    host.onPump = [&](int) {
        for (const std::string& name : gate.Started()) {
            gate.Release(name);
        }
    };
    run.Button2Click();
    EXPECT_EQ(gate.MostAtOnce(), 1);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"a.example", "b.example", "c.example"}));
    EXPECT_EQ(host.sleeps.size(), 3u) << "the rate's pause after every domain";
}

TEST_F(ParallelRunTest, NothingStartsARunWhileARowIsRechecked) {
    host.lines = {"a.example"};
    host.onPump = [&](int) { gate.Release("a.example"); };
    run.Button2Click();
    ASSERT_EQ(Column(0), std::vector<std::string>{"a.example"});

    host.lines = {"x.example", "y.example"};
    host.selectedRow = 1;
    std::vector<RunState> seen;
    host.onPump = [&](int) {
        seen.push_back(run.State());
        EXPECT_TRUE(host.runInProgress) << "the commands that start a run are off";
        run.Button2Click();  // Ctrl+G while the recheck waits
        gate.Release("a.example");
    };
    gate.Release("a.example");
    run.N5Click();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), RunState::Rechecking);
    EXPECT_EQ(Column(0), std::vector<std::string>{"a.example"}) << "no run went inside the recheck";
    EXPECT_EQ(run.State(), RunState::Idle);
    EXPECT_FALSE(host.runInProgress);
}

// A check that asks a paced service and notes when it got its place, in the run's clock.
class PacedCheck : public Check {
public:
    std::string_view Name() const override { return "paced"; }
    std::vector<std::string> Columns() const override { return {"Paced"}; }
    std::vector<std::string> Run(const DomainNames&, const CancelToken& cancel) override {
        const std::optional<Limiter::Lease> lease = cancel.Pace("whois:slow.example");
        const std::lock_guard lock(mutex);
        starts.push_back(cancel.clock().Now());
        return {lease ? "ok" : "stopped"};
    }
    std::mutex mutex;
    std::vector<SteadyTime> starts;
};

TEST_F(ParallelRunTest, EveryDomainOfTheRunSharesTheServicesPace) {
    VirtualClock clock;
    run.UsePace(clock, {{"whois:", {0.5, 1}}});
    PacedCheck paced;
    host.extras = {{&paced, 4}};
    host.parallel = 16;
    host.lines = {"a.example", "b.example", "c.example", "d.example"};
    host.onPump = [&](int) {
        if (clock.Due() == 0) {
            clock.Advance(std::chrono::milliseconds(500));
        }
    };
    run.Button2Click();
    ASSERT_EQ(paced.starts.size(), 4u);
    std::sort(paced.starts.begin(), paced.starts.end());
    for (std::size_t i = 1; i < paced.starts.size(); ++i) {
        EXPECT_GE(paced.starts[i] - paced.starts[i - 1], std::chrono::seconds(2)) << i;
    }
    EXPECT_EQ(Column(4), (std::vector<std::string>(4, "ok")));
}

}  // namespace
}  // namespace vantle
