#include "check/CleanDomainLine.h"

#include <algorithm>

#include "puny/DomainName.h"
#include "text/TextCut.h"

namespace vantle {

namespace {

std::string WithoutEvery(std::string text, char removed) {
    text.erase(std::remove(text.begin(), text.end(), removed), text.end());
    return text;
}

// "http:" and the like: only what follows the first ":" stays.
std::string AfterFirstColon(std::string text) {
    const std::size_t colon = text.find(':');
    return colon == std::string::npos ? text : text.substr(colon + 1);
}

// "www.site.test" becomes "site.test"; "www.test" stays, it would lose its only dot.
std::string WithoutWwwPrefix(std::string text) {
    constexpr std::string_view kWww = "www.";
    if (CountOccurrences(".", text) > 1 && std::string_view(text).substr(0, kWww.size()) == kWww) {
        text.erase(0, kWww.size());
    }
    return text;
}

}  // namespace

std::optional<std::string> CleanDomainLine(std::string_view line) {
    if (line.size() > kLongestListLine) {
        return std::nullopt;
    }
    std::string text = WithoutEvery(Trim(LowerAscii(line)), ' ');
    if (!Contains(text, ".")) {
        return std::nullopt;
    }
    text = AfterFirstColon(std::move(text));
    text = WithoutEvery(std::move(text), '/');
    return WithoutWwwPrefix(std::move(text));
}

}  // namespace vantle
