#pragma once
// A top-sites list read into memory: the rank of every domain in it. The list is one of
//   - "rank,domain" lines without a header (the Tranco and Umbrella lists);
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
    std::size_t Size() const { return count_; }
    TopListFormat Format() const { return format_; }
    // Bytes held by the table (keys and slots), for the benchmark.
    std::size_t MemoryBytes() const { return arena_.size() + slots_.size() * sizeof(Slot); }

private:
    // The keys are lower-cased into one arena; the slots, a power of two of them, find them by
    // open addressing with linear probing. rank 0 marks a free slot.
    struct Slot {
        std::uint32_t offset = 0;
        std::uint32_t length = 0;
        std::uint32_t hash = 0;
        std::int32_t rank = 0;
    };

    TopListTable(TopListFormat format, std::size_t expected);
    void Add(std::string_view domain, std::int32_t rank);
    std::string_view KeyOf(const Slot& slot) const { return {arena_.data() + slot.offset, slot.length}; }

    TopListFormat format_;
    std::string arena_;
    std::vector<Slot> slots_;
    std::size_t count_ = 0;
};

// The largest list file read (and the largest entry unpacked from a zip).
constexpr std::size_t kMaxTopListBytes = std::size_t{1} << 30;

}  // namespace vantle
