#include "RatioReport.h"

#include <cstdio>
#include <ostream>

namespace vantle::bench {

std::string FormatSeconds(double seconds) {
    char text[32];
    if (seconds < 1e-6) {
        std::snprintf(text, sizeof text, "%.1f ns", seconds * 1e9);
    } else if (seconds < 1e-3) {
        std::snprintf(text, sizeof text, "%.2f µs", seconds * 1e6);
    } else if (seconds < 1.0) {
        std::snprintf(text, sizeof text, "%.2f ms", seconds * 1e3);
    } else {
        std::snprintf(text, sizeof text, "%.3f s", seconds);
    }
    return text;
}

namespace {

std::string FormatNumber(double value, const char* format) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

void RatioReport::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.error_occurred) {
            continue;
        }
        Figure figure;
        figure.seconds = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        const auto peak = run.counters.find("peak_MiB");
        if (peak != run.counters.end()) {
            figure.peakMiB = peak->second.value;
        }
        // The pairs name benchmarks without the "/real_time" or "/manual_time" that the timing mode adds.
        std::string name = run.benchmark_name();
        for (const std::string mode : {"/iterations:1", "/real_time", "/manual_time"}) {
            if (const auto at = name.find(mode); at != std::string::npos) {
                name.erase(at, mode.size());
            }
        }
        figures_[name] = figure;
    }
}

const RatioReport::Figure* RatioReport::Find(const std::string& name) const {
    auto it = figures_.find(name + "_median");
    if (it == figures_.end()) {
        it = figures_.find(name);
    }
    return it == figures_.end() ? nullptr : &it->second;
}

void RatioReport::PrintRatios(std::ostream& out) const {
    out << "\n| subject | peer | subject time | peer time | time ratio | subject peak | peer peak |\n"
        << "|---|---|---:|---:|---:|---:|---:|\n";
    for (const Pair& pair : pairs_) {
        const Figure* subject = Find(pair.subject);
        if (subject == nullptr) {
            continue;
        }
        Figure peer;
        if (pair.peerSeconds > 0) {
            peer.seconds = pair.peerSeconds;
            peer.peakMiB = pair.peerPeakMiB;
        } else if (const Figure* measured = Find(pair.peer)) {
            peer = *measured;
        } else {
            continue;
        }
        const auto peak = [](double mib) {
            return mib > 0 ? FormatNumber(mib, "%.0f MiB") : std::string("–");
        };
        out << "| " << pair.subject << " | " << pair.peer << " | " << FormatSeconds(subject->seconds) << " | "
            << FormatSeconds(peer.seconds) << " | " << FormatNumber(subject->seconds / peer.seconds, "%.3f")
            << " | " << peak(subject->peakMiB) << " | " << peak(peer.peakMiB) << " |\n";
    }
}

}  // namespace vantle::bench
