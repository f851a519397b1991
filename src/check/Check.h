#pragma once
// One check of a domain beyond the bar query: it names its columns and gives one cell text per column.
// The index and PageRank queries, and every check of the folders beside this one (dns/, web/, ...),
// are walked by the run through this interface.

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "check/DomainFacts.h"
#include "pace/Clock.h"
#include "pace/Limiter.h"

namespace vantle {

// The two forms of the domain a check is asked about.
struct DomainNames {
    std::string display;  // as in the table's first column (Windows-1251)
    std::string ascii;    // the bar services' ASCII form: first label and the zone "рф" in Punycode
    std::string full;     // every label lower-cased and in Punycode (IDNA): what resolvers and TLS see;
                          // empty for a name that cannot be asked for (see CheckableAsciiName)
    // What the domain's checks of one run share (its DNS answers, ...); none when a check is asked alone.
    std::shared_ptr<DomainFacts> facts = nullptr;
};

// The cell text of today's checks for a name that cannot be asked for.
inline constexpr std::string_view kBadName = "bad name";

// What a check is given beside the names: the stop signal, the time by which it must be done, the
// clock its waits take and the pace of the services it asks. Every wait inside a check ends by
// them. A token made with no arguments has no deadline of its own, the steady clock and no pace.
class CancelToken {
public:
    CancelToken() = default;
    // Stopped when outer is; done by deadline (a wait in line for a paced service moves it on, since
    // the queue is the run's doing and not the service's).
    CancelToken(std::stop_token outer, SteadyTime deadline, Clock& clock, Pacer* pacer);
    CancelToken(const CancelToken&) = delete;
    CancelToken& operator=(const CancelToken&) = delete;

    void Cancel() { source_.request_stop(); }
    bool Cancelled() const { return source_.stop_requested(); }
    std::stop_token Stop() const { return source_.get_token(); }
    Clock& clock() const { return *clock_; }
    bool HasDeadline() const { return deadline_.load() != kNoDeadline; }
    SteadyTime Deadline() const { return SteadyTime(SteadyTime::duration(deadline_.load())); }
    // Milliseconds left until the deadline, 0 once it passed; a very large number without one.
    long LeftMs() const;

    // Waits for a place with the service of `key` ("whois:whois.tcinet.ru", "archive", ...), or for
    // `queries` places when that many queries go out at once. The lease holds the places until it
    // ends; an unpaced key gives an empty lease at once. Nothing when the stop came first or the
    // service asked to be left alone past the deadline (rateLimited is then set).
    std::optional<Limiter::Lease> Pace(std::string_view key, bool* rateLimited = nullptr,
                                       int queries = 1) const;
    // The service of key answered "too many" and asked for wait: every domain waits for it.
    void Backoff(std::string_view key, Millis wait) const;
    // The service of key answered "too many" without saying how long to wait: every domain waits a
    // minute, doubled for each such answer in a row (Limiter::BackoffDoubling). Gives the wait.
    Millis BackoffDoubling(std::string_view key) const;
    // The service of key answered normally: its next limit notice waits a minute again.
    void Answered(std::string_view key) const;

private:
    static constexpr SteadyTime::rep kNoDeadline = SteadyTime::duration::max().count();

    std::optional<Limiter::Lease> WaitOwnBackoff(bool* rateLimited) const;

    std::stop_source source_;
    std::unique_ptr<std::stop_callback<std::function<void()>>> follow_;
    mutable std::atomic<SteadyTime::rep> deadline_{kNoDeadline};
    Clock* clock_ = &SteadyClock();
    Pacer* pacer_ = nullptr;
    mutable std::atomic<SteadyTime::rep> ownBackoff_{SteadyTime::duration::min().count()};
};

class Check {
public:
    virtual ~Check() = default;
    // Short lower-case name: the choice's key, also used on the command line ("dns", "web", ...).
    virtual std::string_view Name() const = 0;
    // Headers of the check's columns, in their fixed order.
    virtual std::vector<std::string> Columns() const = 0;
    // True for the checks that go to the old services one request at a time on the window's thread;
    // false for checks that may run on a worker thread beside the others.
    virtual bool InPlace() const { return false; }
    // True for checks that ask nothing remote (a look-up in a local file): they are not paced and
    // need no thread of their own.
    virtual bool Local() const { return false; }
    // A run (or a recheck) begins: what a check keeps for one run only may be looked at again.
    virtual void RunStarts() {}
    // One cell text per column (Windows-1251). Never throws: every failure is a short cell text.
    // May be called on a worker thread; a check is never run twice at the same time.
    virtual std::vector<std::string> Run(const DomainNames& names, const CancelToken& cancel) = 0;
};

}  // namespace vantle
