#include "web/CurlSession.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

#include <algorithm>
#include <map>
#include <mutex>

#include "dns/NameLookup.h"
#include "puny/IdnaName.h"

namespace vantle::web {
namespace {

int AbortWhenCancelled(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<const CancelToken*>(user)->Cancelled() ? 1 : 0;
}

curl_socket_t OpenPaced(void* user, curlsocktype purpose, curl_sockaddr* address) {
    return static_cast<SocketPace*>(user)->Open(purpose, *address);
}

int ClosePaced(void* user, curl_socket_t socket) {
    static_cast<SocketPace*>(user)->Close(socket);
    return close(socket);
}

// An address in the one text form that inet_ntop gives; empty when it is none.
std::string CanonicalAddress(const std::string& text) {
    unsigned char bytes[16];
    char canonical[INET6_ADDRSTRLEN] = {};
    if (inet_pton(AF_INET, text.c_str(), bytes) == 1) {
        inet_ntop(AF_INET, bytes, canonical, sizeof canonical);
    } else if (inet_pton(AF_INET6, text.c_str(), bytes) == 1) {
        inet_ntop(AF_INET6, bytes, canonical, sizeof canonical);
    }
    return canonical;
}

// The address a socket goes to, as text ("192.0.2.1", "2001:db8::1").
std::string AddressText(const curl_sockaddr& address) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address.family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(&address.addr);
        inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
    } else if (address.family == AF_INET6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&address.addr);
        inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text);
    }
    return text;
}

struct StoreFree {
    void operator()(X509_STORE* store) const { X509_STORE_free(store); }
};

// The CA file a handle of this libcurl trusts when told nothing.
std::string BuiltInCaFile() {
    char* path = nullptr;
    const Easy probe(curl_easy_init());
    if (probe && curl_easy_getinfo(probe.get(), CURLINFO_CAINFO, &path) == CURLE_OK && path != nullptr) {
        return path;
    }
    return {};
}

// The store of file, read on first use; none when it cannot be read.
X509_STORE* TrustStoreOf(const std::string& caFile) {
    static std::mutex mutex;
    static std::map<std::string, std::unique_ptr<X509_STORE, StoreFree>> stores;
    const std::lock_guard lock(mutex);
    auto it = stores.find(caFile);
    if (it == stores.end()) {
        const std::string file = caFile.empty() ? BuiltInCaFile() : caFile;
        std::unique_ptr<X509_STORE, StoreFree> store(X509_STORE_new());
        if (store && (file.empty() || X509_STORE_load_file(store.get(), file.c_str()) != 1)) {
            store.reset();
        }
        if (store) {
            // As libcurl sets its own store: a trusted intermediate ends the chain.
            X509_STORE_set_flags(store.get(), X509_V_FLAG_PARTIAL_CHAIN);
        }
        it = stores.emplace(caFile, std::move(store)).first;
    }
    return it->second.get();
}

CURLcode ShareTrust(CURL*, void* context, void* user) {
    UseSharedTrust(context, *static_cast<const std::string*>(user));
    return CURLE_OK;
}

struct UrlCleanup {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

// A part of the URL as libcurl reads it, %-escapes decoded; empty when it has none.
std::string UrlPart(CURLU* url, CURLUPart part, unsigned int flags) {
    char* text = nullptr;
    if (curl_url_get(url, part, &text, flags) != CURLUE_OK || text == nullptr) {
        return {};
    }
    std::string value(text);
    curl_free(text);
    return value;
}

// The port a transfer to host:port connects to after the routes that change the port alone
// ("HOST:PORT::CONNECT-TO-PORT", an empty HOST or PORT matching any): libcurl looks the host up with it.
std::string ConnectPort(const std::vector<std::string>& routes, const std::string& host,
                        const std::string& port) {
    for (const std::string& route : routes) {
        const std::size_t hostEnd = route.find(':');
        const std::size_t portEnd = route.find(':', hostEnd + 1);
        const std::size_t toEnd = route.find(':', portEnd + 1);
        if (hostEnd == std::string::npos || portEnd == std::string::npos || toEnd == std::string::npos) {
            continue;
        }
        const std::string routeHost = route.substr(0, hostEnd);
        const std::string routePort = route.substr(hostEnd + 1, portEnd - hostEnd - 1);
        if ((!routeHost.empty() && routeHost != host) || (!routePort.empty() && routePort != port)) {
            continue;
        }
        // libcurl takes the first route that matches; one to another host leaves the name unasked.
        const std::string toPort = route.substr(toEnd + 1);
        return toEnd == portEnd + 1 && !toPort.empty() ? toPort : port;
    }
    return port;
}

}  // namespace

DomainNames WithFacts(const DomainNames& names) {
    DomainNames shared = names;
    if (!shared.facts) {
        shared.facts = std::make_shared<DomainFacts>();
    }
    return shared;
}

