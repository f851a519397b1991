#include "sim/RegistryServer.h"

#include <stdlib.h>

#include <asio.hpp>
#include <filesystem>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <thread>

#include "sim/Support.h"

namespace vantle::sim {

using tcp = asio::ip::tcp;
using nlohmann::json;

namespace {

constexpr std::string_view kDomainPath = "/rdap/domain/";
constexpr std::size_t kLongestQuery = 1024;

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return out;
}

std::string Day(int year, int month, int day) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
    return text;
}

bool InRuRegistry(std::string_view name) {
    for (std::string_view zone : {".ru", ".su", ".xn--p1ai"}) {
        if (name.size() > zone.size() && name.substr(name.size() - zone.size()) == zone) {
            return true;
        }
    }
    return false;
}

std::string MakeCacheDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vantle-registry-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("registry server: no cache folder");
    }
    return pattern;
}

}  // namespace

WhoisReply WhoisReply::Text(std::string text) {
    WhoisReply reply;
    reply.text = std::move(text);
    return reply;
}

WhoisReply WhoisReply::Limit() {
    return Text("%\n% You have exceeded allowed connection rate.\n% Please try again later.\n");
}

WhoisReply WhoisReply::Endless() {
    WhoisReply reply = Text("% The same line once more, and once more, and once more.\n");
    reply.endless = true;
    return reply;
}

WhoisReply WhoisReply::Slow(std::chrono::milliseconds delay, std::string text) {
    WhoisReply reply = Text(std::move(text));
    reply.delay = delay;
    return reply;
}

struct RegistryServer::State {
    // Declared first so that it goes last: the sessions its handlers own close their sockets while it
    // still exists.
    asio::io_context io;
    tcp::acceptor acceptor{io};
    std::thread thread;
    std::string cacheDir = MakeCacheDir();

    mutable std::mutex mutex;
    std::optional<Reply> bootstrap;
    std::map<std::string, std::vector<Reply>> rdap;
    std::map<std::string, WhoisReply> whois;
    std::size_t bootstrapRequests = 0;
    std::map<std::string, std::size_t, std::less<>> rdapRequests;
    std::map<std::string, std::size_t, std::less<>> whoisQueries;
    std::vector<std::chrono::steady_clock::time_point> whoisTimes;
    // Declared last so that it stops first: its handler uses everything above.
    TestServer http;

    std::string Base() const { return "http://" + http.authority() + "/rdap/"; }

    Reply Answer(const Request& request);
    WhoisReply WhoisFor(const std::string& query);
    void Accept();
};

namespace {

class WhoisSession : public std::enable_shared_from_this<WhoisSession> {
public:
    WhoisSession(tcp::socket socket, RegistryServer::State& state)
        : socket_(std::move(socket)), timer_(socket_.get_executor()), input_(kLongestQuery), state_(state) {}

    void Start() {
        asio::async_read_until(socket_, input_, '\n',
                               [self = shared_from_this()](const asio::error_code& ec, std::size_t n) {
                                   if (!ec) {
                                       self->Answer(n);
                                   }
                               });
    }

private:
    void Answer(std::size_t length) {
        std::string line(asio::buffers_begin(input_.data()), asio::buffers_begin(input_.data()) + length);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) {
            line.pop_back();
        }
        reply_ = state_.WhoisFor(AsciiLower(line));
        timer_.expires_after(reply_.delay);
        timer_.async_wait([self = shared_from_this()](const asio::error_code& ec) {
            if (!ec) {
                self->Write();
            }
        });
    }

    void Write() {
        asio::async_write(socket_, asio::buffer(reply_.text),
                          [self = shared_from_this()](const asio::error_code& ec, std::size_t) {
                              if (ec) {
                                  return;
                              }
                              if (self->reply_.endless) {
                                  self->Write();
                                  return;
                              }
                              asio::error_code ignored;
                              self->socket_.shutdown(tcp::socket::shutdown_send, ignored);
                              self->Drain();
                          });
    }

    // Waits for the client to close, so that the server is never the one left in TIME_WAIT.
    void Drain() {
        socket_.async_read_some(asio::buffer(sink_),
                                [self = shared_from_this()](const asio::error_code& ec, std::size_t) {
                                    if (!ec) {
                                        self->Drain();
                                    }
                                });
    }

