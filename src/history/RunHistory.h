#pragma once
// What a run does with the store: the Changes cell of each finished row and its answers kept, and
// the checks whose lasting answers are taken from the store instead of being asked.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "check/Check.h"
#include "history/HistoryStore.h"

namespace vantle::history {

// The header of the column that says what changed.
inline constexpr std::string_view kChangesColumn = "Changes";

// The columns of the table that one check fills.
struct CheckSpan {
    std::string check;
    int firstCol = 0;
    std::vector<std::string> columns;
};

// Which answers of this run came from the store, by domain and check, with the time they were given.
class Served {
public:
    void Note(std::string_view domain, std::string_view check, std::int64_t at);
    std::optional<std::int64_t> Take(std::string_view domain, std::string_view check);

private:
    std::atomic<bool> any_{false};  // something was noted (most runs note nothing)
    std::mutex mutex_;
    std::map<std::string, std::int64_t> served_;
};

// A check whose answer is taken from the store while it lasts (see Lasting), else asked.
class RememberingCheck : public Check {
public:
    // now: seconds since the epoch (the tests give their own time).
    RememberingCheck(std::shared_ptr<Check> inner, HistoryStore& store, std::shared_ptr<Served> served,
                     std::function<std::int64_t()> now);
    std::string_view Name() const override { return inner_->Name(); }
    std::vector<std::string> Columns() const override { return inner_->Columns(); }
    bool InPlace() const override { return inner_->InPlace(); }
    bool Local() const override { return inner_->Local(); }
    // A run or a recheck begins: it sees every answer written before it (a recheck, its run's).
    void RunStarts() override;
    std::vector<std::string> Run(const DomainNames& names, const CancelToken& cancel) override;

private:
    std::shared_ptr<Check> inner_;
    HistoryStore& store_;
    std::shared_ptr<Served> served_;
    std::function<std::int64_t()> now_;
};

// True for the checks some of whose answers last (RememberingCheck is worth its look-up).
bool HasLastingAnswers(std::string_view check);

// What the store says of a finished row.
struct RowChanges {
    std::string text;                     // the Changes cell: one phrase per changed column
    std::string tip;                      // its tooltip: the day(s) of the earlier answers
    std::vector<int> changedCols;         // the table's columns whose answer changed
    std::map<int, std::string> cellTips;  // cells taken from the store: "из истории, YYYY-MM-DD"
};

class RunHistory {
public:
    RunHistory(HistoryStore& store, std::vector<CheckSpan> spans, std::shared_ptr<Served> served);
    // Ends the reading ahead; the answers of the rows finished go to the store.
    ~RunHistory();
    RunHistory(const RunHistory&) = delete;
    RunHistory& operator=(const RunHistory&) = delete;

    // The run's domains by list line ("" for a line that is no name): what the store said of them is
    // read on a thread of its own, in list order, at most bound lines before the rows written
    // (kByWidth: as many as kReadAheadBytes hold at the spans' width), so that a fast run does not
    // wait for the store row by row. A run whose checks start slowly (a large top-sites list to
    // load) finds its whole list read when it starts.
    static constexpr int kByWidth = -1;
    void ReadAhead(std::vector<std::string> domains, int bound = kByWidth);
    // The same with the domain of each of count lines given by domainAt, called on the reading
    // thread (it must stay callable, and give the same, while the run lasts).
    void ReadAhead(int count, std::function<std::string(int line)> domainAt, int bound = kByWidth);
    static constexpr std::size_t kReadAheadBytes = std::size_t{32} << 20;
    // The lines read ahead and handed to the rows so far, up to this one (-1: none yet).
    int ReadAheadTo() const { return readTo_; }
    // The lines the store gathers at once (HistoryStore::Gather): first, and at most (and no more than
    // half the bound: what it gathers takes about as much a line as a line read ahead).
    static constexpr int kFirstWindow = 4096;
    static constexpr int kWidestWindow = 1 << 16;

