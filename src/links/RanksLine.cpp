#include "links/RanksLine.h"

#include <array>
#include <charconv>
#include <system_error>

namespace vantle {
namespace {

constexpr std::size_t kFields = 5;  // the sixth, the count of hosts, is not needed
constexpr std::string_view kWww = "www.";

// Splits off the first kFields tab-separated fields; false when there are fewer.
bool SplitFields(std::string_view line, std::array<std::string_view, kFields>& fields) {
    for (std::size_t i = 0; i < kFields; ++i) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos && i + 1 < kFields) {
            return false;
        }
        fields[i] = line.substr(0, tab);
        line = tab == std::string_view::npos ? std::string_view() : line.substr(tab + 1);
    }
    return true;
}

bool ReadPosition(std::string_view text, std::uint32_t& out) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, out);
    return error == std::errc() && stop == end && out > 0;
}

bool IsNumber(std::string_view text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end;
}

bool NameByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

// The reversed name in reading order, lower case; empty when it is no domain name.
std::string Forward(std::string_view reversed) {
    if (reversed.empty() || reversed.size() > kMaxGraphName) {
        return {};
    }
    std::string name;
    name.reserve(reversed.size());
    std::size_t end = reversed.size();
    while (true) {
        if (end == 0) {
            return {};  // a dot first
        }
        const std::size_t dot = reversed.rfind('.', end - 1);
        const std::size_t begin = dot == std::string_view::npos ? 0 : dot + 1;
        if (end == begin || end - begin > 63) {
            return {};  // an empty label (a dot at either end, or two dots) or a label too long
        }
        if (!name.empty()) {
            name.push_back('.');
        }
        for (std::size_t i = begin; i < end; ++i) {
            const char c =
                reversed[i] >= 'A' && reversed[i] <= 'Z' ? static_cast<char>(reversed[i] + 32) : reversed[i];
            if (!NameByte(c)) {
                return {};
            }
            name.push_back(c);
        }
        if (dot == std::string_view::npos) {
            break;
        }
        end = dot;
    }
    // "www.example.com" (and "www.www.example.com") is example.com, but "www.com" is a name of its own.
    std::size_t from = 0;
    while (name.compare(from, kWww.size(), kWww) == 0 &&
           name.find('.', from + kWww.size()) != std::string::npos) {
        from += kWww.size();
    }
    name.erase(0, from);
    return name;
}

std::string_view WithoutCr(std::string_view line) {
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

}  // namespace

std::string ReversedName(std::string_view name) {
    std::string reversed;
    reversed.reserve(name.size());
    while (true) {
        const std::size_t dot = name.rfind('.');
        reversed.append(name.substr(dot == std::string_view::npos ? 0 : dot + 1));
        if (dot == std::string_view::npos) {
            return reversed;
        }
        reversed.push_back('.');
        name = name.substr(0, dot);
    }
}

bool IsRanksHeader(std::string_view line) {
    std::array<std::string_view, kFields> fields;
    return SplitFields(WithoutCr(line), fields) && fields[0] == "#harmonicc_pos" && fields[2] == "#pr_pos" &&
           fields[4] == "#host_rev";
}

RanksLine ReadRanksLine(std::string_view line) {
    RanksLine read;
    line = WithoutCr(line);
    if (!line.empty() && line.front() == '#' && IsRanksHeader(line)) {
        read.kind = RanksLineKind::Header;
        return read;
    }
    std::array<std::string_view, kFields> fields;
    if (!SplitFields(line, fields) || !ReadPosition(fields[0], read.ranks.harmonic) || !IsNumber(fields[1]) ||
        !ReadPosition(fields[2], read.ranks.pagerank) || !IsNumber(fields[3])) {
        read.ranks = {};
        return read;
    }
    read.domain = Forward(fields[4]);
    if (read.domain.empty()) {
        read.ranks = {};
        return read;
    }
    read.kind = RanksLineKind::Entry;
    return read;
}

}  // namespace vantle