std::optional<std::string> PinAddresses(CURL* easy, SList& pins, const std::string& url,
                                        const DomainNames& names, const CheckEndpoints& endpoints,
                                        const CancelToken& cancel, SocketPace* pace) {
    const std::unique_ptr<CURLU, UrlCleanup> parsed(curl_url());
    if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) {
        return "bad name";
    }
    std::string host = UrlPart(parsed.get(), CURLUPART_HOST, CURLU_URLDECODE);
    const std::string port = UrlPart(parsed.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);  // an IPv6 literal: its own address
    } else {
        host = FullAsciiNameOfUtf8(host);
    }
    if (host.empty() || port.empty()) {
        return "bad name";
    }
    const HostAddresses found = ResolveHost(host, names, endpoints, cancel);
    if (found.addresses.empty()) {
        return found.failure;
    }
    std::string line = host + ":" + ConnectPort(endpoints.connectTo, host, port) + ":";
    for (std::size_t i = 0; i < found.addresses.size(); ++i) {
        const std::string& address = found.addresses[i];
        line +=
            (i == 0 ? "" : ",") + (address.find(':') == std::string::npos ? address : "[" + address + "]");
    }
    if (!pins.Append(line) || !Set(easy, CURLOPT_RESOLVE, pins.get())) {
        return "error";
    }
    // libcurl connects to the first address first.
    if (pace != nullptr && !pace->Reserve(found.addresses.front())) {
        return "cancelled";
    }
    return std::nullopt;
}

bool SocketPace::Reserve(const std::string& address) {
    const std::string text = CanonicalAddress(address);
    if (text.empty()) {
        return true;
    }
    std::optional<Limiter::Lease> lease = token_.Pace("web:" + text);
    if (!lease) {
        return false;
    }
    const std::lock_guard lock(mutex_);
    reserved_ = std::move(lease);
    return true;
}

void SocketPace::DropReserved() {
    std::optional<Limiter::Lease> dropped;
    const std::lock_guard lock(mutex_);
    dropped.swap(reserved_);
}

curl_socket_t SocketPace::Open(curlsocktype, const curl_sockaddr& address) {
    std::optional<Limiter::Lease> lease;
    {
        const std::lock_guard lock(mutex_);
        lease.swap(reserved_);
    }
    if (!lease) {
        lease = token_.Pace("web:" + AddressText(address));
    }
    if (!lease) {
        return CURL_SOCKET_BAD;
    }
    const curl_socket_t socket = ::socket(address.family, address.socktype, address.protocol);
    if (socket != CURL_SOCKET_BAD) {
        const std::lock_guard lock(mutex_);
        leases_[socket] = std::move(*lease);
    }
    return socket;
}

void SocketPace::Close(curl_socket_t socket) {
    const std::lock_guard lock(mutex_);
    leases_.erase(socket);
}

// A socket is taken out of leases_ before it is closed, so no number shut down here is reused yet.
void SocketPace::ShutDown() {
    const std::lock_guard lock(mutex_);
    for (const auto& [socket, lease] : leases_) {
        ::shutdown(socket, SHUT_RDWR);
    }
}

bool UseSharedTrust(void* sslContext, const std::string& caFile) {
    X509_STORE* store = TrustStoreOf(caFile);
    if (store == nullptr) {
        return false;
    }
    SSL_CTX_set1_cert_store(static_cast<SSL_CTX*>(sslContext), store);
    return true;
}

void InitCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool SList::Append(const std::string& line) {
    curl_slist* longer = curl_slist_append(list_, line.c_str());
    if (longer == nullptr) {
        return false;
    }
    list_ = longer;
    return true;
}

Deadline::Deadline(long totalMs)
    : clock_(&SteadyClock()), end_(clock_->Now() + std::chrono::milliseconds(std::max(totalMs, 0L))) {}

Deadline::Deadline(const CancelToken& token, long totalMs)
    : token_(token.HasDeadline() ? &token : nullptr),
      clock_(&token.clock()),
      end_(clock_->Now() + std::chrono::milliseconds(std::max(totalMs, 0L))) {}

long Deadline::LeftMs() const {
    if (token_ != nullptr) {
        return token_->LeftMs();
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end_ - clock_->Now());
    return std::max<long>(static_cast<long>(left.count()), 0);
}

