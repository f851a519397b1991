#include "sim/WebServer.h"

#include <openssl/pem.h>
#include <openssl/ssl.h>

#include <array>
#include <asio.hpp>
#include <asio/ssl.hpp>
#include <cstdio>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>

#include "sim/Support.h"
#include "sim/TestServer.h"

namespace vantle::sim {

using tcp = asio::ip::tcp;
using std::chrono::milliseconds;

namespace {

constexpr std::string_view kWww = "www.";
constexpr std::string_view kLoopback = "127.0.0.1";
constexpr std::string_view kWallCookie = "wall=passed";

// The host of a Host header: lower case, without a port.
std::string HostOf(const Request& request) {
    const std::string* header = request.header("Host");
    if (header == nullptr) {
        return {};
    }
    std::string host = AsciiLower(*header);
    if (const auto colon = host.rfind(':');
        colon != std::string::npos && host.find(']') == std::string::npos) {
        host.erase(colon);
    }
    return host;
}

Reply Redirect(int code, const std::string& location) {
    return Reply::http(code, "moved", {{"Location", location}});
}

// A 302 back to path that sets the cookie of the bot walls.
Reply CookieRedirect(const std::string& path) {
    return Reply::http(302, "moved",
                       {{"Location", path}, {"Set-Cookie", std::string(kWallCookie) + "; Path=/"}});
}

// A port that nobody listens on: bound once by the system's choice, then given up.
std::uint16_t ClosedPort() {
    asio::io_context io;
    tcp::acceptor acceptor(io, tcp::endpoint(asio::ip::make_address(kLoopback), 0));
    return acceptor.local_endpoint().port();
}

template <typename T, void (*Free)(T*)>
struct Freer {
    void operator()(T* p) const { Free(p); }
};
using SslCtx = std::unique_ptr<SSL_CTX, Freer<SSL_CTX, SSL_CTX_free>>;
using Bio = std::unique_ptr<BIO, Freer<BIO, BIO_free_all>>;
using X509Ptr = std::unique_ptr<X509, Freer<X509, X509_free>>;
using KeyPtr = std::unique_ptr<EVP_PKEY, Freer<EVP_PKEY, EVP_PKEY_free>>;

SslCtx ContextWith(const LeafPem& leaf) {
    SslCtx ctx(SSL_CTX_new(TLS_server_method()));
    Bio certBio(BIO_new_mem_buf(leaf.cert.data(), static_cast<int>(leaf.cert.size())));
    Bio keyBio(BIO_new_mem_buf(leaf.key.data(), static_cast<int>(leaf.key.size())));
    if (!ctx || !certBio || !keyBio) {
        throw std::runtime_error("web server: TLS context");
    }
    X509Ptr cert(PEM_read_bio_X509(certBio.get(), nullptr, nullptr, nullptr));
    KeyPtr key(PEM_read_bio_PrivateKey(keyBio.get(), nullptr, nullptr, nullptr));
    if (!cert || !key || SSL_CTX_use_certificate(ctx.get(), cert.get()) != 1 ||
        SSL_CTX_use_PrivateKey(ctx.get(), key.get()) != 1) {
        throw std::runtime_error("web server: leaf certificate");
    }
    return ctx;
}

}  // namespace

struct WebServer::State {
    // Declared first so that it goes last: the sessions that its pending handlers own close their
    // sockets while it still exists.
    asio::io_context io;
    asio::ssl::context tls{asio::ssl::context::tls_server};
    tcp::acceptor httpsAcceptor{io};
    tcp::acceptor stallAcceptor{io};
    tcp::acceptor plainAcceptor{io};
    std::set<std::shared_ptr<tcp::socket>> parked;  // stalled and plain connections (server thread)
    std::thread thread;

    TestCa ca;
    TestServer http;
    TestServer httpsBackend;  // what the https server says once the handshake is done
    std::uint16_t refusedPort = ClosedPort();

