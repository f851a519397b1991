#include "pace/Limiter.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace vantle {

namespace {

// Kept limiters looked over for idle ones once there are this many (and then twice as many as were
// left the last time).
constexpr std::size_t kFirstSweep = 1024;
// The longest doubling: 2^10 minutes.
constexpr int kLongestStreak = 10;

}  // namespace

Limiter::Lease::Lease(Limiter* owner, int count, SharedPaces::Slot slot)
    : owner_(owner), keep_(owner->weak_from_this().lock()), count_(count), slot_(std::move(slot)) {}

Limiter::Lease::Lease(Lease&& other) noexcept
    : owner_(std::exchange(other.owner_, nullptr)),
      keep_(std::move(other.keep_)),
      count_(std::exchange(other.count_, 0)),
      slot_(std::move(other.slot_)) {}

Limiter::Lease& Limiter::Lease::operator=(Lease&& other) noexcept {
    if (this != &other) {
        Release();
        owner_ = std::exchange(other.owner_, nullptr);
        keep_ = std::move(other.keep_);
        count_ = std::exchange(other.count_, 0);
        slot_ = std::move(other.slot_);
    }
    return *this;
}

void Limiter::Lease::Release() {
    slot_.Free();
    if (owner_ != nullptr) {
        std::exchange(owner_, nullptr)->Return(std::exchange(count_, 0));
    }
    keep_.reset();
}

Limiter::Limiter(Clock& clock, Pace pace, std::shared_ptr<SharedPaces> shared, std::string key)
    : clock_(clock), pace_(pace), shared_(std::move(shared)), key_(std::move(key)) {}

SteadyTime::duration Limiter::Gap(int count) const {
    if (pace_.perSecond <= 0) {
        return SteadyTime::duration::zero();
    }
    return std::chrono::duration_cast<SteadyTime::duration>(
        std::chrono::duration<double>(count / pace_.perSecond));
}

bool Limiter::Free(SteadyTime now, int count) const {
    return (pace_.atOnce <= 0 || underWay_ + count <= pace_.atOnce) && now >= nextStart_ &&
           now >= backoffUntil_;
}

bool Limiter::TakeShared(SteadyTime now, SharedPaces::Slot& slot, SteadyTime& wake) {
    if (!shared_) {
        return true;
    }
    std::optional<SharedPaces::Slot> place = shared_->TrySlot(key_, pace_.atOnce);
    if (!place) {
        // Another copy holds every place: look again shortly.
        wake = now + Millis(20);
        return false;
    }
    bool free = false;
    shared_->Update(key_, now, [&](SharedPaces::Entry& entry) {
        nextStart_ = std::max(nextStart_, entry.nextStart);
        backoffUntil_ = std::max(backoffUntil_, entry.backoffUntil);
        streak_ = std::max(streak_, entry.streak);
        free = now >= nextStart_ && now >= backoffUntil_;
        if (free) {
            entry.nextStart = now + Gap(1);
        }
    });
    if (!free) {
        wake = std::max(nextStart_, backoffUntil_);
        return false;
    }
    slot = std::move(*place);
    return true;
}

