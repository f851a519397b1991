// The store of answers, measured (not a test): history-bench [FOLDER]
//   1. 100,000 rows of a run written to the store: the time on the run's thread (Changes and the
//      queue) and until the writer has stored them all.
//   2. Changes of a 100,000-row table against a store of 1,000,000 answers, and the file's size.
//   3. A second run of 1,000 names with the archive check, every first capture known: questions asked.
#include <time.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "history/HistoryStore.h"
#include "history/RunHistory.h"

namespace {

using namespace vantle;
using namespace vantle::history;
using Clock = std::chrono::steady_clock;

constexpr std::int64_t kDay = 86400;
constexpr std::int64_t kStart = 1'800'000'000;

// The CPU time of the calling thread: on a shared machine the wall clock also counts the others' work.
double ThreadCpu() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

std::string Name(int i) {
    return "domain-" + std::to_string(i) + ".ru";
}

// The checks of today as a table lays them out: Domain, IP, MX, HTTP, Mirror, Created, Expires,
// Registrar, Archive.
std::vector<CheckSpan> Spans() {
    return {{"dns", 1, {"IP", "MX"}},
            {"web", 3, {"HTTP", "Mirror"}},
            {"registry", 5, {"Created", "Expires", "Registrar"}},
            {"archive", 8, {"Archive"}}};
}

std::vector<std::string> Row(int i, int day) {
    // On day 3 one row in twenty moves its expiry, one in fifty its status.
    const bool renewed = i % 20 == 0 && day == 3;
    return {Name(i),
            "198.51.100." + std::to_string(i % 250),
            "yes",
            i % 50 == 0 && day == 3 ? "no address" : "200",
            "",
            "2010-05-0" + std::to_string(1 + i % 9),
            renewed ? "2028-01-01" : "2027-01-01",
            "REGISTRAR-" + std::to_string(i % 7),
            "2011-03-04"};
}

std::unique_ptr<HistoryStore> Open(const std::string& path, std::int64_t now) {
    std::string problem;
    HistoryStore::Options options;
    options.keptDays = 3650;
    auto store = HistoryStore::Open(path, now, options, problem);
    if (!store) {
        std::fprintf(stderr, "history-bench: %s\n", problem.c_str());
        std::exit(1);
    }
    return store;
}

double lastCpu = 0;  // the CPU seconds of the last Run on its thread

// A run of `rows` rows on day `day`; the seconds on the run's thread and until all is stored.
std::pair<double, double> Run(HistoryStore& store, int rows, int day, int* changed) {
    RunHistory run(store, Spans(), nullptr);
    const double cpu = ThreadCpu();
    const auto start = Clock::now();
    for (int i = 0; i < rows; ++i) {
        const RowChanges changes = run.Finished(Name(i), Row(i, day), kStart + day * kDay + i / 100);
        *changed += changes.text.empty() ? 0 : 1;
    }
    const double onThread = Seconds(start);
    lastCpu = ThreadCpu() - cpu;
    run.Flush();
    return {onThread, Seconds(start)};
}

class AskedCheck : public Check {
public:
    std::string_view Name() const override { return "archive"; }
    std::vector<std::string> Columns() const override { return {"Archive"}; }
    std::vector<std::string> Run(const DomainNames& names, const CancelToken&) override {
        ++asked;
        return {names.display.size() % 8 == 0 ? "none" : "2011-03-04"};
    }
    int asked = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path dir = argc > 1
                                          ? std::filesystem::path(argv[1])
                                          : std::filesystem::temp_directory_path() / "vantle-history-bench";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);

    {
        auto store = Open((dir / "run.sqlite").string(), kStart);
        int changed = 0;
        const auto [onThread, stored] = Run(*store, 100'000, 0, &changed);
        std::printf(
            "1. 100,000 rows (400,000 answers) into an empty store: %.2f s on the run's thread "
            "(%.1f us a row; its CPU %.2f s), all stored after %.2f s\n",
            onThread, onThread * 1e6 / 100'000, lastCpu, stored);
    }
    {
        const std::string path = (dir / "million.sqlite").string();
        auto store = Open(path, kStart);
        int changed = 0;
        double fill = 0;
        // 100,000 domains, 4 checks, on days 0 to 1: 800,000 answers, then day 2 half-way: 1,000,000.
        for (int day = 0; day < 2; ++day) {
            fill += Run(*store, 100'000, day, &changed).second;
        }
        {
            RunHistory run(*store, Spans(), nullptr);
            for (int i = 0; i < 50'000; ++i) {
                run.Finished(Name(i), Row(i, 2), kStart + 2 * kDay);
            }
            run.Flush();
        }
        const std::int64_t answers = store->Count();
        changed = 0;
        const auto [onThread, stored] = Run(*store, 100'000, 3, &changed);
        store.reset();
        std::printf(
            "2. Changes of 100,000 rows against %lld answers: %.2f s (its CPU %.2f s; %d rows changed), "
            "stored after %.2f s; filling took %.1f s\n",
            static_cast<long long>(answers), onThread, lastCpu, changed, stored, fill);
        std::printf(
            "   the store of %lld answers: %.1f MB (%.0f bytes an answer)\n",
            static_cast<long long>(answers + 400'000),
            static_cast<double>(std::filesystem::file_size(path)) / 1e6,
            static_cast<double>(std::filesystem::file_size(path)) / static_cast<double>(answers + 400'000));
    }
    {
        auto store = Open((dir / "archive.sqlite").string(), kStart);
        auto served = std::make_shared<Served>();
        auto inner = std::make_shared<AskedCheck>();
        std::int64_t now = kStart;
        RememberingCheck archive(inner, *store, served, [&now] { return now; });
        RunHistory run(*store, {{"archive", 1, {"Archive"}}}, served);
        int asked[2] = {0, 0};
        for (int pass = 0; pass < 2; ++pass) {
            const int before = inner->asked;
            for (int i = 0; i < 1000; ++i) {
                DomainNames names{Name(i), Name(i), Name(i)};
                const std::vector<std::string> cells = archive.Run(names, CancelToken());
                run.Finished(Name(i), {Name(i), cells[0]}, now);
            }
            run.Flush();
            asked[pass] = inner->asked - before;
            now += kDay;
        }
        std::printf("3. 1,000 names with the archive check: %d questions the first run, %d the second\n",
                    asked[0], asked[1]);
    }
    std::filesystem::remove_all(dir);
    return 0;
}