    mutable std::mutex mutex;
    std::map<std::string, std::pair<WebRule, std::string>> rules;
    std::map<std::string, milliseconds> delays;
    milliseconds delayAll{0};
    std::map<std::string, CertPlan> plans;
    std::map<std::string, SslCtx> contexts;  // per name, made at its first handshake
    std::vector<SslCtx> retired;             // replaced, maybe still in use by a connection
    std::size_t handshakes = 0;

    Reply Answer(const Request& request, bool https);
    Reply Play(const std::string& host, const Request& request, bool https);
    WebRule RuleOf(const std::string& host);
    SSL_CTX* ContextFor(const std::string& host);
    // Gives the handshake the certificate of host; the contexts made are let go past a bound (each
    // handshake holds its own), so that a list of a hundred thousand names does not keep them all.
    void UseContextFor(SSL* ssl, const std::string& host);
    void AcceptTls();
    void Park(tcp::acceptor& acceptor, bool banner);
    // Keeps a parked connection until the client goes.
    void Hold(std::shared_ptr<tcp::socket> kept);
};

namespace {

// One https connection: the handshake, then every byte relayed to the backend and back.
class TlsSession : public std::enable_shared_from_this<TlsSession> {
public:
    TlsSession(tcp::socket socket, WebServer::State& state)
        : client_(std::move(socket), state.tls), backend_(state.io), state_(state) {}

    void Start() {
        client_.async_handshake(asio::ssl::stream_base::server, [self = shared_from_this()](
                                                                    const asio::error_code& ec) {
            if (ec) {
                return;
            }
            {
                std::lock_guard lock(self->state_.mutex);
                ++self->state_.handshakes;
            }
            const tcp::endpoint backend(asio::ip::make_address(kLoopback), self->state_.httpsBackend.port());
            self->backend_.async_connect(backend, [self](const asio::error_code& e) {
                if (!e) {
                    self->Up();
                    self->Down();
                }
            });
        });
    }

private:
    void Up() {
        client_.async_read_some(asio::buffer(up_),
                                [self = shared_from_this()](const asio::error_code& ec, std::size_t n) {
                                    if (ec) {
                                        asio::error_code ignored;
                                        self->backend_.shutdown(tcp::socket::shutdown_send, ignored);
                                        return;
                                    }
                                    asio::async_write(self->backend_, asio::buffer(self->up_.data(), n),
                                                      [self](const asio::error_code& e, std::size_t) {
                                                          if (!e) {
                                                              self->Up();
                                                          }
                                                      });
                                });
    }

    void Down() {
        backend_.async_read_some(asio::buffer(down_),
                                 [self = shared_from_this()](const asio::error_code& ec, std::size_t n) {
                                     if (ec) {
                                         asio::error_code ignored;
                                         auto& socket = self->client_.lowest_layer();
                                         if (ec == asio::error::eof) {
                                             socket.shutdown(tcp::socket::shutdown_send, ignored);
                                         } else {
                                             socket.set_option(asio::socket_base::linger(true, 0), ignored);
                                             socket.close(ignored);
                                         }
                                         return;
                                     }
                                     asio::async_write(self->client_, asio::buffer(self->down_.data(), n),
                                                       [self](const asio::error_code& e, std::size_t) {
                                                           if (!e) {
                                                               self->Down();
                                                           }
                                                       });
                                 });
    }

    asio::ssl::stream<tcp::socket> client_;
    tcp::socket backend_;
    WebServer::State& state_;
    std::array<char, 16384> up_{};
    std::array<char, 16384> down_{};
};

int OnServerName(SSL* ssl, int* alert, void* arg) {
    auto* state = static_cast<WebServer::State*>(arg);
    const char* name = SSL_get_servername(ssl, TLSEXT_NAMETYPE_host_name);
    try {
        const std::string host = AsciiLower(name == nullptr ? "localhost" : name);
        if (state->RuleOf(host) == WebRule::TlsAlert) {
            *alert = SSL_AD_HANDSHAKE_FAILURE;
            return SSL_TLSEXT_ERR_ALERT_FATAL;
        }
        state->UseContextFor(ssl, host);
        return SSL_TLSEXT_ERR_OK;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "WebServer: %s\n", e.what());
        return SSL_TLSEXT_ERR_ALERT_FATAL;
    }
}

void Listen(tcp::acceptor& acceptor) {
    const tcp::endpoint endpoint(asio::ip::make_address(kLoopback), 0);
    acceptor.open(endpoint.protocol());
    acceptor.set_option(tcp::acceptor::reuse_address(true));
    acceptor.bind(endpoint);
    acceptor.listen();
}

}  // namespace

