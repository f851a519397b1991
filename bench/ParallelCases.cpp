// Long lists without the old services: 10,000 simulated names checked for DNS, web and certificate 64
// at once, and 100,000 of them 256 at once, every answer after 100 ms, with the faults of a real list
// of expired domains; and the Rank look-up alone over a million names.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>

#include "GuiCases.h"
#include "SleepingHost.h"
#include "catalog/CheckCatalog.h"
#include "check/CheckRun.h"
#include "dns/DnsVerdict.h"
#include "http/HttpClient.h"
#include "sim/CheckServices.h"
#include "sim/ExpiredList.h"
#include "sim/ProcessFigures.h"
#include "sim/RegistryServer.h"

namespace vantle::bench {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kInFlight = 64;
constexpr int kRankNames = 1000000;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// A host without windows for runs without the old services: parallel domains at once.
class ManyAtOnceHost : public SleepingHost {
public:
    ManyAtOnceHost(int inFlight, long checkTimeoutMs) : parallel_(inFlight), timeoutMs_(checkTimeoutMs) {
        bar = false;
    }
    int ParallelCount() override { return parallel_; }
    long CheckTimeoutMs() override { return timeoutMs_; }

    // Runs the list through CheckRun with these paces; how long the run took.
    Clock::duration Run(std::vector<PaceRule> rules = DefaultPaceRules()) {
        HttpClient http;
        CheckRun run(*this, http, ServiceHosts{}, [](std::string_view, std::string&) {});
        run.UsePace(SteadyClock(), std::move(rules));
        const auto start = Clock::now();
        run.Button2Click();
        return Clock::now() - start;
    }

private:
    int parallel_;
    long timeoutMs_;
};

// Notes how long each run of a check took, by the domain's name.
class TimedCheck : public Check {
public:
    explicit TimedCheck(std::unique_ptr<Check> inner) : inner_(std::move(inner)) {}
    std::string_view Name() const override { return inner_->Name(); }
    std::vector<std::string> Columns() const override { return inner_->Columns(); }
    bool Local() const override { return inner_->Local(); }
    std::vector<std::string> Run(const DomainNames& names, const CancelToken& cancel) override {
        const auto start = Clock::now();
        auto cells = inner_->Run(names, cancel);
        const std::lock_guard<std::mutex> lock(mutex_);
        took_[names.full] = Clock::now() - start;
        return cells;
    }
    Clock::duration Took(const std::string& name) const { return took_.at(name); }

private:
    std::unique_ptr<Check> inner_;
    std::mutex mutex_;
    std::map<std::string, Clock::duration> took_;
};

}  // namespace

namespace {

// names of the list, inFlight at once; the resolver asked at most dnsRate queries a second.
CaseOutcome ParallelMix(int names, int inFlight, int dnsRate) {
    sim::CheckServices services;
    services.SetDelayAll(std::chrono::milliseconds(100));
    sim::PlantExpiredList(services.Web(), names);
    CheckEndpoints endpoints = services.Endpoints();
    endpoints.checkTimeoutMs = 3000;
    endpoints.connectTimeoutMs = 3000;
    std::vector<std::unique_ptr<TimedCheck>> checks;
    ManyAtOnceHost host(inFlight, endpoints.checkTimeoutMs);
    int col = 4;
    std::vector<int> firstColumns;
    for (std::string_view name : {"dns", "web", "ssl"}) {
        checks.push_back(std::make_unique<TimedCheck>(MakeNetworkCheck(name, endpoints)));
        firstColumns.push_back(col);
        host.extras.push_back({checks.back().get(), col});
        col += static_cast<int>(checks.back()->Columns().size());
    }
    host.table.SetColCount(col);
    for (int i = 0; i < names; ++i) {
        host.lines.push_back(sim::ExpiredListName(i));
    }
    // Every simulated site is 127.0.0.1: the pace of one web address would make them one site.
    std::vector<PaceRule> rules = PaceRulesWithDnsRate(dnsRate);
    std::erase_if(rules, [](const PaceRule& rule) { return rule.key == "web:"; });
    const auto total = host.Run(rules);
    if (host.RowCount() - 1 != names) {
        throw CaseFailed("the run did not check every domain");
    }
    Clock::duration slowestSum{};
    for (int i = 0; i < names; ++i) {
        Clock::duration slowest{};
        for (const auto& c : checks) {
            slowest = std::max(slowest, c->Took(sim::ExpiredListName(i)));
        }
        slowestSum += slowest;
    }
    const double ideal = Seconds(slowestSum) / inFlight;
    // Below which the resolver's pace holds the run whatever the width: three queries a name.
    const double dnsFloor = 3.0 * names * 1.04 / dnsRate;
    // The rows each check got an answer for, to set beside another program's run over the same list:
    // an IP cell other than "DNS error" (NXDOMAIN is an answer), an HTTP status, an SSL date.
    const auto startsWithDigit = [](const std::string& cell) {
        return !cell.empty() && std::isdigit(static_cast<unsigned char>(cell[0]));
    };
    int dnsAnswered = 0;
    int webAnswered = 0;
    int sslAnswered = 0;
    for (int r = 1; r < host.RowCount(); ++r) {
        dnsAnswered += host.table.Cell(firstColumns[0], r) != kDnsError ? 1 : 0;
        webAnswered += startsWithDigit(host.table.Cell(firstColumns[1], r)) ? 1 : 0;
        sslAnswered += startsWithDigit(host.table.Cell(firstColumns[2], r)) ? 1 : 0;
    }
    char note[400];
    std::snprintf(note, sizeof note,
                  "%.2f x its ideal %.1f s (the slowest check of each domain / %d); DNS pace floor %.1f s "
                  "(%d a second); peak %ld MiB; cpu %.0f s (the simulator's too); answered: dns %d, "
                  "http %d, https %d",
                  Seconds(total) / ideal, ideal, inFlight, dnsFloor, dnsRate, sim::PeakResidentMiB(),
                  sim::CpuSeconds(), dnsAnswered, webAnswered, sslAnswered);
    return {Seconds(total), note};
}

}  // namespace

