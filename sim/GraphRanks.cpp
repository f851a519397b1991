#include "sim/GraphRanks.h"

#include <zlib.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <memory>

#include "links/RanksLine.h"

namespace vantle::sim {
namespace {

struct GzCloser {
    void operator()(gzFile_s* file) const { gzclose(file); }
};
using GzFile = std::unique_ptr<gzFile_s, GzCloser>;

bool Put(gzFile file, std::string_view bytes) {
    return bytes.empty() || gzwrite(file, bytes.data(), static_cast<unsigned>(bytes.size())) > 0;
}

// A value as the graph writes it: "3.053703E7", "0.009072779578696339", "9.18367346938775E-6".
std::string Value(double value) {
    char text[48];
    if (value >= 1e7 || value < 1e-3) {
        int exponent = 0;
        while (value >= 10) {
            value /= 10;
            ++exponent;
        }
        while (value < 1) {
            value *= 10;
            --exponent;
        }
        std::snprintf(text, sizeof text, "%.15gE%d", value, exponent);
    } else {
        std::snprintf(text, sizeof text, "%.16g", value);
    }
    return text;
}

}  // namespace

std::string GraphRanksHeader() {
    return "#harmonicc_pos\t#harmonicc_val\t#pr_pos\t#pr_val\t#host_rev\t#n_hosts\n";
}

std::string GraphRanksLine(std::string_view domain, std::uint64_t h, std::uint64_t p) {
    return std::to_string(h) + "\t" + Value(3.05e7 / std::sqrt(static_cast<double>(h))) + "\t" +
           std::to_string(p) + "\t" + Value(0.009 / static_cast<double>(p)) + "\t" + ReversedName(domain) +
           "\t" + std::to_string(1 + h % 7) + "\n";
}

bool WriteGraphRanks(const std::string& path, const std::vector<std::string>& lines, bool gzipped) {
    const GzFile file(gzopen(path.c_str(), gzipped ? "wb6" : "wbT"));
    if (!file || !Put(file.get(), GraphRanksHeader())) {
        return false;
    }
    for (const std::string& line : lines) {
        if (!Put(file.get(), line)) {
            return false;
        }
    }
    return true;
}

std::string SyntheticGraphDomain(std::uint64_t i) {
    static constexpr std::array<std::string_view, 8> kZones = {"com", "org",   "net",  "ru",
                                                               "de",  "co.uk", "info", "xn--p1ai"};
    static constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::uint64_t x = i * 0x9e3779b97f4a7c15ULL + 0x632be59bd9b4e019ULL;
    x ^= x >> 29;
    const std::size_t length = 4 + x % 11;
    std::string name;
    // The index itself in the name keeps every name unique.
    std::uint64_t rest = i;
    for (std::size_t k = 0; k < length || rest > 0; ++k) {
        const std::uint64_t pick = k < length ? (x >> (k % 48)) % 26 : rest % 36;
        name.push_back(kLetters[pick]);
        if (k >= length) {
            rest /= 36;
        }
    }
    return name + "." + std::string(kZones[(x >> 53) % kZones.size()]);
}

bool WriteSyntheticGraph(const std::string& path, std::uint64_t count) {
    const GzFile file(gzopen(path.c_str(), "wb6"));
    if (!file || gzbuffer(file.get(), 1u << 20) != 0 || !Put(file.get(), GraphRanksHeader())) {
        return false;
    }
    std::string block;
    for (std::uint64_t i = 0; i < count; ++i) {
        // A PageRank position near the harmonic one, as the two orders mostly agree.
        const std::uint64_t p = 1 + (i ^ ((i * 0x5bd1e995ULL >> 7) & 0x3ff)) % count;
        block += GraphRanksLine(SyntheticGraphDomain(i), i + 1, p);
        if (block.size() > (1u << 20) || i + 1 == count) {
            if (!Put(file.get(), block)) {
                return false;
            }
            block.clear();
        }
    }
    return true;
}

}  // namespace vantle::sim
