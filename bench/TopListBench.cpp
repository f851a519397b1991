// Reading a top-sites list of 1,000,000 "rank,domain" lines from its file: the rank check's reader
// (the whole file at once, keys in one arena, an open-addressing table) beside the plain way
// (std::getline into a std::unordered_map<std::string, int>) on the same file. Each also reports its
// peak memory: the growth of the resident set's high-water mark while one load runs in a child
// process of its own (see PeakMiB).
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <unordered_map>

#include "BenchCore.h"
#include "toplist/RankCheck.h"
#include "toplist/TopListTable.h"

namespace vantle::bench {
namespace {

constexpr int kLines = 1000000;

// The list file, written once per run into the temporary folder and removed at exit.
class ListFile {
public:
    ListFile()
        : path_((std::filesystem::temp_directory_path() /
                 ("vantle-toplist-bench-" + std::to_string(::getpid()) + ".csv"))
                    .string()) {
        static const char* const kZones[] = {"com", "ru", "net", "org", "de", "co.uk", "xn--p1ai", "io"};
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        std::uint64_t state = 88172645463325252ull;
        std::string line;
        for (int rank = 1; rank <= kLines; ++rank) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            line = std::to_string(rank);
            line += ',';
            const int length = 4 + static_cast<int>(state % 14);
            for (int i = 0; i < length; ++i) {
                line += static_cast<char>('a' + (state >> (i * 2 + 8)) % 26);
            }
            for (int n = rank; n > 0; n /= 36) {  // the rank in base 36 keeps the names apart
                line += "0123456789abcdefghijklmnopqrstuvwxyz"[n % 36];
            }
            line += '.';
            line += kZones[(state >> 40) % std::size(kZones)];
            line += '\n';
            out << line;
        }
    }
    ~ListFile() { std::remove(path_.c_str()); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

const std::string& ListPath() {
    static const ListFile file;
    return file.path();
}

long StatusKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line)) {
        if (line.rfind(prefix, 0) == 0) {
            return std::stol(line.substr(prefix.size()));
        }
    }
    return 0;
}

// The growth of the resident set's high-water mark while load runs once, in a child process. The
// child first hands the free memory of its heap back and starts its mark afresh (clear_refs 5), so
// that what the parent freed before the fork does not hide the load's own growth. -1 when it cannot
// be measured.
double PeakMiB(const std::function<std::size_t()>& load) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) {
        return -1;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::malloc_trim(0);
        std::ofstream("/proc/self/clear_refs") << "5";
        const long before = StatusKiB("VmRSS");
        benchmark::DoNotOptimize(load());
        const double mib = static_cast<double>(StatusKiB("VmHWM") - before) / 1024.0;
        const ssize_t written = ::write(pipeEnds[1], &mib, sizeof mib);
        ::_exit(written == sizeof mib ? 0 : 1);
    }
    ::close(pipeEnds[1]);
    double mib = -1;
    if (child < 0 || ::read(pipeEnds[0], &mib, sizeof mib) != sizeof mib) {
        mib = -1;
    }
    ::close(pipeEnds[0]);
    if (child > 0) {
        ::waitpid(child, nullptr, 0);
    }
    return mib;
}

std::size_t LoadVantle() {
    const std::optional<TopListTable> table = ReadTopListFile(ListPath());
    return table ? table->Size() : 0;
}

std::size_t LoadGetline() {
    std::unordered_map<std::string, int> ranks;
    std::ifstream in(ListPath());
    std::string line;
    while (std::getline(in, line)) {
        const auto comma = line.find(',');
        if (comma != std::string::npos) {
            ranks.emplace(line.substr(comma + 1), std::stoi(line.substr(0, comma)));
        }
    }
    return ranks.size();
}

void Load(benchmark::State& state, std::size_t (*load)()) {
    if (load() != static_cast<std::size_t>(kLines)) {
        state.SkipWithError("the list did not load whole");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(load());
    }
    state.counters["peak_MiB"] = PeakMiB(load);
    state.counters["lines"] = kLines;
}

}  // namespace

void RegisterTopListBenchmarks() {
    benchmark::RegisterBenchmark("TopList1M/vantle", Load, &LoadVantle)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("TopList1M/getline", Load, &LoadGetline)->Unit(benchmark::kMillisecond);
}

}  // namespace vantle::bench
