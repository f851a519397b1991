#include "FWURLPosition/ToolbarChecksum.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace vantle {
namespace {

// Bob Jenkins' lookup2 hash as he published it (hash(k, length, initval) with its mix macro and the
// falling switch), kept apart from the code under test so that the two can be compared.
using ub4 = std::uint32_t;
using ub1 = std::uint8_t;

// clang-format off
#define JENKINS_MIX(a, b, c) \
{ \
  a -= b; a -= c; a ^= (c >> 13); \
  b -= c; b -= a; b ^= (a << 8); \
  c -= a; c -= b; c ^= (b >> 13); \
  a -= b; a -= c; a ^= (c >> 12); \
  b -= c; b -= a; b ^= (a << 16); \
  c -= a; c -= b; c ^= (b >> 5); \
  a -= b; a -= c; a ^= (c >> 3); \
  b -= c; b -= a; b ^= (a << 10); \
  c -= a; c -= b; c ^= (b >> 15); \
}
// clang-format on

ub4 JenkinsHash(const ub1* k, ub4 length, ub4 initval) {
    ub4 a, b, c, len;
    len = length;
    a = b = 0x9e3779b9;
    c = initval;
    while (len >= 12) {
        a += (k[0] + ((ub4)k[1] << 8) + ((ub4)k[2] << 16) + ((ub4)k[3] << 24));
        b += (k[4] + ((ub4)k[5] << 8) + ((ub4)k[6] << 16) + ((ub4)k[7] << 24));
        c += (k[8] + ((ub4)k[9] << 8) + ((ub4)k[10] << 16) + ((ub4)k[11] << 24));
        JENKINS_MIX(a, b, c);
        k += 12;
        len -= 12;
    }
    c += length;
    switch (len) {
        case 11:
            c += ((ub4)k[10] << 24);
            [[fallthrough]];
        case 10:
            c += ((ub4)k[9] << 16);
            [[fallthrough]];
        case 9:
            c += ((ub4)k[8] << 8);
            [[fallthrough]];
        case 8:
            b += ((ub4)k[7] << 24);
            [[fallthrough]];
        case 7:
            b += ((ub4)k[6] << 16);
            [[fallthrough]];
        case 6:
            b += ((ub4)k[5] << 8);
            [[fallthrough]];
        case 5:
            b += k[4];
            [[fallthrough]];
        case 4:
            a += ((ub4)k[3] << 24);
            [[fallthrough]];
        case 3:
            a += ((ub4)k[2] << 16);
            [[fallthrough]];
        case 2:
            a += ((ub4)k[1] << 8);
            [[fallthrough]];
        case 1:
            a += k[0];
    }
    JENKINS_MIX(a, b, c);
    return c;
}

#undef JENKINS_MIX

constexpr ub4 kSeed = 0xC4A1D3F7;

TDynByteArray Bytes(const std::string& text) {
    return TDynByteArray(text.begin(), text.end());
}

TEST(ToolbarChecksum, Should_EqualPublishedLookup2_When_LengthsRunFrom0To40) {
    // Every byte value from 0x80 up appears, so a signed widening of bytes would show.
    TDynByteArray key;
    for (int i = 0; i < 40; ++i) {
        key.push_back(static_cast<std::uint8_t>(i % 3 == 0 ? 0x80 + i * 3 : 0xFF - i));
    }
    for (std::size_t length = 0; length <= key.size(); ++length) {
        const TDynByteArray prefix(key.begin(), key.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_EQ(ToolbarChecksum(prefix), JenkinsHash(prefix.data(), static_cast<ub4>(length), kSeed))
            << length;
    }
}

TEST(ToolbarChecksum, Should_EqualPublishedLookup2_When_AllBytesAreHigh) {
    for (int fill = 0x80; fill <= 0xFF; ++fill) {
        const TDynByteArray key(25, static_cast<std::uint8_t>(fill));
        EXPECT_EQ(ToolbarChecksum(key), JenkinsHash(key.data(), 25, kSeed)) << fill;
    }
}

TEST(ToolbarChecksum, Should_GiveKnownValues_When_BlocksAreFullOrNearlyFull) {
    // Prefixes of one text with Windows-1251 letters and bytes 0xFF, 0x80, 0x98; the values were worked
    // out apart from this code. 12 and 24 bytes end with whole blocks: only the length is added.
    const std::string text =
        "info:http://\xEF\xF0\xE8\xEC\xE5\xF0.\xF0\xF4/\xFF\x80\x98"
        "ab";
    ASSERT_EQ(text.size(), 27u);
    struct Case {
        std::size_t length;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {0, 0x46DFB347u},  {11, 0x6AF8E228u}, {12, 0x43D86D78u}, {13, 0xD8F3BB60u},
        {23, 0xC743A78Du}, {24, 0xD0BB8D8Fu}, {25, 0x7638A655u},
    };
    for (const Case& c : cases) {
        const TDynByteArray prefix = Bytes(text.substr(0, c.length));
        EXPECT_EQ(ToolbarChecksum(prefix), c.expected) << c.length;
        EXPECT_EQ(JenkinsHash(prefix.data(), static_cast<ub4>(c.length), kSeed), c.expected) << c.length;
    }
}

TEST(ToolbarChecksum, Helpers_Should_WrapAndShiftInZeros) {
    EXPECT_EQ(WrapAdd(0xFFFFFFFFu, 2u), 1u);
    EXPECT_EQ(WrapSub(1u, 2u), 0xFFFFFFFFu);
    EXPECT_EQ(ZeroFillShr(0x80000000u, 31), 1u);
    EXPECT_EQ(ZeroFillShr(0xFFFFFFFFu, 13), 0x0007FFFFu);
    EXPECT_EQ(ZeroFillShr(0xFFFFFFFFu, 0), 0xFFFFFFFFu);
    EXPECT_EQ(ZeroFillShr(0xFFFFFFFFu, 32), 0u);
}

}  // namespace
}  // namespace vantle
