#include "web/CertDate.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <optional>

namespace vantle {
namespace {

constexpr std::array<std::string_view, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

void SkipBlanks(std::string_view& text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
}

// A run of 1..maxDigits digits at the front of text, taken off it.
std::optional<int> TakeNumber(std::string_view& text, std::size_t maxDigits) {
    std::size_t n = 0;
    int value = 0;
    while (n < text.size() && n < maxDigits && IsDigit(text[n])) {
        value = value * 10 + (text[n] - '0');
        ++n;
    }
    if (n == 0 || (n < text.size() && IsDigit(text[n]))) {
        return std::nullopt;
    }
    text.remove_prefix(n);
    return value;
}

bool TakeChar(std::string_view& text, char c) {
    if (text.empty() || text.front() != c) {
        return false;
    }
    text.remove_prefix(1);
    return true;
}

// "HH:MM:SS" with an optional fraction of a second.
bool TakeTime(std::string_view& text) {
    if (!TakeNumber(text, 2) || !TakeChar(text, ':') || !TakeNumber(text, 2) || !TakeChar(text, ':') ||
        !TakeNumber(text, 2)) {
        return false;
    }
    if (TakeChar(text, '.') && !TakeNumber(text, 9)) {
        return false;
    }
    return true;
}

// What may follow the time: " GMT", "Z", or nothing.
bool IsZoneEnd(std::string_view text) {
    SkipBlanks(text);
    return text.empty() || text == "GMT" || text == "Z" || text == "UTC";
}

std::string Format(int year, int month, int day) {
    if (year < 0 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31) {
        return {};
    }
    char out[16];
    std::snprintf(out, sizeof out, "%04d-%02d-%02d", year, month, day);
    return out;
}

// "Jan  2 03:04:05 2027 GMT"
std::string FromMonthName(std::string_view text) {
    int month = 0;
    for (std::size_t i = 0; i < kMonths.size(); ++i) {
        if (text.substr(0, 3) == kMonths[i]) {
            month = static_cast<int>(i) + 1;
        }
    }
    if (month == 0) {
        return {};
    }
    text.remove_prefix(3);
    SkipBlanks(text);
    const auto day = TakeNumber(text, 2);
    SkipBlanks(text);
    if (!day || !TakeTime(text)) {
        return {};
    }
    SkipBlanks(text);
    const auto year = TakeNumber(text, 4);
    return year && IsZoneEnd(text) ? Format(*year, month, *day) : std::string();
}

// "2027-01-02 03:04:05 GMT"
std::string FromIso(std::string_view text) {
    const auto year = TakeNumber(text, 4);
    if (!year || !TakeChar(text, '-')) {
        return {};
    }
    const auto month = TakeNumber(text, 2);
    if (!month || !TakeChar(text, '-')) {
        return {};
    }
    const auto day = TakeNumber(text, 2);
    if (!day || (!TakeChar(text, ' ') && !TakeChar(text, 'T')) || !TakeTime(text) || !IsZoneEnd(text)) {
        return {};
    }
    return Format(*year, *month, *day);
}

}  // namespace

std::string CertDate(std::string_view text) {
    SkipBlanks(text);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\n')) {
        text.remove_suffix(1);
    }
    if (!text.empty() && IsDigit(text.front())) {
        return FromIso(text);
    }
    return FromMonthName(text);
}

}  // namespace vantle
