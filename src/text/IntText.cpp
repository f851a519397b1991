#include "text/IntText.h"

#include <limits>

namespace vantle {

namespace {

constexpr long long kMaxMagnitude = 1LL << 31;  // |INT32_MIN|; the sign decides what is allowed

int DigitValue(char c, int base) {
    int value = -1;
    if (c >= '0' && c <= '9') {
        value = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
        value = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
        value = c - 'A' + 10;
    }
    return value < base ? value : -1;
}

// The radix prefix at text[i]: "$", "x", "X", "0x" or "0X" selects hexadecimal; i moves past it.
int TakeRadix(std::string_view text, std::size_t& i) {
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        ++i;
        return 16;
    }
    if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        i += 2;
        return 16;
    }
    return 10;
}

}  // namespace

std::optional<std::int32_t> TryStrToInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const int base = TakeRadix(text, i);
    if (i == text.size()) {
        return std::nullopt;  // no digit at all
    }
    long long magnitude = 0;
    for (; i < text.size(); ++i) {
        const int digit = DigitValue(text[i], base);
        if (digit < 0) {
            return std::nullopt;
        }
        magnitude = magnitude * base + digit;
        if (magnitude > kMaxMagnitude) {
            return std::nullopt;  // stops growing long before long long could overflow
        }
    }
    const long long value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

std::int32_t StrToInt(std::string_view text) {
    if (const auto value = TryStrToInt(text)) {
        return *value;
    }
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
}

std::string IntToStr(long long value) {
    return std::to_string(value);
}

}  // namespace vantle
