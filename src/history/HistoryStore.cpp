#include "history/HistoryStore.h"

#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <span>

#include "history/StoreSql.h"
#include "text/Cp1251.h"

namespace vantle::history {
namespace {

using namespace sql;

// How long one read transaction serves the look-ups of a run.
constexpr std::chrono::milliseconds kReadRenew{250};
// The store threads' nice value (the run's threads keep theirs, 0 by default).
constexpr int kStoreNice = 10;

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

std::string ColumnText(sqlite3_stmt* statement, int col) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, col));
    return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement, col)))
                : std::string();
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
        for (sqlite3_stmt** statement : ReadStatements()) {
            sqlite3_finalize(*statement);
        }
    }
    writing_.reset();
    sqlite3_close(reader_);
    sqlite3_close(writer_);
}

void HistoryStore::Add(std::string_view domain, StoredAnswer answer) {
    Batch batch;
    batch.Add(domain, Kind(answer.check, answer.columns), answer.cells, answer.at, Number());
    Queue(batch, false);  // (a batch of one, dropped here: it takes no spare)
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

namespace {

// What comes before an answer's domain and cells in a batch.
struct Packed {
    std::int64_t at;
    std::int64_t id;
    std::int64_t era;
    std::int32_t kind;
    std::uint32_t domain;  // bytes
    std::uint32_t cells;   // bytes
};

}  // namespace

void HistoryStore::Batch::Add(std::string_view domain, int kind, std::span<const std::string> cells,
                              std::int64_t at, Number number) {
    const std::size_t joined = JoinedSize(cells);
    const Packed packed{at,
                        number.id,
                        number.era,
                        kind,
                        static_cast<std::uint32_t>(domain.size()),
                        static_cast<std::uint32_t>(joined)};
    const std::size_t head = bytes_.size();
    bytes_.resize(head + sizeof packed + domain.size() + joined);
    char* out = bytes_.data() + head;
    std::memcpy(out, &packed, sizeof packed);
    std::copy(domain.begin(), domain.end(), out + sizeof packed);
    JoinInto(out + sizeof packed + domain.size(), cells);
    ++count_;
}

void HistoryStore::Batch::Unpack(std::vector<Entry>& into) const {
    for (std::size_t at = 0; at < bytes_.size();) {
        Packed packed;
        std::memcpy(&packed, bytes_.data() + at, sizeof packed);
        at += sizeof packed;
        const std::string_view domain(bytes_.data() + at, packed.domain);
        at += packed.domain;
        const std::string_view cells(bytes_.data() + at, packed.cells);
        at += packed.cells;
        into.push_back({domain, packed.kind, cells, packed.at, {packed.id, packed.era}});
    }
}

void HistoryStore::Add(Batch& answers) {
    Queue(answers, true);
}

void HistoryStore::Queue(Batch& answers, bool refill) {
    if (answers.empty()) {
        return;
    }
    std::size_t had = 0;
    {
        const std::lock_guard lock(mutex_);
        if (failed_) {
            answers.clear();
            return;
        }
        had = waiting_;
        waiting_ += answers.size();
        queued_ += answers.size();
        queue_.push_back(std::move(answers));  // (as it is: the run's thread copies no answer)
        answers.clear();
        if (refill && !spare_.empty()) {
            answers = std::move(spare_.back());
            spare_.pop_back();
        }
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
    DropGathered();
}

void HistoryStore::Hurry() {
    {
        const std::lock_guard lock(mutex_);
        hurryTo_ = queued_;
    }
    cv_.notify_all();
}

void HistoryStore::Rest() {
    const std::lock_guard lock(readMutex_);
    EndRead();
}

void HistoryStore::EndRead() {
    kindsRead_ = false;
    if (reading_) {
        for (sqlite3_stmt** statement : ReadStatements()) {
            sqlite3_reset(*statement);
        }
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
                           "SELECT d.id, n.key, n.id, s.at, s.cells, s.prev, s.domain, s.kind FROM domains d"
                           " LEFT JOIN newest n ON n.key BETWEEN d.id * 1048576 AND d.id * 1048576 + 1048575"
                           " LEFT JOIN said s ON s.id = n.id WHERE d.name = ?",
                           -1, &numberOf_, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(reader_,
                           "SELECT at, cells, prev FROM said WHERE id = ?1 AND domain = ?2 AND kind = ?3", -1,
                           &answer_, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(reader_, "SELECT name, id FROM domains WHERE name >= ? ORDER BY name", -1, &names_,
                           nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(reader_, "SELECT id, name FROM domains WHERE id > ? ORDER BY id", -1, &byNumber_,
                           nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(reader_, "SELECT id FROM domains WHERE name = ?", -1, &nameOnce_, nullptr) !=
            SQLITE_OK ||
        sqlite3_prepare_v2(reader_,
                           "SELECT n.key >> 20, n.key, n.id, s.at, s.cells, s.prev, s.domain, s.kind"
                           " FROM newest n LEFT JOIN said s ON s.id = n.id WHERE n.key >= ?1 * 1048576"
                           " ORDER BY n.key",
                           -1, &newest_, nullptr) != SQLITE_OK) {
        for (sqlite3_stmt** statement : ReadStatements()) {
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
    if (TakeGathered(domain)) {
        return true;
    }
    numbered_ = Key(domain);
    number_ = {-1, readEra_};
    headCount_ = 0;
    sqlite3_reset(numberOf_);
    sqlite3_bind_text(numberOf_, 1, numbered_.data(), static_cast<int>(numbered_.size()), SQLITE_STATIC);
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(numberOf_)) == SQLITE_ROW) {
        number_.id = sqlite3_column_int64(numberOf_, 0);
        if (sqlite3_column_type(numberOf_, 1) == SQLITE_NULL) {
            continue;
        }
        if (headCount_ == heads_.size()) {
            heads_.emplace_back();
        }
        Head& head = heads_[headCount_++];
        ReadHead(numberOf_, head);
    }
    head_ = heads_.data();
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
bool HistoryStore::Walk(const Head& head, Visit visit) {
    // A chain's answers fall in time; where one does not, or is gone (dropped by the kept period), the
    // chain ends.
    if (!head.found || !visit(head.at, std::string_view(head.cells))) {
        return true;
    }
    const std::int64_t kind = head.kind;
    std::int64_t before = head.at;
    int step = SQLITE_ROW;
    for (std::int64_t id = head.prev; id >= 0;) {
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
    for (std::size_t h = 0; h < headCount_; ++h) {
        auto known = kindsById_.find(head_[h].kind);
        if (known == kindsById_.end() && LoadKinds()) {
            known = kindsById_.find(head_[h].kind);
        }
        if (known == kindsById_.end()) {
            continue;
        }
        const auto& [check, columns] = known->second;
        if (!Walk(head_[h], [&](std::int64_t at, std::string_view cells) {
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
    for (std::size_t h = 0; h < headCount_; ++h) {
        const auto named = kindsById_.find(head_[h].kind);
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
        if (!Walk(head_[h], [&](std::int64_t when, std::string_view joined) {
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
