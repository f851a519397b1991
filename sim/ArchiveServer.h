#pragma once
// The loopback stand-in for the web archive's capture index: "/cdx/search/cdx?url=<name>&..." answers
// a JSON array as the real index does. Each name gets a rule set by a test, or by default a first
// capture derived from the name, so that the demo always shows the same table.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "check/CheckEndpoints.h"
#include "sim/TestServer.h"

namespace vantle::sim {

class ArchiveServer {
public:
    ArchiveServer();
    ArchiveServer(const ArchiveServer&) = delete;
    ArchiveServer& operator=(const ArchiveServer&) = delete;

    // Points endpoints.archiveUrl here.
    void Apply(CheckEndpoints& endpoints) const;
    // "http://127.0.0.1:<port>/cdx/search/cdx"
    std::string Url() const;
    std::uint16_t Port() const { return server_.port(); }

    // name: as the check sends it (ASCII, lower case). Each rule replaces the one set before.
    // A 200 answer with exactly body.
    void SetBody(std::string name, std::string body);
    // An answer with another status (a 503 of an overloaded index, a 404) that still carries a CDX body.
    void SetStatus(std::string name, int status, std::string body);
    // The next `times` requests get 429 with "Retry-After: <seconds>" (none when seconds < 0); the
    // ones after them the name's default answer.
    void SetRateLimited(std::string name, int seconds, int times = 1);
    // A 200 head and then a body that trickles without end.
    void SetEndless(std::string name);
    // A 200 answer whose body is an HTML page.
    void SetNotJson(std::string name);
    // Forgets every rule set.
    void Clear();

    // Requests read so far.
    std::size_t RequestCount() const { return server_.requestCount(); }

    // The day "YYYY-MM-DD" of a name's default first capture (between 1998 and 2024), or "" for the
    // names (about one in eight) that have none.
    static std::string DefaultDay(std::string_view name);
    // The body of the default answer.
    static std::string DefaultBody(std::string_view name);

private:
    struct Rule {
        enum class Kind { Body, RateLimited, Endless, NotJson } kind = Kind::Body;
        std::string body;
        int seconds = 0;
        int times = 0;
        int status = 200;  // of a Body answer
    };

    Reply Answer(const Request& request);
    void Set(std::string name, Rule rule);

    mutable std::mutex mutex_;
    std::map<std::string, Rule> rules_;
    TestServer server_;  // last: its thread stops before the rules go
};

}  // namespace vantle::sim