    tcp::socket socket_;
    asio::steady_timer timer_;
    asio::streambuf input_;
    std::array<char, 256> sink_{};
    WhoisReply reply_;
    RegistryServer::State& state_;
};

}  // namespace

void RegistryServer::State::Accept() {
    acceptor.async_accept([this](const asio::error_code& ec, tcp::socket socket) {
        if (ec) {
            return;
        }
        std::make_shared<WhoisSession>(std::move(socket), *this)->Start();
        Accept();
    });
}

WhoisReply RegistryServer::State::WhoisFor(const std::string& query) {
    {
        std::lock_guard lock(mutex);
        ++whoisQueries[query];
        whoisTimes.push_back(std::chrono::steady_clock::now());
        if (const auto it = whois.find(query); it != whois.end()) {
            return it->second;
        }
    }
    if (query.find('.') == std::string::npos) {
        return WhoisReply::Text(IanaWhois(query));
    }
    const RegistryFacts facts = Facts(query);
    if (InRuRegistry(query)) {
        return WhoisReply::Text(
            facts.free ? "No entries found for the selected source(s).\n>>> Last update of WHOIS "
                         "database: 2024-05-06T07:08:09Z <<<\n"
                       : RuWhois(query, facts));
    }
    return WhoisReply::Text(facts.free ? "No match for \"" + Upper(query) + "\".\r\n"
                                       : GenericWhois(query, facts));
}

Reply RegistryServer::State::Answer(const Request& request) {
    const std::string target = AsciiLower(request.target);
    std::lock_guard lock(mutex);
    if (target == "/rdap/dns.json") {
        ++bootstrapRequests;
        if (bootstrap) {
            return *bootstrap;
        }
        json services = json::array();
        services.push_back(json::array({json::array({"com", "net", "org"}), json::array({Base()})}));
        services.push_back(json::array({json::array({"test", "example"}), json::array({Base()})}));
        const json file = {{"description", "RDAP bootstrap file for Domain Name System registrations"},
                           {"publication", "2024-05-06T07:08:09Z"},
                           {"services", services},
                           {"version", "1.0"}};
        return Reply::http(200, file.dump(), {{"Content-Type", "application/json"}});
    }
    if (!target.starts_with(kDomainPath)) {
        return Reply::http(404, "not here");
    }
    const std::string name = target.substr(kDomainPath.size());
    const std::size_t count = ++rdapRequests[name];
    if (const auto it = rdap.find(name); it != rdap.end() && !it->second.empty()) {
        return it->second.at(std::min(count, it->second.size()) - 1);
    }
    const RegistryFacts facts = Facts(name);
    if (facts.free) {
        return Reply::http(404, R"({"errorCode":404,"title":"Not Found"})",
                           {{"Content-Type", "application/rdap+json"}});
    }
    return Json(RdapJson(name, facts));
}

RegistryServer::RegistryServer() : state_(std::make_unique<State>()) {
    State& s = *state_;
    const tcp::endpoint local(asio::ip::make_address("127.0.0.1"), 0);
    s.acceptor.open(local.protocol());
    s.acceptor.set_option(tcp::acceptor::reuse_address(true));
    s.acceptor.bind(local);
    s.acceptor.listen();
    s.Accept();
    s.thread = ServeOnThread(s.io, "RegistryServer");
    s.http.setHandler([&s](const Request& request) { return s.Answer(request); });
}

RegistryServer::~RegistryServer() {
    state_->io.stop();
    state_->thread.join();
    std::error_code ignored;
    std::filesystem::remove_all(state_->cacheDir, ignored);
}

void RegistryServer::Apply(CheckEndpoints& endpoints) const {
    endpoints.rdapBootstrapUrl = BootstrapUrl();
    endpoints.whoisIana = "whois.iana.test";
    endpoints.whoisRu = "whois.ru-registry.test";
    endpoints.whoisRuRegional = "whois.ru-regional.test";
    endpoints.whoisNicRu = "whois.nic-ru.test";
    endpoints.whoisNetRu = "whois.net-ru.test";
    endpoints.whoisCountryCom = "whois.country-com.test";
    endpoints.whoisConnectTo = "127.0.0.1:" + std::to_string(WhoisPort());
    endpoints.cacheDir = state_->cacheDir;
}

