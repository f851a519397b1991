// What the store reads at once for a run's coming lines: the domains' numbers and their newest
// answers, in sweeps of the store's tables rather than a look-up each.
#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "history/HistoryStore.h"
#include "history/StoreSql.h"

namespace vantle::history {

using sql::ColumnView;
using sql::ReadHead;
using sql::Statement;
using sql::Text;

void HistoryStore::DropGathered() {
    gathered_.clear();
    byKey_.clear();
    gatheredHeads_.clear();
    next_ = 0;
    numbered_.clear();
}

void HistoryStore::Gather(std::span<const std::string> domains) {
    const std::lock_guard lock(readMutex_);
    DropGathered();
    if (!BeginRead() || !Prepare()) {
        return;
    }
    for (const std::string& domain : domains) {
        if (!domain.empty()) {
            gathered_.push_back({Key(domain)});
        }
    }
    gatheredEra_ = readEra_;
    bool inOrder = false;
    bool read = GatherInOrder(inOrder);
    if (read && !inOrder) {
        // A sweep of the names steps over the names between two wanted ones: worth it when at least
        // one name in kDense is wanted (domains are numbered from 1 and seldom dropped, so the last
        // number is about how many there are).
        constexpr std::size_t kDense = 8;
        Statement last(reader_, "SELECT max(id) FROM domains");
        if (last.handle == nullptr || sqlite3_step(last.handle) != SQLITE_ROW ||
            static_cast<std::int64_t>(gathered_.size() * kDense) < sqlite3_column_int64(last.handle, 0)) {
            gathered_.clear();
            return;
        }
        SortByKey();
        read = GatherNumbers();
    }
    if (!read || !GatherHeads()) {
        DropGathered();
        EndRead();
        Fail(Text(u"история не читается"));
    }
}

void HistoryStore::SortByKey() {
    // In the order of the names' bytes, as the store's index has them: by the first eight bytes,
    // then by the whole key where those are alike (a sort on the keys alone compares them afar).
    std::vector<std::pair<std::uint64_t, std::uint32_t>> order(gathered_.size());
    for (std::uint32_t i = 0; i < order.size(); ++i) {
        std::uint64_t head = 0;
        const std::string& key = gathered_[i].key;
        for (std::size_t b = 0; b < 8; ++b) {
            head = head << 8 | (b < key.size() ? static_cast<unsigned char>(key[b]) : 0);
        }
        order[i] = {head, i};
    }
    std::sort(order.begin(), order.end(), [&](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first : gathered_[a.second].key < gathered_[b.second].key;
    });
    byKey_.resize(order.size());
    std::transform(order.begin(), order.end(), byKey_.begin(),
                   [](const auto& entry) { return entry.second; });
}

bool HistoryStore::GatherInOrder(bool& inOrder) {
    // A list checked again is most often in the order it was first written, which is the order of
    // its domains' numbers: each name is then the next one in a sweep of the numbers. A name that is
    // not is looked up; a name the store does not have leaves the sweep where it is. Where too many
    // names had to be looked up, the window is in some other order: nothing is kept.
    constexpr std::size_t kTried = 64;  // names looked at before the order is judged
    constexpr std::size_t kStray = 8;   // at most one name in kStray may be found out of order
    bool swept = false;                 // the sweep was begun
    bool at = false;                    // it is at a row not matched yet
    std::size_t strays = 0;
    inOrder = false;
    const auto done = [&](bool read) {  // (the statements are left reset)
        sqlite3_reset(byNumber_);
        sqlite3_reset(nameOnce_);
        return read;
    };
    for (std::size_t i = 0; i < gathered_.size(); ++i) {
        Gathered& wanted = gathered_[i];
        if (swept && !at) {
            const int step = sqlite3_step(byNumber_);
            if (step != SQLITE_ROW && step != SQLITE_DONE) {
                return done(false);
            }
            at = step == SQLITE_ROW;
            swept = at;
        }
        if (at && ColumnView(byNumber_, 1) == wanted.key) {
            wanted.id = sqlite3_column_int64(byNumber_, 0);
            at = false;
            continue;
        }
        sqlite3_reset(nameOnce_);
        sqlite3_bind_text(nameOnce_, 1, wanted.key.data(), static_cast<int>(wanted.key.size()),
                          SQLITE_STATIC);
        const int step = sqlite3_step(nameOnce_);
        if (step == SQLITE_ROW) {
            wanted.id = sqlite3_column_int64(nameOnce_, 0);
            sqlite3_reset(byNumber_);
            sqlite3_bind_int64(byNumber_, 1, wanted.id);
            swept = true;
            at = false;
            ++strays;
        } else if (step != SQLITE_DONE) {
            return done(false);
        }
        if (i + 1 >= kTried && strays * kStray > i + 1) {
            for (Gathered& entry : gathered_) {
                entry.id = -1;
            }
            return done(true);
        }
    }
    inOrder = true;
    return done(true);
}

namespace {

// A sweep that steps over rows it does not want, but seeks afresh past kSteps of them.
constexpr int kSteps = 16;

}  // namespace

bool HistoryStore::GatherNumbers() {
    std::string name;  // the name the sweep is at
    std::int64_t id = -1;
    bool at = false;     // it is at a name
    bool ended = false;  // no names are left
    int steps = kSteps;  // (the first one seeks)
    for (const std::uint32_t i : byKey_) {
        Gathered& wanted = gathered_[i];
        for (; !ended && (!at || name < wanted.key); ++steps) {
            if (steps >= kSteps) {
                sqlite3_reset(names_);
                sqlite3_bind_text(names_, 1, wanted.key.data(), static_cast<int>(wanted.key.size()),
                                  SQLITE_STATIC);
                steps = 0;
            }
            const int step = sqlite3_step(names_);
            if (step == SQLITE_DONE) {
                ended = true;
            } else if (step != SQLITE_ROW) {
                sqlite3_reset(names_);
                return false;
            } else {
                name.assign(ColumnView(names_, 0));
                id = sqlite3_column_int64(names_, 1);
                at = true;
            }
        }
        steps = 0;
        if (!ended && name == wanted.key) {
            wanted.id = id;
        }
    }
    sqlite3_reset(names_);
    return true;
}

bool HistoryStore::GatherHeads() {
    std::vector<std::pair<std::int64_t, std::uint32_t>> numbered;  // (number, place in gathered_)
    for (std::uint32_t i = 0; i < gathered_.size(); ++i) {
        if (gathered_[i].id >= 0) {
            numbered.emplace_back(gathered_[i].id, i);
        }
    }
    if (!std::is_sorted(numbered.begin(), numbered.end())) {  // (a list in the order first written is)
        std::sort(numbered.begin(), numbered.end());
    }
    std::int64_t domain = -1;  // the domain of the row the sweep is at
    bool at = false;
    bool ended = false;
    int steps = kSteps;
    const auto next = [&] {
        const int step = sqlite3_step(newest_);
        ended = step != SQLITE_ROW;
        at = !ended;
        domain = at ? sqlite3_column_int64(newest_, 0) : -1;
        return step == SQLITE_ROW || step == SQLITE_DONE;
    };
    for (std::size_t n = 0; n < numbered.size(); ++n) {
        const std::int64_t wanted = numbered[n].first;
        if (n > 0 && numbered[n - 1].first == wanted) {  // a domain listed twice
            gathered_[numbered[n].second].firstHead = gathered_[numbered[n - 1].second].firstHead;
            gathered_[numbered[n].second].heads = gathered_[numbered[n - 1].second].heads;
            continue;
        }
        for (; !ended && (!at || domain < wanted); ++steps) {
            if (steps >= kSteps) {
                sqlite3_reset(newest_);
                sqlite3_bind_int64(newest_, 1, wanted);
                steps = 0;
            }
            if (!next()) {
                sqlite3_reset(newest_);
                return false;
            }
        }
        steps = 0;
        Gathered& entry = gathered_[numbered[n].second];
        entry.firstHead = static_cast<std::uint32_t>(gatheredHeads_.size());
        while (at && domain == wanted) {
            Head& head = gatheredHeads_.emplace_back();
            ReadHead(newest_, head);
            if (!next()) {
                sqlite3_reset(newest_);
                return false;
            }
        }
        entry.heads = static_cast<std::uint32_t>(gatheredHeads_.size()) - entry.firstHead;
    }
    sqlite3_reset(newest_);
    return true;
}

bool HistoryStore::TakeGathered(std::string_view domain) {
    if (gathered_.empty()) {
        return false;
    }
    std::size_t at = next_;
    if (at >= gathered_.size() || !SameKey(gathered_[at].key, domain)) {
        if (byKey_.empty()) {
            SortByKey();  // (gathered in order, and asked out of it)
        }
        const std::string key = Key(domain);
        const auto found =
            std::lower_bound(byKey_.begin(), byKey_.end(), key,
                             [&](std::uint32_t i, const std::string& k) { return gathered_[i].key < k; });
        if (found == byKey_.end() || gathered_[*found].key != key) {
            return false;
        }
        at = *found;
    }
    const Gathered& entry = gathered_[at];
    numbered_ = entry.key;
    number_ = {entry.id, gatheredEra_};
    head_ = gatheredHeads_.data() + entry.firstHead;
    headCount_ = entry.heads;
    next_ = at + 1;
    return true;
}

}  // namespace vantle::history
