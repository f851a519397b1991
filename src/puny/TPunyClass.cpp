#include "puny/TPunyClass.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace vantle {

namespace {

constexpr std::int32_t kBase = 36;
constexpr std::int32_t kTMin = 1;
constexpr std::int32_t kTMax = 26;
constexpr std::int32_t kSkew = 38;
constexpr std::int32_t kDamp = 700;
constexpr std::int32_t kInitialBias = 72;
constexpr std::int32_t kInitialN = 128;
constexpr std::int32_t kMaxInt = 2147483647;  // stands for infinity in the digit loop
constexpr char16_t kDelimiter = u'-';
constexpr std::size_t kReserveLimit = 4096;

bool IsBelow(char16_t unit, std::int32_t limit) {
    return unit < limit;
}

std::int32_t Adapt(std::int32_t delta, std::int32_t numPoints, bool firstTime) {
    delta = firstTime ? delta / kDamp : delta / 2;
    delta += delta / numPoints;
    std::int32_t k = 0;
    while (delta > ((kBase - kTMin) * kTMax) / 2) {
        delta /= kBase - kTMin;
        k += kBase;
    }
    return k + ((kBase - kTMin + 1) * delta) / (delta + kSkew);
}

char16_t EncodeDigit(std::int32_t d) {
    if (d >= 0 && d < 26) {
        return static_cast<char16_t>(u'a' + d);
    }
    if (d >= 26 && d < 36) {
        return static_cast<char16_t>(u'0' + d - 26);
    }
    return u'\0';
}

// The smallest code unit of input that is not below n; kMaxInt when there is none.
std::int32_t NextCodePoint(std::u16string_view input, std::int32_t n) {
    std::int32_t m = kMaxInt;
    for (char16_t unit : input) {
        if (!IsBelow(unit, n) && unit < m) {
            m = unit;
        }
    }
    return m;
}

std::int32_t Threshold(std::int32_t k, std::int32_t bias) {
    if (k <= bias + kTMin) {
        return kTMin;
    }
    if (k >= bias + kTMax) {
        return kTMax;
    }
    return k - bias;
}

// The generalized variable-length integer for q, least significant digit first.
// A 32-bit q takes at most 10 digits (each digit but the last divides it by at least 10).
void AppendVariableLengthInteger(std::int32_t q, std::int32_t bias, std::u16string& output) {
    char16_t digits[16];
    std::size_t count = 0;
    for (std::int64_t k = kBase; k <= kMaxInt; k += kBase) {
        const std::int32_t t = Threshold(static_cast<std::int32_t>(k), bias);
        if (q < t) {
            break;
        }
        digits[count++] = EncodeDigit(t + (q - t) % (kBase - t));
        q = (q - t) / (kBase - t);
    }
    digits[count++] = EncodeDigit(q);
    output.append(digits, count);
}

// delta + increment, or nothing when the sum leaves the 32-bit range: the encoding then fails.
std::optional<std::int32_t> CheckedAdd(std::int32_t delta, std::int64_t increment) {
    const std::int64_t sum = delta + increment;
    if (sum > kMaxInt) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(sum);
}

// Bootstring encoding with the Punycode parameters; nothing on overflow.
std::optional<std::u16string> Bootstring(std::u16string_view input) {
    if (input.size() > static_cast<std::size_t>(kMaxInt - 1)) {
        return std::nullopt;
    }
    const auto length = static_cast<std::int32_t>(input.size());
    std::int32_t n = kInitialN;
    std::int32_t delta = 0;
    std::int32_t bias = kInitialBias;
    std::u16string output;
    // A Cyrillic label takes about one and a half units per letter: one allocation instead of a few.
    output.reserve(std::min<std::size_t>(input.size(), kReserveLimit) * 2 + 8);
    for (char16_t unit : input) {
        if (IsBelow(unit, 128)) {
            output += unit;
        }
    }
    const auto b = static_cast<std::int32_t>(output.size());
    if (b > 0 && b < length) {
        output += kDelimiter;
    }
    // Each pass over input also finds the code point of the next pass.
    for (std::int32_t h = b, m = NextCodePoint(input, n); h < length;) {
        const auto grown = CheckedAdd(delta, static_cast<std::int64_t>(m - n) * (h + 1));
        if (!grown) {
            return std::nullopt;
        }
        delta = *grown;
        n = m;
        m = kMaxInt;
        for (char16_t unit : input) {
            if (IsBelow(unit, n)) {
                if (delta == kMaxInt) {
                    return std::nullopt;
                }
                ++delta;
            } else if (unit == n) {
                AppendVariableLengthInteger(delta, bias, output);
                bias = Adapt(delta, h + 1, h == b);
                delta = 0;
                ++h;
            } else if (unit < m) {
                m = unit;
            }
        }
        if (delta == kMaxInt) {
            return std::nullopt;
        }
        ++delta;
        ++n;
    }
    return output;
}

}  // namespace

std::u16string TPunyClass::Encode(std::u16string_view input) const {
    try {
        if (auto encoded = Bootstring(input)) {
            return *std::move(encoded);
        }
    } catch (...) {
        // Out of memory on an absurd label: the label stays as it is, like an overflow.
    }
    return std::u16string(input);
}

}  // namespace vantle
