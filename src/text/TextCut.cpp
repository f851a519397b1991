#include "text/TextCut.h"

#include <algorithm>

namespace vantle {

namespace {

bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

}  // namespace

std::size_t Pos(std::string_view needle, std::string_view text) {
    if (needle.empty()) {
        return 0;
    }
    const std::size_t at = text.find(needle);
    return at == std::string_view::npos ? 0 : at + 1;
}

std::string Copy(std::string_view text, long long start, long long count) {
    if (start < 1) {
        start = 1;
    }
    const auto size = static_cast<long long>(text.size());
    if (start > size || count < 1) {
        return {};
    }
    const long long available = size - start + 1;
    return std::string(text.substr(static_cast<std::size_t>(start - 1),
                                   static_cast<std::size_t>(std::min(count, available))));
}

std::string Trim(std::string_view text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsBlankOrControl(text[first])) {
        ++first;
    }
    while (last > first && IsBlankOrControl(text[last - 1])) {
        --last;
    }
    return std::string(text.substr(first, last - first));
}

std::string LowerAscii(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return result;
}

std::string UpperAscii(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return result;
}

bool Contains(std::string_view text, std::string_view needle) {
    return Pos(needle, text) != 0;
}

}  // namespace vantle
