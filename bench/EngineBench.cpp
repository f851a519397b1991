// The run engine's stalls, measured: the journal's cost on a fast run (20,000 rows with the journal
// on disk against the same run without it), and "Стоп" at 256 in flight with every connection hanging
// (until the run has returned, and until every check it let go has ended).
// vantle-bench-engine [JOURNAL_DIR]   (the journal goes to a temporary folder of JOURNAL_DIR's disk)
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "SleepingHost.h"
#include "catalog/CheckCatalog.h"
#include "check/CheckRun.h"
#include "http/HttpClient.h"
#include "io/Journal.h"
#include "sim/CheckServices.h"

namespace vantle::bench {
namespace {

using Steady = std::chrono::steady_clock;

double Seconds(Steady::duration d) {
    return std::chrono::duration<double>(d).count();
}

// A check that answers at once from the name: the run's own cost, nothing else.
class InstantCheck : public Check {
public:
    std::string_view Name() const override { return "instant"; }
    std::vector<std::string> Columns() const override { return {"Instant"}; }
    std::vector<std::string> Run(const DomainNames& names, const CancelToken&) override {
        return {"ok:" + names.full.substr(0, 4)};
    }
};

class EngineHost : public SleepingHost {
public:
    EngineHost(int parallel, RunJournal* journal) : parallel_(parallel), journal_(journal) { bar = false; }
    int ParallelCount() override { return parallel_; }
    void ProcessMessages() override {
        SleepingHost::ProcessMessages();
        if (stopAt && *stopAt()) {
            stopAsked = Steady::now();
            startVisible = true;
            stopAt = nullptr;
        }
    }
    void RowWritten(int row, int line) override {
        if (journal_ != nullptr) {
            journal_->Row(
                row, {line, table.RowCells(row), {}},
                [this] {
                    return JournalStart{table.RowCells(0), {}, LineCount(), {}};
                },
                [this] {
                    std::string list;
                    for (const std::string& l : lines) {
                        list += l + "\n";
                    }
                    return list;
                });
        }
    }
    std::function<const bool*()> stopAt;
    Steady::time_point stopAsked{};

private:
    int parallel_;
    RunJournal* journal_;
};

double FastRun(int rows, RunJournal* journal) {
    EngineHost host(256, journal);
    InstantCheck check;
    host.table.SetColCount(5);
    host.table.SetCell(4, 0, "Instant");
    host.extras = {{&check, 4}};
    for (int i = 0; i < rows; ++i) {
        host.lines.push_back("name" + std::to_string(i) + ".example");
    }
    HttpClient http;
    CheckRun run(host, http, ServiceHosts{}, [](std::string_view, std::string&) {});
    const auto start = Steady::now();
    run.Button2Click();
    if (journal != nullptr) {
        journal->Flush();  // the run is over once its rows are on disk
    }
    return Seconds(Steady::now() - start);
}

void JournalCase(const std::string& base) {
    constexpr int kRows = 20000;
    const std::string dir = base + "/vantle-journal-bench-" + std::to_string(::getpid());
    double without = 1e9, with = 1e9;
    for (int round = 0; round < 5; ++round) {
        without = std::min(without, FastRun(kRows, nullptr));
        std::filesystem::remove_all(dir);
        RunJournal journal(JournalSlot::Take(dir, nullptr));
        with = std::min(with, FastRun(kRows, &journal));
    }
    std::filesystem::remove_all(dir);
    std::printf("journal  %d rows: without %.3f s, with the journal on disk %.3f s: %.2f x\n", kRows, without,
                with, with / without);
}

void StopCase() {
    constexpr int kInFlight = 256;
    sim::CheckServices services;
    CheckEndpoints endpoints = services.Endpoints();
    endpoints.checkTimeoutMs = 600000;
    std::unique_ptr<Check> web = MakeNetworkCheck("web", endpoints);
    EngineHost host(kInFlight, nullptr);
    host.table.SetColCount(4 + static_cast<int>(web->Columns().size()));
    host.extras = {{web.get(), 4}};
    for (int i = 0; i < kInFlight * 2; ++i) {
        const std::string name = "hang" + std::to_string(i) + ".test";
        host.lines.push_back(name);
        services.Web().SetRule(name, sim::WebRule::BlackHole);
    }
    double returned = 0;
    int written = 0;  // lines written before the stop: none, every one hangs
    {
        HttpClient http;
        CheckRun run(host, http, ServiceHosts{}, [](std::string_view, std::string&) {});
        // Every connection may be open at once: the stop, not the pace, is measured.
        std::vector<PaceRule> rules;
        for (const PaceRule& rule : DefaultPaceRules()) {
            if (rule.key != "web:") {
                rules.push_back(rule);
            }
        }
        run.UsePace(SteadyClock(), rules);
        const auto started = Steady::now();
        bool due = false;
        host.stopAt = [&]() -> const bool* {
            due = Steady::now() - started > std::chrono::seconds(3);
            return &due;
        };
        run.Button2Click();
        returned = Seconds(Steady::now() - host.stopAsked);
        written = run.ResumeAt() ? run.ResumeAt()->first : -1;
    }
    const double ended = Seconds(Steady::now() - host.stopAsked);
    std::printf(
        "stop     %d in flight, every connection hanging (%d rows written): the run returned after "
        "%.3f s, every check let go had ended after %.3f s\n",
        kInFlight, written, returned, ended);
}

}  // namespace
}  // namespace vantle::bench

int main(int argc, char** argv) {
    const std::string base = argc > 1 ? argv[1] : std::filesystem::temp_directory_path().string();
    vantle::bench::JournalCase(base);
    vantle::bench::StopCase();
    return 0;
}
