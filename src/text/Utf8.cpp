#include "text/Utf8.h"

#include <unicode/ustring.h>

#include "text/Cp1251.h"

namespace vantle {

std::string Cp1251ToUtf8(std::string_view bytes) {
    const std::u16string text = Cp1251ToUtf16(bytes);
    std::string utf8(text.size() * 3, '\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8(utf8.data(), static_cast<int32_t>(utf8.size()), &length, text.data(),
                static_cast<int32_t>(text.size()), &status);
    utf8.resize(U_SUCCESS(status) ? static_cast<std::size_t>(length) : 0);
    return utf8;
}

std::string Utf8ToCp1251(std::string_view utf8) {
    std::u16string text(utf8.size(), u'\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    // U+FFFD for every ill-formed sequence; the code page has no such character, so it becomes "?".
    u_strFromUTF8WithSub(text.data(), static_cast<int32_t>(text.size()), &length, utf8.data(),
                         static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &status);
    if (U_FAILURE(status)) {
        return std::string(utf8.size(), '?');
    }
    text.resize(static_cast<std::size_t>(length));
    return Utf16ToCp1251(text);
}

}  // namespace vantle
