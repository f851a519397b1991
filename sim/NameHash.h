#pragma once
// What the simulated services derive their made-up answers from: a stable hash of a name (FNV-1a, the
// same on every run and machine) and its ASCII lower case.

#include <cstdint>
#include <string>
#include <string_view>

namespace vantle::sim {

inline std::uint32_t NameHash(std::string_view name) {
    std::uint32_t hash = 2166136261u;
    for (const char c : name) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    return hash;
}

inline std::string AsciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

}  // namespace vantle::sim
