#pragma once
// The index of a ranks file: every domain's two positions, found at once by the domain. Built by one
// pass over the file and kept in a file of its own, stamped with the ranks file's identity (device,
// inode, size, time of change), so that it is built once per release of the graph and a changed file
// is read anew. A build that finds the file unusable keeps that answer too, so that a cut-short file
// of several gigabytes is not read again at every run.
//
// The file: a header, the entries, each a domain's 64-bit key and its positions (16 bytes), sorted by
// key, and every 256th key. Those keys are held in memory (8 bytes per 256 domains: 3 MiB for 10^8);
// a look-up reads the one block of 256 entries its key falls in. Two domains of one key (a chance of
// about 1 in 10^4 over a whole graph of 10^8 domains) keep the better positions of the two.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

#include <vector>

#include "io/PosixFile.h"
#include "links/RanksFile.h"

namespace vantle {

// What a ranks file was when it was read.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t changedSec = 0;
    std::int64_t changedNsec = 0;
    bool operator==(const FileStamp&) const = default;
};
std::optional<FileStamp> StampOf(const std::string& path);

// The key of a domain in the index.
std::uint64_t GraphKey(std::string_view domain);

class GraphIndex {
public:
    // The index kept in file for a ranks file of stamp source; nothing when there is none, it is of
    // another file or of another state of it, or it is damaged.
    static std::optional<GraphIndex> Open(const std::filesystem::path& file, const FileStamp& source);

    // The pass that built it: its problem (None for a usable index), and its counts.
    const RanksPass& Pass() const { return pass_; }
    // The positions of a domain (lower case, reading order), when the graph holds it.
    std::optional<LinkRanks> Find(std::string_view domain) const;
    std::uint64_t Size() const { return count_; }
    std::uint64_t FileBytes() const { return fileBytes_; }

private:
    GraphIndex() = default;

    RanksPass pass_;
    UniqueFd fd_;
    std::vector<std::uint64_t> fences_;  // the key of every 256th entry
    std::uint64_t count_ = 0;
    std::uint64_t fileBytes_ = 0;
};

// Reads the ranks file at source through and writes its index to file (through a temporary file
// beside it, renamed when whole), the folder made when missing. The returned pass tells the file's
// problem; a file with a problem other than Stopped or CannotIndex gets an index that keeps it. The
// memory needed stays under 64 MiB up to 500 million entries (the buffers of the 256 buckets, then
// one bucket at a time).
RanksPass BuildGraphIndex(const std::string& source, const std::filesystem::path& file,
                          const PassProgress& progress = {}, std::stop_token stop = {});

}  // namespace vantle