SSL_CTX* WebServer::State::ContextFor(const std::string& host) {
    std::lock_guard lock(mutex);
    if (const auto found = contexts.find(host); found != contexts.end()) {
        return found->second.get();
    }
    const auto plan = plans.find(host);
    const CertPlan chosen =
        plan != plans.end() ? plan->second : CertPlan{CertPlan::Kind::Valid, DefaultExpiry(host)};
    return (contexts[host] = ContextWith(ca.Issue(host, chosen))).get();
}

void WebServer::State::UseContextFor(SSL* ssl, const std::string& host) {
    constexpr std::size_t kKeptContexts = 4096;
    SSL_CTX* context = ContextFor(host);
    std::lock_guard lock(mutex);
    SSL_set_SSL_CTX(ssl, context);  // under the lock: the context cannot go before the handshake holds it
    if (contexts.size() > kKeptContexts) {
        std::erase_if(contexts, [](const auto& made) { return made.first != "localhost"; });
    }
}

void WebServer::State::AcceptTls() {
    httpsAcceptor.async_accept([this](const asio::error_code& ec, tcp::socket socket) {
        if (ec == asio::error::operation_aborted) {
            return;
        }
        if (!ec) {
            std::make_shared<TlsSession>(std::move(socket), *this)->Start();
        }
        AcceptTls();
    });
}

// Connections that get nothing but, with banner, a plain http answer instead of a TLS handshake.
void WebServer::State::Park(tcp::acceptor& acceptor, bool banner) {
    acceptor.async_accept([this, &acceptor, banner](const asio::error_code& ec, tcp::socket socket) {
        if (ec == asio::error::operation_aborted) {
            return;
        }
        if (!ec) {
            auto kept = std::make_shared<tcp::socket>(std::move(socket));
            parked.insert(kept);
            Hold(kept);
            if (banner) {
                static const std::string kAnswer =
                    Reply::httpBytes(400, "plain http here", {{"Connection", "close"}});
                asio::async_write(*kept, asio::buffer(kAnswer), [kept](const asio::error_code&, std::size_t) {
                    asio::error_code ignored;
                    kept->shutdown(tcp::socket::shutdown_send, ignored);
                });
            }
        }
        Park(acceptor, banner);
    });
}

void WebServer::State::Hold(std::shared_ptr<tcp::socket> kept) {
    auto buffer = std::make_shared<std::array<char, 512>>();
    kept->async_read_some(asio::buffer(*buffer),
                          [this, kept, buffer](const asio::error_code& ec, std::size_t) {
                              if (ec == asio::error::operation_aborted) {
                                  return;
                              }
                              if (ec) {
                                  parked.erase(kept);  // the client has gone
                                  return;
                              }
                              Hold(kept);
                          });
}

Reply WebServer::State::Answer(const Request& request, bool https) {
    const std::string host = HostOf(request);
    milliseconds delay;
    {
        std::lock_guard lock(mutex);
        const auto own = delays.find(host);
        delay = own != delays.end() ? own->second : delayAll;
    }
    Reply reply = Play(host, request, https);
    if (delay.count() > 0) {
        reply.steps.insert(reply.steps.begin(), Step{Step::Kind::Sleep, {}, 1, delay});
    }
    return reply;
}

WebRule WebServer::State::RuleOf(const std::string& host) {
    std::lock_guard lock(mutex);
    const auto set = rules.find(host);
    return set != rules.end() ? set->second.first : DefaultRule(host);
}

