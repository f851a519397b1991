#pragma once
// Web graph ranks files for the tests, the bench and the demo, in the format the links check reads:
// a header, then one tab-separated line per domain with its positions and values and its reversed name.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantle::sim {

// The ranks file line of a domain (in reading order) at harmonic position h and PageRank position p.
std::string GraphRanksLine(std::string_view domain, std::uint64_t h, std::uint64_t p);

// The header line, LF included.
std::string GraphRanksHeader();

// Writes header + lines to path, gzip-compressed (level 6) when gzipped; false when it cannot.
bool WriteGraphRanks(const std::string& path, const std::vector<std::string>& lines, bool gzipped);

// The i-th name of the synthetic graph (i from 0): a made-up registrable domain of 8 to 20 bytes
// under a mix of zones, the same for the same i.
std::string SyntheticGraphDomain(std::uint64_t i);

// Writes a synthetic gzip ranks file of count lines: line i is SyntheticGraphDomain(i) at harmonic
// position i + 1 and a PageRank position shuffled from it. False when it cannot be written.
bool WriteSyntheticGraph(const std::string& path, std::uint64_t count);

}  // namespace vantle::sim
