#pragma once
// What the web checks share on libcurl: one global initialisation, handles that free themselves, the
// bounds and routing of CheckEndpoints, the cancel hook, and the deadline of a whole check.

#include <curl/curl.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>

#include "check/Check.h"
#include "check/CheckEndpoints.h"

namespace vantle::web {

// curl_global_init, once per process, from whichever thread comes first.
void InitCurl();

// The trusted certificates of every TLS handshake of the program, read once per CA file (empty: the
// one libcurl was built to trust) and shared: reading the system's bundle again for each handshake
// cost more than the handshake. NewEasy puts it on its handles; a handle that sets a TLS context hook
// of its own calls UseSharedTrust from it. False when the file could not be read (libcurl then reads
// it itself, as before).
bool UseSharedTrust(void* sslContext, const std::string& caFile);

// A curl_slist that frees itself.
class SList {
public:
    SList() = default;
    ~SList() { curl_slist_free_all(list_); }
    SList(const SList&) = delete;
    SList& operator=(const SList&) = delete;

    bool Append(const std::string& line);
    void Clear() {
        curl_slist_free_all(list_);
        list_ = nullptr;
    }
    curl_slist* get() const { return list_; }

private:
    curl_slist* list_ = nullptr;
};

struct EasyCleanup {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
using Easy = std::unique_ptr<CURL, EasyCleanup>;

// The time a whole check may take: the run's deadline for it when the token has one, else totalMs
// counted from the construction on the token's clock.
class Deadline {
public:
    explicit Deadline(long totalMs);
    Deadline(const CancelToken& token, long totalMs);
    // Milliseconds left; 0 once the time is up.
    long LeftMs() const;

private:
    const CancelToken* token_ = nullptr;
    Clock* clock_ = nullptr;
    SteadyTime end_;
};

template <typename Value>
bool Set(CURL* easy, CURLoption option, Value value) {
    return curl_easy_setopt(easy, option, value) == CURLE_OK;
}

// The places taken with the web hosts' limiter ("web:<address>"), one per open socket: at most so
// many connections to one address at once, however many names lead there. The place at the address
// the DNS gave for a transfer is taken before the transfer (Reserve) and goes to its first socket, so
// that the time in line is over before libcurl's time-outs start; a further socket (the other address
// family, a new connection) waits for a place at its own address. Outlives its handle. The token's
// stop shuts every open socket down, so that a transfer waiting on a silent server ends at once rather
// than at libcurl's next look at the cancel (about once a second).
class SocketPace {
public:
    explicit SocketPace(const CancelToken& token)
        : token_(token), wake_(token.Stop(), std::function<void()>([this] { ShutDown(); })) {}
    // Waits for a place with address (as the DNS gave it); false when stopped first.
    bool Reserve(const std::string& address);
    // Gives back the place reserved when no socket took it.
    void DropReserved();
    // Opens the socket with the place reserved, else waits for one at its address first;
    // CURL_SOCKET_BAD when stopped first.
    curl_socket_t Open(curlsocktype purpose, const curl_sockaddr& address);
    void Close(curl_socket_t socket);

private:
    void ShutDown();

    const CancelToken& token_;
    std::mutex mutex_;
    std::map<curl_socket_t, Limiter::Lease> leases_;
    std::optional<Limiter::Lease> reserved_;
    std::stop_callback<std::function<void()>> wake_;  // last: it may run ShutDown at once
};

// A new handle with what every request of the web checks has: http and https only, no signals, the
// connect time-out, the time left as the transfer's time-out, the routes of endpoints.connectTo (and
// then no proxy), the trusted certificates, and an abort as soon as cancel is set. routes must outlive
// the handle's transfers. Empty when libcurl refuses any of it.
// With pace, every connection first takes a place with its address.
// A handle that goes to one host at a time (a check following redirects itself) takes, instead of
// every route, only those of the host it goes to next: RouteTo before each transfer. A long list in
// the simulator has a route for each of its names.
enum class Routes { All, PerHost };
Easy NewEasy(const CheckEndpoints& endpoints, const CancelToken& cancel, SList& routes,
             SocketPace* pace = nullptr, Routes which = Routes::All);
// The routes of endpoints.connectTo for the host of url and those for any host, as the handle's
// next transfer's; false when libcurl refuses them. Nothing to do without routes.
bool RouteTo(CURL* easy, const CheckEndpoints& endpoints, std::string_view url, SList& routes);

// names with facts of their own when they come without: the connections of one check then ask the
// DNS about the domain's name once, as those of a run share it with the DNS check.
DomainNames WithFacts(const DomainNames& names);

// Pins where the next transfer to url connects: the addresses the DNS gives for its host (the domain's
// own name through the answers its checks share), handed to libcurl so that its own resolver is never
// asked. pins must outlive the transfer. With pace, the place at the first address is then waited for.
// The failure word ("no address", "DNS error", "cancelled", "bad name") when there is nowhere to connect.
// Call SetTimeLeft after it: the time in line is not the transfer's.
std::optional<std::string> PinAddresses(CURL* easy, SList& pins, const std::string& url,
                                        const DomainNames& names, const CheckEndpoints& endpoints,
                                        const CancelToken& cancel, SocketPace* pace = nullptr);

// Runs the transfer of easy as curl_easy_perform does, except that the stop of cancel ends it at once,
// whatever it waits for (a name, a connection, an answer), with CURLE_ABORTED_BY_CALLBACK.
CURLcode Perform(CURL* easy, const CancelToken& cancel);

// Sets the time-outs of the next transfer from what is left of the check; false when nothing is.
bool SetTimeLeft(CURL* easy, const CheckEndpoints& endpoints, const Deadline& deadline);

}  // namespace vantle::web
