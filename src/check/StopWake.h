#pragma once
// A descriptor that turns readable when a stop is requested: a poll over sockets that watches it too
// ends at once on the stop, instead of at its next look at the stop.

#include <functional>
#include <optional>
#include <stop_token>

namespace vantle {

class StopWake {
public:
    explicit StopWake(std::stop_token stop);
    ~StopWake();
    StopWake(const StopWake&) = delete;
    StopWake& operator=(const StopWake&) = delete;

    // Readable (POLLIN) once the stop was requested; -1 when no descriptor could be had, and the
    // caller then looks at the stop itself now and then.
    int Fd() const { return fd_; }

private:
    int fd_ = -1;
    std::optional<std::stop_callback<std::function<void()>>> wake_;  // after fd_: it may write at once
};

}  // namespace vantle
