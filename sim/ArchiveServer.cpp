#include "sim/ArchiveServer.h"

#include <cstdio>
#include <utility>

#include "sim/Support.h"

namespace vantle::sim {
namespace {

constexpr std::string_view kPath = "/cdx/search/cdx";

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::string Unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
            HexDigit(text[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else {
            out += text[i] == '+' ? ' ' : text[i];
        }
    }
    return out;
}

// The value of the query parameter "url" of a request target, or nothing.
bool NameOf(std::string_view target, std::string& name) {
    const auto question = target.find('?');
    if (target.substr(0, question) != kPath || question == std::string_view::npos) {
        return false;
    }
    std::string_view query = target.substr(question + 1);
    while (!query.empty()) {
        const auto amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        if (pair.substr(0, 4) == "url=") {
            name = Unescape(pair.substr(4));
            return true;
        }
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
    }
    return false;
}

Reply Json(std::string body, int status = 200) {
    return Reply::http(status, body, {{"Content-Type", "application/json"}});
}

}  // namespace

ArchiveServer::ArchiveServer() {
    server_.setHandler([this](const Request& request) { return Answer(request); });
}

void ArchiveServer::Apply(CheckEndpoints& endpoints) const {
    endpoints.archiveUrl = Url();
}

std::string ArchiveServer::Url() const {
    return "http://" + server_.authority() + std::string(kPath);
}

void ArchiveServer::Set(std::string name, Rule rule) {
    std::lock_guard lock(mutex_);
    rules_[std::move(name)] = std::move(rule);
}

void ArchiveServer::SetBody(std::string name, std::string body) {
    Set(std::move(name), {Rule::Kind::Body, std::move(body), 0, 0});
}

void ArchiveServer::SetStatus(std::string name, int status, std::string body) {
    Set(std::move(name), {Rule::Kind::Body, std::move(body), 0, 0, status});
}

void ArchiveServer::SetRateLimited(std::string name, int seconds, int times) {
    Set(std::move(name), {Rule::Kind::RateLimited, {}, seconds, times});
}

void ArchiveServer::SetEndless(std::string name) {
    Set(std::move(name), {Rule::Kind::Endless, {}, 0, 0});
}

void ArchiveServer::SetNotJson(std::string name) {
    Set(std::move(name), {Rule::Kind::NotJson, {}, 0, 0});
}

void ArchiveServer::Clear() {
    std::lock_guard lock(mutex_);
    rules_.clear();
}

Reply ArchiveServer::Answer(const Request& request) {
    std::string name;
    if (!NameOf(request.target, name)) {
        return Reply::http(404, "not here");
    }
    std::unique_lock lock(mutex_);
    const auto found = rules_.find(name);
    if (found == rules_.end()) {
        lock.unlock();
        return Json(DefaultBody(name));
    }
    Rule& rule = found->second;
    switch (rule.kind) {
        case Rule::Kind::Body:
            return Json(rule.body, rule.status);
        case Rule::Kind::RateLimited: {
            if (rule.times <= 0) {
                lock.unlock();
                return Json(DefaultBody(name));
            }
            --rule.times;
            HeaderList headers;
            if (rule.seconds >= 0) {
                headers.emplace_back("Retry-After", std::to_string(rule.seconds));
            }
            return Reply::http(429, "Too many requests", headers);
        }
        case Rule::Kind::Endless:
            return Reply()
                .send(
                    "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 100000000\r\n\r\n"
                    "[[\"timestamp\"]")
                .sendPieces(std::string(100000, ' '), 1, std::chrono::milliseconds(10))
                .hold();
        case Rule::Kind::NotJson:
            return Reply::http(200, "<html><body>The index is busy</body></html>",
                               {{"Content-Type", "text/html"}});
    }
    return Reply::http(500, "no rule");
}

std::string ArchiveServer::DefaultDay(std::string_view name) {
    const std::uint32_t hash = NameHash(name);
    if (hash % 8 == 0) {
        return {};
    }
    char day[48];
    std::snprintf(day, sizeof day, "%04u-%02u-%02u", 1998 + (hash / 8) % 27, (hash / 216) % 12 + 1,
                  (hash / 2592) % 28 + 1);
    return day;
}

std::string ArchiveServer::DefaultBody(std::string_view name) {
    const std::string day = DefaultDay(name);
    if (day.empty()) {
        // The real index answers both ways for a name it never captured.
        return NameHash(name) % 16 == 0 ? "[]" : "[[\"timestamp\"]]";
    }
    const std::uint32_t hash = NameHash(name);
    char stamp[48];
    std::snprintf(stamp, sizeof stamp, "%02u%02u%02u", (hash / 7) % 24, (hash / 11) % 60, (hash / 13) % 60);
    return "[[\"timestamp\"],[\"" + day.substr(0, 4) + day.substr(5, 2) + day.substr(8, 2) + stamp + "\"]]";
}

}  // namespace vantle::sim
