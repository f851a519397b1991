#include "pace/Limiter.h"

#include <algorithm>
#include <chrono>

namespace vantle {

Limiter::Lease& Limiter::Lease::operator=(Lease&& other) noexcept {
    if (this != &other) {
        Release();
        owner_ = std::exchange(other.owner_, nullptr);
    }
    return *this;
}

void Limiter::Lease::Release() {
    if (owner_ != nullptr) {
        std::exchange(owner_, nullptr)->Return();
    }
}

bool Limiter::Free(SteadyTime now) const {
    return (pace_.atOnce <= 0 || underWay_ < pace_.atOnce) && now >= nextStart_ && now >= backoffUntil_;
}

std::optional<Limiter::Lease> Limiter::Acquire(SteadyTime until, std::stop_token stop) {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (stop.stop_requested()) {
            return std::nullopt;
        }
        const SteadyTime now = clock_.Now();
        if (Free(now)) {
            ++underWay_;
            if (pace_.perSecond > 0) {
                const auto gap = std::chrono::duration_cast<SteadyTime::duration>(
                    std::chrono::duration<double>(1.0 / pace_.perSecond));
                nextStart_ = now + gap;
            }
            return Lease(this);
        }
        if (now >= until) {
            return std::nullopt;
        }
        // A full house waits for a release (or the end); a pace waits for its time.
        const bool full = pace_.atOnce > 0 && underWay_ >= pace_.atOnce;
        const SteadyTime wake = full ? until : std::min(until, std::max(nextStart_, backoffUntil_));
        const std::uint64_t seen = generation_;
        ++waiting_;
        clock_.WaitUntil(lock, changed_, wake, stop, [this, seen] { return generation_ != seen; });
        --waiting_;
    }
}

int Limiter::Waiting() const {
    const std::lock_guard lock(mutex_);
    return waiting_;
}

std::optional<Pacer::Queue> Pacer::LongestQueue() {
    const std::lock_guard lock(mutex_);
    std::optional<Queue> longest;
    for (const auto& [key, limiter] : limiters_) {
        const int waiting = limiter->Waiting();
        if (waiting > 0 && (!longest || waiting > longest->waiting)) {
            longest = Queue{key, waiting, limiter->pace()};
        }
    }
    return longest;
}

void Limiter::Return() {
    {
        const std::lock_guard lock(mutex_);
        --underWay_;
        ++generation_;
    }
    changed_.notify_all();
}

void Limiter::Backoff(Millis wait) {
    {
        const std::lock_guard lock(mutex_);
        backoffUntil_ = std::max(backoffUntil_, clock_.Now() + wait);
        ++generation_;
    }
    changed_.notify_all();
}

SteadyTime Limiter::BackoffUntil() const {
    const std::lock_guard lock(mutex_);
    return backoffUntil_;
}

Pace Pacer::PaceOf(const std::vector<PaceRule>& rules, std::string_view key) {
    const auto colon = key.find(':');
    const std::string_view kind = colon == std::string_view::npos ? key : key.substr(0, colon + 1);
    const PaceRule* best = nullptr;
    for (const PaceRule& rule : rules) {
        if (rule.key == key) {
            return rule.pace;
        }
        if (rule.key == kind) {
            best = &rule;
        }
    }
    return best != nullptr ? best->pace : Pace{};
}

Limiter* Pacer::For(std::string_view key) {
    const Pace pace = PaceOf(rules_, key);
    if (pace.perSecond <= 0 && pace.atOnce <= 0) {
        return nullptr;
    }
    const std::lock_guard lock(mutex_);
    auto it = limiters_.find(key);
    if (it == limiters_.end()) {
        it = limiters_.emplace(std::string(key), std::make_unique<Limiter>(clock_, pace)).first;
    }
    return it->second.get();
}

const std::vector<PaceRule>& DefaultPaceRules() {
    static const std::vector<PaceRule> rules{
        // The .ru registry publishes 30 queries a minute from one address and blocks beyond it: a
        // query every 2.08 s leaves 2.5 s a minute for the network to bunch them up on the way.
        {"whois:whois.tcinet.ru", {0.48, 1}},
        {"whois:whois.iana.org", {1, 1}},
        {"whois:", {1, 2}},
        {"rdap:", {5, 4}},
        {"archive", {1, 2}},
        {"dns", {200, 64}},
        // Many names share one parking host: at most two connections to one address at once.
        {"web:", {0, 2}},
    };
    return rules;
}

}  // namespace vantle