Easy NewEasy(const CheckEndpoints& endpoints, const CancelToken& cancel, SList& routes, SocketPace* pace,
             Routes which) {
    InitCurl();
    Easy easy(curl_easy_init());
    if (!easy) {
        return easy;
    }
    CURL* e = easy.get();
    bool ok = Set(e, CURLOPT_NOSIGNAL, 1L) && Set(e, CURLOPT_PROTOCOLS_STR, "http,https") &&
              Set(e, CURLOPT_USERAGENT, "Mozilla/5.0 (compatible; Vantle)") &&
              Set(e, CURLOPT_NOPROGRESS, 0L) && Set(e, CURLOPT_XFERINFOFUNCTION, &AbortWhenCancelled) &&
              Set(e, CURLOPT_XFERINFODATA, const_cast<void*>(static_cast<const void*>(&cancel)));
    if (ok && pace != nullptr) {
        ok = Set(e, CURLOPT_OPENSOCKETFUNCTION, &OpenPaced) &&
             Set(e, CURLOPT_OPENSOCKETDATA, static_cast<void*>(pace)) &&
             Set(e, CURLOPT_CLOSESOCKETFUNCTION, &ClosePaced) &&
             Set(e, CURLOPT_CLOSESOCKETDATA, static_cast<void*>(pace));
    }
    if (which == Routes::All) {
        for (const std::string& route : endpoints.connectTo) {
            ok = ok && routes.Append(route);
        }
    }
    if (ok && !endpoints.connectTo.empty()) {
        // The routes lead to the simulator; a proxy of the environment must not stand in between.
        ok = Set(e, CURLOPT_CONNECT_TO, routes.get()) && Set(e, CURLOPT_NOPROXY, "*");
    }
    if (ok && TrustStoreOf(endpoints.caFile) != nullptr) {
        // The shared store goes on each TLS context: libcurl reads no file of its own.
        ok = Set(e, CURLOPT_CAINFO, static_cast<char*>(nullptr)) &&
             Set(e, CURLOPT_CAPATH, static_cast<char*>(nullptr)) &&
             Set(e, CURLOPT_SSL_CTX_FUNCTION, &ShareTrust) &&
             Set(e, CURLOPT_SSL_CTX_DATA, const_cast<void*>(static_cast<const void*>(&endpoints.caFile)));
    } else if (ok && !endpoints.caFile.empty()) {
        ok = Set(e, CURLOPT_CAINFO, endpoints.caFile.c_str()) &&
             Set(e, CURLOPT_CAPATH, static_cast<char*>(nullptr));
    }
    if (!ok) {
        easy.reset();
    }
    return easy;
}

bool RouteTo(CURL* easy, const CheckEndpoints& endpoints, std::string_view url, SList& routes) {
    if (endpoints.connectTo.empty()) {
        return true;
    }
    std::string_view host = url.substr(std::min(url.find("://"), url.size()));
    host.remove_prefix(std::min<std::size_t>(3, host.size()));
    host = host.substr(0, host.find_first_of(":/?#"));
    routes.Clear();
    for (const std::string& route : endpoints.connectTo) {
        // "HOST:PORT:TO:PORT", HOST empty for any host.
        if ((route.starts_with(':') ||
             (route.size() > host.size() && route.starts_with(host) && route[host.size()] == ':')) &&
            !routes.Append(route)) {
            return false;
        }
    }
    return Set(easy, CURLOPT_CONNECT_TO, routes.get());
}

// A multi handle of its own, so that the stop can wake its wait (curl_multi_wakeup); libcurl's own
// loop of curl_easy_perform looks at the cancel only about once a second.
CURLcode Perform(CURL* easy, const CancelToken& cancel) {
    struct MultiCleanup {
        void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
    };
    const std::unique_ptr<CURLM, MultiCleanup> multi(curl_multi_init());
    if (!multi || curl_multi_add_handle(multi.get(), easy) != CURLM_OK) {
        return CURLE_OUT_OF_MEMORY;
    }
    CURLcode result = CURLE_ABORTED_BY_CALLBACK;
    {
        CURLM* m = multi.get();
        const std::stop_callback<std::function<void()>> wake(
            cancel.Stop(), std::function<void()>([m] { curl_multi_wakeup(m); }));
        int running = 1;
        while (!cancel.Cancelled()) {
            if (curl_multi_perform(m, &running) != CURLM_OK) {
                result = CURLE_FAILED_INIT;
                break;
            }
            if (running == 0) {
                int left = 0;
                const CURLMsg* message = curl_multi_info_read(m, &left);
                result = message != nullptr && message->msg == CURLMSG_DONE ? message->data.result
                                                                            : CURLE_FAILED_INIT;
                break;
            }
            if (curl_multi_poll(m, nullptr, 0, 1000, nullptr) != CURLM_OK) {
                result = CURLE_FAILED_INIT;
                break;
            }
        }
    }
    curl_multi_remove_handle(multi.get(), easy);
    return result;
}

bool SetTimeLeft(CURL* easy, const CheckEndpoints& endpoints, const Deadline& deadline) {
    const long left = deadline.LeftMs();
    if (left <= 0) {
        return false;
    }
    const long connect = endpoints.connectTimeoutMs > 0 ? std::min(endpoints.connectTimeoutMs, left) : left;
    return Set(easy, CURLOPT_TIMEOUT_MS, left) && Set(easy, CURLOPT_CONNECTTIMEOUT_MS, connect);
}

}  // namespace vantle::web
