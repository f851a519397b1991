// The two tables are taken from ICU's windows-1251 converter once. Converting through the converter itself
// would drop "default ignorable" code points (U+200B, U+034F, ...) instead of writing "?" for them, so the
// conversion runs on the tables. It is also the faster way for a list of a million lines.
#include "text/Cp1251.h"

#include <array>
#include <memory>
#include <stdexcept>

#include <unicode/uchar.h>
#include <unicode/ucnv.h>

namespace vantle {
namespace {

struct ConverterClose {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};

struct Cp1251Tables {
    std::array<char16_t, 256> toUtf16{};
    // 0 where the code page has no byte for the code unit (U+0000 itself is byte 0).
    std::array<unsigned char, 0x10000> toByte{};
};

Cp1251Tables BuildTables() {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, ConverterClose> converter(ucnv_open("windows-1251", &status));
    if (U_FAILURE(status)) {
        throw std::runtime_error("ICU has no windows-1251 converter");
    }
    Cp1251Tables tables;
    for (int byte = 0; byte < 256; ++byte) {
        const char in = static_cast<char>(byte);
        UChar out[2] = {};
        status = U_ZERO_ERROR;
        const int32_t n = ucnv_toUChars(converter.get(), out, 2, &in, 1, &status);
        char16_t unit = (U_SUCCESS(status) && n == 1) ? out[0] : static_cast<char16_t>(byte);
        if (byte == 0x98) {
            unit = u'\u0098';  // unassigned in the code page; kept as its C1 twin both ways
        }
        tables.toUtf16[static_cast<std::size_t>(byte)] = unit;
        tables.toByte[unit] = static_cast<unsigned char>(byte);
    }
    return tables;
}

const Cp1251Tables& Tables() {
    static const Cp1251Tables tables = BuildTables();
    return tables;
}

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Longest escape: 0x98, six hexadecimal digits (U+10FFFF), 0x98.
constexpr std::size_t kLongestEscape = 8;

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// A code point that has an escape: a character (no surrogate) the code page has no byte for. U+0098
// keeps its byte, as every byte keeps its code unit.
bool Escapable(char32_t codePoint) {
    if (codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        return false;
    }
    if (codePoint > 0xFFFF) {
        return true;
    }
    const auto unit = static_cast<char16_t>(codePoint);
    return unit != 0 && Tables().toByte[unit] == 0;
}

void AppendUtf16(std::u16string& text, char32_t codePoint) {
    if (codePoint > 0xFFFF) {
        const char32_t v = codePoint - 0x10000;
        text.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
        text.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
    } else {
        text.push_back(static_cast<char16_t>(codePoint));
    }
}

// One "?" per code point the code page cannot hold, or its escape when keep.
std::string ToCp1251(std::u16string_view text, bool keep) {
    const auto& table = Tables().toByte;
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            const char32_t codePoint = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                                       (static_cast<char32_t>(text[i + 1]) - 0xDC00);
            bytes += keep ? EscapeOf(codePoint) : std::string("?");  // one code point, one "?"
            ++i;
            continue;
        }
        const unsigned char byte = table[unit];
        if (keep && Escapable(unit)) {
            bytes += EscapeOf(unit);
        } else {
            bytes.push_back(byte != 0 || unit == 0 ? static_cast<char>(byte) : '?');
        }
    }
    return bytes;
}

}  // namespace

std::string EscapeOf(char32_t codePoint) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string digits;
    do {
        digits.insert(digits.begin(), kHex[codePoint & 0xF]);
        codePoint >>= 4;
    } while (codePoint != 0);
    return kEscapeByte + digits + kEscapeByte;
}

