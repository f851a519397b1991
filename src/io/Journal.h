#pragma once
// The run's journal: every row the run or the recheck writes goes to a file within a tenth of a second,
// so that a crash, a power cut or a closed window loses at most the rows of the last tenth. One JSON
// object per line (UTF-8):
//   {"start":{...}}  the run's columns, chosen checks and the domain list's identity
//   {"row":R,"line":L,"cells":[...],"totals":[glued,zero,yaca]}   a row written (a later one wins)
//   {"edit":R,"col":C,"text":T,"hand":true}   a cell the user changed (hand false: put back by undo)
//   {"resume":L,"at":R}  a stop that can be resumed at line L into row R
//   {"cols":[...]}       the table's columns from now on (a check added to a checked table): the
//                        rows before keep their cells under the same headers
//   {"done":true}        the rows are safe elsewhere (saved, or the list was replaced)
// The domain list itself is kept beside it, as its bytes. Each running copy of the program writes to a
// journal slot of its own, held by a lock that the kernel lets go when the copy ends, however it ends.

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "io/PosixFile.h"
#include "pace/Clock.h"

namespace vantle {

struct JournalStart {
    std::vector<std::string> columns;  // headers, Windows-1251
    std::vector<std::string> checks;   // chosen check names
    int lineCount = 0;
    std::string listHash;  // of the list's bytes
};

struct JournalRow {
    int line = 0;                    // -1: the row was rewritten by a recheck and keeps its line
    std::vector<std::string> cells;  // Windows-1251
    std::array<std::int32_t, 3> totals{};
};

struct JournalState {
    JournalStart start;
    std::map<int, JournalRow> rows;             // by table row
    std::set<std::pair<int, int>> edited;       // (row, column) of the cells changed by hand
    std::optional<std::pair<int, int>> resume;  // line, row: the last stop, when after the last row
    bool done = false;
    std::array<std::int32_t, 3> lastTotals{};  // of the row written last
    int lastLine = -1;                         // the list line of the run's last row
    std::string list;  // the domain list's bytes; empty when the copy is missing or does not match
    int rejected = 0;  // records passed over for values that do not fit the journal's list and columns
    // Rows of the run after a row missing from the journal (a write that failed): left out, with the
    // missing one, for the resumed run to check again.
    int unwritten = 0;
};

// A hex digest of the list's bytes, for telling lists apart.
std::string ListHash(std::string_view bytes);

// Reads the journal of dir. Lines that do not parse (a torn line) are passed over, and so is every
// record whose values do not fit: a row or line beyond the list, more cells than columns, a value of
// the wrong type. nullopt when there is no journal or no start that fits.
std::optional<JournalState> ReadJournal(const std::string& dir);
// The same from the journal's and the list copy's bytes.
std::optional<JournalState> ReadJournalBytes(std::string_view journal, std::string list);
// True when the journal of dir ends with the record of its table saved (nothing left to restore or
// resume), told from its last bytes alone; false also when that cannot be told so.
bool JournalFinished(const std::string& dir);
// The journal of dir as ReadJournal reads it, or nothing when it is finished (all that a slot can
// offer, restore or resume; a finished journal is not read through).
std::optional<JournalState> ReadUnfinishedJournal(const std::string& dir);

// The run writes its rows in table order, so a row missing below the last one is a write that failed.
// Takes the state up to it: the rows after it are left out (counted in unwritten) and the resume point
// is the missing row, so that the run checks it and the rows after it again rather than restoring it
// blank.
void TakeUpToFirstGap(JournalState& state);

// Rows that were never saved, with the list they came from: what a start may offer to restore.
bool Restorable(const JournalState& state);

// A folder for one running copy's journal, locked for as long as the slot lives. The slots of a base
// folder are the base itself and its subfolders 2, 3, ...
class JournalSlot {
public:
    // Takes a slot of base that no running copy holds: the first whose journal `prefer` accepts (a
    // finished journal is never offered to it), else the first without rows left unsaved, else a new
    // one. A slot whose lock cannot be taken is never read. When no slot can be locked at all, Held()
    // is false and Error() says why.
    static JournalSlot Take(const std::string& base, const std::function<bool(const JournalState&)>& prefer);

    const std::string& Dir() const { return dir_; }
    bool Held() const { return static_cast<bool>(lock_); }
    const std::string& Error() const { return error_; }

private:
    // The slot of dir when its lock is free; errno EWOULDBLOCK in the error when it is held.
    static JournalSlot Lock(std::string dir, int& errorNumber);

    std::string dir_;
    UniqueFd lock_;
    std::string error_;
};

// Appends to the journal of dir, each record flushed to the disk before the call returns. Every call
// answers whether it worked; a journal that cannot be written never throws.
class JournalWriter {
public:
    explicit JournalWriter(std::string dir) : dir_(std::move(dir)) {}
    // Writes in the slot's folder, holding its lock; every call fails when the slot is not held.
    explicit JournalWriter(JournalSlot slot);

    // A new journal (the old one is replaced), with a copy of the list.
    bool Start(const JournalStart& start, std::string_view listBytes);
    bool Row(int row, const JournalRow& content);
    // Many rows at once, flushed once: a table that came whole from elsewhere.
    bool Rows(const std::map<int, JournalRow>& rows);
    bool Edit(int row, int col, std::string_view text, bool byHand);
    bool Resume(int line, int row);
    bool Done();
    // Records already made (one JSON object a line, joined by line ends), flushed once.
    bool Records(const std::string& lines) { return Append(lines); }
    // Why the last failed call failed ("" after success).
    const std::string& Error() const { return error_; }
    // Why every call fails (the slot was not held), else "".
    const std::string& Refusal() const { return refusal_; }

