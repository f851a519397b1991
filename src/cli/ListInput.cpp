#include "cli/ListInput.h"

#include <unicode/ustring.h>

#include "io/ListFile.h"
#include "text/Utf8.h"

namespace vantle::cli {
namespace {

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

std::vector<std::string> LinesOfDecoded(std::string_view decoded) {
    return SplitListLines(ListTextToCp1251(decoded));
}

}  // namespace

std::string ListTextToCp1251(std::string_view bytes) {
    const bool marked = bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom;
    if (marked) {
        bytes.remove_prefix(kUtf8Bom.size());
    }
    if (bytes.size() > static_cast<std::size_t>(INT32_MAX)) {
        return std::string(bytes);
    }
    if (marked || (HasNonAscii(bytes) && IsWellFormedUtf8(bytes))) {
        return Utf8ToCp1251(bytes);
    }
    return std::string(bytes);
}

std::vector<std::string> SplitListLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            if (start < text.size()) {
                lines.emplace_back(text.substr(start));
            }
            return lines;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
}

std::vector<std::string> ReadListLines(const std::string& path) {
    return LinesOfDecoded(ReadListFile(path));
}

std::vector<std::string> ReadListLines(std::istream& in) {
    std::string bytes;
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > kMaxListFileBytes) {
            throw ETextTooLong();
        }
    }
    return LinesOfDecoded(DecodeListText(bytes));
}

}  // namespace vantle::cli
