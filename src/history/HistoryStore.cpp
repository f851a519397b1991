#include "history/HistoryStore.h"

#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <ranges>
#include <span>

#include "history/StoreSql.h"
#include "text/Cp1251.h"

namespace vantle::history {
namespace {

using sql::Exec;
using sql::Statement;
using sql::Text;

// Cells and headers are kept joined by the unit separator, which no cell holds.
constexpr char kJoin = '\x1f';
// Answers written in one transaction at most.
constexpr std::size_t kBatch = 50000;
// How long the writer lets answers gather before it writes them, unless a batch is full sooner.
constexpr std::chrono::milliseconds kGather{25};
// How long one read transaction serves the look-ups of a run.
constexpr std::chrono::milliseconds kReadRenew{250};
// The store threads' nice value (the run's threads keep theirs, 0 by default).
constexpr int kStoreNice = 10;
// How many domains' numbers the writer keeps in memory (a run's list is numbered once).
constexpr std::size_t kIdsKept = 1'000'000;
// How many rows one insert statement takes.
constexpr std::size_t kRowsAtOnce = 32;

std::string Joined(std::span<const std::string> parts) {
    if (parts.size() == 1 && parts[0].find(kJoin) == std::string::npos) {
        return parts[0];
    }
    std::size_t size = parts.empty() ? 0 : parts.size() - 1;
    for (const std::string& part : parts) {
        size += part.size();
    }
    std::string joined;
    joined.reserve(size);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            joined += kJoin;
        }
        const std::size_t from = joined.size();
        joined += parts[i];
        if (parts[i].find(kJoin) != std::string::npos) {
            std::replace(joined.begin() + static_cast<std::ptrdiff_t>(from), joined.end(), kJoin, ' ');
        }
    }
    return joined;
}

std::vector<std::string> Split(std::string_view joined) {
    std::vector<std::string> parts;
    std::size_t at = 0;
    for (;;) {
        const std::size_t end = joined.find(kJoin, at);
        parts.emplace_back(
            joined.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
        if (end == std::string_view::npos) {
            return parts;
        }
        at = end + 1;
    }
}

void SplitInto(std::string_view joined, std::vector<std::string_view>& parts) {
    parts.clear();
    std::size_t at = 0;
    for (std::size_t end; (end = joined.find(kJoin, at)) != std::string_view::npos; at = end + 1) {
        parts.push_back(joined.substr(at, end - at));
    }
    parts.push_back(joined.substr(at));
}

// A text column as it lies in the statement, valid until the next step or reset.
std::string_view ColumnView(sqlite3_stmt* statement, int col) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, col));
    return text ? std::string_view(text, static_cast<std::size_t>(sqlite3_column_bytes(statement, col)))
                : std::string_view();
}

std::string ColumnText(sqlite3_stmt* statement, int col) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, col));
    return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement, col)))
                : std::string();
}

