#include "check/CleanDomainLine.h"

#include <algorithm>

#include "puny/DomainName.h"
#include "puny/IdnaName.h"
#include "text/TextCut.h"

namespace vantle {

namespace {

std::string WithoutEvery(std::string text, char removed) {
    text.erase(std::remove(text.begin(), text.end(), removed), text.end());
    return text;
}

bool IsAsciiLetter(char c) {
    return c >= 'a' && c <= 'z';
}

bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

// "http:", "https://", "svn+ssh://": a letter, then letters, digits, "+", "-" or ".", then ":". A
// dotted word before the ":" is a scheme only when "//" follows ("site.test:8080" is a host and its
// port).
std::size_t SchemeLength(std::string_view text) {
    if (text.empty() || !IsAsciiLetter(text.front())) {
        return 0;
    }
    std::size_t i = 1;
    while (i < text.size() && (IsAsciiLetter(text[i]) || IsAsciiDigit(text[i]) || text[i] == '+' ||
                               text[i] == '-' || text[i] == '.')) {
        ++i;
    }
    if (i == text.size() || text[i] != ':') {
        return 0;
    }
    const std::string_view word = text.substr(0, i);
    const bool slashes = text.substr(i + 1, 2) == "//";
    return word.find('.') == std::string_view::npos || slashes ? i + 1 : 0;
}

// ":8080" or ":" at the end of the authority: a port, which goes. A ":" before anything else stays,
// so that an odd line is reported as the bad name it is rather than cut to another one.
std::string_view WithoutPort(std::string_view authority) {
    std::size_t from = 0;
    if (!authority.empty() && authority.front() == '[') {  // an IPv6 address in brackets
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos) {
            return authority;
        }
        from = close + 1;
    }
    const std::size_t colon = authority.find(':', from);
    if (colon == std::string_view::npos) {
        return authority;
    }
    const std::string_view port = authority.substr(colon + 1);
    return std::all_of(port.begin(), port.end(), IsAsciiDigit) ? authority.substr(0, colon) : authority;
}

// The host of a URL or of a bare "host:port/path?query#fragment": scheme, user, port, path, query
// and fragment go.
std::string_view HostOf(std::string_view text) {
    text.remove_prefix(SchemeLength(text));
    while (!text.empty() && (text.front() == '/' || text.front() == '\\')) {
        text.remove_prefix(1);
    }
    text = text.substr(0, text.find_first_of("/\\?#"));
    const std::size_t at = text.rfind('@');
    if (at != std::string_view::npos) {
        text.remove_prefix(at + 1);
    }
    return WithoutPort(text);
}

// "www.site.test" becomes "site.test"; "www.test" stays, it would lose its only dot.
std::string WithoutWwwPrefix(std::string text) {
    constexpr std::string_view kWww = "www.";
    if (CountOccurrences(".", text) > 1 && std::string_view(text).substr(0, kWww.size()) == kWww) {
        text.erase(0, kWww.size());
    }
    return text;
}

// Most lines of a list are a name as it stands: lower-case letters, digits, hyphens and a dot or more,
// not "www." first and no ACE label. Every step below leaves such a line as it is.
bool AlreadyClean(std::string_view line) {
    bool dot = false;
    for (const char c : line) {
        if (c == '.') {
            dot = true;
        } else if (!IsAsciiLetter(c) && !IsAsciiDigit(c) && c != '-') {
            return false;
        }
    }
    return dot && line.substr(0, 4) != "www." && line.find("xn--") == std::string_view::npos;
}

}  // namespace

std::optional<std::string> CleanDomainLine(std::string_view line) {
    if (line.size() > kLongestListLine) {
        return std::nullopt;
    }
    if (AlreadyClean(line)) {
        return std::string(line);
    }
    const std::string text = WithoutEvery(Trim(LowerAscii(line)), ' ');
    std::string host(HostOf(text));
    if (!Contains(host, ".")) {
        return std::nullopt;
    }
    return WithoutWwwPrefix(UnicodeFormOfAceLabels(host));
}

}  // namespace vantle