Reply WebServer::State::Play(const std::string& host, const Request& request, bool https) {
    WebRule rule = DefaultRule(host);
    std::string target = DemoMirror();
    {
        std::lock_guard lock(mutex);
        if (const auto set = rules.find(host); set != rules.end()) {
            rule = set->second.first;
            target = set->second.second;
        }
    }
    const std::string scheme = https ? "https://" : "http://";
    const std::string& path = request.target;
    const std::string okHead = "HTTP/1.1 200 OK\r\n";
    switch (rule) {
        case WebRule::Ok:
        case WebRule::NoAddress:
        case WebRule::Refused:
        case WebRule::NotTls:
            return Reply::http(200, "<html>" + host + "</html>");
        case WebRule::NotFound:
            return Reply::http(404, "not here");
        case WebRule::ToHttps:
        case WebRule::TlsStall:
        case WebRule::TlsAlert:
            return https ? Reply::http(200, "<html>secure</html>") : Redirect(301, "https://" + host + path);
        case WebRule::ToWww:
            return Redirect(301, scheme + std::string(kWww) + host + "/");
        case WebRule::HttpsThenWww:
            return Redirect(301, https ? "https://www." + host + "/" : "https://" + host + "/");
        case WebRule::ToHost:
            return Redirect(302, "http://" + target + "/");
        case WebRule::ToHostPath:
            return path == "/" ? Redirect(302, "http://" + target + "/home") : Reply::http(200, "home");
        case WebRule::CookieWall: {
            const std::string* cookie = request.header("Cookie");
            if (cookie != nullptr && cookie->find(kWallCookie) != std::string::npos) {
                return Reply::http(200, "<html>past the wall</html>");
            }
            return CookieRedirect(path);
        }
        case WebRule::CookieLoop:
            return CookieRedirect(path);
        case WebRule::Loop:
            return Redirect(302, path == "/" ? "/a" : "/");
        case WebRule::Endless: {
            const long n = path.size() > 1 ? std::strtol(path.c_str() + 1, nullptr, 10) : 0;
            return Redirect(302, "/" + std::to_string(n + 1));
        }
        case WebRule::Relative:
            return path == "/" ? Redirect(301, "start") : Reply::http(200, "started");
        case WebRule::ToFtp:
            return Redirect(301, "ftp://" + host + "/");
        case WebRule::NoAnswer:
            return Reply().close();
        case WebRule::EndlessHeaders:
            return Reply().send(okHead + Repeat("X-Pad: " + std::string(100, 'p') + "\r\n", 40000)).hold();
        case WebRule::Trickle:
            return Reply().sendPieces(okHead + Repeat("X-Slow: 1\r\n", 1000), 1, milliseconds(100));
        case WebRule::HangAfterHead:
            return Reply().send(okHead + "Content-Length: 100000\r\n\r\n").hold();
        case WebRule::BlackHole:
            return Reply().hold();
        case WebRule::HugeBody:
            return Reply()
                .send(okHead + "Content-Length: " + std::to_string(4u << 20) + "\r\n\r\n" +
                      std::string(4u << 20, 'b'))
                .hold();
    }
    return Reply::http(500, "no rule");
}

WebServer::WebServer() : state_(std::make_unique<State>()) {
    State* state = state_.get();
    state->http.setHandler([state](const Request& request) { return state->Answer(request, false); });
    state->httpsBackend.setHandler([state](const Request& request) { return state->Answer(request, true); });
    SSL_CTX_set_tlsext_servername_callback(state->tls.native_handle(), &OnServerName);
    SSL_CTX_set_tlsext_servername_arg(state->tls.native_handle(), state);
    // Without a name the handshake gets the certificate of "localhost".
    SSL_CTX* fallback = state->ContextFor("localhost");
    SSL_CTX_use_certificate(state->tls.native_handle(), SSL_CTX_get0_certificate(fallback));
    SSL_CTX_use_PrivateKey(state->tls.native_handle(), SSL_CTX_get0_privatekey(fallback));
    Listen(state->httpsAcceptor);
    Listen(state->stallAcceptor);
    Listen(state->plainAcceptor);
    state->AcceptTls();
    state->Park(state->stallAcceptor, false);
    state->Park(state->plainAcceptor, true);
    state->thread = ServeOnThread(state->io, "WebServer");
}

