#pragma once
// The pace of one remote service: at most so many queries a second and so many at once, for every
// domain of the run together. A 429 or a registry's limit text pushes the next query back for all.

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pace/Clock.h"

namespace vantle {

struct Pace {
    double perSecond = 0;  // queries started a second at most; 0: no limit
    int atOnce = 0;        // queries under way at once at most; 0: no limit
};

class Limiter {
public:
    // A query's place: while it lives, it counts as under way.
    class Lease {
    public:
        Lease() = default;
        explicit Lease(Limiter* owner) : owner_(owner) {}
        Lease(Lease&& other) noexcept : owner_(std::exchange(other.owner_, nullptr)) {}
        Lease& operator=(Lease&& other) noexcept;
        ~Lease() { Release(); }
        void Release();

    private:
        Limiter* owner_ = nullptr;
    };

    Limiter(Clock& clock, Pace pace) : clock_(clock), pace_(pace) {}

    // Waits for the next free place, at the latest until `until`; nothing when that time or the stop
    // came first.
    std::optional<Lease> Acquire(SteadyTime until, std::stop_token stop);
    // Nobody starts a query before now + wait (a later backoff wins over an earlier one).
    void Backoff(Millis wait);
    // Until when the service asked to be left alone; the past when it did not.
    SteadyTime BackoffUntil() const;
    // How many queries wait in Acquire right now.
    int Waiting() const;
    const Pace& pace() const { return pace_; }

private:
    void Return();
    bool Free(SteadyTime now) const;

    Clock& clock_;
    const Pace pace_;
    mutable std::mutex mutex_;
    std::condition_variable_any changed_;
    SteadyTime nextStart_{};
    SteadyTime backoffUntil_{};
    int underWay_ = 0;
    int waiting_ = 0;
    std::uint64_t generation_ = 0;  // moves on every release and backoff
};

// One row of the table of services: a key ("whois:whois.tcinet.ru") or a key's kind ("whois:"), and
// its pace.
struct PaceRule {
    std::string key;
    Pace pace;
};

// The services' paces as the programs use them (see the README's table).
const std::vector<PaceRule>& DefaultPaceRules();

// Every service's limiter for one run (or one program): made on first use from the rules. A key is
// "<kind>:<host>" ("rdap:rdap.example", "web:192.0.2.1") or a kind alone ("archive", "dns"); the rule
// of the whole key wins over the rule of its kind; a key without a rule is not paced.
class Pacer {
public:
    Pacer(Clock& clock, std::vector<PaceRule> rules) : clock_(clock), rules_(std::move(rules)) {}

    // Nothing for a key that no rule paces.
    Limiter* For(std::string_view key);
    Clock& clock() const { return clock_; }
    static Pace PaceOf(const std::vector<PaceRule>& rules, std::string_view key);

    // The service whose line is the longest now (what holds a run back), when any query waits.
    struct Queue {
        std::string key;
        int waiting = 0;
        Pace pace;
    };
    std::optional<Queue> LongestQueue();

private:
    Clock& clock_;
    std::vector<PaceRule> rules_;
    std::mutex mutex_;
    std::map<std::string, std::unique_ptr<Limiter>, std::less<>> limiters_;
};

}  // namespace vantle
