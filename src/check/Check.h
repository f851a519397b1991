#pragma once
// One check of a domain beyond the bar query: it names its columns and gives one cell text per column.
// The index and PageRank queries, and every check of the folders beside this one (dns/, web/, ...),
// are walked by the run through this interface.

#include <atomic>
#include <string>
#include <string_view>
#include <vector>

namespace vantle {

// The two forms of the domain a check is asked about.
struct DomainNames {
    std::string display;  // as in the table's first column (Windows-1251)
    std::string ascii;    // the bar services' ASCII form: first label and the zone "рф" in Punycode
    std::string full;     // every label lower-cased and in Punycode (IDNA): what resolvers and TLS see
};

// Set by the run when a check's answer is no longer wanted (the run failed or the window closes);
// a check looks at it between its waits and returns early with whatever cells it has.
class CancelToken {
public:
    void Cancel() { cancelled_.store(true, std::memory_order_relaxed); }
    bool Cancelled() const { return cancelled_.load(std::memory_order_relaxed); }

private:
    std::atomic<bool> cancelled_{false};
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
    // One cell text per column (Windows-1251). Never throws: every failure is a short cell text.
    // May be called on a worker thread; a check is never run twice at the same time.
    virtual std::vector<std::string> Run(const DomainNames& names, const CancelToken& cancel) = 0;
};

}  // namespace vantle
