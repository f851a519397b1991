#pragma once
// How soon a wait ends once its check is cancelled: the check runs on a thread of its own, is
// cancelled once it is in the wait, and the time from the cancel to its end is measured with a bound,
// so that a wait the cancel does not wake fails the case instead of hanging it.

#include <chrono>
#include <future>
#include <optional>
#include <thread>
#include <type_traits>

#include "support/Eventually.h"

namespace vantle::testing {

// Far above what a woken wait takes, far below the time-outs of the waits measured (30 s).
inline constexpr std::chrono::milliseconds kCancelBound{500};
// From the sign that the check asked (the server saw it) to its being in the wait.
inline constexpr std::chrono::milliseconds kSettle{100};

template <typename Result>
struct CancelOutcome {
    bool entered = false;                           // the sign came
    std::optional<std::chrono::milliseconds> took;  // from the cancel to the end; none past the bound
    Result result{};
};

// Starts work(), waits for entered(), cancels with cancel() and measures. unblock() comes after the
// measurement whatever came of it (it lets go of what a broken wait would wait for without end); the
// work's own backstop (its token's deadline) ends it then.
template <typename Work, typename Entered, typename Cancel, typename Unblock>
CancelOutcome<std::invoke_result_t<Work>> TimeTheCancel(Work work, Entered entered, Cancel cancel,
                                                        Unblock unblock) {
    CancelOutcome<std::invoke_result_t<Work>> outcome;
    auto done = std::async(std::launch::async, std::move(work));
    outcome.entered = Eventually(entered);
    std::this_thread::sleep_for(kSettle);
    const auto cancelled = std::chrono::steady_clock::now();
    cancel();
    if (done.wait_for(kCancelBound) == std::future_status::ready) {
        outcome.took = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - cancelled);
    }
    unblock();
    outcome.result = done.get();
    return outcome;
}

}  // namespace vantle::testing