CaseOutcome ParallelTenThousand(const std::string&) {
    return ParallelMix(sim::kExpiredListNames, kInFlight, kDefaultDnsRate);
}

// The user who checks a hundred thousand names gives the resolver more than the default pace.
// VANTLE_BENCH_NAMES sets another number of names (a shorter try of the same case).
CaseOutcome ParallelHundredThousand(const std::string&) {
    const char* names = std::getenv("VANTLE_BENCH_NAMES");
    return ParallelMix(names != nullptr ? std::atoi(names) : 100000, 256, 1000);
}

// 100 .ru names checked for their registration 16 at once, with the programs' own paces: the
// simulated registry's log of query times shows whether any minute held more than thirty.
CaseOutcome WhoisPaceHundred(const std::string&) {
    sim::RegistryServer registry;
    CheckEndpoints endpoints;
    registry.Apply(endpoints);
    endpoints.whoisRu = "whois.tcinet.ru";  // the name the pace is kept for; the queries go to the simulator
    ManyAtOnceHost host(16, endpoints.checkTimeoutMs);
    std::shared_ptr<Check> check = MakeNetworkCheck("registry", endpoints);
    host.extras.push_back({check.get(), 4, check});
    host.table.SetColCount(7);
    constexpr int kRuNames = 100;
    for (int i = 0; i < kRuNames; ++i) {
        host.lines.push_back("ru" + std::to_string(i) + ".ru");
    }
    const auto total = host.Run();
    const std::vector<Clock::time_point> times = registry.WhoisTimes();
    std::size_t most = 0;
    for (std::size_t i = 0; i < times.size(); ++i) {
        std::size_t j = i;
        while (j < times.size() && times[j] - times[i] < std::chrono::seconds(60)) {
            ++j;
        }
        most = std::max(most, j - i);
    }
    int answered = 0;
    for (int r = 1; r < host.RowCount(); ++r) {
        answered += host.table.Cell(4, r).empty() || host.table.Cell(4, r) == "rate limited" ? 0 : 1;
    }
    if (host.RowCount() - 1 != kRuNames) {
        throw CaseFailed("the run did not check every name");
    }
    char note[200];
    std::snprintf(note, sizeof note,
                  "%zu WHOIS queries; the busiest 60 s held %zu (limit 30); %d of %d rows answered",
                  times.size(), most, answered, kRuNames);
    return {Seconds(total), note};
}

CaseOutcome RankOnlyMillion(const std::string& dir) {
    const std::string topFile = dir + "/top-1m.csv";
    {
        std::ofstream top(topFile, std::ios::binary);
        for (int i = 0; i < kRankNames; ++i) {
            top << (i + 1) << ",n" << 2 * i << ".example\n";
        }
    }
    CheckEndpoints endpoints;
    endpoints.topListFile = topFile;
    ManyAtOnceHost host(kInFlight, endpoints.checkTimeoutMs);
    std::shared_ptr<Check> rank = MakeNetworkCheck("rank", endpoints);
    host.extras.push_back({rank.get(), 4, rank});
    host.table.SetColCount(5);
    host.lines.reserve(kRankNames);
    for (int i = 0; i < kRankNames; ++i) {
        host.lines.push_back("n" + std::to_string(i) + ".example");
    }
    const auto total = host.Run();
    if (host.RowCount() - 1 != kRankNames || host.table.Cell(4, 1) != "1") {
        throw CaseFailed("the run did not rank every domain");
    }
    char note[120];
    std::snprintf(note, sizeof note, "%d names against a %d-line list", kRankNames, kRankNames);
    return {Seconds(total), note};
}

}  // namespace vantle::bench
