#include "text/Cp1251.h"

#include <unicode/ucnv.h>

#include <memory>
#include <stdexcept>

namespace vantle {

namespace {

struct ConverterClose {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterClose>;

// One converter per thread: ucnv_toUChars and ucnv_fromUChars reset it on every call, and a converter
// must not be shared between threads.
UConverter& Windows1251() {
    thread_local const Converter converter = [] {
        UErrorCode status = U_ZERO_ERROR;
        Converter opened(ucnv_open("windows-1251", &status));
        if (U_FAILURE(status)) {
            throw std::runtime_error(std::string("windows-1251 converter: ") + u_errorName(status));
        }
        // A single-byte program writes "?" for what the code page cannot hold, not ICU's 0x1A.
        status = U_ZERO_ERROR;  // drop the warning that "windows-1251" is an ambiguous alias
        ucnv_setSubstChars(opened.get(), "?", 1, &status);
        if (U_FAILURE(status)) {
            throw std::runtime_error(std::string("windows-1251 substitute: ") + u_errorName(status));
        }
        return opened;
    }();
    return *converter;
}

void ThrowOnFailure(UErrorCode status) {
    if (U_FAILURE(status)) {
        throw std::runtime_error(std::string("windows-1251 conversion: ") + u_errorName(status));
    }
}

}  // namespace

std::u16string Cp1251ToUtf16(std::string_view bytes) {
    // Every one of the 256 bytes is mapped to exactly one BMP code unit, so the size is known.
    std::u16string text(bytes.size(), u'\0');
    if (bytes.empty()) {
        return text;
    }
    UErrorCode status = U_ZERO_ERROR;
    const int32_t written = ucnv_toUChars(&Windows1251(), text.data(), static_cast<int32_t>(text.size()),
                                          bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    ThrowOnFailure(status);
    text.resize(static_cast<std::size_t>(written));
    return text;
}

std::string Utf16ToCp1251(std::u16string_view text) {
    // At most one byte per code unit: a code point becomes one byte or one "?".
    std::string bytes(text.size(), '\0');
    if (text.empty()) {
        return bytes;
    }
    UErrorCode status = U_ZERO_ERROR;
    const int32_t written = ucnv_fromUChars(&Windows1251(), bytes.data(), static_cast<int32_t>(bytes.size()),
                                            text.data(), static_cast<int32_t>(text.size()), &status);
    ThrowOnFailure(status);
    bytes.resize(static_cast<std::size_t>(written));
    return bytes;
}

}  // namespace vantle
