#pragma once
// Runs one benchmark case in a fresh process, so that its peak memory is its own: this program is
// started again with the given arguments, and the child's peak resident set (getrusage through
// wait4) comes back with what it printed.

#include <string>
#include <vector>

namespace vantle::bench {

struct ChildResult {
    bool ok = false;     // the child ended with status 0 and reported its time
    double seconds = 0;  // the measured part, as the child reported it ("seconds=<x>")
    double peakMiB = 0;  // ru_maxrss of the child
    std::string note;    // what the child reported as "note=<text>"
    std::string output;  // everything it printed
};

ChildResult RunChildCase(const std::vector<std::string>& args);

// What a child prints for the parent to read.
void ReportChildResult(double seconds, const std::string& note);

}  // namespace vantle::bench
