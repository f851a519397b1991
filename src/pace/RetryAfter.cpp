#include "pace/RetryAfter.h"

#include <curl/curl.h>

#include <algorithm>
#include <string>

namespace vantle {
namespace {

constexpr long long kLongestSeconds = 24 * 60 * 60;

std::string_view TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

}  // namespace

std::optional<Millis> RetryAfterWait(std::string_view value, std::time_t now) {
    value = TrimBlanks(value);
    if (value.empty()) {
        return std::nullopt;
    }
    if (value.find_first_not_of("0123456789") == std::string_view::npos) {
        long long seconds = 0;
        for (char c : value) {
            seconds = std::min(seconds * 10 + (c - '0'), kLongestSeconds);
        }
        return Millis(seconds * 1000);
    }
    const std::time_t when = curl_getdate(std::string(value).c_str(), nullptr);
    if (when < 0) {
        return std::nullopt;
    }
    const long long seconds = when <= now ? 0 : std::min<long long>(when - now, kLongestSeconds);
    return Millis(seconds * 1000);
}

std::optional<std::string_view> RetryAfterValue(std::string_view headerLine) {
    constexpr std::string_view kName = "retry-after:";
    if (headerLine.size() < kName.size()) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < kName.size(); ++i) {
        const char c = headerLine[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != kName[i]) {
            return std::nullopt;
        }
    }
    return TrimBlanks(headerLine.substr(kName.size()));
}

}  // namespace vantle
