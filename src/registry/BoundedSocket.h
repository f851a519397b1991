#pragma once
// A TCP connection for one WHOIS exchange whose every wait (the name look-up included) ends by the
// check's deadline, or at once on its stop. Raises nothing: each step says how it went.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "check/Check.h"
#include "check/StopWake.h"
#include "web/CurlSession.h"

namespace vantle::registry {

enum class SocketStep { Done, Closed, Timeout, Cancelled, NoAddress, Refused, Failed };

class BoundedSocket {
public:
    BoundedSocket(const CancelToken& cancel, const web::Deadline& deadline, long connectMs)
        : cancel_(cancel), deadline_(deadline), connectMs_(connectMs), wake_(cancel.Stop()) {}
    BoundedSocket(const BoundedSocket&) = delete;
    BoundedSocket& operator=(const BoundedSocket&) = delete;

    // Looks the host up (a look-up that outlives the wait is left to finish on its own) and connects.
    SocketStep Open(const std::string& host, std::uint16_t port);
    SocketStep WriteAll(std::string_view bytes);
    // Appends what comes to out; Closed when the peer ended the stream.
    SocketStep ReadSome(std::string& out, std::size_t most);

private:
    // Waits until the socket is ready for events; Done, Timeout or Cancelled. within: a bound of its
    // own beside the deadline (ms), or -1.
    SocketStep Wait(short events, long withinMs);

    struct Fd {
        int fd = -1;
        ~Fd();
    };

    const CancelToken& cancel_;
    const web::Deadline& deadline_;
    long connectMs_;
    StopWake wake_;
    Fd fd_;
};

}  // namespace vantle::registry