void Bind(sqlite3_stmt* statement, int index, std::string_view text) {
    sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// The number of a domain (its key), given now when it has none; -1 when the store cannot say.
std::int64_t DomainId(const std::string& key, sqlite3_stmt* number, sqlite3_stmt* numbered) {
    sqlite3_reset(number);
    sqlite3_bind_text(number, 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
    const int step = sqlite3_step(number);
    if (step == SQLITE_ROW) {
        return sqlite3_column_int64(number, 0);
    }
    if (step != SQLITE_DONE) {
        return -1;
    }
    sqlite3_reset(numbered);
    sqlite3_bind_text(numbered, 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
    return sqlite3_step(numbered) == SQLITE_DONE ? sqlite3_last_insert_rowid(sqlite3_db_handle(numbered))
                                                 : -1;
}

// An insert of kRowsAtOnce rows into table(columns), or of one.
std::string Insert(const std::string& head, int width, std::size_t rows) {
    std::string row = "(?";
    for (int i = 1; i < width; ++i) {
        row += ", ?";
    }
    row += ")";
    std::string sql = head + " VALUES" + row;
    for (std::size_t i = 1; i < rows; ++i) {
        sql += ", " + row;
    }
    return sql;
}

// Inserts rows [0, count): kRowsAtOnce to a statement of many, the rest one by one. bind(statement,
// first parameter, row) binds a row's values.
template <class Bind>
bool InsertRows(sqlite3* db, const std::string& head, int width, std::size_t count, Bind bind) {
    std::size_t at = 0;
    if (count >= kRowsAtOnce) {
        Statement many(db, Insert(head, width, kRowsAtOnce).c_str());
        for (; at + kRowsAtOnce <= count; at += kRowsAtOnce) {
            sqlite3_reset(many.handle);
            for (std::size_t i = 0; i < kRowsAtOnce; ++i) {
                bind(many.handle, static_cast<int>(i) * width + 1, at + i);
            }
            if (many.handle == nullptr || sqlite3_step(many.handle) != SQLITE_DONE) {
                return false;
            }
        }
    }
    if (at < count) {
        Statement one(db, Insert(head, width, 1).c_str());
        for (; at < count; ++at) {
            sqlite3_reset(one.handle);
            bind(one.handle, 1, at);
            if (one.handle == nullptr || sqlite3_step(one.handle) != SQLITE_DONE) {
                return false;
            }
        }
    }
    return true;
}

void BindNumber(sqlite3_stmt* statement, int index, std::int64_t number) {
    if (number < 0) {
        sqlite3_bind_null(statement, index);
    } else {
        sqlite3_bind_int64(statement, index, number);
    }
}

// The number in a column, -1 for none.
std::int64_t ColumnNumber(sqlite3_stmt* statement, int col) {
    return sqlite3_column_type(statement, col) == SQLITE_NULL ? -1 : sqlite3_column_int64(statement, col);
}

// How many times the kept period has dropped domains from the store (their numbers with them).
std::int64_t Era(sqlite3* db) {
    Statement era(db, "SELECT value FROM meta WHERE key = 'era'");
    return era.handle != nullptr && sqlite3_step(era.handle) == SQLITE_ROW
               ? sqlite3_column_int64(era.handle, 0)
               : 0;
}

}  // namespace

void YieldToTheRun() {
    // On Linux a thread has a nice value of its own.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kStoreNice);
}

std::string HistoryStore::Key(std::string_view domain) {
    std::string key(domain);
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return key;
}

bool HistoryStore::SameKey(std::string_view a, std::string_view b) {
    if (a == b) {
        return true;
    }
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

HistoryStore::HistoryStore(sqlite3* writer, sqlite3* reader, std::int64_t pruneBefore)
    : writer_(writer), reader_(reader), pruneBefore_(pruneBefore) {
    thread_ = std::jthread([this](std::stop_token stop) { WriterLoop(stop); });
}

HistoryStore::~HistoryStore() {
    thread_.request_stop();
    thread_.join();
    {
        const std::lock_guard lock(readMutex_);
        EndRead();
        sqlite3_finalize(numberOf_);
        sqlite3_finalize(answer_);
    }
    sqlite3_close(reader_);
    sqlite3_close(writer_);
}

void HistoryStore::Add(std::string_view domain, StoredAnswer answer) {
    Add(std::vector<Queued>{
        Answer(domain, Kind(answer.check, answer.columns), answer.cells, answer.at, Number())});
}

int HistoryStore::Kind(std::string_view check, const std::vector<std::string>& columns) {
    const std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < named_.size(); ++i) {
        if (named_[i].first == check && named_[i].second == columns) {
            return static_cast<int>(i);
        }
    }
    named_.emplace_back(std::string(check), columns);
    return static_cast<int>(named_.size() - 1);
}

HistoryStore::Queued HistoryStore::Answer(std::string_view domain, int kind,
                                          std::span<const std::string> cells, std::int64_t at,
                                          Number number) {
    return {std::string(domain), kind, Joined(cells), at, number};
}

void HistoryStore::Add(std::vector<Queued> answers) {
    if (answers.empty()) {
        return;
    }
    std::size_t had = 0;
    {
        const std::lock_guard lock(mutex_);
        if (failed_) {
            return;
        }
        had = waiting_;
        waiting_ += answers.size();
        queued_ += answers.size();
        queue_.push_back(std::move(answers));  // (as they are: the run's thread moves no answer)
        // The writer waits for the first answers, then for a full batch; answers between them
        // would only wake it for nothing.
        if (had != 0 && (had >= kBatch || waiting_ < kBatch)) {
            return;
        }
    }
    cv_.notify_all();
}

void HistoryStore::Flush() {
    {
        std::unique_lock lock(mutex_);
        const std::uint64_t target = queued_;
        ++flushing_;
        cv_.notify_all();
        cv_.wait(lock, [&] { return done_ >= target || failed_; });
        --flushing_;
    }
    const std::lock_guard lock(readMutex_);
    EndRead();
}

void HistoryStore::Rest() {
    const std::lock_guard lock(readMutex_);
    EndRead();
}

void HistoryStore::EndRead() {
    kindsRead_ = false;
    if (reading_) {
        sqlite3_reset(numberOf_);
        sqlite3_reset(answer_);
        numbered_.clear();  // (a later read may find the number the writer gave since)
        Exec(reader_, "COMMIT");
        reading_ = false;
    }
}

bool HistoryStore::LoadKinds() {
    Statement kinds(reader_, "SELECT id, check_name, columns FROM kinds");
    if (kinds.handle == nullptr) {
        return false;
    }
    while (sqlite3_step(kinds.handle) == SQLITE_ROW) {
        kindsById_[sqlite3_column_int64(kinds.handle, 0)] = {ColumnText(kinds.handle, 1),
                                                             Split(ColumnText(kinds.handle, 2))};
    }
    return true;
}

void HistoryStore::Fail(const std::string& problem) {
    const std::lock_guard lock(mutex_);
    if (!problem_ && !problemTold_) {
        problem_ = problem;
        problemWaits_ = true;
    }
}

std::optional<std::string> HistoryStore::TakeProblem() {
    if (!problemWaits_) {
        return std::nullopt;
    }
    const std::lock_guard lock(mutex_);
    problemWaits_ = false;
    std::optional<std::string> problem = std::move(problem_);
    problem_.reset();
    if (problem) {
        problemTold_ = true;
    }
    return problem;
}

void HistoryStore::Prune() {
    Statement oldest(writer_, "SELECT value FROM meta WHERE key = 'oldest'");
    if (oldest.handle != nullptr && sqlite3_step(oldest.handle) == SQLITE_ROW &&
        sqlite3_column_int64(oldest.handle, 0) >= pruneBefore_) {
        return;  // nothing has outlived the kept period
    }
    sqlite3_reset(oldest.handle);
    if (!Exec(writer_, "BEGIN IMMEDIATE")) {
        return;
    }
    // The oldest answer left is found once here, so that the next stores opened scan again only
    // when it has aged past the kept period (an empty store: when an older answer is written).
    Statement prune(writer_, "DELETE FROM said WHERE at < ?");
    sqlite3_bind_int64(prune.handle, 1, pruneBefore_);
    Statement mark(writer_,
                   "INSERT OR REPLACE INTO meta(key, value)"
                   " SELECT 'oldest', coalesce(min(at), 9223372036854775807) FROM said");
    const bool pruned =
        sqlite3_step(prune.handle) == SQLITE_DONE &&
        // (A chain's answers fall in time from its newest: when that one is dropped, all are.)
        Exec(writer_,
             "DELETE FROM newest WHERE NOT EXISTS (SELECT 1 FROM said WHERE said.id = newest.id);"
             "DELETE FROM domains WHERE NOT EXISTS"
             " (SELECT 1 FROM newest WHERE newest.domain = domains.id)") &&
        (sqlite3_changes(writer_) == 0 || Exec(writer_,
                                               "INSERT INTO meta(key, value) VALUES('era', 1)"
                                               " ON CONFLICT(key) DO UPDATE SET value = value + 1")) &&
        sqlite3_step(mark.handle) == SQLITE_DONE;
    Exec(writer_, pruned ? "COMMIT" : "ROLLBACK");
}

void HistoryStore::WriterLoop(std::stop_token stop) {
    YieldToTheRun();
    if (pruneBefore_ > 0) {
        Prune();
    }
    for (;;) {
        std::vector<std::vector<Queued>> batch;
        std::size_t count = 0;
        {
            std::unique_lock lock(mutex_);
            cv_.wait(lock, stop, [this] { return waiting_ > 0; });
            if (waiting_ == 0) {
                return;  // stopped with nothing left to write
            }
            // A fast run's answers gather into few transactions: each one writes every page it
            // touches to the log again, so a transaction per row would write the pages a hundred
            // times over. A flush or the end does not wait.
            cv_.wait_for(lock, stop, kGather, [this] { return waiting_ >= kBatch || flushing_ > 0; });
            while (!queue_.empty() && count < kBatch) {
                count += queue_.front().size();
                batch.push_back(std::move(queue_.front()));
                queue_.pop_front();
            }
            waiting_ -= count;
        }
        const bool written = WriteBatch(batch);
        if (written) {
            // The log is copied into the database now, in the background, rather than when the
            // store closes at the end of a run (SQLite's own copying leaves part of it behind).
            sqlite3_wal_checkpoint_v2(writer_, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
        }
        {
            const std::lock_guard lock(mutex_);
            done_ += count;
            if (!written) {
                failed_ = true;
                done_ += waiting_;
                waiting_ = 0;
                queue_.clear();
            }
        }
        cv_.notify_all();
    }
}

std::int64_t HistoryStore::KindId(int kind) {
    const auto at = static_cast<std::size_t>(kind);
    if (at < kindIds_.size() && kindIds_[at] >= 0) {
        return kindIds_[at];
    }
    std::string check;
    std::string columns;
    {
        const std::lock_guard lock(mutex_);
        check = named_[at].first;
        columns = Joined(named_[at].second);
    }
    Statement insert(writer_, "INSERT OR IGNORE INTO kinds(check_name, columns) VALUES(?, ?)");
    Bind(insert.handle, 1, check);
    Bind(insert.handle, 2, columns);
    if (sqlite3_step(insert.handle) != SQLITE_DONE) {
        return -1;
    }
    Statement select(writer_, "SELECT id FROM kinds WHERE check_name = ? AND columns = ?");
    Bind(select.handle, 1, check);
    Bind(select.handle, 2, columns);
    if (sqlite3_step(select.handle) != SQLITE_ROW) {
        return -1;
    }
    const std::int64_t id = sqlite3_column_int64(select.handle, 0);
    if (kindIds_.size() <= at) {
        kindIds_.resize(at + 1, -1);
    }
    kindIds_[at] = id;
    return id;
}

bool HistoryStore::WriteBatch(const std::vector<std::vector<Queued>>& batch) {
    const auto failure = [this] {
        const int code = sqlite3_errcode(writer_) & 0xff;
        Exec(writer_, "ROLLBACK");
        Fail(Text(code == SQLITE_BUSY || code == SQLITE_LOCKED
                      ? u"история занята другой программой, ответы не "
                        u"записаны в неё"
                  : code == SQLITE_FULL ? u"история: диск полон, ответы не записаны в неё"
                  : code == SQLITE_CORRUPT || code == SQLITE_NOTADB
                      ? u"история повреждена, ответы не записаны в неё"
                      : u"история не записывается"));
        return false;
    };
    if (!Exec(writer_, "BEGIN IMMEDIATE")) {
        return failure();
    }
    // (A kind made in a transaction that is rolled back stays in kindIds_, but after a failure the
    // store writes nothing more.)
    Statement number(writer_, "SELECT id FROM domains WHERE name = ?");
    Statement numbered(writer_, "INSERT INTO domains(name) VALUES(?)");
    Statement newestOne(writer_, "SELECT id, at FROM newest WHERE domain = ? AND kind = ?");
    Statement newestRange(writer_, "SELECT domain, kind, id, at FROM newest WHERE domain BETWEEN ? AND ?");
    Statement answer(writer_, "SELECT at, prev FROM said WHERE id = ?");
    Statement relink(writer_, "UPDATE said SET prev = ? WHERE id = ?");
    Statement last(writer_,
                   "SELECT max(coalesce((SELECT max(id) FROM said), 0),"
                   " coalesce((SELECT value FROM meta WHERE key = 'said'), 0))");
    if (number.handle == nullptr || numbered.handle == nullptr || newestOne.handle == nullptr ||
        newestRange.handle == nullptr || answer.handle == nullptr || relink.handle == nullptr ||
        last.handle == nullptr || sqlite3_step(last.handle) != SQLITE_ROW) {
        return failure();
    }
    std::int64_t next = sqlite3_column_int64(last.handle, 0) + 1;
    const std::int64_t first = next;
    // A number the run's read found stands unless domains were dropped since (by another copy).
    const std::int64_t era = Era(writer_);
    if (era != idsEra_) {
        ids_.clear();
        idsEra_ = era;
    }
    struct Row {
        std::int64_t domain;
        std::int64_t kind;
        const Queued* item;
    };
    std::vector<Row> rows;
    std::int64_t oldest = std::numeric_limits<std::int64_t>::max();
    std::int64_t low = std::numeric_limits<std::int64_t>::max();
    std::int64_t high = -1;
    for (const Queued& item : batch | std::views::join) {
        const std::int64_t kind = KindId(item.kind);
        if (kind < 0) {
            return failure();
        }
        std::int64_t domain = -1;
        std::string key;
        if (item.number.id >= 0 && item.number.era == era) {
            domain = item.number.id;
        } else if (const auto known = ids_.find(key = Key(item.domain)); known != ids_.end()) {
            domain = known->second;
        } else if ((domain = DomainId(key, number.handle, numbered.handle)) < 0) {
            return failure();
        } else {
            if (ids_.size() >= kIdsKept) {
                ids_.clear();
            }
            ids_.emplace(std::move(key), domain);
        }
        rows.push_back({domain, kind, &item});
        oldest = std::min(oldest, item.at);
        low = std::min(low, domain);
        high = std::max(high, domain);
    }

    // The newest answer of each domain and check the batch adds to. A run's list is numbered in its
    // order, so its domains lie close together and are read in one sweep.
    struct Newest {
        std::pair<std::int64_t, std::int64_t> key;  // domain, kind
        std::int64_t id = -1;                       // -1: none
        std::int64_t at = 0;
        bool moved = false;
        bool operator<(const Newest& other) const { return key < other.key; }
    };
    std::vector<Newest> newest;
    newest.reserve(rows.size());
    for (const Row& row : rows) {
        newest.push_back({{row.domain, row.kind}});
    }
    if (!std::is_sorted(newest.begin(), newest.end())) {
        std::sort(newest.begin(), newest.end());
    }
    newest.erase(std::unique(newest.begin(), newest.end(),
                             [](const Newest& a, const Newest& b) { return a.key == b.key; }),
                 newest.end());
    if (!newest.empty() && high - low < 4 * static_cast<std::int64_t>(newest.size()) + 1024) {
        sqlite3_bind_int64(newestRange.handle, 1, low);
        sqlite3_bind_int64(newestRange.handle, 2, high);
        auto cursor = newest.begin();
        int step = SQLITE_ROW;
        while ((step = sqlite3_step(newestRange.handle)) == SQLITE_ROW) {
            const std::pair<std::int64_t, std::int64_t> key(sqlite3_column_int64(newestRange.handle, 0),
                                                            sqlite3_column_int64(newestRange.handle, 1));
            while (cursor != newest.end() && cursor->key < key) {
                ++cursor;
            }
            if (cursor != newest.end() && cursor->key == key) {
                cursor->id = sqlite3_column_int64(newestRange.handle, 2);
                cursor->at = sqlite3_column_int64(newestRange.handle, 3);
            }
        }
        if (step != SQLITE_DONE) {
            return failure();
        }
    } else {
        for (Newest& entry : newest) {
            sqlite3_reset(newestOne.handle);
            sqlite3_bind_int64(newestOne.handle, 1, entry.key.first);
            sqlite3_bind_int64(newestOne.handle, 2, entry.key.second);
            const int step = sqlite3_step(newestOne.handle);
            if (step == SQLITE_ROW) {
                entry.id = sqlite3_column_int64(newestOne.handle, 0);
                entry.at = sqlite3_column_int64(newestOne.handle, 1);
            } else if (step != SQLITE_DONE) {
                return failure();
            }
        }
    }
    const auto newestOf = [&](const Row& row) {
        return &*std::lower_bound(newest.begin(), newest.end(), Newest{{row.domain, row.kind}});
    };

    // Answers wait here to be inserted many at a time.
    struct Adding {
        std::int64_t id;
        std::int64_t prev;
        std::int64_t at;
        const Row* row;
    };
    std::vector<Adding> adding;
    adding.reserve(rows.size());
    const auto insert = [&] {
        const bool done = InsertRows(writer_, "INSERT INTO said(id, domain, kind, at, cells, prev)", 6,
                                     adding.size(), [&](sqlite3_stmt* statement, int at, std::size_t i) {
                                         const Adding& add = adding[i];
                                         sqlite3_bind_int64(statement, at, add.id);
                                         sqlite3_bind_int64(statement, at + 1, add.row->domain);
                                         sqlite3_bind_int64(statement, at + 2, add.row->kind);
                                         sqlite3_bind_int64(statement, at + 3, add.at);
                                         const std::string& cells = add.row->item->cells;
                                         sqlite3_bind_text(statement, at + 4, cells.data(),
                                                           static_cast<int>(cells.size()), SQLITE_STATIC);
                                         BindNumber(statement, at + 5, add.prev);
                                     });
        adding.clear();
        return done;
    };
    // An answer's time and the one before it (-1: none); false when the store could not say.
    const auto read = [&](std::int64_t id, std::int64_t& at, std::int64_t& prev) {
        sqlite3_reset(answer.handle);
        sqlite3_bind_int64(answer.handle, 1, id);
        const int step = sqlite3_step(answer.handle);
        if (step == SQLITE_ROW) {
            at = sqlite3_column_int64(answer.handle, 0);
            prev = ColumnNumber(answer.handle, 1);
        }
        return step;
    };
    for (const Row& row : rows) {
        Newest* head = newestOf(row);
        // Two answers of a domain's check in one second (a recheck, a second copy) both stay: the
        // later one goes to the next free second.
        std::int64_t at = row.item->at;
        if (head->id < 0 || at >= head->at) {
            at = head->id < 0 ? at : std::max(at, head->at + 1);
            adding.push_back({next, head->id, at, &row});
            *head = {head->key, next++, at, true};
            continue;
        }
        // Older than the check's newest answer (a copy that began earlier, or a time given): it goes
        // into the chain where its time falls, at its next second that is free.
        if (!insert()) {
            return failure();
        }
        // The chain from its newest answer down to the first one older than this (below; -1: none).
        std::vector<std::pair<std::int64_t, std::int64_t>> above;  // (number, time), newest first
        std::int64_t below = -1;
        for (std::int64_t id = head->id; id >= 0;) {
            std::int64_t when = 0;
            std::int64_t prev = -1;
            const int step = read(id, when, prev);
            if (step != SQLITE_ROW && step != SQLITE_DONE) {
                return failure();
            }
            if (step == SQLITE_DONE || (!above.empty() && when >= above.back().second)) {
                break;  // dropped by the kept period (or a chain that does not fall in time)
            }
            if (when < at) {
                below = id;
                break;
            }
            above.emplace_back(id, when);
            id = prev;
        }
        for (auto it = above.rbegin(); it != above.rend() && it->second <= at; ++it) {
            at += it->second == at ? 1 : 0;
        }
        if (at > head->at) {  // every second up to the newest answer's was taken
            adding.push_back({next, head->id, at, &row});
            *head = {head->key, next++, at, true};
            continue;
        }
        // Between the oldest answer newer than it and the one after that.
        const auto newer =
            std::find_if(above.rbegin(), above.rend(), [&](const auto& node) { return node.second > at; });
        adding.push_back({next, newer == above.rbegin() ? below : std::prev(newer)->first, at, &row});
        sqlite3_reset(relink.handle);
        sqlite3_bind_int64(relink.handle, 1, next++);
        sqlite3_bind_int64(relink.handle, 2, newer->first);
        if (!insert() || sqlite3_step(relink.handle) != SQLITE_DONE) {
            return failure();
        }
    }
    if (!insert()) {
        return failure();
    }
    std::erase_if(newest, [](const Newest& entry) { return !entry.moved; });
    if (!InsertRows(writer_, "INSERT OR REPLACE INTO newest(domain, kind, id, at)", 4, newest.size(),
                    [&](sqlite3_stmt* statement, int at, std::size_t i) {
                        sqlite3_bind_int64(statement, at, newest[i].key.first);
                        sqlite3_bind_int64(statement, at + 1, newest[i].key.second);
                        sqlite3_bind_int64(statement, at + 2, newest[i].id);
                        sqlite3_bind_int64(statement, at + 3, newest[i].at);
                    })) {
        return failure();
    }
    Statement mark(
        writer_,
        "INSERT INTO meta(key, value) VALUES('oldest', ?1), ('said', ?2)"
        " ON CONFLICT(key) DO UPDATE SET value = CASE key WHEN 'oldest' THEN min(value, ?1) ELSE ?2 END");
    sqlite3_bind_int64(mark.handle, 1, oldest);
    sqlite3_bind_int64(mark.handle, 2, next - 1);
    if (next > first && sqlite3_step(mark.handle) != SQLITE_DONE) {
        return failure();
    }
    if (!Exec(writer_, "COMMIT")) {
        return failure();
    }
    return true;
}

bool HistoryStore::BeginRead() {
    const auto now = std::chrono::steady_clock::now();
    if (reading_ && now - readSince_ > kReadRenew) {
        EndRead();
    }
    if (!reading_) {
        if (!Exec(reader_, "BEGIN")) {
            Fail(Text(u"история не читается"));
            return false;
        }
        reading_ = true;
        readSince_ = now;
        readEra_ = Era(reader_);
    }
    return true;
}

bool HistoryStore::Prepare() {
    if (numberOf_ != nullptr) {
        return true;
    }
    if (sqlite3_prepare_v2(reader_,
                           "SELECT d.id, n.kind, n.id FROM domains d LEFT JOIN newest n ON n.domain = d.id"
                           " WHERE d.name = ?",
                           -1, &numberOf_, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(reader_,
                           "SELECT at, cells, prev FROM said WHERE id = ?1 AND domain = ?2 AND kind = ?3", -1,
                           &answer_, nullptr) != SQLITE_OK) {
        for (sqlite3_stmt** statement : {&numberOf_, &answer_}) {
            sqlite3_finalize(*statement);
            *statement = nullptr;
        }
        Fail(Text(u"история не читается"));
        return false;
    }
    return true;
}

bool HistoryStore::NumberOf(std::string_view domain) {
    // A row's checks ask one after the other: the domain is looked up once for them.
    if (!numbered_.empty() && SameKey(numbered_, domain)) {
        return true;
    }
    numbered_ = Key(domain);
    number_ = {-1, readEra_};
    newest_.clear();
    sqlite3_reset(numberOf_);
    sqlite3_bind_text(numberOf_, 1, numbered_.data(), static_cast<int>(numbered_.size()), SQLITE_STATIC);
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(numberOf_)) == SQLITE_ROW) {
        number_.id = sqlite3_column_int64(numberOf_, 0);
        if (sqlite3_column_type(numberOf_, 1) != SQLITE_NULL) {
            newest_.emplace_back(sqlite3_column_int64(numberOf_, 1), sqlite3_column_int64(numberOf_, 2));
        }
    }
    sqlite3_reset(numberOf_);
    if (step != SQLITE_DONE) {
        numbered_.clear();
        EndRead();
        Fail(Text(u"история не читается"));
        return false;
    }
    return true;
}

template <class Visit>
bool HistoryStore::Walk(std::int64_t kind, std::int64_t newest, Visit visit) {
    // A chain's answers fall in time; where one does not, or is gone (dropped by the kept period), the
    // chain ends.
    std::int64_t before = std::numeric_limits<std::int64_t>::max();
    int step = SQLITE_ROW;
    for (std::int64_t id = newest; id >= 0;) {
        sqlite3_reset(answer_);
        sqlite3_bind_int64(answer_, 1, id);
        sqlite3_bind_int64(answer_, 2, number_.id);
        sqlite3_bind_int64(answer_, 3, kind);
        if ((step = sqlite3_step(answer_)) != SQLITE_ROW) {
            break;
        }
        const std::int64_t at = sqlite3_column_int64(answer_, 0);
        if (at >= before) {
            break;
        }
        before = at;
        id = ColumnNumber(answer_, 2);
        if (!visit(at, ColumnView(answer_, 1))) {
            break;
        }
    }
    sqlite3_reset(answer_);
    if (step != SQLITE_ROW && step != SQLITE_DONE) {
        EndRead();
        Fail(Text(u"история не читается"));
        return false;
    }
    return true;
}

std::vector<StoredAnswer> HistoryStore::Answers(std::string_view domain) {
    const std::lock_guard lock(readMutex_);
    std::vector<StoredAnswer> answers;
    if (!BeginRead() || !Prepare() || !NumberOf(domain) || number_.id < 0) {
        return answers;
    }
    for (const auto& [kind, newest] : newest_) {
        auto known = kindsById_.find(kind);
        if (known == kindsById_.end() && LoadKinds()) {
            known = kindsById_.find(kind);
        }
        if (known == kindsById_.end()) {
            continue;
        }
        const auto& [check, columns] = known->second;
        if (!Walk(kind, newest, [&](std::int64_t at, std::string_view cells) {
                answers.push_back({check, columns, Split(cells), at});
                return true;
            })) {
            break;
        }
    }
    // Newest first; of one time, the checks in the order of their names.
    std::stable_sort(answers.begin(), answers.end(), [](const StoredAnswer& a, const StoredAnswer& b) {
        return a.at != b.at ? a.at > b.at : a.check < b.check;
    });
    return answers;
}

std::vector<std::optional<HistoryStore::Said>> HistoryStore::LastSaid(std::string_view domain,
                                                                      std::string_view check,
                                                                      const std::vector<std::string>& columns,
                                                                      Says says) {
    std::vector<std::optional<Said>> said(columns.size());
    LastSaid(domain, check, columns, says, said.data());
    return said;
}

void HistoryStore::LastSaid(std::string_view domain, std::string_view check,
                            const std::vector<std::string>& columns, Says says, std::optional<Said>* said,
                            Number* number) {
    const std::lock_guard lock(readMutex_);
    if (!BeginRead() || !Prepare()) {
        return;
    }
    if (!kindsRead_) {  // a kind the writer made since the last read transaction
        kindsRead_ = LoadKinds();
    }
    if (!NumberOf(domain)) {
        return;
    }
    if (number != nullptr) {
        *number = number_;
    }
    if (number_.id < 0) {
        return;  // never written
    }
    // (A run asks this for every row: what it needs per call is kept in members, not allocated.)
    std::vector<std::size_t>& at = scratchAt_;
    std::vector<std::string_view>& cells = scratchCells_;
    for (const auto& [kind, newest] : newest_) {
        const auto named = kindsById_.find(kind);
        if (named == kindsById_.end() || named->second.first != check) {
            continue;
        }
        const std::vector<std::string>& kindColumns = named->second.second;
        // Where each asked column is among this kind's cells (npos: not among them, or found).
        at.assign(columns.size(), std::string::npos);
        std::size_t open = 0;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const auto it = std::find(kindColumns.begin(), kindColumns.end(), columns[i]);
            if (it != kindColumns.end()) {
                at[i] = static_cast<std::size_t>(it - kindColumns.begin());
                ++open;
            }
        }
        if (open == 0) {
            continue;
        }
        if (!Walk(kind, newest, [&](std::int64_t when, std::string_view joined) {
                SplitInto(joined, cells);
                for (std::size_t i = 0; i < columns.size(); ++i) {
                    if (at[i] == std::string::npos || at[i] >= cells.size() ||
                        !says(columns[i], cells[at[i]])) {
                        continue;
                    }
                    // Of two kinds of the check (its columns changed once), the newer answer holds.
                    if (!said[i] || said[i]->at < when) {
                        said[i] = Said{std::string(cells[at[i]]), when};
                    }
                    at[i] = std::string::npos;
                    --open;
                }
                return open > 0;
            })) {
            return;
        }
    }
}

std::int64_t HistoryStore::Count() {
    const std::lock_guard lock(readMutex_);
    Statement count(reader_, "SELECT count(*) FROM said");
    return count.handle != nullptr && sqlite3_step(count.handle) == SQLITE_ROW
               ? sqlite3_column_int64(count.handle, 0)
               : -1;
}

}  // namespace vantle::history
