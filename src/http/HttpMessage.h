#pragma once
// The pure parts of the HTTP client: the URL, the request bytes, and the lines of an answer's head.
// None of these touches a socket, so they are tested (and fuzzed) on plain bytes.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantle {

struct HttpUrl {
    std::string host;
    std::uint16_t port = 80;
    std::string target;  // path and query, byte for byte; "/" when the URL has no path
};

// "http://host[:port][/path?query]" (scheme in any case). Raises HttpBadUrl for another scheme, an
// empty host, a port that is not 1..65535, a user part ("@") and for any byte <= 0x20 or 0x7F in
// the host or the target, so that nothing typed into a cell can add a header line.
HttpUrl ParseHttpUrl(std::string_view url);

// The request bytes: request line, Content-Type, Host (":port" unless 80), Accept, User-Agent, empty line.
std::string BuildGetRequest(const HttpUrl& url);

struct HttpHeader {
    std::string name;
    std::string value;
};

// The head of one answer as read from the wire.
struct ResponseHead {
    int code = -1;           // -1 when the status line holds no number
    std::string statusLine;  // without its line end
    std::vector<HttpHeader> headers;

    // The value of the first header of that name (case-insensitive), or nullptr.
    const std::string* Find(std::string_view name) const;
};

// The status code of "HTTP/1.1 200 OK": the digits after the first space, up to the next space; -1
// when there are none or anything else stands there.
int ParseStatusCode(std::string_view statusLine);

// "Name: value" with blanks around name and value dropped; nullopt for a line without a colon.
std::optional<HttpHeader> ParseHeaderLine(std::string_view line);

// Adds one line of the header block to head: a new header, or the continuation (a line that begins with
// a blank) of the one before. Lines without a colon are ignored.
void AddHeaderLine(ResponseHead& head, std::string_view line);

// The hexadecimal size at the start of a chunk-size line; anything behind a space or ';' is ignored.
// nullopt when there is no hex digit or the size does not fit 64 bits.
std::optional<std::uint64_t> ParseChunkSize(std::string_view line);

// The value of Content-Length when it is a plain decimal number, else nullopt.
std::optional<std::uint64_t> ParseContentLength(std::string_view value);

// True when a comma-separated token of value is "close" (case-insensitive).
bool HasCloseToken(std::string_view value);

bool EqualsNoCase(std::string_view a, std::string_view b);
bool ContainsNoCase(std::string_view text, std::string_view part);

}  // namespace vantle
