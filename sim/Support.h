#pragma once
// Small things the simulated services and the hostile tests share: what made-up answers are derived
// from (a stable hash of a name, FNV-1a, the same on every run and machine, and its ASCII lower case),
// long repeated texts, and the thread a loopback server serves on.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>

namespace asio {
class io_context;
}

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

// piece, times times over.
inline std::string Repeat(std::string_view piece, std::size_t times) {
    std::string out;
    out.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i) {
        out += piece;
    }
    return out;
}

// Runs io until it is stopped; a handler that throws is reported on standard error as who's, and the
// serving goes on.
std::thread ServeOnThread(asio::io_context& io, const char* who);

}  // namespace vantle::sim
