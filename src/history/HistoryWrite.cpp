// The store's writer: the thread that writes the queued answers in batched transactions, chaining
// each to the one before it of the same domain and check, and drops what outlived the kept period.
#include <sqlite3.h>

#include <algorithm>
#include <limits>
#include <memory>

#include "history/HistoryStore.h"
#include "history/StoreSql.h"

namespace vantle::history {
namespace {

using namespace sql;

// How long the writer lets answers gather before it writes them, unless a batch is full sooner.
constexpr std::chrono::milliseconds kGather{25};
// Batches written and kept for the run to fill again (a few hundred answers each).
constexpr std::size_t kSpare = 64;
// How many domains' numbers the writer keeps in memory (a run's list is numbered once).
constexpr std::size_t kIdsKept = 1'000'000;
// How many rows one insert statement takes.
constexpr std::size_t kRowsAtOnce = 32;

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

// An insert of rows rows of width values: head, then VALUES(?, ...), ...
std::string InsertOf(const std::string& head, int width, std::size_t rows) {
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

// Inserts rows into a table: kRowsAtOnce to a statement of many, the rest one by one. Each statement
// is prepared once, when it is first needed (an answer older than its chain's newest inserts what
// waits before it, often a single row).
class Rows {
public:
    Rows(sqlite3* db, std::string head, int width) : db_(db), head_(std::move(head)), width_(width) {}

    // Rows [0, count); bind(statement, first parameter, row) binds a row's values.
    template <class Bind>
    bool Insert(std::size_t count, Bind bind) {
        std::size_t at = 0;
        for (; at + kRowsAtOnce <= count; at += kRowsAtOnce) {
            sqlite3_stmt* many = Prepared(many_, kRowsAtOnce);
            for (std::size_t i = 0; many != nullptr && i < kRowsAtOnce; ++i) {
                bind(many, static_cast<int>(i) * width_ + 1, at + i);
            }
            if (many == nullptr || sqlite3_step(many) != SQLITE_DONE) {
                return false;
            }
        }
        for (; at < count; ++at) {
            sqlite3_stmt* one = Prepared(one_, 1);
            if (one != nullptr) {
                bind(one, 1, at);
            }
            if (one == nullptr || sqlite3_step(one) != SQLITE_DONE) {
                return false;
            }
        }
        return true;
    }

private:
    sqlite3_stmt* Prepared(std::unique_ptr<Statement>& statement, std::size_t rows) {
        if (!statement) {
            statement = std::make_unique<Statement>(db_, InsertOf(head_, width_, rows).c_str());
        }
        sqlite3_reset(statement->handle);
        return statement->handle;
    }

    sqlite3* db_;
    std::string head_;
    int width_;
    std::unique_ptr<Statement> many_;
    std::unique_ptr<Statement> one_;
};

void BindNumber(sqlite3_stmt* statement, int index, std::int64_t number) {
    if (number < 0) {
        sqlite3_bind_null(statement, index);
    } else {
        sqlite3_bind_int64(statement, index, number);
    }
}

// The newest answer of a domain's check, as the writer finds it and moves it.
struct Newest {
    std::pair<std::int64_t, std::int64_t> key;  // domain, kind
    std::int64_t id = -1;                       // -1: none
    std::int64_t at = 0;
    bool moved = false;
    bool operator<(const Newest& other) const { return key < other.key; }
};

// Reads the newest answers of the keys in newest (domains low to high), which it leaves sorted and
// single. A run's list is numbered in its order, so its domains lie close together and are read in
// one sweep; others one by one.
bool ReadNewest(sqlite3_stmt* range, sqlite3_stmt* one, std::int64_t low, std::int64_t high,
                std::vector<Newest>& newest) {
    if (!std::is_sorted(newest.begin(), newest.end())) {
        std::sort(newest.begin(), newest.end());
    }
    newest.erase(std::unique(newest.begin(), newest.end(),
                             [](const Newest& a, const Newest& b) { return a.key == b.key; }),
                 newest.end());
    if (newest.empty()) {
        return true;
    }
    if (high - low < 4 * static_cast<std::int64_t>(newest.size()) + 1024) {
        sqlite3_bind_int64(range, 1, sql::NewestKey(low, 0));
        sqlite3_bind_int64(range, 2, sql::NewestKey(high, sql::kKinds - 1));
        auto cursor = newest.begin();
        int step = SQLITE_ROW;
        while ((step = sqlite3_step(range)) == SQLITE_ROW) {
            const std::int64_t number = sqlite3_column_int64(range, 0);
            const std::pair<std::int64_t, std::int64_t> key(number >> sql::kKindBits,
                                                            number & (sql::kKinds - 1));
            while (cursor != newest.end() && cursor->key < key) {
                ++cursor;
            }
            if (cursor != newest.end() && cursor->key == key) {
                cursor->id = sqlite3_column_int64(range, 1);
                cursor->at = sqlite3_column_int64(range, 2);
            }
        }
        return step == SQLITE_DONE;
    }
    for (Newest& entry : newest) {
        sqlite3_reset(one);
        sqlite3_bind_int64(one, 1, sql::NewestKey(entry.key.first, entry.key.second));
        const int step = sqlite3_step(one);
        if (step == SQLITE_ROW) {
            entry.id = sqlite3_column_int64(one, 0);
            entry.at = sqlite3_column_int64(one, 1);
        } else if (step != SQLITE_DONE) {
            return false;
        }
    }
    return true;
}

// Where an answer older than its chain's newest (head) goes: where its time falls, at its next free
// second (at). The chain is read from the newest down to the first answer older than it. newer: the
// answer that is to name it as the one before (-1: every second up to the newest's was taken, and it
// is the newest); prev: the one it names.
bool Place(sqlite3_stmt* answer, const Newest& head, std::int64_t& at, std::int64_t& prev,
           std::int64_t& newer) {
    std::vector<std::pair<std::int64_t, std::int64_t>> above;  // (number, time), newest first
    std::int64_t below = -1;
    for (std::int64_t id = head.id; id >= 0;) {
        sqlite3_reset(answer);
        sqlite3_bind_int64(answer, 1, id);
        const int step = sqlite3_step(answer);
        if (step != SQLITE_ROW && step != SQLITE_DONE) {
            sqlite3_reset(answer);
            return false;
        }
        if (step == SQLITE_DONE ||
            (!above.empty() && sqlite3_column_int64(answer, 0) >= above.back().second)) {
            break;  // dropped by the kept period (or a chain that does not fall in time)
        }
        const std::int64_t when = sqlite3_column_int64(answer, 0);
        if (when < at) {
            below = id;
            break;
        }
        above.emplace_back(id, when);
        id = ColumnNumber(answer, 1);
    }
    sqlite3_reset(answer);
    for (auto it = above.rbegin(); it != above.rend() && it->second <= at; ++it) {
        at += it->second == at ? 1 : 0;
    }
    if (at > head.at) {
        prev = head.id;
        newer = -1;
        return true;
    }
    // Between the oldest answer newer than it and the one after that.
    const auto found =
        std::find_if(above.rbegin(), above.rend(), [&](const auto& node) { return node.second > at; });
    newer = found->first;
    prev = found == above.rbegin() ? below : std::prev(found)->first;
    return true;
}

}  // namespace

struct HistoryStore::Writing {
    explicit Writing(sqlite3* db)
        : number(db, "SELECT id FROM domains WHERE name = ?"),
          numbered(db, "INSERT INTO domains(name) VALUES(?)"),
          newestOne(db, "SELECT id, at FROM newest WHERE key = ?"),
          newestRange(db, "SELECT key, id, at FROM newest WHERE key BETWEEN ? AND ?"),
          answer(db, "SELECT at, prev FROM said WHERE id = ?"),
          relink(db, "UPDATE said SET prev = ? WHERE id = ?"),
          last(db,
               "SELECT max(coalesce((SELECT max(id) FROM said), 0),"
               " coalesce((SELECT value FROM meta WHERE key = 'said'), 0)),"
               " coalesce((SELECT max(id) FROM said), 0)"),
          mark(db,
               "INSERT INTO meta(key, value) VALUES('oldest', ?1), ('said', ?2) ON CONFLICT(key)"
               " DO UPDATE SET value = CASE key WHEN 'oldest' THEN min(value, ?1) ELSE ?2 END"),
          said(db, "INSERT INTO said(id, domain, kind, at, cells, prev)", 6),
          appended(db, "INSERT INTO said(domain, kind, at, cells, prev)", 5),
          heads(db, "INSERT OR REPLACE INTO newest(key, id, at)", 3) {}

