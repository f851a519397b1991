// DayOf: the day at the start of a date as registries write it. The text is cut into numbers and words;
// times ("09:42:42") and a leading weekday are passed over, and the first three parts that remain
// must be a year, a month and a day in one of the orders registries use.
#include <array>
#include <cstdio>
#include <vector>

#include "registry/ReaderText.h"
#include "registry/RegistryReaders.h"

namespace vantle::registry {
namespace {

using text::IsDigit;
using text::IsLetter;
using text::LowerCopy;

struct Part {
    std::string_view text;
    bool number = false;
    char separator = 0;  // the punctuation before the part (blanks not counted); 0 for none
    bool blankBefore = false;
};

constexpr std::array<std::string_view, 12> kMonths{"january",   "february", "march",    "april",
                                                   "may",       "june",     "july",     "august",
                                                   "september", "october",  "november", "december"};

// 1..12 for a month's English name or its first three letters ("Sept" too); -1 for anything else.
int MonthNamed(std::string_view word) {
    const std::string lower = LowerCopy(word);
    for (std::size_t m = 0; m < kMonths.size(); ++m) {
        if (lower == kMonths[m] || (lower.size() == 3 && kMonths[m].starts_with(lower)) ||
            (m == 8 && lower == "sept")) {
            return static_cast<int>(m) + 1;
        }
    }
    return -1;
}

bool IsWeekday(std::string_view word) {
    static constexpr std::array<std::string_view, 7> kDays{"mon", "tue", "wed", "thu", "fri", "sat", "sun"};
    const std::string lower = LowerCopy(word);
    for (std::string_view day : kDays) {
        if (lower.starts_with(day) && lower.size() <= 9) {
            return true;
        }
    }
    return false;
}

bool IsOrdinal(std::string_view word) {
    const std::string lower = LowerCopy(word);
    return lower == "st" || lower == "nd" || lower == "rd" || lower == "th";
}

// The first parts of the text: numbers and words with the punctuation between them. Stops at anything
// else (a bracket, a sign) and after a handful of parts, which is all a date needs.
std::vector<Part> Parts(std::string_view text) {
    std::vector<Part> parts;
    std::size_t i = 0;
    char separator = 0;
    bool blank = false;
    while (i < text.size() && parts.size() < 10) {
        const char c = text[i];
        if (c == ' ' || c == '\t') {
            blank = true;
            ++i;
            continue;
        }
        if (c == '-' || c == '.' || c == '/' || c == ':' || c == ',') {
            if (separator != 0 || parts.empty()) {
                break;  // two marks in a row, or a mark before anything: not a date's
            }
            separator = c;
            ++i;
            continue;
        }
        const bool number = IsDigit(c);
        if (!number && !IsLetter(c)) {
            break;
        }
        std::size_t end = i;
        while (end < text.size() && (number ? IsDigit(text[end]) : IsLetter(text[end]))) {
            ++end;
        }
        parts.push_back({text.substr(i, end - i), number, separator, blank});
        separator = 0;
        blank = false;
        i = end;
    }
    return parts;
}

int Number(const Part& part, std::size_t minDigits, std::size_t maxDigits) {
    if (!part.number || part.text.size() < minDigits || part.text.size() > maxDigits) {
        return -1;
    }
    int value = 0;
    for (char c : part.text) {
        value = value * 10 + (c - '0');
    }
    return value;
}

int DaysIn(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

std::string Day(int year, int month, int day) {
    if (year < 1900 || year > 2999 || month < 1 || month > 12 || day < 1 || day > DaysIn(year, month)) {
        return {};
    }
    char out[32];
    std::snprintf(out, sizeof out, "%04d-%02d-%02d", year, month, day);
    return out;
}

// The parts that can make a date: a time ("09:42:42", its parts joined by colons) and an ordinal's
// letters ("30th") are dropped; a weekday in front is dropped.
std::vector<Part> DateParts(const std::vector<Part>& parts) {
    std::vector<Part> kept;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const Part& part = parts[i];
        const bool timeStart = i + 1 < parts.size() && parts[i + 1].separator == ':';
        if (part.separator == ':' || timeStart) {
            continue;
        }
        if (!part.number && !kept.empty() && kept.back().number && !part.blankBefore && part.separator == 0 &&
            IsOrdinal(part.text)) {
            continue;
        }
        if (kept.empty() && !part.number && IsWeekday(part.text) && MonthNamed(part.text) < 0) {
            continue;
        }
        kept.push_back(part);
    }
    return kept;
}

// Numbers written with one mark between them ("2021-03-04", "2007. 03. 02.") use the same mark twice.
bool SameMarks(const Part& second, const Part& third) {
    return second.separator == third.separator;
}

}  // namespace

std::string DayOf(std::string_view date) {
    const std::vector<Part> all = Parts(text::Trim(date));
    if (all.empty() || all.front().separator != 0) {
        return {};
    }
    // YYYYMMDD
    if (all.front().number && all.front().text.size() == 8) {
        const int n = Number(all.front(), 8, 8);
        return Day(n / 10000, n / 100 % 100, n % 100);
    }
    const std::vector<Part> p = DateParts(all);
    if (p.size() < 3) {
        return {};
    }
    // A date must start the text (a weekday may stand in front of it).
    if (p[0].text.data() != all[0].text.data() &&
        !(all.size() > 1 && p[0].text.data() == all[1].text.data())) {
        return {};
    }
    const int month1 = p[1].number ? Number(p[1], 1, 2) : MonthNamed(p[1].text);
    if (const int year = Number(p[0], 4, 4); year >= 0) {
        // YYYY-MM-DD, YYYY/MM/DD, YYYY.MM.DD, "2007. 03. 02.", "2001-Aug-23."
        const int day = Number(p[2], 1, 2);
        if (p[1].separator == 0 || !SameMarks(p[1], p[2]) || month1 < 0 || day < 0) {
            return {};
        }
        return Day(year, month1, day);
    }
    if (const int day = Number(p[0], 1, 2); day >= 0) {
        // DD.MM.YYYY, D.M.YYYY, DD/MM/YYYY, DD-MM-YYYY, DD-Mon-YYYY, "31 May 1999", "30th April 2003"
        const int year = Number(p[2], 4, 4);
        if (month1 < 0 || year < 0) {
            return {};
        }
        if (p[1].number) {
            if (p[1].separator == 0 || !SameMarks(p[1], p[2])) {
                return {};
            }
            // A month past 12 with a day that could be one: the American order.
            return month1 > 12 && day <= 12 ? Day(year, day, month1) : Day(year, month1, day);
        }
        return Day(year, month1, day);
    }
    if (const int month = MonthNamed(p[0].text); month > 0 && !p[0].number) {
        // "Feb 10 2004", "Tue Feb 10 09:42:42 2004", "May 31, 1999"
        const int day = Number(p[1], 1, 2);
        const int year = Number(p[2], 4, 4);
        return day >= 0 && year >= 0 ? Day(year, month, day) : std::string();
    }
    return {};
}

}  // namespace vantle::registry
