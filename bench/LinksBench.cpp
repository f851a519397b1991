// The links check's pass over a web graph's ranks file, measured two ways beside the shell's way:
//   pass     one pass per run keeping only the list's names (a hash set of them, each entry looked
//            up as it is read);
//   index    the index built once per release (GraphIndex), then the list's names looked up in it;
//   zcat|awk zcat FILE | awk keeping the lines whose name is in the list's reversed names.
// Each case runs in a child process of its own: its wall time, its processor time (user + system, of
// every process of the case) and its peak resident memory (of its largest process).
//
//   links-bench write FILE LINES      a synthetic gzip ranks file of LINES lines (real format)
//   links-bench measure FILE NAMES    the three cases on FILE with a list of NAMES names, half of
//                                     them in the graph (subdomains of its names), half not
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

#include "links/GraphIndex.h"
#include "links/RanksFile.h"
#include "sim/GraphRanks.h"
#include "toplist/RankCheck.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// Runs the case in a child; prints its line with wall time and peak memory.
void Measure(const char* name, const std::function<std::string()>& run) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        std::perror("pipe");
        std::exit(1);
    }
    const Clock::time_point start = Clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        const std::string said = run();
        (void)!::write(pipeFds[1], said.data(), said.size());
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string said;
    char buffer[512];
    for (ssize_t got; (got = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
        said.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(pipeFds[0]);
    int status = 0;
    struct rusage usage {};
    ::wait4(child, &status, 0, &usage);
    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    std::printf("%-10s %8.2f s  %8.2f s  %8.1f MiB  %s\n", name, Seconds(start), cpu,
                usage.ru_maxrss / 1024.0, said.c_str());
    std::fflush(stdout);
}

// The list: every 200th name of the graph as a subdomain (in the graph), as many made-up names (not).
std::vector<std::string> ListNames(std::uint64_t graphLines, std::size_t count) {
    std::vector<std::string> names;
    const std::uint64_t step = std::max<std::uint64_t>(1, graphLines / (count / 2 + 1));
    for (std::size_t i = 0; names.size() < count / 2; ++i) {
        names.push_back("www." + vantle::sim::SyntheticGraphDomain(i * step % graphLines));
    }
    for (std::size_t i = 0; names.size() < count; ++i) {
        names.push_back("absent-" + std::to_string(i) + ".example");
    }
    return names;
}

std::uint64_t GraphLines(const std::string& file) {
    // The bench's own files carry their line count in their name: ranks-<lines>.txt.gz.
    const std::string stem = fs::path(file).filename().string();
    return std::strtoull(stem.c_str() + stem.find('-') + 1, nullptr, 10);
}

int Measure(const std::string& file, std::size_t count) {
    const std::vector<std::string> names = ListNames(GraphLines(file), count);
    std::vector<std::string> wanted;
    for (const std::string& name : names) {
        wanted.push_back(vantle::RegistrableDomain(name));
    }
    const fs::path work = fs::temp_directory_path() / ("vantle-links-bench-" + std::to_string(::getpid()));
    fs::create_directories(work);
    {
        std::ofstream reversed(work / "reversed.txt");
        for (const std::string& name : wanted) {
            reversed << vantle::ReversedName(name) << '\n';
        }
    }
    std::printf("file: %s, %.1f MiB; list: %zu names\n", file.c_str(),
                static_cast<double>(fs::file_size(file)) / 1048576.0, names.size());
    std::printf("%-10s %10s  %10s  %12s  %s\n", "case", "wall", "processor", "peak RSS", "result");

    Measure("pass", [&] {
        std::unordered_set<std::string> want(wanted.begin(), wanted.end());
        std::uint64_t found = 0;
        const vantle::RanksPass pass =
            vantle::PassRanksFile(file, [&](std::string_view domain, const vantle::LinkRanks&) {
                found += want.count(std::string(domain));
            });
        return std::to_string(found) + " found of " + std::to_string(pass.entries) + " entries";
    });
    const fs::path index = work / "graph.idx";
    Measure("index", [&] {
        const vantle::RanksPass pass = vantle::BuildGraphIndex(file, index);
        return "built: " + std::to_string(pass.entries) + " entries, " +
               std::to_string(fs::file_size(index) / 1048576) + " MiB";
    });
    Measure("lookups", [&] {
        const std::optional<vantle::GraphIndex> opened =
            vantle::GraphIndex::Open(index, *vantle::StampOf(file));
        if (!opened) {
            return std::string("no index");
        }
        const Clock::time_point start = Clock::now();
        std::uint64_t found = 0;
        for (const std::string& name : wanted) {
            found += opened->Find(name).has_value() ? 1 : 0;
        }
        const double each = Seconds(start) / static_cast<double>(wanted.size()) * 1e6;
        char text[96];
        std::snprintf(text, sizeof text, "%llu found, %.2f us a name (one read of 4 KiB each)",
                      static_cast<unsigned long long>(found), each);
        return std::string(text);
    });
    Measure("zcat|awk", [&] {
        const std::string command = "zcat '" + file +
                                    "' | awk -F'\\t' 'NR==FNR {want[$1]; next} ($5 in want) {n++} "
                                    "END {print n+0}' '" +
                                    (work / "reversed.txt").string() + "' - > '" +
                                    (work / "awk.txt").string() + "'";
        const int status = std::system(command.c_str());
        std::ifstream in(work / "awk.txt");
        std::string found;
        std::getline(in, found);
        return (status == 0 ? found : std::string("failed")) + " found";
    });
    std::error_code ignored;
    fs::remove_all(work, ignored);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "write") {
        return vantle::sim::WriteSyntheticGraph(args[1], std::strtoull(args[2].c_str(), nullptr, 10)) ? 0 : 1;
    }
    if (args.size() == 3 && args[0] == "measure") {
        return Measure(args[1], std::strtoull(args[2].c_str(), nullptr, 10));
    }
    std::fprintf(stderr, "usage: links-bench write FILE LINES | links-bench measure FILE NAMES\n");
    return 2;
}