    bool Ready() const {
        return number.handle != nullptr && numbered.handle != nullptr && newestOne.handle != nullptr &&
               newestRange.handle != nullptr && answer.handle != nullptr && relink.handle != nullptr &&
               last.handle != nullptr && mark.handle != nullptr;
    }
    // Done with until the next batch (a statement left part-way would keep its read open).
    void Reset() {
        for (const Statement* statement :
             {&number, &numbered, &newestOne, &newestRange, &answer, &relink, &last, &mark}) {
            sqlite3_reset(statement->handle);
        }
    }

    Statement number;
    Statement numbered;
    Statement newestOne;
    Statement newestRange;
    Statement answer;
    Statement relink;
    Statement last;
    Statement mark;
    Rows said;
    Rows appended;  // numbered by SQLite: the table's last number and one
    Rows heads;
};

void HistoryStore::WritingEnd::operator()(Writing* writing) const {
    delete writing;
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
             " (SELECT 1 FROM newest WHERE newest.key BETWEEN domains.id * 1048576"
             " AND domains.id * 1048576 + 1048575)") &&
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
        std::vector<Batch> batch;
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
            cv_.wait_for(lock, stop, kGather,
                         [this] { return waiting_ >= kBatch || flushing_ > 0 || done_ < hurryTo_; });
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
            for (Batch& spent : batch) {
                if (spare_.size() < kSpare) {
                    spent.clear();
                    spare_.push_back(std::move(spent));
                }
            }
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
    if (id >= sql::kKinds) {
        return -1;  // beyond what the newest table's key holds
    }
    if (kindIds_.size() <= at) {
        kindIds_.resize(at + 1, -1);
    }
    kindIds_[at] = id;
    return id;
}

bool HistoryStore::WriteBatch(const std::vector<Batch>& batch) {
    const auto failure = [this] {
        const int code = sqlite3_errcode(writer_) & 0xff;
        if (writing_) {
            writing_->Reset();
        }
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
    if (!writing_) {
        writing_.reset(new Writing(writer_));
    }
    Writing& w = *writing_;
    // (A kind made in a transaction that is rolled back stays in kindIds_, but after a failure the
    // store writes nothing more.)
    if (!w.Ready() || sqlite3_step(w.last.handle) != SQLITE_ROW) {
        return failure();
    }
    std::int64_t next = sqlite3_column_int64(w.last.handle, 0) + 1;
    // An answer numbered by SQLite is added at the end of the table without a search for its place;
    // SQLite numbers it the table's last number and one, which is the next number unless the kept
    // period dropped the last answers (numbers are not given twice: then the first is given).
    bool appending = sqlite3_column_int64(w.last.handle, 1) + 1 == next;
    sqlite3_reset(w.last.handle);
    const std::int64_t first = next;
    // A number the run's read found stands unless domains were dropped since (by another copy).
    const std::int64_t era = Era(writer_);
    if (era != idsEra_) {
        ids_.clear();
        idsEra_ = era;
    }
    std::vector<Batch::Entry> items;
    for (const Batch& answers : batch) {
        answers.Unpack(items);
    }
    struct Row {
        std::int64_t domain;
        std::int64_t kind;
        const Batch::Entry* item;
    };
    std::vector<Row> rows;
    std::int64_t oldest = std::numeric_limits<std::int64_t>::max();
    std::int64_t low = std::numeric_limits<std::int64_t>::max();
    std::int64_t high = -1;
    for (const Batch::Entry& item : items) {
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
        } else if ((domain = DomainId(key, w.number.handle, w.numbered.handle)) < 0) {
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

    // The newest answer of each domain and check the batch adds to.
    std::vector<Newest> newest;
    newest.reserve(rows.size());
    for (const Row& row : rows) {
        newest.push_back({{row.domain, row.kind}});
    }
    if (!ReadNewest(w.newestRange.handle, w.newestOne.handle, low, high, newest)) {
        return failure();
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
        if (adding.empty()) {
            return true;
        }
        const auto bind = [&](sqlite3_stmt* statement, int at, const Adding& add) {
            sqlite3_bind_int64(statement, at, add.row->domain);
            sqlite3_bind_int64(statement, at + 1, add.row->kind);
            sqlite3_bind_int64(statement, at + 2, add.at);
            const std::string_view cells = add.row->item->cells;
            sqlite3_bind_text(statement, at + 3, cells.data(), static_cast<int>(cells.size()), SQLITE_STATIC);
            BindNumber(statement, at + 4, add.prev);
        };
        std::size_t from = 0;
        if (!appending) {
            from = 1;
            if (!w.said.Insert(1, [&](sqlite3_stmt* statement, int at, std::size_t) {
                    sqlite3_bind_int64(statement, at, adding[0].id);
                    bind(statement, at + 1, adding[0]);
                })) {
                return false;
            }
            appending = true;
        }
        const bool done = w.appended.Insert(
            adding.size() - from,
            [&](sqlite3_stmt* statement, int at, std::size_t i) { bind(statement, at, adding[from + i]); });
        // (The numbers the chains were given are the ones SQLite gave, or the batch is not written.)
        const bool numbered = done && sqlite3_last_insert_rowid(writer_) == adding.back().id;
        adding.clear();
        return numbered;
    };
    for (const Row& row : rows) {
        Newest* head = newestOf(row);
        // Two answers of a domain's check in one second (a recheck, a second copy) both stay: the
        // later one goes to the next free second.
        std::int64_t at = row.item->at;
        std::int64_t prev = head->id;
        std::int64_t newer = -1;
        if (head->id >= 0 && at < head->at) {
            // Older than the check's newest answer (a copy that began earlier, or a time given).
            if (!insert() || !Place(w.answer.handle, *head, at, prev, newer)) {
                return failure();
            }
        } else if (head->id >= 0) {
            at = std::max(at, head->at + 1);
        }
        adding.push_back({next, prev, at, &row});
        if (newer < 0) {
            *head = {head->key, next++, at, true};
            continue;
        }
        sqlite3_reset(w.relink.handle);
        sqlite3_bind_int64(w.relink.handle, 1, next++);
        sqlite3_bind_int64(w.relink.handle, 2, newer);
        if (!insert() || sqlite3_step(w.relink.handle) != SQLITE_DONE) {
            return failure();
        }
    }
    if (!insert()) {
        return failure();
    }
    std::erase_if(newest, [](const Newest& entry) { return !entry.moved; });
    if (!w.heads.Insert(newest.size(), [&](sqlite3_stmt* statement, int at, std::size_t i) {
            sqlite3_bind_int64(statement, at, sql::NewestKey(newest[i].key.first, newest[i].key.second));
            sqlite3_bind_int64(statement, at + 1, newest[i].id);
            sqlite3_bind_int64(statement, at + 2, newest[i].at);
        })) {
        return failure();
    }
    sqlite3_reset(w.mark.handle);
    sqlite3_bind_int64(w.mark.handle, 1, oldest);
    sqlite3_bind_int64(w.mark.handle, 2, next - 1);
    if (next > first && sqlite3_step(w.mark.handle) != SQLITE_DONE) {
        return failure();
    }
    w.Reset();
    if (!Exec(writer_, "COMMIT")) {
        return failure();
    }
    return true;
}

}  // namespace vantle::history
