#include "web/WebVerdict.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>

#include "puny/IdnaName.h"
#include "text/Utf8.h"

namespace vantle {
namespace {

struct UrlCleanup {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

struct UrlParts {
    std::string scheme;  // lower case
    std::string host;    // lower case, no port, no trailing dot
};

std::string TakePart(CURLU* url, CURLUPart part) {
    char* text = nullptr;
    if (curl_url_get(url, part, &text, 0) != CURLUE_OK || text == nullptr) {
        return {};
    }
    std::string value(text);
    curl_free(text);
    return value;
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string LowerAscii(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return text;
}

// Scheme and host of an absolute URL; nothing when libcurl cannot read it.
std::optional<UrlParts> Parse(std::string_view text) {
    const std::unique_ptr<CURLU, UrlCleanup> url(curl_url());
    if (!url || text.find('\0') != std::string_view::npos ||
        curl_url_set(url.get(), CURLUPART_URL, std::string(text).c_str(), CURLU_NON_SUPPORT_SCHEME) !=
            CURLUE_OK) {
        return std::nullopt;
    }
    UrlParts parts{LowerAscii(TakePart(url.get(), CURLUPART_SCHEME)),
                   LowerAscii(TakePart(url.get(), CURLUPART_HOST))};
    while (!parts.host.empty() && parts.host.back() == '.') {
        parts.host.pop_back();
    }
    if (!IsAscii(parts.host)) {
        parts.host = FullAsciiNameOfUtf8(parts.host);
    }
    return parts;
}

// url with its host in the full ASCII form, as the next request must ask for it; nothing when libcurl
// cannot read it or IDNA refuses its host. A URL with an ASCII host is kept as it came.
std::optional<std::string> AsciiHostUrl(const std::string& text) {
    const std::unique_ptr<CURLU, UrlCleanup> url(curl_url());
    if (!url || text.find('\0') != std::string::npos ||
        curl_url_set(url.get(), CURLUPART_URL, text.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK) {
        return std::nullopt;
    }
    // libcurl gives the host %-decoded.
    const std::string host = TakePart(url.get(), CURLUPART_HOST);
    if (IsAscii(host)) {
        return text;
    }
    const std::string ascii = FullAsciiNameOfUtf8(host);
    if (!IsAscii(ascii) || curl_url_set(url.get(), CURLUPART_HOST, ascii.c_str(), 0) != CURLUE_OK) {
        return std::nullopt;
    }
    return TakePart(url.get(), CURLUPART_URL);
}

bool WebScheme(std::string_view url) {
    const auto parts = Parse(url);
    return parts && (parts->scheme == "http" || parts->scheme == "https");
}

bool OnlyWwwApart(std::string_view a, std::string_view b) {
    constexpr std::string_view kWww = "www.";
    return (a.size() == b.size() + kWww.size() && a.substr(0, kWww.size()) == kWww &&
            a.substr(kWww.size()) == b) ||
           (b.size() == a.size() + kWww.size() && b.substr(0, kWww.size()) == kWww &&
            b.substr(kWww.size()) == a);
}

// A host IDNA refused stays in UTF-8 here.
std::string HostForDisplay(const std::string& host) {
    return IsAscii(host) ? DisplayName(host) : Utf8ToCp1251Keeping(host);
}

// Whether target was asked for before with the cookies that a request for it would send now: by
// the chain up to hop last since the cookies last changed, or as the start.
bool AskedBefore(std::string_view start, const std::vector<WebHop>& hops, std::size_t last,
                 const std::string& target) {
    for (std::size_t i = last + 1; i-- > 0;) {
        if (hops[i].cookiesChanged) {
            return false;
        }
        if (hops[i].url == target) {
            return true;
        }
    }
    return target == start;
}

}  // namespace

std::string MirrorCell(std::string_view start, std::string_view final) {
    const auto from = Parse(start);
    const auto to = Parse(final);
    if (!from || !to) {
        return {};
    }
    if (from->host == to->host) {
        return from->scheme != to->scheme && to->scheme == "https" ? "https" : "";
    }
    if (OnlyWwwApart(from->host, to->host)) {
        return "www";
    }
    return HostForDisplay(to->host);
}

WebVerdict DecideWeb(std::string_view start, const std::vector<WebHop>& hops, int maxRedirects) {
    if (hops.empty()) {
        return {{}, {}, std::string(start)};
    }
    // Where the chain ended up: the URL of the last request, or the target of a redirect not followed.
    std::string final(start);
    std::string http;
    for (std::size_t i = 0; i < hops.size(); ++i) {
        const WebHop& hop = hops[i];
        final = hop.url;
        if (!hop.failure.empty() || hop.status <= 0) {
            http = hop.failure.empty() ? "no answer" : hop.failure;
            break;
        }
        const bool redirect = hop.status >= 300 && hop.status <= 399 && !hop.redirectUrl.empty();
        if (!redirect) {
            http = std::to_string(hop.status);
            break;
        }
        const std::optional<std::string> target = AsciiHostUrl(hop.redirectUrl);
        if (!target || !WebScheme(*target)) {
            http = "bad redirect";
            break;
        }
        if (AskedBefore(start, hops, i, *target) || static_cast<long long>(i) + 1 > maxRedirects) {
            final = *target;
            http = "loop";
            break;
        }
        if (i + 1 == hops.size()) {
            return {{}, {}, *target};
        }
    }
    return {http, MirrorCell(start, final), std::nullopt};
}

}  // namespace vantle
