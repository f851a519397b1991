#pragma once
// One pass over a ranks file as it lies on disk, gzip-compressed (one member or several) or plain text,
// as a stream: what is held does not grow with the file.

#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <string_view>

#include "links/RanksLine.h"

namespace vantle {

enum class RanksProblem {
    None,
    CannotOpen,  // no such file, no right to read it, or not a regular file
    NotRanks,    // the first line is not the header of a ranks file
    Truncated,   // the gzip stream ends before its end
    Corrupt,     // the gzip stream is damaged, or reading failed
    Stopped,     // the stop came first
    CannotIndex  // the index cannot be written (see GraphIndex.h)
};

struct RanksPass {
    RanksProblem problem = RanksProblem::None;
    std::string detail;  // the system's or zlib's reason, when there is one
    std::uint64_t entries = 0;
    std::uint64_t skipped = 0;  // lines that are no entry (see ReadRanksLine), the header aside
};

// Every entry of the file in file order. Called once per fill of the read buffer and at the end with
// the bytes of the file read so far and its size.
using RanksSink = std::function<void(std::string_view domain, const LinkRanks& ranks)>;
using PassProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

// Reads the file through; the sink sees the entries of a file that ends cut short too, before the
// problem is told. A line longer than kMaxRanksLine is skipped.
RanksPass PassRanksFile(const std::string& path, const RanksSink& sink, const PassProgress& progress = {},
                        std::stop_token stop = {});

inline constexpr std::size_t kMaxRanksLine = 4096;

// A short text for the problem of a pass, to follow the file's name (Windows-1251); "" for None.
std::string RanksProblemText(const RanksPass& pass);

}  // namespace vantle
