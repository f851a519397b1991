#include "check/IndexQuery.h"

#include "text/TextCut.h"

namespace vantle {

namespace {

constexpr long long kWholeRest = 2147483647;
constexpr std::string_view kCountMarker = "header g-line";

// One Get into answer. The check run reads a failure as the empty answer; the recheck works on with
// what the failed Get left in the variable (the text from before, or a body cut short).
void GetIndexAnswer(HttpGetter& http, const std::string& url, std::string& answer, FailedIndexGet onFailure) {
    try {
        http.Get(url, answer);
    } catch (...) {
        if (onFailure == FailedIndexGet::Empty) {
            answer.clear();
        }
    }
}

}  // namespace

std::string IndexQueryUrl(const ServiceHosts& hosts, std::string_view prefix, std::string_view queryName) {
    return "http://" + hosts.webmaster + "/check.xml?hostname=" + std::string(prefix) +
           std::string(queryName);
}

// Cuts the count out of the page:
//   1. from 3 characters after "header g-line" (from the 16th character when the marker is missing);
//   2. on from the next '">' when there is one;
//   3. past the next ": " (from the 2nd character when there is none);
//   4. what stands before the next "<"; empty when there is none.
std::string ExtractIndexCount(std::string_view answer) {
    std::string x = Copy(answer, static_cast<long long>(Pos(kCountMarker, answer)) + 16, kWholeRest);
    if (const std::size_t tagEnd = Pos("\">", x)) {
        x = Copy(x, static_cast<long long>(tagEnd), kWholeRest);
    }
    x = Copy(x, static_cast<long long>(Pos(": ", x)) + 2, kWholeRest);
    return Copy(x, 1, static_cast<long long>(Pos("<", x)) - 1);
}

std::string IndexQuery(HttpGetter& http, const ServiceHosts& hosts, std::string_view queryName,
                       FailedIndexGet onFailure) {
    std::string answer;
    GetIndexAnswer(http, IndexQueryUrl(hosts, "", queryName), answer, onFailure);
    std::string count;
    if (Contains(answer, kCountMarker)) {
        count = ExtractIndexCount(answer);
    } else if (Contains(answer, "www." + std::string(queryName))) {
        // The service knows the domain under its www name: ask once more for that one.
        GetIndexAnswer(http, IndexQueryUrl(hosts, "www.", queryName), answer, onFailure);
        count = ExtractIndexCount(answer);
    } else {
        count = answer;
    }
    return Contains(count, ">") ? "-" : count;
}

}  // namespace vantle
