#include "io/PosixFile.h"

#include <unistd.h>
#include <array>
#include <cerrno>

namespace vantle {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.release();
    }
    return *this;
}

UniqueFd::~UniqueFd() {
    close();
}

int UniqueFd::release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

int UniqueFd::close() {
    if (fd_ < 0) {
        return 0;
    }
    // No retry on EINTR: on Linux the descriptor is gone whatever close returns.
    const int result = ::close(release());
    return result == 0 ? 0 : errno;
}

namespace {

// One read(2) into the spare capacity of `out` when there is a useful amount of it (the caller may
// have reserved the file's size), else through a small buffer; the bytes read or -1.
ssize_t ReadSome(int fd, std::string& out) {
    constexpr std::size_t kMinDirect = 4096;
    const std::size_t old = out.size();
    const std::size_t room = out.capacity() - old;
    if (room >= kMinDirect) {
        out.resize(old + room);
        const ssize_t n = ::read(fd, out.data() + old, room);
        out.resize(old + static_cast<std::size_t>(n > 0 ? n : 0));
        return n;
    }
    std::array<char, 1 << 14> buffer;
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n > 0) {
        out.append(buffer.data(), static_cast<std::size_t>(n));
    }
    return n;
}

}  // namespace

ReadResult ReadAll(int fd, std::string& out, std::size_t maxBytes, int& errorNumber) {
    for (;;) {
        const ssize_t n = ReadSome(fd, out);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            errorNumber = errno;
            return ReadResult::Failed;
        }
        if (n == 0) {
            return ReadResult::Ok;
        }
        if (out.size() > maxBytes) {
            return ReadResult::TooLarge;
        }
    }
}

int WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (n == 0) {
            return EIO;  // a device that takes nothing would otherwise loop forever
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

}  // namespace vantle
