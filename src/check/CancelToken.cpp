#include <algorithm>
#include <climits>

#include "check/Check.h"

namespace vantle {

namespace {

// The longest a query waits in line for a paced service.
constexpr Millis kLongestQueue = std::chrono::minutes(30);

}  // namespace

CancelToken::CancelToken(std::stop_token outer, SteadyTime deadline, Clock& clock, Pacer* pacer)
    : deadline_(deadline.time_since_epoch().count()), clock_(&clock), pacer_(pacer) {
    if (outer.stop_possible()) {
        follow_ = std::make_unique<std::stop_callback<std::function<void()>>>(
            std::move(outer), [this] { source_.request_stop(); });
    }
}

long CancelToken::LeftMs() const {
    if (!HasDeadline()) {
        return LONG_MAX / 2;
    }
    const auto left = std::chrono::ceil<Millis>(Deadline() - clock_->Now()).count();
    return static_cast<long>(std::clamp<long long>(left, 0, LONG_MAX / 2));
}

std::optional<Limiter::Lease> CancelToken::Pace(std::string_view key, bool* rateLimited, int queries) const {
    const std::shared_ptr<Limiter> limiter = pacer_ != nullptr ? pacer_->For(key) : nullptr;
    if (limiter == nullptr) {
        return WaitOwnBackoff(rateLimited);
    }
    const SteadyTime asked = clock_->Now();
    const SteadyTime backoff = limiter->BackoffUntil();
    if (HasDeadline() && backoff >= Deadline()) {
        if (rateLimited != nullptr) {
            *rateLimited = true;
        }
        return std::nullopt;
    }
    std::optional<Limiter::Lease> lease = limiter->Acquire(asked + kLongestQueue, Stop(), queries);
    // The time in line moves the deadline on; a wait the service asked for does not.
    const auto inLine = clock_->Now() - std::max(asked, backoff);
    if (inLine.count() > 0 && HasDeadline()) {
        deadline_.fetch_add(inLine.count());
    }
    return lease;
}

void CancelToken::Backoff(std::string_view key, Millis wait) const {
    if (const std::shared_ptr<Limiter> limiter = pacer_ != nullptr ? pacer_->For(key) : nullptr) {
        limiter->Backoff(wait);
        return;
    }
    const SteadyTime::rep until = (clock_->Now() + wait).time_since_epoch().count();
    SteadyTime::rep seen = ownBackoff_.load();
    while (seen < until && !ownBackoff_.compare_exchange_weak(seen, until)) {
    }
}

Millis CancelToken::BackoffDoubling(std::string_view key) const {
    if (const std::shared_ptr<Limiter> limiter = pacer_ != nullptr ? pacer_->For(key) : nullptr) {
        return limiter->BackoffDoubling();
    }
    Backoff(key, kFirstBackoff);
    return kFirstBackoff;
}

void CancelToken::Answered(std::string_view key) const {
    if (const std::shared_ptr<Limiter> limiter = pacer_ != nullptr ? pacer_->For(key) : nullptr) {
        limiter->Answered();
    }
}

// Without a limiter for the service, a wait it asked for is this check's own.
std::optional<Limiter::Lease> CancelToken::WaitOwnBackoff(bool* rateLimited) const {
    const SteadyTime until{SteadyTime::duration(ownBackoff_.load())};
    if (until <= clock_->Now()) {
        return Limiter::Lease();
    }
    if (HasDeadline() && until >= Deadline()) {
        if (rateLimited != nullptr) {
            *rateLimited = true;
        }
        return std::nullopt;
    }
    if (!clock_->SleepUntil(until, Stop())) {
        return std::nullopt;
    }
    return Limiter::Lease();
}

}  // namespace vantle
