#include "http/HttpMessage.h"

#include <algorithm>
#include <cctype>

#include "http/HttpErrors.h"

namespace vantle {
namespace {

constexpr std::string_view kScheme = "http://";

char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Bytes that would end or split a request line or a header line.
bool IsUnsafeByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b <= 0x20 || b == 0x7F;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

std::uint16_t ParsePort(std::string_view digits, std::string_view url) {
    if (digits.empty() || digits.size() > 5 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        throw HttpBadUrl("bad port in URL: " + std::string(url));
    }
    unsigned value = 0;
    for (char c : digits) {
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value == 0 || value > 65535) {
        throw HttpBadUrl("bad port in URL: " + std::string(url));
    }
    return static_cast<std::uint16_t>(value);
}

void SplitAuthority(std::string_view authority, std::string_view url, HttpUrl& out) {
    const auto colon = authority.find(':');
    out.host = std::string(authority.substr(0, colon));
    if (colon != std::string_view::npos) {
        out.port = ParsePort(authority.substr(colon + 1), url);
    }
    if (out.host.empty()) {
        throw HttpBadUrl("no host in URL: " + std::string(url));
    }
    if (out.host.find('@') != std::string::npos) {
        throw HttpBadUrl("user part in URL is not supported: " + std::string(url));
    }
}

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

bool ContainsNoCase(std::string_view text, std::string_view part) {
    const auto it = std::search(text.begin(), text.end(), part.begin(), part.end(),
                                [](char x, char y) { return Lower(x) == Lower(y); });
    return it != text.end() || part.empty();
}

HttpUrl ParseHttpUrl(std::string_view url) {
    if (url.size() < kScheme.size() || !EqualsNoCase(url.substr(0, kScheme.size()), kScheme)) {
        throw HttpBadUrl("not an http:// URL: " + std::string(url));
    }
    if (std::any_of(url.begin(), url.end(), IsUnsafeByte)) {
        throw HttpBadUrl("URL holds a control character, a space or DEL");
    }
    const std::string_view rest = url.substr(kScheme.size());
    const auto end = rest.find_first_of("/?");
    HttpUrl out;
    SplitAuthority(rest.substr(0, end), url, out);
    if (end == std::string_view::npos) {
        out.target = "/";
    } else if (rest[end] == '?') {
        out.target = "/" + std::string(rest.substr(end));
    } else {
        out.target = std::string(rest.substr(end));
    }
    return out;
}

std::string BuildGetRequest(const HttpUrl& url) {
    std::string request;
    request.reserve(160 + url.target.size() + url.host.size());
    request += "GET " + url.target + " HTTP/1.1\r\n";
    request += "Content-Type: text/html\r\n";
    request += "Host: " + url.host;
    if (url.port != 80) {
        request += ":" + std::to_string(url.port);
    }
    request += "\r\n";
    request += "Accept: text/html, */*\r\n";
    request += "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n";
    request += "\r\n";
    return request;
}

const std::string* ResponseHead::Find(std::string_view name) const {
    for (const HttpHeader& h : headers) {
        if (EqualsNoCase(h.name, name)) {
            return &h.value;
        }
    }
    return nullptr;
}

int ParseStatusCode(std::string_view statusLine) {
    const auto space = statusLine.find(' ');
    if (space == std::string_view::npos) {
        return -1;
    }
    std::string_view code = statusLine.substr(space + 1);
    code = code.substr(0, code.find(' '));
    if (code.empty() || code.size() > 9 ||
        !std::all_of(code.begin(), code.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return -1;
    }
    int value = 0;
    for (char c : code) {
        value = value * 10 + (c - '0');
    }
    return value;
}

std::optional<HttpHeader> ParseHeaderLine(std::string_view line) {
    const auto colon = line.find(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    return HttpHeader{std::string(Trim(line.substr(0, colon))), std::string(Trim(line.substr(colon + 1)))};
}

void AddHeaderLine(ResponseHead& head, std::string_view line) {
    if (!line.empty() && IsBlank(line.front()) && !head.headers.empty()) {
        std::string& value = head.headers.back().value;
        const std::string_view more = Trim(line);
        if (!more.empty()) {
            value += (value.empty() ? "" : " ") + std::string(more);
        }
        return;
    }
    if (auto header = ParseHeaderLine(line)) {
        head.headers.push_back(std::move(*header));
    }
}

std::optional<std::uint64_t> ParseChunkSize(std::string_view line) {
    line = Trim(line);
    line = line.substr(0, line.find_first_of(" ;\t"));
    if (line.empty() || line.size() > 16) {
        return std::nullopt;
    }
    std::uint64_t size = 0;
    for (char c : line) {
        const char l = Lower(c);
        unsigned digit = 0;
        if (l >= '0' && l <= '9') {
            digit = static_cast<unsigned>(l - '0');
        } else if (l >= 'a' && l <= 'f') {
            digit = static_cast<unsigned>(l - 'a' + 10);
        } else {
            return std::nullopt;
        }
        size = size * 16 + digit;
    }
    return size;
}

std::optional<std::uint64_t> ParseContentLength(std::string_view value) {
    value = Trim(value);
    if (value.empty() || value.size() > 18 ||
        !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    std::uint64_t n = 0;
    for (char c : value) {
        n = n * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return n;
}

bool HasCloseToken(std::string_view value) {
    while (!value.empty()) {
        const auto comma = value.find(',');
        if (EqualsNoCase(Trim(value.substr(0, comma)), "close")) {
            return true;
        }
        if (comma == std::string_view::npos) {
            break;
        }
        value.remove_prefix(comma + 1);
    }
    return false;
}

}  // namespace vantle
