#include "toplist/TopListTable.h"

#include <zip.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <memory>

namespace vantle {
namespace {

constexpr std::size_t kMaxDomain = 253;

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::uint32_t HashOf(std::string_view key) {
    return static_cast<std::uint32_t>(std::hash<std::string_view>{}(key));
}

// A field without the blanks and double quotes around it.
std::string_view Trim(std::string_view field) {
    while (!field.empty() && (field.front() == ' ' || field.front() == '\t' || field.front() == '"')) {
        field.remove_prefix(1);
    }
    while (!field.empty() && (field.back() == ' ' || field.back() == '\t' || field.back() == '"')) {
        field.remove_suffix(1);
    }
    return field;
}

// A rank: decimal digits only, from 1 to 2^31 - 1; 0 when the field is none.
std::int32_t RankOf(std::string_view field) {
    field = Trim(field);
    if (field.empty() || field.size() > 10) {
        return 0;
    }
    std::int64_t value = 0;
    for (char c : field) {
        if (c < '0' || c > '9') {
            return 0;
        }
        value = value * 10 + (c - '0');
    }
    return value > 0 && value <= INT32_MAX ? static_cast<std::int32_t>(value) : 0;
}

bool SameWord(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

// Calls take(field, index) for each comma-separated field of a line up to index last; false to stop.
template <typename Take>
void Fields(std::string_view line, std::size_t last, Take take) {
    for (std::size_t index = 0; index <= last; ++index) {
        const auto comma = line.find(',');
        if (!take(line.substr(0, comma), index) || comma == std::string_view::npos) {
            return;
        }
        line.remove_prefix(comma + 1);
    }
}

// Walks the lines of text (LF or CR LF; the last one may lack its end).
template <typename Each>
void Lines(std::string_view text, Each each) {
    const char* at = text.data();
    const char* const end = at + text.size();
    while (at < end) {
        const void* found = std::memchr(at, '\n', static_cast<std::size_t>(end - at));
        const char* stop = found == nullptr ? end : static_cast<const char*>(found);
        std::string_view line(at, static_cast<std::size_t>(stop - at));
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        each(line);
        at = stop + 1;
    }
}

bool IsZip(std::string_view bytes) {
    return bytes.size() >= 4 && bytes[0] == 'P' && bytes[1] == 'K' &&
           ((bytes[2] == '\x03' && bytes[3] == '\x04') || (bytes[2] == '\x05' && bytes[3] == '\x06'));
}

bool EndsWithCsv(const char* name) {
    const std::string_view text = name == nullptr ? std::string_view() : std::string_view(name);
    return text.size() >= 4 && SameWord(text.substr(text.size() - 4), ".csv");
}

struct ZipDiscard {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct ZipFileClose {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};

// The first entry of a zip archive whose name ends in ".csv", unpacked; nothing when there is none or
// it cannot be read whole within kMaxTopListBytes.
std::optional<std::string> CsvInZip(std::string_view bytes) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (source == nullptr) {
        zip_error_fini(&error);
        return std::nullopt;
    }
    std::unique_ptr<zip_t, ZipDiscard> archive(zip_open_from_source(source, ZIP_RDONLY, &error));
    zip_error_fini(&error);
    if (!archive) {
        zip_source_free(source);
        return std::nullopt;
    }
    const zip_int64_t entries = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t index = 0; index < entries; ++index) {
        const auto at = static_cast<zip_uint64_t>(index);
        if (!EndsWithCsv(zip_get_name(archive.get(), at, 0))) {
            continue;
        }
        std::unique_ptr<zip_file_t, ZipFileClose> file(zip_fopen_index(archive.get(), at, 0));
        if (!file) {
            return std::nullopt;
        }
        zip_stat_t stat;
        zip_stat_init(&stat);
        std::string text;
        if (zip_stat_index(archive.get(), at, 0, &stat) == 0 && (stat.valid & ZIP_STAT_SIZE) != 0) {
            text.reserve(static_cast<std::size_t>(std::min<zip_uint64_t>(stat.size, kMaxTopListBytes)));
        }
        std::array<char, 1 << 16> chunk;
        for (;;) {
            const zip_int64_t got = zip_fread(file.get(), chunk.data(), chunk.size());
            if (got < 0) {
                return std::nullopt;
            }
            if (got == 0) {
                return text;
            }
            if (text.size() + static_cast<std::size_t>(got) > kMaxTopListBytes) {
                return std::nullopt;
            }
            text.append(chunk.data(), static_cast<std::size_t>(got));
        }
    }
    return std::nullopt;
}

}  // namespace

TopListTable::TopListTable(TopListFormat format, std::size_t expected) : format_(format) {
    std::size_t slots = 16;
    while (slots < expected + expected / 2) {
        slots *= 2;
    }
    slots_.resize(slots);
    entries_.reserve(expected);
    pending_.reserve(kBatch);
}

void TopListTable::Add(std::string_view domain, std::int32_t rank) {
    domain = Trim(domain);
    while (!domain.empty() && domain.back() == '.') {
        domain.remove_suffix(1);
    }
    if (domain.empty() || domain.size() > kMaxDomain || arena_.size() + domain.size() > UINT32_MAX ||
        entries_.size() + pending_.size() >= UINT32_MAX) {
        return;
    }
    const std::size_t offset = arena_.size();
    arena_.resize(offset + domain.size());
    std::transform(domain.begin(), domain.end(), arena_.begin() + static_cast<std::ptrdiff_t>(offset), Lower);
    const std::uint32_t hash = HashOf({arena_.data() + offset, domain.size()});
    __builtin_prefetch(&slots_[hash & (slots_.size() - 1)]);
    pending_.push_back(
        {static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(domain.size()), hash, rank});
    if (pending_.size() == kBatch) {
        Flush();
    }
}

void TopListTable::Grow() {
    std::vector<std::uint64_t> old(slots_.size() * 2);
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const std::uint64_t slot : old) {
        if (slot != 0) {
            std::size_t at = static_cast<std::uint32_t>(slot >> 32) & mask;
            while (slots_[at] != 0) {
                at = (at + 1) & mask;
            }
            slots_[at] = slot;
        }
    }
}

