#include "io/ListFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <cerrno>
#include <cstdint>

#include <unicode/ustring.h>

#include "io/PosixFile.h"
#include "text/Utf8.h"

namespace vantle {
namespace {

// Decodes in place: the text only ever shrinks, so the write position never passes the read one.
void DecodeInPlace(std::string& text) {
    const std::size_t end = text.find('\0');
    if (end != std::string::npos) {
        text.resize(end);
    }
    std::size_t out = 0;
    for (std::size_t in = 0; in < text.size(); ++in) {
        const char c = text[in];
        if (c == '\r') {
            text[out++] = '\n';
            if (in + 1 < text.size() && text[in + 1] == '\n') {
                ++in;
            }
        } else {
            text[out++] = c;
        }
    }
    text.resize(out);
}

UniqueFd OpenForReading(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        throw EFOpenError(CannotOpenText(path, errno));
    }
    return fd;
}

// The size of a regular file, checked against the bound before anything is read; 0 for others.
std::size_t CheckedSize(int fd, const std::string& path) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return 0;
    }
    if (S_ISDIR(info.st_mode)) {
        throw EFOpenError(CannotOpenText(path, EISDIR));
    }
    if (!S_ISREG(info.st_mode) || info.st_size < 0) {
        return 0;
    }
    if (static_cast<unsigned long long>(info.st_size) > kMaxListFileBytes) {
        throw ETextTooLong();
    }
    return static_cast<std::size_t>(info.st_size);
}

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool HasNonAscii(std::string_view bytes) {
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return true;
        }
    }
    return false;
}

// Asks ICU to measure the text without a substitute: an ill-formed sequence is an error then.
bool IsWellFormedUtf8(std::string_view bytes) {
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    u_strFromUTF8(nullptr, 0, &length, bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    return status == U_BUFFER_OVERFLOW_ERROR || status == U_STRING_NOT_TERMINATED_WARNING ||
           U_SUCCESS(status);
}

}  // namespace

std::string DecodeListText(std::string_view bytes) {
    std::string text(bytes);
    DecodeInPlace(text);
    return text;
}

std::string ReadListFile(const std::string& path) {
    std::string text = ReadListFileBytes(path);
    DecodeInPlace(text);
    return text;
}

std::string ReadListFileBytes(const std::string& path) {
    UniqueFd fd = OpenForReading(path);
    std::string text;
    text.reserve(CheckedSize(fd.get(), path) + 1);
    int errorNumber = 0;
    switch (ReadAll(fd.get(), text, kMaxListFileBytes, errorNumber)) {
        case ReadResult::Ok:
            break;
        case ReadResult::TooLarge:
            throw ETextTooLong();
        case ReadResult::Failed:
            throw EInOutError(InOutErrorText(errorNumber));
    }
    return text;
}

std::string ListTextToCp1251(std::string_view bytes) {
    const bool marked = bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom;
    if (marked) {
        bytes.remove_prefix(kUtf8Bom.size());
    }
    if (bytes.size() > static_cast<std::size_t>(INT32_MAX)) {
        return std::string(bytes);
    }
    if (marked || (HasNonAscii(bytes) && IsWellFormedUtf8(bytes))) {
        return Utf8ToCp1251Keeping(bytes);
    }
    return std::string(bytes);
}

}  // namespace vantle
