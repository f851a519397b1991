#pragma once
// The pace of one remote service: at most so many queries a second and so many at once, for every
// domain of the run together (and, for the services that limit each address, for every copy of the
// program the user runs). A 429 or a registry's limit text pushes the next query back for all.

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
#include "pace/SharedPaces.h"

namespace vantle {

struct Pace {
    double perSecond = 0;  // queries started a second at most; 0: no limit
    int atOnce = 0;        // queries under way at once at most; 0: no limit
};

// The first wait after a limit notice that names none; each further notice in a row doubles it.
inline constexpr Millis kFirstBackoff = std::chrono::minutes(1);

class Limiter : public std::enable_shared_from_this<Limiter> {
public:
    // A query's places (one per query it sends): while it lives, they count as under way.
    class Lease {
    public:
        Lease() = default;
        Lease(Limiter* owner, int count, SharedPaces::Slot slot);
        Lease(Lease&& other) noexcept;
        Lease& operator=(Lease&& other) noexcept;
        ~Lease() { Release(); }
        void Release();

    private:
        Limiter* owner_ = nullptr;
        std::shared_ptr<Limiter> keep_;  // a limiter with a place held is never forgotten
        int count_ = 0;
        SharedPaces::Slot slot_;
    };

    // With shared, the pace of key is kept with the other copies of the program.
    Limiter(Clock& clock, Pace pace, std::shared_ptr<SharedPaces> shared = nullptr, std::string key = {});

    // Waits for count free places (count queries starting now: each one takes a place and a gap of the
    // pace), at the latest until `until`; nothing when that time or the stop came first.
    std::optional<Lease> Acquire(SteadyTime until, std::stop_token stop, int count = 1);
    // Nobody starts a query before now + wait (a later backoff wins over an earlier one).
    void Backoff(Millis wait);
    // A limit notice that names no wait: nobody asks before a minute has passed, twice as long after
    // each further notice in a row. A notice that comes while the service is already left alone (an
    // answer to a query sent before) does not double it. Gives the wait.
    Millis BackoffDoubling();
    // The service answered a query normally: the next notice waits a minute again.
    void Answered();
    // Until when the service asked to be left alone (of any copy, when shared); the past when it did not.
    SteadyTime BackoffUntil();
    // Nothing under way, nothing to wait for: a limiter nobody holds may then be forgotten.
    bool Idle(SteadyTime now) const;
    // How many queries wait in Acquire right now.
    int Waiting() const;
    const Pace& pace() const { return pace_; }

private:
    void Return(int count);
    bool Free(SteadyTime now, int count) const;
    // The places and the time of the other copies; false with wake set when they are not free yet.
    bool TakeShared(SteadyTime now, SharedPaces::Slot& slot, SteadyTime& wake);
    SteadyTime::duration Gap(int count) const;

    Clock& clock_;
    const Pace pace_;
    const std::shared_ptr<SharedPaces> shared_;
    const std::string key_;
    mutable std::mutex mutex_;
    std::condition_variable_any changed_;
    SteadyTime nextStart_{};
    SteadyTime backoffUntil_{};
    int underWay_ = 0;
    int waiting_ = 0;               // every query waiting in Acquire
    int waitingForPlace_ = 0;       // waiters that a release may let in
    int streak_ = 0;                // limit notices without a wait in a row
    std::uint64_t generation_ = 0;  // moves on every release and backoff
};

// One row of the table of services: a key ("whois:whois.tcinet.ru") or a key's kind ("whois:"), its
// pace, and whether the pace is kept with the other copies of the program (the services that limit
// each address).
struct PaceRule {
    std::string key;
    Pace pace;
    bool shared = false;
};

// A published limit of count queries per period as a pace's rate, with the margin every rate keeps:
// a gap 4 % longer than the limit's, room for the network to bunch queries up on the way.
double PublishedRate(double count, std::chrono::seconds period);

// The services' paces as the programs use them (see the README's table).
const std::vector<PaceRule>& DefaultPaceRules();

// The DNS resolver's pace is the user's to choose (it is their resolver): queries a second.
inline constexpr int kDefaultDnsRate = 200;
inline constexpr int kMinDnsRate = 10;
inline constexpr int kMaxDnsRate = 5000;
// The resolver's default pace asking at most perSecond queries a second (with the margin).
Pace DnsPace(int perSecond);
// DefaultPaceRules() with DnsPace(perSecond).
std::vector<PaceRule> PaceRulesWithDnsRate(int perSecond);

// Every service's limiter for one run (or one program): made on first use from the rules. A key is
// "<kind>:<host>" ("rdap:rdap.example", "web:192.0.2.1") or a kind alone ("archive", "dns"); the rule
// of the whole key wins over the rule of its kind; a key without a rule is not paced.
// A limiter that is idle and held by nobody is forgotten (many names on many addresses leave one
// entry per address otherwise).
class Pacer {
public:
    // shared: where the rules marked shared are kept with the other copies (by default the process's,
    // see SharePacesIn; none paces only this run).
    Pacer(Clock& clock, std::vector<PaceRule> rules,
          std::shared_ptr<SharedPaces> shared = ProcessSharedPaces());

    // Nothing for a key that no rule paces.
    std::shared_ptr<Limiter> For(std::string_view key);
    // The rule of key paces from now on at pace; the other services keep their limiters (and the
    // back-offs they hold). A query under way keeps the limiter it has.
    void SetPace(std::string_view key, Pace pace);
    Clock& clock() const { return clock_; }
    static Pace PaceOf(const std::vector<PaceRule>& rules, std::string_view key);
    static const PaceRule* RuleOf(const std::vector<PaceRule>& rules, std::string_view key);
    // How many services' limiters are kept right now.
    std::size_t Kept() const;

    // The service whose line is the longest now (what holds a run back), when any query waits.
    struct Queue {
        std::string key;
        int waiting = 0;
        Pace pace;
    };
    std::optional<Queue> LongestQueue();

private:
    void ForgetIdle();

    Clock& clock_;
    std::vector<PaceRule> rules_;
    std::shared_ptr<SharedPaces> shared_;
    mutable std::mutex mutex_;
    std::map<std::string, std::shared_ptr<Limiter>, std::less<>> limiters_;
    std::size_t sweepAt_;
};

}  // namespace vantle