std::optional<Limiter::Lease> Limiter::Acquire(SteadyTime until, std::stop_token stop, int count) {
    count = std::max(count, 1);
    if (pace_.atOnce > 0) {
        count = std::min(count, pace_.atOnce);
    }
    std::unique_lock lock(mutex_);
    for (;;) {
        if (stop.stop_requested()) {
            return std::nullopt;
        }
        const SteadyTime now = clock_.Now();
        SteadyTime wake = until;
        if (Free(now, count)) {
            SharedPaces::Slot slot;
            if (TakeShared(now, slot, wake)) {
                underWay_ += count;
                nextStart_ = now + Gap(count);
                return Lease(this, count, std::move(slot));
            }
            wake = std::min(wake, until);
        }
        // A full house waits for a release (or the end); a pace waits for its time.
        const bool full = pace_.atOnce > 0 && underWay_ + count > pace_.atOnce;
        if (full) {
            wake = until;
        } else if (!Free(now, count)) {
            wake = std::min(until, std::max(nextStart_, backoffUntil_));
        }
        if (now >= until) {
            return std::nullopt;
        }
        const std::uint64_t seen = generation_;
        ++waiting_;
        waitingForPlace_ += full ? 1 : 0;
        clock_.WaitUntil(lock, changed_, wake, stop, [this, seen] { return generation_ != seen; });
        waitingForPlace_ -= full ? 1 : 0;
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

void Limiter::Return(int count) {
    bool waited = false;
    {
        const std::lock_guard lock(mutex_);
        underWay_ -= count;
        ++generation_;
        // Only the waiters for a place are let in by a release; the others wait for their time.
        waited = waitingForPlace_ > 0;
    }
    if (waited) {
        changed_.notify_all();
    }
}

void Limiter::Backoff(Millis wait) {
    {
        const std::lock_guard lock(mutex_);
        const SteadyTime now = clock_.Now();
        backoffUntil_ = std::max(backoffUntil_, now + wait);
        if (shared_) {
            shared_->Update(key_, now, [this](SharedPaces::Entry& entry) {
                entry.backoffUntil = std::max(entry.backoffUntil, backoffUntil_);
                backoffUntil_ = entry.backoffUntil;
            });
        }
        ++generation_;
    }
    changed_.notify_all();
}

Millis Limiter::BackoffDoubling() {
    Millis wait{};
    {
        const std::lock_guard lock(mutex_);
        const SteadyTime now = clock_.Now();
        const auto decide = [&](SteadyTime& until, int& streak) {
            if (until > now) {
                wait = std::chrono::ceil<Millis>(until - now);
                return;
            }
            wait = kFirstBackoff * (1LL << std::min(streak, kLongestStreak));
            streak = std::min(streak + 1, kLongestStreak);
            until = now + wait;
        };
        if (shared_) {
            shared_->Update(key_, now, [&](SharedPaces::Entry& entry) {
                entry.backoffUntil = std::max(entry.backoffUntil, backoffUntil_);
                entry.streak = std::max(entry.streak, streak_);
                decide(entry.backoffUntil, entry.streak);
                backoffUntil_ = entry.backoffUntil;
                streak_ = entry.streak;
            });
        } else {
            decide(backoffUntil_, streak_);
        }
        ++generation_;
    }
    changed_.notify_all();
    return wait;
}

void Limiter::Answered() {
    const std::lock_guard lock(mutex_);
    if (shared_) {
        shared_->Update(key_, clock_.Now(), [](SharedPaces::Entry& entry) { entry.streak = 0; });
    }
    streak_ = 0;
}

SteadyTime Limiter::BackoffUntil() {
    const std::lock_guard lock(mutex_);
    if (shared_) {
        shared_->Update(key_, clock_.Now(), [this](SharedPaces::Entry& entry) {
            backoffUntil_ = std::max(backoffUntil_, entry.backoffUntil);
            entry.backoffUntil = backoffUntil_;
        });
    }
    return backoffUntil_;
}

bool Limiter::Idle(SteadyTime now) const {
    const std::lock_guard lock(mutex_);
    return underWay_ == 0 && streak_ == 0 && now >= nextStart_ && now >= backoffUntil_;
}

double PublishedRate(double count, std::chrono::seconds period) {
    return count / static_cast<double>(period.count()) / 1.04;
}

Pacer::Pacer(Clock& clock, std::vector<PaceRule> rules, std::shared_ptr<SharedPaces> shared)
    : clock_(clock), rules_(std::move(rules)), shared_(std::move(shared)), sweepAt_(kFirstSweep) {}

const PaceRule* Pacer::RuleOf(const std::vector<PaceRule>& rules, std::string_view key) {
    const auto colon = key.find(':');
    const std::string_view kind = colon == std::string_view::npos ? key : key.substr(0, colon + 1);
    const PaceRule* best = nullptr;
    for (const PaceRule& rule : rules) {
        if (rule.key == key) {
            return &rule;
        }
        if (rule.key == kind) {
            best = &rule;
        }
    }
    return best;
}

Pace Pacer::PaceOf(const std::vector<PaceRule>& rules, std::string_view key) {
    const PaceRule* rule = RuleOf(rules, key);
    return rule != nullptr ? rule->pace : Pace{};
}

std::shared_ptr<Limiter> Pacer::For(std::string_view key) {
    const std::lock_guard lock(mutex_);
    const PaceRule* rule = RuleOf(rules_, key);
    if (rule == nullptr || (rule->pace.perSecond <= 0 && rule->pace.atOnce <= 0)) {
        return nullptr;
    }
    auto it = limiters_.find(key);
    if (it == limiters_.end()) {
        if (limiters_.size() >= sweepAt_) {
            ForgetIdle();
        }
        it = limiters_
                 .emplace(std::string(key),
                          std::make_shared<Limiter>(clock_, rule->pace, rule->shared ? shared_ : nullptr,
                                                    std::string(key)))
                 .first;
    }
    return it->second;
}

void Pacer::SetPace(std::string_view key, Pace pace) {
    const std::lock_guard lock(mutex_);
    for (PaceRule& rule : rules_) {
        if (rule.key == key) {
            rule.pace = pace;
        }
    }
    if (const auto it = limiters_.find(key); it != limiters_.end()) {
        limiters_.erase(it);
    }
}

void Pacer::ForgetIdle() {
    const SteadyTime now = clock_.Now();
    std::erase_if(limiters_, [now](const auto& entry) {
        return entry.second.use_count() == 1 && entry.second->Idle(now);
    });
    sweepAt_ = std::max(kFirstSweep, 2 * limiters_.size());
}

std::size_t Pacer::Kept() const {
    const std::lock_guard lock(mutex_);
    return limiters_.size();
}

const std::vector<PaceRule>& DefaultPaceRules() {
    using std::chrono::minutes;
    using std::chrono::seconds;
    // The published limits (the README's table names where each comes from); every rate keeps the
    // margin of PublishedRate. The services that limit each address share their pace with the other
    // copies of the program.
    static const std::vector<PaceRule> rules{
        // The .ru registry: 30 queries a minute from one address, blocked beyond it.
        {"whois:whois.tcinet.ru", {PublishedRate(30, minutes(1)), 1}, true},
        {"whois:whois.iana.org", {PublishedRate(1, seconds(1)), 1}, true},
        {"whois:", {PublishedRate(1, seconds(1)), 2}, true},
        {"rdap:", {PublishedRate(5, seconds(1)), 4}, true},
        // The archive's capture index: 24 queries a minute from one address, one at a time.
        {"archive", {PublishedRate(24, minutes(1)), 1}, true},
        // Each query counts: A, AAAA and MX are three.
        {"dns", {PublishedRate(kDefaultDnsRate, seconds(1)), 64}},
        // Many names share one parking host: at most two connections to one address at once.
        {"web:", {0, 2}},
    };
    return rules;
}

Pace DnsPace(int perSecond) {
    Pace pace = Pacer::PaceOf(DefaultPaceRules(), "dns");
    pace.perSecond = PublishedRate(perSecond, std::chrono::seconds(1));
    return pace;
}

std::vector<PaceRule> PaceRulesWithDnsRate(int perSecond) {
    std::vector<PaceRule> rules = DefaultPaceRules();
    for (PaceRule& rule : rules) {
        if (rule.key == "dns") {
            rule.pace = DnsPace(perSecond);
        }
    }
    return rules;
}

}  // namespace vantle
