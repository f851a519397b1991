#include "Lookup2.h"

namespace vantle::bench {
namespace {

// clang-format off
inline void Mix(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c) {
    a -= b; a -= c; a ^= (c >> 13);
    b -= c; b -= a; b ^= (a << 8);
    c -= a; c -= b; c ^= (b >> 13);
    a -= b; a -= c; a ^= (c >> 12);
    b -= c; b -= a; b ^= (a << 16);
    c -= a; c -= b; c ^= (b >> 5);
    a -= b; a -= c; a ^= (c >> 3);
    b -= c; b -= a; b ^= (a << 10);
    c -= a; c -= b; c ^= (b >> 15);
}
// clang-format on

inline std::uint32_t Le32(const std::uint8_t* k) {
    return k[0] + (std::uint32_t{k[1]} << 8) + (std::uint32_t{k[2]} << 16) + (std::uint32_t{k[3]} << 24);
}

}  // namespace

std::uint32_t Lookup2Hash(const std::uint8_t* k, std::size_t length, std::uint32_t initval) {
    std::uint32_t a = 0x9e3779b9u;
    std::uint32_t b = 0x9e3779b9u;
    std::uint32_t c = initval;
    std::size_t len = length;
    while (len >= 12) {
        a += Le32(k);
        b += Le32(k + 4);
        c += Le32(k + 8);
        Mix(a, b, c);
        k += 12;
        len -= 12;
    }
    c += static_cast<std::uint32_t>(length);
    // clang-format off
    switch (len) {
        case 11: c += std::uint32_t{k[10]} << 24; [[fallthrough]];
        case 10: c += std::uint32_t{k[9]} << 16; [[fallthrough]];
        case 9: c += std::uint32_t{k[8]} << 8; [[fallthrough]];
        case 8: b += std::uint32_t{k[7]} << 24; [[fallthrough]];
        case 7: b += std::uint32_t{k[6]} << 16; [[fallthrough]];
        case 6: b += std::uint32_t{k[5]} << 8; [[fallthrough]];
        case 5: b += k[4]; [[fallthrough]];
        case 4: a += std::uint32_t{k[3]} << 24; [[fallthrough]];
        case 3: a += std::uint32_t{k[2]} << 16; [[fallthrough]];
        case 2: a += std::uint32_t{k[1]} << 8; [[fallthrough]];
        case 1: a += k[0]; [[fallthrough]];
        default: break;
    }
    // clang-format on
    Mix(a, b, c);
    return c;
}

}  // namespace vantle::bench
