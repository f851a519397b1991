#include "io/Journal.h"

#include <cstring>

namespace vantle {

RunJournal::RunJournal(JournalSlot slot, std::chrono::milliseconds commitEvery, Clock& clock)
    : dir_(slot.Dir()), writer_(std::move(slot)), commitEvery_(commitEvery), clock_(clock) {
    if (!writer_.Refusal().empty()) {
        return;
    }
    try {
        thread_ = std::thread([this] { Commits(); });
    } catch (const std::system_error& e) {
        error_ = dir_ + ": " + e.what();  // nothing is written, and that is told
    }
}

RunJournal::~RunJournal() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        ending_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void RunJournal::Give(std::optional<JournalStart> start, std::string list, const Head* head,
                      std::span<const std::string> cells, std::string_view line) {
    if (!thread_.joinable()) {
        return;  // the slot is not held: nothing can be written, and that was told
    }
    bool first = false;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        first = queue_.empty();
        if (start || queue_.empty()) {
            queue_.push_back(Batch{std::move(start), std::move(list), std::move(spare_), 0});
            spare_.clear();
            queue_.back().records.clear();
        }
        if (head != nullptr) {
            Batch& batch = queue_.back();
            Head packed = *head;
            if (packed.cells == kMadeLine) {
                packed.size = static_cast<std::uint32_t>(line.size());
                batch.records.append(reinterpret_cast<const char*>(&packed), sizeof packed);
                batch.records.append(line);
            } else {
                packed.cells = static_cast<std::uint32_t>(cells.size());
                packed.size = static_cast<std::uint32_t>(cells.size() * sizeof(std::uint32_t));
                for (const std::string& cell : cells) {
                    packed.size += static_cast<std::uint32_t>(cell.size());
                }
                batch.records.append(reinterpret_cast<const char*>(&packed), sizeof packed);
                for (const std::string& cell : cells) {
                    const auto size = static_cast<std::uint32_t>(cell.size());
                    batch.records.append(reinterpret_cast<const char*>(&size), sizeof size);
                    batch.records.append(cell);
                }
            }
            ++batch.count;
            ++given_;
        }
    }
    // The writer waits for the first record of a commit; the later ones would only wake it early.
    if (first) {
        wake_.notify_all();
    }
}

bool RunJournal::WriteBatches(std::deque<Batch>& batches) {
    while (!batches.empty()) {
        Batch& batch = batches.front();
        if (batch.start) {
            if (!writer_.Start(*batch.start, batch.list)) {
                return false;
            }
            batch.start.reset();
            batch.list.clear();
        }
        std::string lines;
        lines.reserve(batch.records.size() * 2);  // (a row's line is less than twice its cells)
        for (std::size_t at = 0; at < batch.records.size();) {
            Head head;
            std::memcpy(&head, batch.records.data() + at, sizeof head);
            const char* bytes = batch.records.data() + at + sizeof head;
            at += sizeof head + head.size;
            lines += lines.empty() ? "" : "\n";
            if (head.cells == kMadeLine) {
                lines.append(bytes, head.size);
                continue;
            }
            made_.line = head.line;
            made_.totals = head.totals;
            made_.cells.resize(head.cells);
            for (std::string& cell : made_.cells) {
                std::uint32_t size = 0;
                std::memcpy(&size, bytes, sizeof size);
                cell.assign(bytes + sizeof size, size);
                bytes += sizeof size + size;
            }
            JournalWriter::AppendRowLine(lines, head.row, made_);
        }
        if (batch.count > 0 && !writer_.Records(lines)) {
            return false;
        }
        const std::lock_guard<std::mutex> lock(mutex_);
        onDisk_ += batch.count;
        if (batch.records.capacity() > spare_.capacity()) {
            spare_.swap(batch.records);
        }
        batches.pop_front();
    }
    return true;
}

