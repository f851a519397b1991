// The checks that answer today, 200 domains one at a time, every simulated service answering after
// 50 ms: together (the run's own way) and one after another at rate 10 (the peer, as the run went
// before it had no pause without the old services), through CheckRun without windows.
#include <chrono>
#include <mutex>
#include <numeric>

#include "DomainLists.h"
#include "GuiCases.h"
#include "SleepingHost.h"
#include "catalog/CheckCatalog.h"
#include "check/CheckRun.h"
#include "http/HttpClient.h"
#include "sim/CheckServices.h"

namespace vantle::bench {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kServiceDelay = std::chrono::milliseconds(50);

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// A check that notes how long each of its runs took.
class TimedCheck : public Check {
public:
    explicit TimedCheck(std::unique_ptr<Check> inner) : inner_(std::move(inner)) {}
    std::string_view Name() const override { return inner_->Name(); }
    std::vector<std::string> Columns() const override { return inner_->Columns(); }
    std::vector<std::string> Run(const DomainNames& names, const CancelToken& cancel) override {
        const auto start = Clock::now();
        auto cells = inner_->Run(names, cancel);
        const std::lock_guard<std::mutex> lock(mutex_);
        took_.push_back(Clock::now() - start);
        return cells;
    }
    Clock::duration Took(std::size_t i) const { return took_.at(i); }

private:
    std::unique_ptr<Check> inner_;
    std::mutex mutex_;
    std::vector<Clock::duration> took_;
};

struct Setup {
    Setup() {
        services.SetDelayAll(kServiceDelay);
        for (std::string_view name : {"dns", "web", "ssl"}) {
            checks.push_back(std::make_unique<TimedCheck>(MakeNetworkCheck(name, services.Endpoints())));
        }
    }
    // Per domain, the slowest of its checks.
    Clock::duration SlowestSingleChecks() const {
        Clock::duration sum{};
        for (int d = 0; d < kRunDomains; ++d) {
            Clock::duration slowest{};
            for (const auto& c : checks) {
                slowest = std::max(slowest, c->Took(static_cast<std::size_t>(d)));
            }
            sum += slowest;
        }
        return sum;
    }
    sim::CheckServices services;
    std::vector<std::unique_ptr<TimedCheck>> checks;
};

}  // namespace

CaseOutcome ChecksTogether(const std::string&) {
    Setup setup;
    SleepingHost host;
    host.bar = false;
    host.rate = std::to_string(kRunRate);
    host.table.SetColCount(9);
    int col = 4;
    for (const auto& c : setup.checks) {
        host.extras.push_back({c.get(), col});
        col += static_cast<int>(c->Columns().size());
    }
    for (int i = 0; i < kRunDomains; ++i) {
        host.lines.push_back(DomainName(i));
    }
    HttpClient http;
    CheckRun run(host, http, ServiceHosts{}, [](std::string_view, std::string&) {});
    const auto start = Clock::now();
    run.Button2Click();
    const auto total = Clock::now() - start;
    if (host.RowCount() - 1 != kRunDomains) {
        throw CaseFailed("the run did not check every domain");
    }
    const double slowest = Seconds(setup.SlowestSingleChecks());
    const double checking = Seconds(total - host.Slept());
    // Without the old services there is no pause: one domain in flight costs its slowest check.
    const double ideal = slowest;
    char note[240];
    std::snprintf(
        note, sizeof note,
        "checks per domain %.1f ms = %.2f x the slowest single check (%.1f ms); run %.2f %% over its "
        "ideal %.2f s (the slowest checks, one domain at a time, no pause)",
        checking * 1e3 / kRunDomains, checking / slowest, slowest * 1e3 / kRunDomains,
        100.0 * (Seconds(total) - ideal) / ideal, ideal);
    return {Seconds(total), note};
}

CaseOutcome ChecksOneAfterAnother(const std::string&) {
    Setup setup;
    const auto start = Clock::now();
    for (int i = 0; i < kRunDomains; ++i) {
        const std::string name = DomainName(i);
        const DomainNames names{name, name, name};
        for (const auto& c : setup.checks) {
            c->Run(names, CancelToken());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1000 / kRunRate));
    }
    const auto total = Clock::now() - start;
    char note[120];
    std::snprintf(note, sizeof note, "checks per domain %.1f ms",
                  (Seconds(total) - kRunDomains * (1.0 / kRunRate)) * 1e3 / kRunDomains);
    return {Seconds(total), note};
}

}  // namespace vantle::bench
