#pragma once
// A top-sites list read into memory: the rank of every domain in it. The list is one of
//   - "rank,domain" lines without a header (the Tranco and Umbrella lists), or under a "rank,domain"
//     header in any case;
//   - a CSV with a header that names the columns "GlobalRank" and "Domain" wherever they stand
//     (the Majestic Million);
// recognised by the first line, with LF or CR LF line ends, or a zip archive of such a file.
// Pure: bytes in, table out. Lines that are not an entry of the format (blank, no number, too few
// fields) are skipped.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantle {

enum class TopListFormat { RankDomain, Majestic };

class TopListTable {
public:
    // The list in a file's bytes: a zip archive (its first entry whose name ends in ".csv") or the CSV
    // text. Nothing when the bytes are neither, or the first line is of no known format.
    static std::optional<TopListTable> FromBytes(std::string_view bytes);
    // The list in CSV text.
    static std::optional<TopListTable> FromCsv(std::string_view text);

    // The rank of a domain (case ignored), 0 when the list does not hold it. A domain listed twice
    // keeps its better rank.
    int Rank(std::string_view domain) const;
    // Domains held.
    std::size_t Size() const { return entries_.size(); }
    TopListFormat Format() const { return format_; }
    // Bytes held by the table (keys, entries, slots), for the benchmark.
    std::size_t MemoryBytes() const {
        return arena_.size() + entries_.size() * sizeof(Entry) + slots_.size() * sizeof(std::uint64_t);
    }

private:
    // The keys are lower-cased into one arena and described by the entries in the order read. The
    // slots, a power of two of them, find the entries by open addressing with linear probing: each
    // holds the key's hash (high half) and its entry's index + 1 (low half); 0 is a free slot. Keys
    // are added in small batches whose slots are fetched into the cache before any is probed.
    struct Entry {
        std::uint32_t offset;
        std::uint32_t length;
        std::int32_t rank;
    };
    struct Pending {
        std::uint32_t offset;
        std::uint32_t length;
        std::uint32_t hash;
        std::int32_t rank;
    };
    static constexpr std::size_t kBatch = 16;

    TopListTable(TopListFormat format, std::size_t expected);
    // Copies a domain into the arena and queues it; Flush adds what is queued.
    void Add(std::string_view domain, std::int32_t rank);
    void Flush();
    void Grow();
    std::string_view KeyOf(std::uint32_t offset, std::uint32_t length) const {
        return {arena_.data() + offset, length};
    }

    TopListFormat format_;
    std::string arena_;
    std::vector<Entry> entries_;
    std::vector<std::uint64_t> slots_;
    std::vector<Pending> pending_;
};

// The largest list file read (and the largest entry unpacked from a zip).
constexpr std::size_t kMaxTopListBytes = std::size_t{1} << 30;

}  // namespace vantle
