#include "dns/NameLookup.h"

#include <ares.h>
#include <arpa/inet.h>
#include <poll.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <utility>

#include "check/StopWake.h"

namespace vantle {

namespace {

using Steady = std::chrono::steady_clock;

constexpr int kClassIn = 1;
constexpr int kTypeA = 1;
constexpr int kTypeMx = 15;
constexpr int kTypeAaaa = 28;

// Tries per server, and the longest single wait of the loop when no descriptor wakes it on the stop.
constexpr int kTries = 3;
constexpr long kMaxWaitMs = 50;

// c-ares wants its global set-up once per process before the first channel.
int InitLibrary() {
    static const int status = ares_library_init(ARES_LIB_INIT_ALL);
    return status;
}

// One resolver channel, destroyed with its scope (pending queries get their callbacks then).
class Channel {
public:
    Channel() = default;
    ~Channel() {
        if (channel_ != nullptr) {
            ares_destroy(channel_);
        }
    }
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    ares_channel* out() { return &channel_; }
    ares_channel get() const { return channel_; }

private:
    ares_channel channel_ = nullptr;
};

// One of the three queries. Until its callback comes, it counts as timed out.
struct Query {
    RawAnswer answer{ARES_ETIMEOUT, {}};
    bool done = false;
    int* open = nullptr;  // the queries still waiting for their callback
};

void OnAnswer(void* arg, int status, int /*timeouts*/, unsigned char* abuf, int alen) {
    auto* query = static_cast<Query*>(arg);
    if (query->done) {
        return;
    }
    query->done = true;
    --*query->open;
    query->answer.status = status;
    try {
        if (abuf != nullptr && alen > 0) {
            query->answer.bytes.assign(reinterpret_cast<const char*>(abuf), static_cast<std::size_t>(alen));
        }
    } catch (...) {
        // Out of memory: the callback must not throw through c-ares.
        query->answer = RawAnswer{ARES_ENOMEM, {}};
    }
}

std::string JoinServers(const std::vector<std::string>& servers) {
    std::string csv;
    for (const std::string& server : servers) {
        if (!csv.empty()) {
            csv += ',';
        }
        csv += server;
    }
    return csv;
}

// Milliseconds from now until then, rounded up, at least 0.
long MsUntil(Steady::time_point then) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(then - Steady::now()).count();
    return std::max<long>(0, static_cast<long>(left));
}

// Feeds the channel what its sockets have for at most waitMs, or until wakeFd (when not -1) turns
// readable; with nothing ready it still lets the channel see its time-outs.
void WaitOnce(ares_channel channel, long waitMs, int wakeFd) {
    timeval cap{waitMs / 1000, (waitMs % 1000) * 1000};
    timeval room{};
    const timeval* next = ares_timeout(channel, &cap, &room);
    const long pollMs =
        std::min(waitMs, static_cast<long>(next->tv_sec * 1000 + (next->tv_usec + 999) / 1000));

    std::array<ares_socket_t, ARES_GETSOCK_MAXNUM> sockets{};
    const int bits = ares_getsock(channel, sockets.data(), ARES_GETSOCK_MAXNUM);
    std::array<pollfd, ARES_GETSOCK_MAXNUM + 1> fds{};
    nfds_t count = 0;
    for (int i = 0; i < ARES_GETSOCK_MAXNUM; ++i) {
        short events = 0;
        if (ARES_GETSOCK_READABLE(bits, i)) {
            events |= POLLIN;
        }
        if (ARES_GETSOCK_WRITABLE(bits, i)) {
            events |= POLLOUT;
        }
        if (events != 0) {
            fds[count++] = pollfd{sockets[i], events, 0};
        }
    }
    const nfds_t socketCount = count;
    if (wakeFd >= 0) {
        fds[count++] = pollfd{wakeFd, POLLIN, 0};
    }
    const int ready = poll(fds.data(), count, static_cast<int>(pollMs));
    if (wakeFd >= 0 && fds[socketCount].revents != 0) {
        return;  // the stop: the caller ends the queries
    }
    if (ready <= 0) {
        ares_process_fd(channel, ARES_SOCKET_BAD, ARES_SOCKET_BAD);
        return;
    }
    for (nfds_t i = 0; i < socketCount; ++i) {
        const short got = fds[i].revents;
        if (got == 0) {
            continue;
        }
        const bool readable = (got & (POLLIN | POLLERR | POLLHUP)) != 0;
        const bool writable = (got & (POLLOUT | POLLERR | POLLHUP)) != 0;
        ares_process_fd(channel, readable ? fds[i].fd : ARES_SOCKET_BAD,
                        writable ? fds[i].fd : ARES_SOCKET_BAD);
    }
}

NameAnswers Failed(int status) {
    return NameAnswers{{status, {}}, {status, {}}, {status, {}}};
}

bool IsAddressLiteral(const std::string& host) {
    unsigned char bytes[16];
    return inet_pton(AF_INET, host.c_str(), bytes) == 1 || inet_pton(AF_INET6, host.c_str(), bytes) == 1;
}

}  // namespace