const std::string& RegistryServer::CacheDir() const {
    return state_->cacheDir;
}

std::string RegistryServer::BootstrapUrl() const {
    return "http://" + state_->http.authority() + "/rdap/dns.json";
}

std::string RegistryServer::RdapBase() const {
    return state_->Base();
}

std::uint16_t RegistryServer::WhoisPort() const {
    return state_->acceptor.local_endpoint().port();
}

RegistryFacts RegistryServer::Facts(std::string_view name) {
    static constexpr std::string_view kRegistrars[] = {
        "REGISTRAR-ONE-RU", "REGISTRAR-TWO-RU", "Example Registrar, Inc.", "Sample Names, Inc.",
        "\xd0\xa0\xd0\xb5\xd0\xb3\xd0\xb8\xd1\x81\xd1\x82\xd1\x80\xd0\xb0\xd1\x82\xd0\xbe\xd1\x80 "
        "\xd0\x9e\xd0\x9e\xd0\x9e"};  // "Регистратор ООО"
    const std::string lower = AsciiLower(name);
    const std::uint32_t h = NameHash(lower);
    RegistryFacts facts;
    const bool intl = lower.starts_with("intl");
    facts.free = !intl && (lower.starts_with("free") || h % 8 == 3);
    if (facts.free) {
        return facts;
    }
    const int month = 1 + static_cast<int>((h / 8) % 12);
    const int day = 1 + static_cast<int>((h / 96) % 28);
    facts.created = Day(1995 + static_cast<int>((h / 2688) % 28), month, day);
    facts.expires = Day(2026 + static_cast<int>((h / 75264) % 4), month, day);
    facts.registrar = std::string(kRegistrars[(h / 301056) % std::size(kRegistrars)]);
    if (intl) {
        facts.registrar = "Registr\xc3\xb6 \xce\x95\xce\xbb\xce\xbb\xce\xac\xcf\x82";  // "Registrö Ελλάς"
    }
    return facts;
}

std::string RegistryServer::RdapJson(std::string_view name, const RegistryFacts& facts) {
    const json vcard =
        json::array({"vcard", json::array({json::array({"version", json::object(), "text", "4.0"}),
                                           json::array({"fn", json::object(), "text", facts.registrar})})});
    const json answer = {
        {"objectClassName", "domain"},
        {"ldhName", Upper(name)},
        {"rdapConformance", json::array({"rdap_level_0"})},
        {"status", json::array({"client transfer prohibited"})},
        {"events",
         json::array(
             {{{"eventAction", "registration"}, {"eventDate", facts.created + "T10:11:12Z"}},
              {{"eventAction", "expiration"}, {"eventDate", facts.expires + "T10:11:12Z"}},
              {{"eventAction", "last update of RDAP database"}, {"eventDate", "2024-05-06T07:08:09Z"}}})},
        {"entities",
         json::array({{{"objectClassName", "entity"},
                       {"handle", "9999"},
                       {"roles", json::array({"registrar"})},
                       {"publicIds", json::array({{{"type", "IANA Registrar ID"}, {"identifier", "9999"}}})},
                       {"vcardArray", vcard}}})},
    };
    return answer.dump();
}

std::string RegistryServer::RuWhois(std::string_view name, const RegistryFacts& facts) {
    return "% TCI Whois Service. Terms of use:\n% (in Russian)\n\n"
           "domain:        " +
           Upper(name) + "\nnserver:       ns1." + std::string(name) +
           ".\nstate:         REGISTERED, DELEGATED, VERIFIED\norg:           Some Company\n"
           "registrar:     " +
           facts.registrar +
           "\nadmin-contact: https://www.example.test/whois\n"
           "created:       " +
           facts.created + "T12:00:00Z\npaid-till:     " + facts.expires +
           "T21:00:00Z\nfree-date:     " + facts.expires +
           "\nsource:        TCI\n\nLast updated on 2024-05-06T07:08:09Z\n";
}