void TopListTable::Flush() {
    for (const Pending& key : pending_) {
        if ((entries_.size() + 1) * 10 > slots_.size() * 7) {
            Grow();
        }
        const std::size_t mask = slots_.size() - 1;
        const std::string_view text = KeyOf(key.offset, key.length);
        for (std::size_t at = key.hash & mask;; at = (at + 1) & mask) {
            std::uint64_t& slot = slots_[at];
            if (slot == 0) {
                entries_.push_back({key.offset, key.length, key.rank});
                slot = (std::uint64_t{key.hash} << 32) | entries_.size();
                break;
            }
            if (static_cast<std::uint32_t>(slot >> 32) == key.hash) {
                Entry& entry = entries_[static_cast<std::uint32_t>(slot) - 1];
                if (KeyOf(entry.offset, entry.length) == text) {
                    entry.rank = std::min(entry.rank, key.rank);  // its bytes stay unused in the arena
                    break;
                }
            }
        }
    }
    pending_.clear();
}

int TopListTable::Rank(std::string_view domain) const {
    if (domain.empty() || domain.size() > kMaxDomain) {
        return 0;
    }
    std::array<char, kMaxDomain> lowered;
    std::transform(domain.begin(), domain.end(), lowered.begin(), Lower);
    const std::string_view key(lowered.data(), domain.size());
    const std::uint32_t hash = HashOf(key);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        const std::uint64_t slot = slots_[at];
        if (slot == 0) {
            return 0;
        }
        if (static_cast<std::uint32_t>(slot >> 32) == hash) {
            const Entry& entry = entries_[static_cast<std::uint32_t>(slot) - 1];
            if (KeyOf(entry.offset, entry.length) == key) {
                return entry.rank;
            }
        }
    }
}

std::optional<TopListTable> TopListTable::FromBytes(std::string_view bytes) {
    if (!IsZip(bytes)) {
        return FromCsv(bytes);
    }
    const std::optional<std::string> text = CsvInZip(bytes);
    if (!text) {
        return std::nullopt;
    }
    return FromCsv(*text);
}

std::optional<TopListTable> TopListTable::FromCsv(std::string_view text) {
    if (text.size() > kMaxTopListBytes) {
        return std::nullopt;
    }
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    const auto firstEnd = text.find('\n');
    std::string_view first = text.substr(0, firstEnd);
    if (!first.empty() && first.back() == '\r') {
        first.remove_suffix(1);
    }
    const std::size_t expected = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;

    if (RankOf(first.substr(0, first.find(','))) != 0) {
        TopListTable table(TopListFormat::RankDomain, expected);
        table.arena_.reserve(text.size());
        Lines(text, [&table](std::string_view line) {
            const auto comma = line.find(',');
            if (comma == std::string_view::npos) {
                return;
            }
            const std::int32_t rank = RankOf(line.substr(0, comma));
            if (rank != 0) {
                const std::string_view rest = line.substr(comma + 1);
                table.Add(rest.substr(0, rest.find(',')), rank);
            }
        });
        table.Flush();
        return table;
    }

    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::size_t rankColumn = kNone;
    std::size_t domainColumn = kNone;
    bool plainRank = false;  // "rank,domain": the Tranco layout under a header
    Fields(first, kNone - 1, [&](std::string_view field, std::size_t index) {
        field = Trim(field);
        if (rankColumn == kNone && (SameWord(field, "GlobalRank") || SameWord(field, "Rank"))) {
            rankColumn = index;
            plainRank = SameWord(field, "Rank");
        } else if (domainColumn == kNone && SameWord(field, "Domain")) {
            domainColumn = index;
        }
        return true;
    });
    if (rankColumn == kNone || domainColumn == kNone) {
        return std::nullopt;
    }
    TopListTable table(plainRank ? TopListFormat::RankDomain : TopListFormat::Majestic, expected);
    table.arena_.reserve(text.size() / 4);
    const std::size_t last = std::max(rankColumn, domainColumn);
    Lines(text.substr(firstEnd == std::string_view::npos ? text.size() : firstEnd + 1),
          [&](std::string_view line) {
              std::string_view rank;
              std::string_view domain;
              bool whole = false;
              Fields(line, last, [&](std::string_view field, std::size_t index) {
                  if (index == rankColumn) {
                      rank = field;
                  }
                  if (index == domainColumn) {
                      domain = field;
                  }
                  whole = index == last;
                  return true;
              });
              if (whole) {
                  if (const std::int32_t value = RankOf(rank); value != 0) {
                      table.Add(domain, value);
                  }
              }
          });
    table.Flush();
    return table;
}

}  // namespace vantle