    // The records as Row, Resume and Done write them.
    static std::string RowLine(int row, const JournalRow& content);
    static void AppendRowLine(std::string& out, int row, const JournalRow& content);
    static std::string ResumeLine(int line, int row);
    static std::string ColumnsLine(const std::vector<std::string>& columns);
    static std::string EditLine(int row, int col, std::string_view text, bool byHand);
    static std::string DoneLine();

private:
    bool Append(const std::string& line);
    bool Replace(const char* name, std::string_view bytes);
    bool Fail(const std::string& what, int errorNumber);

    std::string dir_;
    UniqueFd fd_;
    std::string error_;
    JournalSlot slot_;
    std::string refusal_;  // why nothing can be written, when the slot was not held
};

// The user's folder for the journal: $XDG_STATE_HOME/vantle, else ~/.local/state/vantle; subfolder is
// appended when not empty.
std::string DefaultStateDir(std::string_view subfolder = {});

// One run's records as both programs keep them. A fresh run starts a new journal with the first row it
// writes (the start record, and a copy of the list); a resumed run goes on in the journal it came from.
// The records are written by a thread of the journal's own in group commits: what was given since the
// last sync goes in one write and one fdatasync, at most once every commitEvery, so the run never waits
// for the disk. Records reach the disk in the order given; a commit that fails stays queued and goes
// again with the next one. The journal on disk is thus always a beginning of what was given, and the
// resume point read from it never passes a row that is not there.
class RunJournal {
public:
    // The interval between commits is counted on clock (a virtual one in tests).
    explicit RunJournal(JournalSlot slot,
                        std::chrono::milliseconds commitEvery = std::chrono::milliseconds(100),
                        Clock& clock = SteadyClock());
    // Gives what is queued one more try, then lets the slot go.
    ~RunJournal();
    RunJournal(const RunJournal&) = delete;
    RunJournal& operator=(const RunJournal&) = delete;

    // Whether the next row a run writes (not a recheck) begins a new journal.
    void SetFresh(bool fresh) { fresh_ = fresh; }
    // Records a row written (line -1: rewritten by a recheck). start and list are asked for only when
    // the row begins a new journal; start's list hash and line count are filled in here. The first
    // error of the journal, once, at the first call after it came: the caller tells the user.
    std::optional<std::string> Row(int row, int line, std::span<const std::string> cells,
                                   const std::array<std::int32_t, 3>& totals,
                                   const std::function<JournalStart()>& start,
                                   const std::function<std::string()>& list);
    std::optional<std::string> Row(int row, const JournalRow& content,
                                   const std::function<JournalStart()>& start,
                                   const std::function<std::string()>& list) {
        return Row(row, content.line, content.cells, content.totals, start, list);
    }
    // A new journal that holds rows at once (a table opened from its file); rows written later go on in it.
    std::optional<std::string> Begin(JournalStart start, std::string_view list,
                                     const std::map<int, JournalRow>& rows);
    // A cell of a row already recorded, changed by the user (byHand) or put back by an undo.
    std::optional<std::string> Edit(int row, int col, std::string_view text, bool byHand);
    // A stop that a later run goes on from (line, row).
    std::optional<std::string> Resume(int line, int row);
    // The table's columns change (headers, Windows-1251); the rows written keep their cells by header.
    std::optional<std::string> Columns(const std::vector<std::string>& columns);
    // The rows are safe elsewhere; returns once that is on disk (or could not be written).
    void Done();
    // Waits until everything given is on disk (true) or a commit after the call failed (false).
    bool Flush();
    const std::string& Dir() const { return dir_; }

private:
    // The records as given, one after another in their batch's bytes, each a head and its bytes: a
    // row's cells, each its length and bytes (the row is made into its line on the commit thread, off
    // the run's), or a line made already. The run allocates nothing for a row, and the commit thread
    // frees nothing of the run's: a batch's bytes, once written, are given back to be filled again.
    struct Head {
        std::int32_t row = 0;
        std::int32_t line = 0;
        std::array<std::int32_t, 3> totals{};
        std::uint32_t cells = 0;  // kMadeLine: a line made already
        std::uint32_t size = 0;   // the bytes after the head
    };
    static constexpr std::uint32_t kMadeLine = ~std::uint32_t{0};
    struct Batch {
        std::optional<JournalStart> start;  // a new journal first, with list as its list's copy
        std::string list;
        std::string records;
        std::size_t count = 0;
    };
    // Queues start (a new batch), then the record of head, if any: cells for a row, line else.
    void Give(std::optional<JournalStart> start, std::string list, const Head* head = nullptr,
              std::span<const std::string> cells = {}, std::string_view line = {});
    void GiveLine(std::string_view line);  // a line made already
    void Commits();
    // Writes batches in order; those from the first that failed on stay in `batches`.
    bool WriteBatches(std::deque<Batch>& batches);
    std::optional<std::string> Told();

    std::string dir_;
    JournalWriter writer_;  // used by the commit thread only, after the constructor
    const std::chrono::milliseconds commitEvery_;
    Clock& clock_;
    bool fresh_ = true;
    bool warned_ = false;

    std::mutex mutex_;
    std::condition_variable_any wake_;  // something was given, a flush asked for, or the end
    std::condition_variable written_;   // a commit ended
    std::deque<Batch> queue_;
    std::string spare_;  // the bytes of a batch written, for the next one
    JournalRow made_;    // the commit thread's: a row being made into its line
    std::uint64_t given_ = 0;
    std::uint64_t onDisk_ = 0;
    std::uint64_t begun_ = 0;     // commits begun, numbered from 1
    std::uint64_t failedAt_ = 0;  // the number of the last commit that failed
    bool flushNow_ = false;
    bool ending_ = false;
    std::string error_;  // the first commit's error
    std::thread thread_;
};

}  // namespace vantle