std::string RegistryServer::GenericWhois(std::string_view name, const RegistryFacts& facts) {
    return "   Domain Name: " + Upper(name) +
           "\r\n   Registry Domain ID: 2336799_DOMAIN_COM-VRSN\r\n"
           "   Registrar WHOIS Server: whois.registrar.test\r\n"
           "   Updated Date: 2024-05-06T07:08:09Z\r\n"
           "   Creation Date: " +
           facts.created + "T04:00:00Z\r\n   Registry Expiry Date: " + facts.expires +
           "T04:00:00Z\r\n   Registrar: " + facts.registrar +
           "\r\n   Registrar IANA ID: 9999\r\n   Domain Status: clientTransferProhibited\r\n"
           ">>> Last update of whois database: 2024-05-06T07:08:09Z <<<\r\n";
}

std::string RegistryServer::IanaWhois(std::string_view zone) {
    return "% IANA WHOIS server\n% for more information on IANA, visit http://www.iana.org\n\n"
           "refer:        whois.nic." +
           std::string(zone) + "\n\ndomain:       " + Upper(zone) + "\n\norganisation: Registry of " +
           Upper(zone) + "\n\nwhois:        whois.nic." + std::string(zone) +
           "\n\nstatus:       ACTIVE\nremarks:      Registration information: http://www.nic." +
           std::string(zone) + "\n\ncreated:      1985-01-01\nchanged:      2023-12-07\nsource:       IANA\n";
}

void RegistryServer::SetBootstrap(std::optional<Reply> reply) {
    std::lock_guard lock(state_->mutex);
    state_->bootstrap = std::move(reply);
}

void RegistryServer::SetRdap(std::string name, std::vector<Reply> replies) {
    std::lock_guard lock(state_->mutex);
    state_->rdap[AsciiLower(name)] = std::move(replies);
}

void RegistryServer::SetWhois(std::string query, WhoisReply reply) {
    std::lock_guard lock(state_->mutex);
    state_->whois[AsciiLower(query)] = std::move(reply);
}

Reply RegistryServer::Json(std::string_view body) {
    return Reply::http(200, body, {{"Content-Type", "application/rdap+json"}});
}

Reply RegistryServer::TooMany(int retryAfterSeconds) {
    return Reply::http(
        429, R"({"errorCode":429,"title":"Too Many Requests"})",
        {{"Content-Type", "application/rdap+json"}, {"Retry-After", std::to_string(retryAfterSeconds)}});
}

Reply RegistryServer::NotJson() {
    return Reply::http(200, "<html><body>Service unavailable</body></html>", {{"Content-Type", "text/html"}});
}

Reply RegistryServer::Deep(std::size_t depth) {
    std::string body = "{\"events\":";
    body.append(depth, '[');
    body.append(depth, ']');
    body += "}";
    return Json(body);
}

Reply RegistryServer::Huge() {
    std::string head = "HTTP/1.1 200 OK\r\nContent-Type: application/rdap+json\r\nContent-Length: " +
                       std::to_string(64u << 20) + "\r\n\r\n{\"events\":[],\"x\":\"";
    return Reply().send(std::move(head)).send(std::string(2u << 20, 'x')).hold();
}

Reply RegistryServer::Slow(std::chrono::milliseconds delay) {
    Reply reply;
    reply.sleep(delay);
    reply.send(Reply::httpBytes(200, R"({"objectClassName":"domain","events":[]})",
                                {{"Content-Type", "application/rdap+json"}}));
    return reply;
}

std::size_t RegistryServer::BootstrapRequests() const {
    std::lock_guard lock(state_->mutex);
    return state_->bootstrapRequests;
}

std::size_t RegistryServer::RdapRequests(std::string_view name) const {
    std::lock_guard lock(state_->mutex);
    const auto it = state_->rdapRequests.find(AsciiLower(name));
    return it == state_->rdapRequests.end() ? 0 : it->second;
}

std::size_t RegistryServer::WhoisQueries(std::string_view query) const {
    std::lock_guard lock(state_->mutex);
    const auto it = state_->whoisQueries.find(AsciiLower(query));
    return it == state_->whoisQueries.end() ? 0 : it->second;
}

std::vector<std::chrono::steady_clock::time_point> RegistryServer::WhoisTimes() const {
    std::lock_guard lock(state_->mutex);
    return state_->whoisTimes;
}

}  // namespace vantle::sim
