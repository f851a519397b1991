#pragma once
// The store of answers across runs: every answer of every check (domain, check, time, its cells) in
// an SQLite database. Several windows and vantle-cli share one file: it runs in WAL mode, each
// writer waits for the others up to a busy time-out, and the answers of a run are written in
// batched transactions on a thread of the store's own, never on the run's. The store is an aid:
// whatever goes wrong with it is told once (Problem) and the run goes on without it.

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace vantle::history {

// Lowers the calling thread's priority: the store's threads take what the run leaves of the
// processors rather than a share of the run's.
void YieldToTheRun();

// One answer of one check for a domain.
struct StoredAnswer {
    std::string check;                 // the check's name ("registry", "bar", ...)
    std::vector<std::string> columns;  // its columns' headers
    std::vector<std::string> cells;    // one per column (Windows-1251)
    std::int64_t at = 0;               // seconds since the epoch
};

class HistoryStore {
public:
    struct Options {
        int keptDays = 365;         // answers older than this are dropped when the store opens
        int busyTimeoutMs = 5000;   // how long a write waits for another copy's
        std::int64_t maxBytes = 0;  // the file's bound (0: none); past it the store counts as full
    };

    // Opens the store at path, making it (and its folder) when missing, and drops the answers older
    // than the kept period (as of now). Nothing (and problem set, Windows-1251) when it cannot be
    // used: held by another program, not a Vantle store, not readable. A file that is no database
    // or a damaged one is set aside as "<path>.damaged-YYYY-MM-DD" (never overwritten) and a new
    // store made; problem then says so, and the store opens.
    static std::unique_ptr<HistoryStore> Open(const std::string& path, std::int64_t now,
                                              const Options& options, std::string& problem);
    // $XDG_DATA_HOME/vantle/history.sqlite, else ~/.local/share/vantle/history.sqlite.
    static std::string DefaultPath();
    // The form of a domain the store keys it by: Latin letters lower-cased.
    static std::string Key(std::string_view domain);
    // Key(a) == Key(b), without making them.
    static bool SameKey(std::string_view a, std::string_view b);

    // Writes what is queued, then closes.
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    // Queues an answer; the writer thread stores it with the others in one transaction.
    void Add(std::string_view domain, StoredAnswer answer);
    // The same for a run's many answers: a kind of answer (a check and its columns) is named once,
    // and each answer gives only its cells.
    int Kind(std::string_view check, const std::vector<std::string>& columns);
    // A domain's number in the store as a read found it: the writer then need not look the name
    // up. Numbers of domains stay until the kept period drops a domain's last answer; era counts
    // those drops, so that a number read before one is not taken after it.
    struct Number {
        std::int64_t id = -1;  // -1: the read found none
        std::int64_t era = 0;
    };
    // A run's answers packed one after another in one buffer: no allocation of its own for an
    // answer, and a buffer that was written comes back to be filled again (Add(Batch&)).
    class Batch {
    public:
        // A kind of answer (a check and its columns) is named once by Kind; number is the domain's as
        // a read found it.
        void Add(std::string_view domain, int kind, std::span<const std::string> cells, std::int64_t at,
                 Number number);
        std::size_t size() const { return count_; }
        bool empty() const { return count_ == 0; }
        void Reserve(std::size_t bytes) { bytes_.reserve(bytes); }
        void clear() {
            bytes_.clear();
            count_ = 0;
        }
        struct Entry {
            std::string_view domain;
            int kind = 0;
            std::string_view cells;  // joined
            std::int64_t at = 0;
            Number number;
        };
        // The answers in the order added (their texts point into the batch).
        void Unpack(std::vector<Entry>& into) const;

    private:
        std::string bytes_;
        std::size_t count_ = 0;
    };
    // Queues a batch of answers (the writer and the run meet at the queue's lock once for them all);
    // answers comes back empty, with the room of a batch written before when there is one.
    void Add(Batch& answers);
    // Waits until every answer queued so far is written (or given up).
    void Flush();
    // The answers queued so far are written without waiting for more to gather (a run has ended and
    // will soon close the store); does not wait.
    void Hurry();
    // The answers of a domain, newest first (those still queued are not among them).
    std::vector<StoredAnswer> Answers(std::string_view domain);
    // What a domain's check said last, column by column: for each of columns, the newest cell for
    // which says(column, cell) holds, with the time of its answer; nothing where no answer said
    // anything. Reads each of the check's kinds newest first and only until every column is found,
    // however long the domain's history.
    struct Said {
        std::string cell;
        std::int64_t at = 0;
    };
    using Says = bool (*)(std::string_view column, std::string_view cell);
    std::vector<std::optional<Said>> LastSaid(std::string_view domain, std::string_view check,
                                              const std::vector<std::string>& columns, Says says);
    // The same into said[0..columns.size()), which holds nothing yet, and the domain's number into
    // number (when given).
    void LastSaid(std::string_view domain, std::string_view check, const std::vector<std::string>& columns,
                  Says says, std::optional<Said>* said, Number* number = nullptr);
    // Reads at once what LastSaid will soon be asked of many domains (a run's coming lines, in the
    // order it will ask; empty ones are passed over): their numbers in one sweep of the domains in
    // the order of their numbers (a list in the order it was first written), or else of their names
    // in order when they are enough of the store that a sweep beats a look-up each, and their newest
    // answers in one sweep of the numbers. A domain's look-up then takes what was gathered for it.
    // What was gathered before is dropped, as it is at a Flush (a look-up then sees what was written).
    void Gather(std::span<const std::string> domains);
    // A reader that has nothing to read for a while ends its read transaction: while one is open
    // the log cannot be copied into the database past it, nor begun again, and it only grows.
    void Rest();
    // The problem the writer or a read met (Windows-1251), given once; nothing while all is well.
    std::optional<std::string> TakeProblem();
    // How many answers the store holds.
    std::int64_t Count();

private:
    HistoryStore(sqlite3* writer, sqlite3* reader, std::int64_t pruneBefore);
    // Add, with a spare batch given back only when refill.
    void Queue(Batch& answers, bool refill);
    void WriterLoop(std::stop_token stop);
    void Prune();
    bool WriteBatch(const std::vector<Batch>& batch);
    std::int64_t KindId(int kind);
    void Fail(const std::string& problem);
    // The newest answer of one of a domain's kinds, read with the domain's number.
    struct Head {
        std::int64_t kind = 0;
        std::int64_t id = -1;
        bool found = false;  // its answer is there (else the chain is gone)
        std::int64_t at = 0;
        std::int64_t prev = -1;
        std::string cells;
    };
    // The reader's: the number of a domain and its newest answers into number_ and head_ (false:
    // the store could not be read), from what was gathered or else looked up; the answers of one of
    // its chains, newest first, each to visit(at, cells) until it returns false; and Gather's sweeps.
    bool Prepare();
    bool NumberOf(std::string_view domain);
    bool TakeGathered(std::string_view domain);
    template <class Visit>
    bool Walk(const Head& head, Visit visit);
    bool GatherInOrder(bool& inOrder);
    bool GatherNumbers();
    bool GatherHeads();
    void SortByKey();
    void DropGathered();

    sqlite3* writer_ = nullptr;
    sqlite3* reader_ = nullptr;
    std::int64_t pruneBefore_ = 0;
    // The reader's side, under readMutex_: the look-up of a domain prepared once, the kinds by id, and
    // a read transaction kept over many look-ups (a run asks one per row) and renewed every
    // kReadRenew or at a Flush, so that a look-up sees what was written before it.
    bool BeginRead();
    void EndRead();
    bool LoadKinds();
    std::mutex readMutex_;
    sqlite3_stmt* numberOf_ = nullptr;  // a domain's number and its newest answer of each kind
    sqlite3_stmt* answer_ = nullptr;    // an answer by its number
    std::string numbered_;              // the domain (key) last numbered, its number and newest answers
    Number number_;
    const Head* head_ = nullptr;  // the domain's newest answers: [head_, head_ + headCount_)
    std::size_t headCount_ = 0;
    std::vector<Head> heads_;  // those a look-up read (the rest keep their cells' room)
    // What Gather read: the domains in the order given, the same in the order of their keys (sorted
    // when first needed), and their newest answers (a domain's from its firstHead); the next look-up
    // is most likely next_.
    struct Gathered {
        std::string key;
        std::int64_t id = -1;
        std::uint32_t firstHead = 0;
        std::uint32_t heads = 0;
    };
    std::vector<Gathered> gathered_;
    std::vector<std::uint32_t> byKey_;
    std::vector<Head> gatheredHeads_;
    std::size_t next_ = 0;
    std::int64_t gatheredEra_ = 0;
    sqlite3_stmt* names_ = nullptr;     // the domains' names from one on, in order
    sqlite3_stmt* byNumber_ = nullptr;  // the domains from one number on, in order
    sqlite3_stmt* nameOnce_ = nullptr;  // a domain's number
    sqlite3_stmt* newest_ = nullptr;    // the newest answers from one domain's number on, in order
    std::array<sqlite3_stmt**, 6> ReadStatements() {
        return {&numberOf_, &answer_, &names_, &newest_, &byNumber_, &nameOnce_};
    }
    std::int64_t readEra_ = 0;
    bool kindsRead_ = false;  // the kinds were read in this read transaction
    std::map<std::int64_t, std::pair<std::string, std::vector<std::string>>> kindsById_;
    std::vector<std::size_t> scratchAt_;
    std::vector<std::string_view> scratchCells_;
    bool reading_ = false;
    std::chrono::steady_clock::time_point readSince_;
    // The writer's statements, prepared at its first batch and kept until the store closes.
    struct Writing;
    struct WritingEnd {
        void operator()(Writing* writing) const;
    };
    std::unique_ptr<Writing, WritingEnd> writing_;
    std::vector<std::int64_t> kindIds_;  // the writer's: the database's id of each kind (-1: not yet)
    std::unordered_map<std::string, std::int64_t> ids_;  // the writer's: numbers of domains written
    std::int64_t idsEra_ = 0;                            // the era they are of

    std::mutex mutex_;
    std::condition_variable_any cv_;
    std::vector<std::pair<std::string, std::vector<std::string>>> named_;  // the kinds, by Kind
    std::deque<Batch> queue_;                                              // as they were added
    std::vector<Batch> spare_;  // batches written, emptied, for the run to fill again
    std::size_t waiting_ = 0;   // answers in queue_
    std::uint64_t queued_ = 0;
    std::uint64_t done_ = 0;
    int flushing_ = 0;           // callers of Flush waiting
    std::uint64_t hurryTo_ = 0;  // the answers before this are written without gathering more
    bool failed_ = false;
    std::optional<std::string> problem_;
    std::atomic<bool> problemWaits_{false};  // problem_ holds one (read without the lock per row)
    bool problemTold_ = false;
    std::jthread thread_;
};

}  // namespace vantle::history
