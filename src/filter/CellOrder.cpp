#include "filter/CellOrder.h"

#include <array>
#include <cmath>

#include "text/Cp1251.h"

namespace vantle {

namespace {

// Windows-1251 capitals to their small letters; every other byte stays.
constexpr std::array<unsigned char, 256> MakeFoldTable() {
    std::array<unsigned char, 256> table{};
    for (int i = 0; i < 256; ++i) {
        table[static_cast<std::size_t>(i)] = static_cast<unsigned char>(i);
    }
    for (int c = 'A'; c <= 'Z'; ++c) {
        table[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c + 32);
    }
    for (int c = 0xC0; c <= 0xDF; ++c) {
        table[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c + 32);
    }
    // Ђ Ѓ Љ Њ Ќ Ћ Џ Ў Ј Ґ Ё Є Ї І Ѕ
    constexpr int kPairs[][2] = {{0x80, 0x90}, {0x81, 0x83}, {0x8A, 0x9A}, {0x8C, 0x9C}, {0x8D, 0x9D},
                                 {0x8E, 0x9E}, {0x8F, 0x9F}, {0xA1, 0xA2}, {0xA3, 0xBC}, {0xA5, 0xB4},
                                 {0xA8, 0xB8}, {0xAA, 0xBA}, {0xAF, 0xBF}, {0xB2, 0xB3}, {0xBD, 0xBE}};
    for (const auto& pair : kPairs) {
        table[static_cast<std::size_t>(pair[0])] = static_cast<unsigned char>(pair[1]);
    }
    return table;
}

constexpr std::array<unsigned char, 256> kFold = MakeFoldTable();

unsigned char Fold(char c) {
    return kFold[static_cast<unsigned char>(c)];
}

// The place of a folded letter in the order: the byte's own, but "ё" between "е" and "ж".
int Weight(unsigned char folded) {
    constexpr unsigned char kYo = 0xB8;
    constexpr unsigned char kYe = 0xE5;
    return folded == kYo ? kYe * 2 + 1 : folded * 2;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool ReadNumber(std::string_view text, double& value) {
    std::size_t at = 0;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) {
        negative = text[at] == '-';
        ++at;
    }
    double whole = 0;
    std::size_t digits = 0;
    for (; at < text.size() && IsDigit(text[at]); ++at, ++digits) {
        whole = whole * 10 + (text[at] - '0');
    }
    if (digits == 0) {
        return false;
    }
    if (at < text.size() && (text[at] == '.' || text[at] == ',')) {
        ++at;
        double scale = 0.1;
        std::size_t fraction = 0;
        for (; at < text.size() && IsDigit(text[at]); ++at, ++fraction, scale /= 10) {
            whole += (text[at] - '0') * scale;
        }
        if (fraction == 0) {
            return false;
        }
    }
    if (at != text.size()) {
        return false;
    }
    value = negative ? -whole : whole;
    return true;
}

int TwoDigits(std::string_view text, std::size_t at) {
    return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

bool ReadDate(std::string_view text, double& value) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
        return false;
    }
    for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (!IsDigit(text[i])) {
            return false;
        }
    }
    const int year = TwoDigits(text, 0) * 100 + TwoDigits(text, 2);
    const int month = TwoDigits(text, 5);
    const int day = TwoDigits(text, 8);
    if (month < 1 || month > 12 || day < 1 || day > 31) {
        return false;
    }
    value = year * 10000.0 + month * 100.0 + day;
    return true;
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

CellKey KeyOf(std::string_view cell) {
    cell = TrimBlanks(cell);
    CellKey key;
    if (cell.empty()) {
        return key;
    }
    if (ReadNumber(cell, key.value) && std::isfinite(key.value)) {
        key.kind = CellKind::Number;
    } else if (ReadDate(cell, key.value)) {
        key.kind = CellKind::Date;
    } else {
        key.kind = CellKind::Text;
        key.value = 0;
    }
    return key;
}

std::string FoldCase(std::string_view text) {
    std::string folded = LowerEscapes(text);
    for (char& c : folded) {
        c = static_cast<char>(Fold(c));
    }
    return folded;
}

namespace {

// A character beyond the code page is matched whole, never by the digits of its escape, and in
// either case.
bool ContainsWholeCharacters(std::string_view what, std::string_view needle) {
    for (std::size_t at = 0; at + needle.size() <= what.size(); ++at) {
        std::size_t i = 0;
        while (i < needle.size() && Fold(what[at + i]) == Fold(needle[i])) {
            ++i;
        }
        if (i == needle.size() && !InsideEscape(what, at) && !InsideEscape(what, at + needle.size())) {
            return true;
        }
    }
    return false;
}

}  // namespace

int CompareFolded(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const unsigned char x = Fold(a[i]);
        const unsigned char y = Fold(b[i]);
        if (x != y) {
            return Weight(x) < Weight(y) ? -1 : 1;
        }
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool ContainsFolded(std::string_view what, std::string_view needle) {
    if (needle.empty()) {
        return true;
    }
    if (what.find(kEscapeByte) != std::string_view::npos ||
        needle.find(kEscapeByte) != std::string_view::npos) {
        return ContainsWholeCharacters(LowerEscapes(what), LowerEscapes(needle));
    }
    if (needle.size() > what.size()) {
        return false;
    }
    const unsigned char first = Fold(needle[0]);
    for (std::size_t at = 0; at + needle.size() <= what.size(); ++at) {
        if (Fold(what[at]) != first) {
            continue;
        }
        std::size_t i = 1;
        while (i < needle.size() && Fold(what[at + i]) == Fold(needle[i])) {
            ++i;
        }
        if (i == needle.size()) {
            return true;
        }
    }
    return false;
}

bool ColumnOrder::Last(const CellKey& key) const {
    return ordinal_ ? !IsOrdinal(key) : key.kind == CellKind::Empty;
}

bool ColumnOrder::Before(const CellKey& a, std::string_view textA, const CellKey& b,
                         std::string_view textB) const {
    const bool lastA = Last(a);
    const bool lastB = Last(b);
    if (lastA || lastB) {
        return !lastA;
    }
    int order = 0;
    if (ordinal_) {
        // Numbers before dates, should a column hold both.
        order = a.kind != b.kind ? (a.kind < b.kind ? -1 : 1)
                                 : (a.value < b.value ? -1 : (b.value < a.value ? 1 : 0));
    } else {
        order = CompareFolded(TrimBlanks(textA), TrimBlanks(textB));
    }
    return descending_ ? order > 0 : order < 0;
}

}  // namespace vantle