NameAnswers LookUpName(const std::string& name, const CheckEndpoints& endpoints, const CancelToken& cancel,
                       bool withMx) {
    try {
        if (InitLibrary() != ARES_SUCCESS) {
            return Failed(ARES_ENOTINITIALIZED);
        }
        const std::array<int, 3> types{kTypeA, kTypeAaaa, kTypeMx};
        const std::size_t asked = withMx ? types.size() : 2;
        // Each query counts against the resolver's pace, not each look-up.
        const std::optional<Limiter::Lease> lease = cancel.Pace("dns", nullptr, static_cast<int>(asked));
        if (!lease) {
            return Failed(ARES_ECANCELLED);
        }
        const long whole = std::clamp<long>(std::min(endpoints.checkTimeoutMs, cancel.LeftMs()), 1, INT_MAX);
        const auto deadline = Steady::now() + std::chrono::milliseconds(whole);

        // Declared before the channel so that they outlive it: its destruction may still call back.
        int open = 0;
        std::array<Query, 3> queries;
        for (Query& query : queries) {
            query.open = &open;
        }

        Channel channel;
        ares_options options{};
        // The channel's own retries fit in the check's bound; the loop below ends it regardless.
        options.timeout = static_cast<int>(
            std::clamp<long>(std::min(endpoints.connectTimeoutMs, whole / kTries), 1, INT_MAX));
        options.tries = kTries;
        if (ares_init_options(channel.out(), &options, ARES_OPT_TIMEOUTMS | ARES_OPT_TRIES) != ARES_SUCCESS) {
            return Failed(ARES_ENOTINITIALIZED);
        }
        if (!endpoints.dnsServers.empty() &&
            ares_set_servers_ports_csv(channel.get(), JoinServers(endpoints.dnsServers).c_str()) !=
                ARES_SUCCESS) {
            return Failed(ARES_EBADSTR);
        }

        for (std::size_t i = 0; i < asked; ++i) {
            ++open;
            ares_query(channel.get(), name.c_str(), kClassIn, types[i], OnAnswer, &queries[i]);
        }
        const StopWake wake(cancel.Stop());
        while (open > 0 && !cancel.Cancelled()) {
            const long left = MsUntil(deadline);
            if (left == 0) {
                break;
            }
            WaitOnce(channel.get(), wake.Fd() >= 0 ? left : std::min(left, kMaxWaitMs), wake.Fd());
        }
        if (open > 0) {
            ares_cancel(channel.get());
        }
        return NameAnswers{queries[0].answer, queries[1].answer, queries[2].answer};
    } catch (...) {
        return Failed(ARES_ENOMEM);
    }
}

NameAnswers DomainAnswers(const DomainNames& names, const CheckEndpoints& endpoints,
                          const CancelToken& cancel) {
    const auto ask = [&] { return LookUpName(names.full, endpoints, cancel, true); };
    if (!names.facts) {
        return ask();
    }
    const std::shared_ptr<const NameAnswers> answers =
        names.facts->Get<NameAnswers>("dns:" + names.full, cancel, std::function<NameAnswers()>(ask));
    return answers ? *answers : Failed(ARES_ECANCELLED);
}

HostAddresses ResolveHost(const std::string& host, const DomainNames& names, const CheckEndpoints& endpoints,
                          const CancelToken& cancel) {
    if (IsAddressLiteral(host)) {
        return HostAddresses{{host}, {}};
    }
    const NameAnswers answers = host == names.full ? DomainAnswers(names, endpoints, cancel)
                                                   : LookUpName(host, endpoints, cancel, false);
    if (cancel.Cancelled()) {
        return HostAddresses{{}, "cancelled"};
    }
    return DecideAddresses(ParseA(answers.a), ParseAaaa(answers.aaaa));
}

}  // namespace vantle
