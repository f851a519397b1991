#include "text/Utf8.h"

#include <unicode/ustring.h>

#include <algorithm>

#include "text/Cp1251.h"

namespace vantle {

std::string Cp1251ToUtf8(std::string_view bytes) {
    // Bytes below 0x80 are the same in both (an escape opens with 0x98): most cells are such.
    if (std::all_of(bytes.begin(), bytes.end(),
                    [](char byte) { return static_cast<unsigned char>(byte) < 0x80; })) {
        return std::string(bytes);
    }
    const std::u16string text = Cp1251ToUtf16(bytes);
    std::string utf8(text.size() * 3, '\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8(utf8.data(), static_cast<int32_t>(utf8.size()), &length, text.data(),
                static_cast<int32_t>(text.size()), &status);
    utf8.resize(U_SUCCESS(status) ? static_cast<std::size_t>(length) : 0);
    return utf8;
}

namespace {

std::string ToCp1251(std::string_view utf8, bool keep) {
    std::u16string text(utf8.size(), u'\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    // "?" for every ill-formed sequence, whether the characters are kept or not.
    u_strFromUTF8WithSub(text.data(), static_cast<int32_t>(text.size()), &length, utf8.data(),
                         static_cast<int32_t>(utf8.size()), u'?', nullptr, &status);
    if (U_FAILURE(status)) {
        return std::string(utf8.size(), '?');
    }
    text.resize(static_cast<std::size_t>(length));
    return keep ? Utf16ToCp1251Keeping(text) : Utf16ToCp1251(text);
}

}  // namespace

std::string Utf8ToCp1251(std::string_view utf8) {
    return ToCp1251(utf8, false);
}

std::string Utf8ToCp1251Keeping(std::string_view utf8) {
    return ToCp1251(utf8, true);
}

}  // namespace vantle
