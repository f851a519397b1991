#pragma once
// The console report of the benchmarks, plus a table at the end that sets every subject beside its
// peer: both times and their ratio (subject / peer: below 1 the subject is the faster), and the peak
// memory of both when the runs carry a "peak_MiB" counter.

#include <benchmark/benchmark.h>

#include <iosfwd>
#include <map>
#include <string>
#include <vector>

namespace vantle::bench {

struct Pair {
    std::string subject;  // benchmark name
    std::string peer;     // benchmark name, or the name of a fixed figure when peerSeconds > 0
    double peerSeconds = 0;
    double peerPeakMiB = 0;  // a fixed peak for the peer (a budget), 0 when measured or none
};

class RatioReport : public benchmark::ConsoleReporter {
public:
    explicit RatioReport(std::vector<Pair> pairs) : pairs_(std::move(pairs)) {}

    void ReportRuns(const std::vector<Run>& runs) override;

    // One Markdown table row per pair whose subject ran.
    void PrintRatios(std::ostream& out) const;

private:
    struct Figure {
        double seconds = 0;  // real time of one iteration
        double peakMiB = 0;
    };
    // The median of repeated runs when there is one, else the single run.
    const Figure* Find(const std::string& name) const;

    std::vector<Pair> pairs_;
    std::map<std::string, Figure> figures_;
};

// "12.3 µs", "4.56 ms", "1.23 s"
std::string FormatSeconds(double seconds);

}  // namespace vantle::bench
