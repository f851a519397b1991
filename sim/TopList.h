#pragma once
// Small top-sites list files for the demo and the tests, in the shapes the rank check reads.

#include <string>
#include <string_view>
#include <vector>

namespace vantle::sim {

enum class TopListStyle {
    Tranco,    // "rank,domain" lines, no header
    Majestic,  // "GlobalRank,TldRank,Domain,TLD,..." header, then one line per domain
};

// The text of a list that ranks domains[i] as i + 1, lines ended by lineEnd.
std::string TopListText(TopListStyle style, const std::vector<std::string>& domains,
                        std::string_view lineEnd = "\n");

// Writes that text to path, or, with zipped, a zip archive at path holding it as entryName. False when
// the file cannot be written.
bool WriteTopList(const std::string& path, TopListStyle style, const std::vector<std::string>& domains,
                  bool zipped = false, const std::string& entryName = "top-1m.csv");

// The domains of the demo's list, best first: well-known registrable domains and a few names of the
// demo's own lists.
std::vector<std::string> DemoTopDomains();

}  // namespace vantle::sim