    // A row of the table is finished (rowCells: every cell of the table's row; line: its list line,
    // or -1 for a recheck, which reads the store at once): its changes against the last earlier
    // answers of the same domain and check, then its answers go to the store, all but those taken
    // from it (a few hundred rows' at a time: Flush, or the end of this object, gives the rest). A
    // check whose cells are all empty did not run for the row. Rows are finished by one thread at a
    // time.
    RowChanges Finished(std::string_view domain, std::span<const std::string> rowCells, std::int64_t now,
                        int line = -1);
    RowChanges Finished(std::string_view domain, const std::vector<std::string>& rowCells, std::int64_t now,
                        int line = -1) {
        return Finished(domain, std::span<const std::string>(rowCells), now, line);
    }
    // Gives the store the answers of the rows finished so far and waits until they are written.
    void Flush();
    // The run has ended: its last answers go to the store, which writes them at once; does not wait.
    void RunEnded();
    const std::vector<CheckSpan>& Spans() const { return spans_; }

private:
    // What the spans' columns said last into said[0, columns_), span after span (span s from
    // offsets_[s]).
    using Said = std::optional<HistoryStore::Said>;
    void Read(std::string_view domain, HistoryStore::Number& number, Said* said);
    void ReadLines(std::stop_token stop, int count, const std::function<std::string(int)>& domainAt,
                   int bound);

    HistoryStore& store_;
    std::vector<CheckSpan> spans_;
    std::vector<std::size_t> offsets_;
    std::vector<int> kinds_;           // the store's kind of each span's answers
    std::vector<bool> emptyIsAnswer_;  // each span's: an empty cell is an answer in all its columns
    std::size_t rowWidth_ = 0;         // the cells a row has up to the spans' last column
    std::size_t columns_ = 0;          // the spans' columns, all told
    std::shared_ptr<Served> served_;

    // Lines read ahead, a chunk at a time: each line's number, its domain from its place in the
    // chunk's names, and what its columns said from its place in the chunk's said (an allocation or
    // two a chunk, however long the names; read in order by the run).
    struct Ahead {
        int line = 0;
        std::uint32_t said = 0;
        std::uint32_t name = 0;
        std::uint32_t nameSize = 0;
        HistoryStore::Number number;
    };
    struct Chunk {
        std::vector<Ahead> lines;
        std::vector<Said> said;
        std::string names;
    };
    // What was read ahead for line, when it was read for this domain (its columns' said, and its
    // number into number); nothing else. It stays where it is (freed later by the reading thread)
    // until the next call.
    const Said* TakeAhead(int line, std::string_view domain, HistoryStore::Number& number);
    std::mutex aheadMutex_;
    std::condition_variable_any aheadCv_;
    std::vector<Chunk> ahead_;  // chunks of lines read ahead, in line order
    std::vector<Chunk> spent_;  // taken by the rows, freed by the thread that read them
    int skipTo_ = 0;            // the reading ahead fell behind: it goes on from here
    static constexpr int kNoWake = 1 << 30;
    // The last line whose row was finished, and the line the reading ahead waits for the rows to
    // reach (written by the run without the lock; a wake takes it).
    // (On a cache line of their own: the run writes written_ at every row.)
    alignas(64) std::atomic<int> written_{-1};
    std::atomic<int> wakeAt_{kNoWake};
    std::atomic<int> readTo_{-1};
    // The run's side: the chunks it took, and where it is in them.
    alignas(64) std::vector<Chunk> mine_;
    std::size_t mineChunk_ = 0;
    std::size_t mineAt_ = 0;
    // Answers of finished rows not yet given to the store (they go a few hundred at a time).
    static constexpr std::size_t kPending = 256;
    static constexpr std::size_t kPendingBytes = 128;  // an answer's room in a batch, as a rule
    HistoryStore::Batch pending_;
    std::jthread reader_;
};

}  // namespace vantle::history
