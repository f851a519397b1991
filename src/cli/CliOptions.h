#pragma once
// The command line of vantle-cli: what it asks for, read and checked before anything is checked.

#include <optional>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "pace/Limiter.h"

namespace vantle::cli {

struct CliOptions {
    std::string list;                       // a file name, or "-" for standard input
    int rate = 3;                           // domains a second, 1 to 10
    int parallel = 16;                      // domains at once without the old services, 1 to 256
    int dnsRate = kDefaultDnsRate;          // DNS queries a second, kMinDnsRate to kMaxDnsRate
    std::optional<std::string> threshold;   // digits; only with the bar query
    std::set<std::string> checks;           // names of CheckNames(); without --checks TodaysCheckNames()
                                            // and "rank" when a top-sites list is given
    std::optional<std::string> output;      // a file name; none: standard output
    std::string format = "csv";             // one of OutputFormatNames()
    std::optional<std::string> topList;     // the top-sites list of the rank check; none: no list
    std::optional<std::string> graphRanks;  // the web graph's ranks file of the links check; none: none
    bool quiet = false;
    bool resume = false;       // go on from the journal of an earlier run over the same list and checks
    bool noHistory = false;    // neither read nor write the store of answers
    bool fresh = false;        // ask everything, the lasting answers of the store too
    bool changesOnly = false;  // keep only the rows whose Changes cell says something
    int keepDays = 365;        // answers older than this leave the store
    std::optional<std::string> history;  // print this domain's answers instead of checking
    bool help = false;
    bool version = false;
};

// A bad command line: the message (UTF-8) names the value at fault.
struct CliUsageError {
    std::string message;
};

// Options as GNU tools take them: "--rate 5", "--rate=5", "-o FILE", "-oFILE", "--" ending the
// options, "-" as the list. --help and --version win over everything else that is well formed.
std::variant<CliOptions, CliUsageError> ParseCliOptions(const std::vector<std::string>& args);

// The text of --help (UTF-8), its check and format names taken from the catalog and the writers.
std::string HelpText();

}  // namespace vantle::cli