WebServer::~WebServer() {
    state_->io.stop();
    state_->thread.join();
    state_->parked.clear();
}

std::vector<std::string> WebServer::ConnectTo() const {
    const std::string loopback(kLoopback);
    std::vector<std::string> routes;
    {
        std::lock_guard lock(state_->mutex);
        for (const auto& [host, rule] : state_->rules) {
            switch (rule.first) {
                case WebRule::NoAddress:
                    routes.push_back(host + "::nx.invalid:");
                    break;
                case WebRule::Refused:
                    routes.push_back(host + "::" + loopback + ":" + std::to_string(state_->refusedPort));
                    break;
                case WebRule::TlsStall:
                case WebRule::BlackHole:
                    routes.push_back(host + ":443:" + loopback + ":" +
                                     std::to_string(state_->stallAcceptor.local_endpoint().port()));
                    break;
                case WebRule::NotTls:
                    routes.push_back(host + ":443:" + loopback + ":" +
                                     std::to_string(state_->plainAcceptor.local_endpoint().port()));
                    break;
                default:
                    break;
            }
        }
    }
    routes.push_back(":80:" + loopback + ":" + std::to_string(HttpPort()));
    routes.push_back(":443:" + loopback + ":" + std::to_string(HttpsPort()));
    return routes;
}

const std::string& WebServer::CaFile() const {
    return state_->ca.PemFile();
}

void WebServer::SetRule(std::string host, WebRule rule, std::string target) {
    std::lock_guard lock(state_->mutex);
    state_->rules[std::move(host)] = {rule, std::move(target)};
}

void WebServer::SetDelay(std::string host, milliseconds delay) {
    std::lock_guard lock(state_->mutex);
    state_->delays[std::move(host)] = delay;
}

void WebServer::SetDelayAll(milliseconds delay) {
    std::lock_guard lock(state_->mutex);
    state_->delayAll = delay;
}

void WebServer::SetCertificate(std::string host, CertPlan plan) {
    std::lock_guard lock(state_->mutex);
    if (const auto made = state_->contexts.find(host); made != state_->contexts.end()) {
        state_->retired.push_back(std::move(made->second));
        state_->contexts.erase(made);
    }
    state_->plans[std::move(host)] = std::move(plan);
}

void WebServer::Clear() {
    std::lock_guard lock(state_->mutex);
    state_->rules.clear();
    state_->delays.clear();
    state_->delayAll = milliseconds(0);
    state_->plans.clear();
    for (auto& [host, ctx] : state_->contexts) {
        state_->retired.push_back(std::move(ctx));
    }
    state_->contexts.clear();
}

WebRule WebServer::DefaultRule(std::string_view host) {
    if (host.substr(0, kWww.size()) == kWww || host == DemoMirror()) {
        return WebRule::Ok;
    }
    switch (NameHash(host) % 10) {
        case 0:
        case 1:
        case 2:
        case 3:
            return WebRule::ToHttps;
        case 4:
        case 5:
            return WebRule::ToWww;
        case 6:
        case 7:
            return WebRule::Ok;
        case 8:
            return WebRule::ToHost;
        default:
            return WebRule::NotFound;
    }
}

std::string WebServer::DemoMirror() {
    return "xn----7sbbtjkkj1aqfo.xn--p1ai";  // сайт-зеркало.рф
}

std::string WebServer::DefaultExpiry(std::string_view host) {
    const std::time_t now = std::time(nullptr);
    std::tm today{};
    gmtime_r(&now, &today);
    const std::uint32_t hash = NameHash(host);
    char date[32];
    std::snprintf(date, sizeof date, "%04d-%02u-%02u", today.tm_year + 1900 + 1, hash % 12 + 1,
                  (hash / 12) % 28 + 1);
    return date;
}

std::uint16_t WebServer::HttpPort() const {
    return state_->http.port();
}

std::uint16_t WebServer::HttpsPort() const {
    return state_->httpsAcceptor.local_endpoint().port();
}

std::size_t WebServer::Handshakes() const {
    std::lock_guard lock(state_->mutex);
    return state_->handshakes;
}

}  // namespace vantle::sim