// One commit at a time, the next no sooner than commitEvery after the last began, unless a flush or the
// end asks for it now.
void RunJournal::Commits() {
    std::unique_lock<std::mutex> lock(mutex_);
    SteadyTime last = clock_.Now() - commitEvery_;
    for (;;) {
        wake_.wait(lock, [this] { return ending_ || flushNow_ || !queue_.empty(); });
        if (queue_.empty() && (ending_ || flushNow_)) {
            if (ending_) {
                return;
            }
            flushNow_ = false;
            written_.notify_all();  // everything given is on disk
            continue;
        }
        clock_.WaitUntil(lock, wake_, last + commitEvery_, {}, [this] { return ending_ || flushNow_; });
        flushNow_ = false;
        const std::uint64_t number = ++begun_;
        std::deque<Batch> batches;
        batches.swap(queue_);
        lock.unlock();
        last = clock_.Now();
        const bool written = WriteBatches(batches);
        lock.lock();
        // What failed goes first in the next commit, before anything given meanwhile.
        while (!batches.empty()) {
            queue_.push_front(std::move(batches.back()));
            batches.pop_back();
        }
        if (!written) {
            failedAt_ = number;
            if (error_.empty()) {
                error_ = writer_.Error();
            }
        }
        written_.notify_all();
        if (ending_ && (!written || queue_.empty())) {
            return;  // one last try at the end, however it went
        }
    }
}

bool RunJournal::Flush() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!thread_.joinable()) {
        return false;
    }
    const std::uint64_t target = given_;
    // A commit under way when asked may have begun before what was given last could reach the disk
    // (a file limit lifted meanwhile): only the failure of one begun after the call is the answer.
    const std::uint64_t asked = begun_;
    flushNow_ = true;
    wake_.notify_all();
    written_.wait(lock, [&] { return onDisk_ >= target || failedAt_ > asked; });
    return onDisk_ >= target;
}

std::optional<std::string> RunJournal::Row(int row, int line, std::span<const std::string> cells,
                                           const std::array<std::int32_t, 3>& totals,
                                           const std::function<JournalStart()>& start,
                                           const std::function<std::string()>& list) {
    std::optional<JournalStart> record;
    std::string bytes;
    if (fresh_ && line >= 0) {
        fresh_ = false;
        record = start();
        bytes = list();
        record->listHash = ListHash(bytes);
    }
    const Head head{row, line, totals, 0, 0};
    Give(std::move(record), std::move(bytes), &head, cells);
    return Told();
}

std::optional<std::string> RunJournal::Begin(JournalStart start, std::string_view list,
                                             const std::map<int, JournalRow>& rows) {
    fresh_ = false;
    start.listHash = ListHash(list);
    Give(std::move(start), std::string(list));
    for (const auto& [row, content] : rows) {
        const Head head{row, content.line, content.totals, 0, 0};
        Give(std::nullopt, {}, &head, content.cells);
    }
    return Told();
}

void RunJournal::GiveLine(std::string_view line) {
    const Head head{0, 0, {}, kMadeLine, 0};
    Give(std::nullopt, {}, &head, {}, line);
}

std::optional<std::string> RunJournal::Edit(int row, int col, std::string_view text, bool byHand) {
    GiveLine(JournalWriter::EditLine(row, col, text, byHand));
    return Told();
}

std::optional<std::string> RunJournal::Resume(int line, int row) {
    GiveLine(JournalWriter::ResumeLine(line, row));
    return Told();
}

std::optional<std::string> RunJournal::Columns(const std::vector<std::string>& columns) {
    GiveLine(JournalWriter::ColumnsLine(columns));
    return Told();
}

void RunJournal::Done() {
    GiveLine(JournalWriter::DoneLine());
    Flush();
}

std::optional<std::string> RunJournal::Told() {
    if (warned_) {
        return std::nullopt;
    }
    std::string error = writer_.Refusal();
    if (error.empty()) {
        const std::lock_guard<std::mutex> lock(mutex_);
        error = error_;
    }
    if (error.empty()) {
        return std::nullopt;
    }
    warned_ = true;
    return error;
}

}  // namespace vantle
