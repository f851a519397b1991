#pragma once
// The paces that every copy of the program run by one user keeps together: two windows, or a window
// and vantle-cli, asking the same registry stay within its limit between them. A small state file
// holds, per service, when its next query may start, until when it asked to be left alone and how many
// of its limit notices came in a row (read and changed under flock); one byte-range lock per place
// held counts the queries under way in every copy (an ended copy's places free themselves).

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "pace/Clock.h"

namespace vantle {

class SharedPaces {
public:
    // What every copy knows of one service.
    struct Entry {
        SteadyTime nextStart{};
        SteadyTime backoffUntil{};
        int streak = 0;  // limit notices without a wait in a row
    };

    // A place under way with a service, held for every copy until it ends.
    class Slot {
    public:
        Slot() = default;
        Slot(SharedPaces* owner, long long at) : owner_(owner), at_(at) {}
        Slot(Slot&& other) noexcept;
        Slot& operator=(Slot&& other) noexcept;
        ~Slot() { Free(); }
        void Free();

    private:
        SharedPaces* owner_ = nullptr;
        long long at_ = -1;
    };

    // Keeps its files in dir (made when missing). A folder that cannot be had leaves each copy on its
    // own: Usable() is then false and every call succeeds at once.
    explicit SharedPaces(const std::string& dir);
    ~SharedPaces();
    SharedPaces(const SharedPaces&) = delete;
    SharedPaces& operator=(const SharedPaces&) = delete;

    bool Usable() const { return state_ >= 0 && slots_ >= 0; }
    // Calls change on key's entry under the file's lock and writes back what it made of it; entries
    // with nothing left to say (times past, no streak) are forgotten. Times further ahead than any
    // wait the programs ask for (left from before a restart of the machine) count as past.
    void Update(std::string_view key, SteadyTime now, const std::function<void(Entry&)>& change);
    // One of key's atOnce places, unless every copy together holds them all.
    std::optional<Slot> TrySlot(std::string_view key, int atOnce);

private:
    void FreePlace(long long at);

    int state_ = -1;
    int slots_ = -1;
    // The places this process holds: a lock of the same file by the same process would not stop it.
    std::mutex placesMutex_;
    std::set<long long> held_;
};

// Where the programs keep the shared paces: $XDG_RUNTIME_DIR/vantle, else ~/.cache/vantle.
std::string DefaultPaceStateDir();

// The shared paces of this process (made by SharePacesIn), or none: every Pacer made after the call
// keeps its shared services' paces with the other copies. The programs call it first thing; the
// tests do not, so that they pace only themselves.
void SharePacesIn(const std::string& dir);
std::shared_ptr<SharedPaces> ProcessSharedPaces();

}  // namespace vantle
