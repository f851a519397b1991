// The two tables are taken from ICU's windows-1251 converter once. Converting through the converter itself
// would drop "default ignorable" code points (U+200B, U+034F, ...) instead of writing "?" for them, so the
// conversion runs on the tables. It is also the faster way for a list of a million lines.
#include "text/Cp1251.h"

#include <array>
#include <memory>
#include <stdexcept>

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

}  // namespace

std::u16string Cp1251ToUtf16(std::string_view bytes) {
    const auto& table = Tables().toUtf16;
    std::u16string text(bytes.size(), u'\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        text[i] = table[static_cast<unsigned char>(bytes[i])];
    }
    return text;
}

std::string Utf16ToCp1251(std::u16string_view text) {
    const auto& table = Tables().toByte;
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            bytes.push_back('?');  // one code point outside the BMP, one "?"
            ++i;
            continue;
        }
        const unsigned char byte = table[unit];
        bytes.push_back(byte != 0 || unit == 0 ? static_cast<char>(byte) : '?');
    }
    return bytes;
}

}  // namespace vantle
