#include "FWURLPosition/ToolbarChecksum.h"

namespace vantle {

namespace {

constexpr std::uint32_t kGoldenRatio = 0x9E3779B9u;
constexpr std::uint32_t kSeed = 0xC4A1D3F7u;
constexpr std::size_t kBlock = 12;

std::uint32_t Byte(const TDynByteArray& k, std::size_t i, unsigned shift) {
    return static_cast<std::uint32_t>(k[i]) << shift;
}

// Four bytes from k[i] on, least significant first.
std::uint32_t Word(const TDynByteArray& k, std::size_t i) {
    return Byte(k, i, 0) | Byte(k, i + 1, 8) | Byte(k, i + 2, 16) | Byte(k, i + 3, 24);
}

// The last 0 to 11 bytes. The lowest byte of c is kept for the length.
void AddTail(const TDynByteArray& k, std::size_t i, std::size_t left, std::uint32_t& a, std::uint32_t& b,
             std::uint32_t& c) {
    static constexpr unsigned kShift[4] = {0, 8, 16, 24};
    for (std::size_t j = 0; j < left; ++j) {
        if (j < 4) {
            a = WrapAdd(a, Byte(k, i + j, kShift[j]));
        } else if (j < 8) {
            b = WrapAdd(b, Byte(k, i + j, kShift[j - 4]));
        } else {
            c = WrapAdd(c, Byte(k, i + j, kShift[j - 7]));
        }
    }
}

// The mixing step on local words; ToolbarChecksum keeps a, b and c in registers through it.
inline void MixWords(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c) {
    a = (a - b - c) ^ (c >> 13);
    b = (b - c - a) ^ (a << 8);
    c = (c - a - b) ^ (b >> 13);
    a = (a - b - c) ^ (c >> 12);
    b = (b - c - a) ^ (a << 16);
    c = (c - a - b) ^ (b >> 5);
    a = (a - b - c) ^ (c >> 3);
    b = (b - c - a) ^ (a << 10);
    c = (c - a - b) ^ (b >> 15);
}

}  // namespace

std::uint32_t WrapAdd(std::uint32_t a, std::uint32_t b) {
    return a + b;  // unsigned arithmetic wraps modulo 2^32
}

std::uint32_t WrapSub(std::uint32_t a, std::uint32_t b) {
    return a - b;
}

std::uint32_t ZeroFillShr(std::uint32_t value, unsigned shift) {
    return shift >= 32 ? 0 : value >> shift;
}

void Mix(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c) {
    MixWords(a, b, c);
}

std::uint32_t ToolbarChecksum(const TDynByteArray& bytes) {
    std::uint32_t a = kGoldenRatio;
    std::uint32_t b = kGoldenRatio;
    std::uint32_t c = kSeed;
    std::size_t i = 0;
    std::size_t left = bytes.size();
    for (; left >= kBlock; i += kBlock, left -= kBlock) {
        a = WrapAdd(a, Word(bytes, i));
        b = WrapAdd(b, Word(bytes, i + 4));
        c = WrapAdd(c, Word(bytes, i + 8));
        MixWords(a, b, c);
    }
    c = WrapAdd(c, static_cast<std::uint32_t>(bytes.size()));
    AddTail(bytes, i, left, a, b, c);
    MixWords(a, b, c);
    return c;
}

}  // namespace vantle
