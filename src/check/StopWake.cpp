#include "check/StopWake.h"

#include <sys/eventfd.h>
#include <unistd.h>

namespace vantle {

StopWake::StopWake(std::stop_token stop) : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (fd_ >= 0) {
        wake_.emplace(std::move(stop), std::function<void()>([fd = fd_] { ::eventfd_write(fd, 1); }));
    }
}

// The callback is gone (waited for, when it runs on another thread) before its descriptor closes.
StopWake::~StopWake() {
    wake_.reset();
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

}  // namespace vantle