std::size_t EscapeAt(std::string_view bytes, std::size_t at, char32_t* codePoint) {
    if (at >= bytes.size() || bytes[at] != kEscapeByte) {
        return 0;
    }
    char32_t value = 0;
    std::size_t i = at + 1;
    for (; i < bytes.size() && i - at < kLongestEscape - 1; ++i) {
        const int digit = HexDigit(bytes[i]);
        if (digit < 0) {
            break;
        }
        value = value * 16 + static_cast<char32_t>(digit);
    }
    const std::size_t digits = i - at - 1;
    // Exactly the form EscapeOf writes (or the older one closed by ";"): no leading zero, the closing
    // byte after the digits, a code point that needs it.
    if (digits == 0 || bytes[at + 1] == '0' || i >= bytes.size() ||
        (bytes[i] != kEscapeByte && bytes[i] != ';') || !Escapable(value)) {
        return 0;
    }
    if (codePoint != nullptr) {
        *codePoint = value;
    }
    return i + 1 - at;
}

bool HoldsEscape(std::string_view bytes) {
    for (std::size_t at = bytes.find(kEscapeByte); at != std::string_view::npos;
         at = bytes.find(kEscapeByte, at + 1)) {
        if (EscapeAt(bytes, at) != 0) {
            return true;
        }
    }
    return false;
}

std::string EscapesAsQuestionMarks(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        if (const std::size_t length = EscapeAt(bytes, i)) {
            out.push_back('?');
            i += length;
        } else {
            out.push_back(bytes[i++]);
        }
    }
    return out;
}

std::size_t CharacterCount(std::string_view bytes) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < bytes.size(); ++count) {
        const std::size_t length = EscapeAt(bytes, i);
        i += length != 0 ? length : 1;
    }
    return count;
}

namespace {

// A byte no escape holds: reading can start after it.
bool OutsideEveryEscape(char byte) {
    return byte != kEscapeByte && byte != ';' && HexDigit(byte) < 0;
}

}  // namespace

bool InsideEscape(std::string_view bytes, std::size_t at) {
    if (at == 0 || at > bytes.size()) {
        return false;
    }
    std::size_t from = at;
    while (from > 0 && !OutsideEveryEscape(bytes[from - 1])) {
        --from;
    }
    for (std::size_t i = from; i < at;) {
        const std::size_t length = EscapeAt(bytes, i);
        if (length == 0) {
            ++i;
        } else if (i + length > at) {
            return true;
        } else {
            i += length;
        }
    }
    return false;
}

namespace {

// bytes with each escape replaced by what `replace` gives for its code point.
template <typename Replace>
std::string EachEscapeReplaced(std::string_view bytes, Replace replace) {
    if (bytes.find(kEscapeByte) == std::string_view::npos) {
        return std::string(bytes);
    }
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        char32_t codePoint = 0;
        if (const std::size_t length = EscapeAt(bytes, i, &codePoint)) {
            out += replace(codePoint);
            i += length;
        } else {
            out.push_back(bytes[i++]);
        }
    }
    return out;
}

}  // namespace

std::string CurrentEscapes(std::string_view bytes) {
    return EachEscapeReplaced(bytes, EscapeOf);
}

std::string LowerEscapes(std::string_view bytes) {
    return EachEscapeReplaced(bytes, [](char32_t codePoint) {
        const auto lower = static_cast<char32_t>(u_tolower(static_cast<UChar32>(codePoint)));
        const unsigned char byte = lower <= 0xFFFF ? Tables().toByte[lower] : 0;
        return Escapable(lower) ? EscapeOf(lower) : std::string(1, static_cast<char>(byte));
    });
}

std::u16string Cp1251ToUtf16(std::string_view bytes) {
    const auto& table = Tables().toUtf16;
    std::u16string text;
    if (bytes.find(kEscapeByte) == std::string_view::npos) {
        text.resize(bytes.size());
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            text[i] = table[static_cast<unsigned char>(bytes[i])];
        }
        return text;
    }
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        char32_t codePoint = 0;
        if (const std::size_t length = EscapeAt(bytes, i, &codePoint)) {
            AppendUtf16(text, codePoint);
            i += length;
        } else {
            text.push_back(table[static_cast<unsigned char>(bytes[i++])]);
        }
    }
    return text;
}

std::string Utf16ToCp1251(std::u16string_view text) {
    return ToCp1251(text, false);
}

std::string Utf16ToCp1251Keeping(std::u16string_view text) {
    return ToCp1251(text, true);
}

}  // namespace vantle
