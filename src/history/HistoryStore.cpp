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
// How many answers one insert statement takes.
constexpr std::size_t kRowsAtOnce = 32;
// How many seconds on an answer may be moved to find its check's next free second.
constexpr int kMaxBump = 60;

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

std::string ManyRowsInsert() {
    std::string sql = "INSERT INTO said(domain, kind, at, cells) VALUES(?, ?, ?, ?)";
    for (std::size_t i = 1; i < kRowsAtOnce; ++i) {
        sql += ", (?, ?, ?, ?)";
    }
    return sql;
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
        sqlite3_finalize(answersOf_);
        sqlite3_finalize(lastOf_);
        sqlite3_finalize(numberOf_);
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
        sqlite3_reset(answersOf_);
        sqlite3_reset(lastOf_);
        sqlite3_reset(numberOf_);
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
        Exec(writer_,
             "DELETE FROM domains WHERE NOT EXISTS (SELECT 1 FROM said WHERE said.domain = domains.id)") &&
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
    Statement insert(writer_, "INSERT OR IGNORE INTO said(domain, kind, at, cells) VALUES(?, ?, ?, ?)");
    Statement number(writer_, "SELECT id FROM domains WHERE name = ?");
    Statement numbered(writer_, "INSERT INTO domains(name) VALUES(?)");
    if (insert.handle == nullptr || number.handle == nullptr || numbered.handle == nullptr) {
        return failure();
    }
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
    }
    const auto bind = [](sqlite3_stmt* statement, int first, const Row& row, std::int64_t at) {
        sqlite3_bind_int64(statement, first, row.domain);
        sqlite3_bind_int64(statement, first + 1, row.kind);
        sqlite3_bind_int64(statement, first + 2, at);
        sqlite3_bind_text(statement, first + 3, row.item->cells.data(),
                          static_cast<int>(row.item->cells.size()), SQLITE_STATIC);
    };
    // Two answers of a domain's check in one second (a recheck, a second copy) both stay: the later
    // one goes to the next free second.
    const auto insertOne = [&](const Row& row) {
        for (int bump = 0; bump < kMaxBump; ++bump) {
            sqlite3_reset(insert.handle);
            bind(insert.handle, 1, row, row.item->at + bump);
            if (sqlite3_step(insert.handle) != SQLITE_DONE) {
                return false;
            }
            if (sqlite3_changes(writer_) > 0) {
                break;
            }
        }
        return true;
    };
    // Most answers go in kRowsAtOnce to a statement. A group that meets an answer of the same
    // domain, check and second is undone as a whole and written one by one.
    std::size_t at = 0;
    if (rows.size() >= kRowsAtOnce) {
        Statement many(writer_, ManyRowsInsert().c_str());
        if (many.handle == nullptr) {
            return failure();
        }
        for (; at + kRowsAtOnce <= rows.size(); at += kRowsAtOnce) {
            sqlite3_reset(many.handle);
            for (std::size_t i = 0; i < kRowsAtOnce; ++i) {
                bind(many.handle, static_cast<int>(4 * i + 1), rows[at + i], rows[at + i].item->at);
            }
            const int step = sqlite3_step(many.handle);
            if (step == SQLITE_DONE) {
                continue;
            }
            sqlite3_reset(many.handle);
            if (step != SQLITE_CONSTRAINT) {
                return failure();
            }
            for (std::size_t i = 0; i < kRowsAtOnce; ++i) {
                if (!insertOne(rows[at + i])) {
                    return failure();
                }
            }
        }
    }
    for (; at < rows.size(); ++at) {
        if (!insertOne(rows[at])) {
            return failure();
        }
    }
    sqlite3_reset(insert.handle);
    Statement mark(writer_,
                   "INSERT INTO meta(key, value) VALUES('oldest', ?1)"
                   " ON CONFLICT(key) DO UPDATE SET value = min(value, ?1)");
    sqlite3_bind_int64(mark.handle, 1, oldest);
    if (!rows.empty() && sqlite3_step(mark.handle) != SQLITE_DONE) {
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

std::vector<StoredAnswer> HistoryStore::Answers(std::string_view domain) {
    const std::lock_guard lock(readMutex_);
    std::vector<StoredAnswer> answers;
    if (!BeginRead()) {
        return answers;
    }
    if (answersOf_ == nullptr &&
        sqlite3_prepare_v2(reader_,
                           "SELECT kind, at, cells FROM said"
                           " WHERE domain = (SELECT id FROM domains WHERE name = ?) ORDER BY at DESC",
                           -1, &answersOf_, nullptr) != SQLITE_OK) {
        Fail(Text(u"история не читается"));
        return answers;
    }
    sqlite3_reset(answersOf_);
    Bind(answersOf_, 1, Key(domain));
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(answersOf_)) == SQLITE_ROW) {
        const std::int64_t kind = sqlite3_column_int64(answersOf_, 0);
        auto known = kindsById_.find(kind);
        if (known == kindsById_.end() && LoadKinds()) {
            known = kindsById_.find(kind);
        }
        if (known == kindsById_.end()) {
            continue;
        }
        answers.push_back({known->second.first, known->second.second, Split(ColumnText(answersOf_, 2)),
                           sqlite3_column_int64(answersOf_, 1)});
    }
    sqlite3_reset(answersOf_);
    if (step != SQLITE_DONE) {
        EndRead();
        Fail(Text(u"история не читается"));
    }
    // Of one time, the checks in the order of their names.
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
    if (!BeginRead()) {
        return;
    }
    if (!kindsRead_) {  // a kind the writer made since the last read transaction
        kindsRead_ = LoadKinds();
    }
    if (lastOf_ == nullptr &&
        (sqlite3_prepare_v2(reader_,
                            "SELECT at, cells FROM said WHERE domain = ? AND kind = ? ORDER BY at DESC", -1,
                            &lastOf_, nullptr) != SQLITE_OK ||
         sqlite3_prepare_v2(reader_, "SELECT id FROM domains WHERE name = ?", -1, &numberOf_, nullptr) !=
             SQLITE_OK)) {
        sqlite3_finalize(lastOf_);
        lastOf_ = nullptr;
        Fail(Text(u"история не читается"));
        return;
    }
    // A row's checks ask one after the other: the domain is numbered once for them.
    if (numbered_.empty() || !SameKey(numbered_, domain)) {
        numbered_ = Key(domain);
        sqlite3_reset(numberOf_);
        sqlite3_bind_text(numberOf_, 1, numbered_.data(), static_cast<int>(numbered_.size()), SQLITE_STATIC);
        const int step = sqlite3_step(numberOf_);
        number_ = {step == SQLITE_ROW ? sqlite3_column_int64(numberOf_, 0) : -1, readEra_};
        sqlite3_reset(numberOf_);
        if (step != SQLITE_ROW && step != SQLITE_DONE) {
            numbered_.clear();
            EndRead();
            Fail(Text(u"история не читается"));
            return;
        }
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
    for (const auto& [kind, named] : kindsById_) {
        if (named.first != check) {
            continue;
        }
        // Where each asked column is among this kind's cells (npos: not among them, or found).
        at.assign(columns.size(), std::string::npos);
        std::size_t open = 0;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const auto it = std::find(named.second.begin(), named.second.end(), columns[i]);
            if (it != named.second.end()) {
                at[i] = static_cast<std::size_t>(it - named.second.begin());
                ++open;
            }
        }
        sqlite3_reset(lastOf_);
        sqlite3_bind_int64(lastOf_, 1, number_.id);
        sqlite3_bind_int64(lastOf_, 2, kind);
        int step = SQLITE_ROW;
        while (open > 0 && (step = sqlite3_step(lastOf_)) == SQLITE_ROW) {
            const std::int64_t when = sqlite3_column_int64(lastOf_, 0);
            SplitInto(ColumnView(lastOf_, 1), cells);
            for (std::size_t i = 0; i < columns.size(); ++i) {
                if (at[i] == std::string::npos || at[i] >= cells.size() || !says(columns[i], cells[at[i]])) {
                    continue;
                }
                // Of two kinds of the check (its columns changed once), the newer answer holds.
                if (!said[i] || said[i]->at < when) {
                    said[i] = Said{std::string(cells[at[i]]), when};
                }
                at[i] = std::string::npos;
                --open;
            }
        }
        sqlite3_reset(lastOf_);
        if (step != SQLITE_ROW && step != SQLITE_DONE) {
            EndRead();
            Fail(Text(u"история не читается"));
            break;
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
