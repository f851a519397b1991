#pragma once
// One line of a web graph's ranks file, read from its bytes. The file is tab-separated under one header
// line "#harmonicc_pos #harmonicc_val #pr_pos #pr_val #host_rev #n_hosts"; each line after it gives a
// domain's position and value by harmonic centrality and by PageRank, and the domain with its labels
// in reverse order ("com.example" for example.com). Pure: bytes in, a decision out.

#include <cstdint>
#include <string>
#include <string_view>

namespace vantle {

// A domain's two positions in the graph (1 is the strongest).
struct LinkRanks {
    std::uint32_t harmonic = 0;  // by harmonic centrality
    std::uint32_t pagerank = 0;  // by PageRank
    bool operator==(const LinkRanks&) const = default;
};

enum class RanksLineKind {
    Header,   // the header line
    Entry,    // a domain and its positions
    Skipped,  // anything else: too few fields, a field that is no number, a name that is no domain
};

struct RanksLine {
    RanksLineKind kind = RanksLineKind::Skipped;
    std::string domain;  // Entry: the name in reading order, lower case, without leading "www." labels
    LinkRanks ranks;     // Entry: both positions, each at least 1
};

// The longest domain name a line may carry.
inline constexpr std::size_t kMaxGraphName = 253;

// Reads one line without its LF (a CR before it is dropped). The positions are whole numbers from 1
// to 2^32 - 1, the values numbers; the name is ASCII letters, digits, '-' and '_' in labels of 1 to 63
// bytes between single dots.
RanksLine ReadRanksLine(std::string_view line);

// A name as the graph writes it, its labels in reverse order: "example.com" <-> "com.example".
std::string ReversedName(std::string_view name);

// Whether a file's first line is the header of a ranks file (CR LF or LF).
bool IsRanksHeader(std::string_view line);

}  // namespace vantle
