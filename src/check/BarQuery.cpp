#include "check/BarQuery.h"

#include "text/TextCut.h"

namespace vantle {

namespace {

constexpr long long kWholeRest = 2147483647;
constexpr std::string_view kTicMarker = "value=";
constexpr std::string_view kMirrorMarker = "<url domain=\"";
constexpr std::string_view kTagEnd = "\">";

// The text after the first occurrence of marker, the marker included; the whole text without one.
std::string FromFirst(std::string_view text, std::string_view marker) {
    return Copy(text, static_cast<long long>(Pos(marker, text)), kWholeRest);
}

// What stands before the first occurrence of marker; empty when there is none.
std::string BeforeFirst(std::string_view text, std::string_view marker) {
    return Copy(text, 1, static_cast<long long>(Pos(marker, text)) - 1);
}

std::string WithoutFirst(std::string text, std::string_view removed) {
    if (const std::size_t at = Pos(removed, text)) {
        text.erase(at - 1, removed.size());
    }
    return text;
}

}  // namespace

std::string BarQueryUrl(const ServiceHosts& hosts, std::string_view queryName) {
    return "http://" + hosts.bar + "/u?ver=2&show=32&url=http://" + std::string(queryName);
}

std::string BarQuery(HttpGetter& http, const ServiceHosts& hosts, std::string_view queryName) {
    std::string answer;
    try {
        http.Get(BarQueryUrl(hosts, queryName), answer);
    } catch (...) {
        // Every failure of the request reads as an empty answer; the caller decides what that means.
        return {};
    }
    return answer;
}

std::string ExtractTic(std::string_view answer) {
    // 20 characters from the marker, less "value=" and the opening quote, leave at most 13.
    const std::string window = Copy(answer, static_cast<long long>(Pos(kTicMarker, answer)), 20);
    return BeforeFirst(Copy(window, 8, kWholeRest), "\"");
}

std::string ExtractMirror(std::string_view answer) {
    return WithoutFirst(BeforeFirst(FromFirst(answer, kMirrorMarker), kTagEnd), kMirrorMarker);
}

std::string ClassifyMirror(std::string_view queryName, std::string_view answer) {
    const std::string q(queryName);
    const std::string mirrorSuffix = ": " + ExtractMirror(answer);
    if (!Contains(answer, q)) {
        return "Vantle" + mirrorSuffix;
    }
    if (Contains(answer, q + ".")) {
        return "Vantle(S)" + mirrorSuffix;
    }
    if (Contains(answer, "\"www." + q)) {
        return "(www)";
    }
    if (Contains(answer, "\"" + q)) {
        return {};
    }
    return "Vantle(S)" + mirrorSuffix;
}

bool InCatalogue(std::string_view answer, const ServiceHosts& hosts) {
    return Contains(answer, "http://" + hosts.catalogue + "/yca/");
}

}  // namespace vantle
