#include "registry/BoundedSocket.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace vantle::registry {
namespace {

// Without a descriptor for the stop, it is looked at no less often than this.
constexpr long kSliceMs = 50;

struct AddrInfoFree {
    void operator()(addrinfo* info) const { freeaddrinfo(info); }
};
using AddrInfo = std::unique_ptr<addrinfo, AddrInfoFree>;

// A look-up on a thread of its own: getaddrinfo cannot be interrupted, so a look-up the check stops
// waiting for finishes later and frees what it found.
struct LookUp {
    std::mutex mutex;
    std::condition_variable_any done;
    bool finished = false;
    int status = 0;
    AddrInfo result;
};

std::shared_ptr<LookUp> StartLookUp(const std::string& host, std::uint16_t port) {
    auto lookUp = std::make_shared<LookUp>();
    std::thread([lookUp, host, port] {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        const int status = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
        const std::lock_guard lock(lookUp->mutex);
        lookUp->status = status;
        lookUp->result.reset(found);
        lookUp->finished = true;
        lookUp->done.notify_all();
    }).detach();
    return lookUp;
}

}  // namespace

BoundedSocket::Fd::~Fd() {
    if (fd >= 0) {
        ::close(fd);
    }
}

SocketStep BoundedSocket::Wait(short events, long withinMs) {
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        if (cancel_.Cancelled()) {
            return SocketStep::Cancelled;
        }
        long left = deadline_.LeftMs();
        if (withinMs >= 0) {
            const long spent = static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                     std::chrono::steady_clock::now() - start)
                                                     .count());
            left = std::min(left, withinMs - spent);
        }
        if (left <= 0) {
            return SocketStep::Timeout;
        }
        // The stop's descriptor ends the wait at once; without one the stop is looked at now and then.
        std::array<pollfd, 2> fds{pollfd{fd_.fd, events, 0}, pollfd{wake_.Fd(), POLLIN, 0}};
        const nfds_t count = wake_.Fd() >= 0 ? 2 : 1;
        const int ready =
            poll(fds.data(), count, static_cast<int>(count == 2 ? left : std::min(left, kSliceMs)));
        if (ready > 0 && fds[0].revents != 0) {
            return SocketStep::Done;
        }
        if (ready < 0 && errno != EINTR) {
            return SocketStep::Failed;
        }
    }
}

SocketStep BoundedSocket::Open(const std::string& host, std::uint16_t port) {
    const std::shared_ptr<LookUp> lookUp = StartLookUp(host, port);
    const auto start = std::chrono::steady_clock::now();
    std::unique_lock lock(lookUp->mutex);
    while (!lookUp->finished) {
        if (cancel_.Cancelled()) {
            return SocketStep::Cancelled;
        }
        const long spent = static_cast<long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                .count());
        const long left = std::min(deadline_.LeftMs(), connectMs_ - spent);
        if (left <= 0) {
            return SocketStep::Timeout;
        }
        lookUp->done.wait_for(lock, cancel_.Stop(), std::chrono::milliseconds(left),
                              [&lookUp] { return lookUp->finished; });
    }
    if (lookUp->status != 0 || !lookUp->result) {
        return SocketStep::NoAddress;
    }
    SocketStep last = SocketStep::Refused;
    for (const addrinfo* a = lookUp->result.get(); a != nullptr; a = a->ai_next) {
        Fd fd{socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol)};
        if (fd.fd < 0) {
            continue;
        }
        std::swap(fd_.fd, fd.fd);
        if (connect(fd_.fd, a->ai_addr, a->ai_addrlen) != 0 && errno != EINPROGRESS) {
            continue;
        }
        last = Wait(POLLOUT, connectMs_);
        if (last != SocketStep::Done) {
            return last;
        }
        int error = 0;
        socklen_t length = sizeof error;
        if (getsockopt(fd_.fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0) {
            return SocketStep::Done;
        }
        last = SocketStep::Refused;
    }
    return last;
}

SocketStep BoundedSocket::WriteAll(std::string_view bytes) {
    while (!bytes.empty()) {
        const SocketStep ready = Wait(POLLOUT, -1);
        if (ready != SocketStep::Done) {
            return ready;
        }
        const ssize_t sent = send(fd_.fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno != EAGAIN && errno != EINTR) {
            return SocketStep::Failed;
        }
        bytes.remove_prefix(static_cast<std::size_t>(std::max<ssize_t>(sent, 0)));
    }
    return SocketStep::Done;
}

SocketStep BoundedSocket::ReadSome(std::string& out, std::size_t most) {
    const SocketStep ready = Wait(POLLIN, -1);
    if (ready != SocketStep::Done) {
        return ready;
    }
    char buffer[16384];
    const ssize_t got = recv(fd_.fd, buffer, std::min(most, sizeof buffer), 0);
    if (got == 0) {
        return SocketStep::Closed;
    }
    if (got < 0) {
        return errno == EAGAIN || errno == EINTR ? SocketStep::Done : SocketStep::Failed;
    }
    out.append(buffer, static_cast<std::size_t>(got));
    return SocketStep::Done;
}

}  // namespace vantle::registry
