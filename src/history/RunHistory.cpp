#include "history/RunHistory.h"

#include <algorithm>
#include <utility>

#include "history/ChangePhrase.h"
#include "history/Freshness.h"
#include "text/Cp1251.h"

namespace vantle::history {
namespace {

std::string ServedKey(std::string_view domain, std::string_view check) {
    return HistoryStore::Key(domain) + '\x1f' + std::string(check);
}

bool SaysSomething(std::string_view column, std::string_view cell) {
    return !SaysNothing(column, cell);
}

}  // namespace

void Served::Note(std::string_view domain, std::string_view check, std::int64_t at) {
    const std::lock_guard lock(mutex_);
    served_[ServedKey(domain, check)] = at;
    any_ = true;
}

std::optional<std::int64_t> Served::Take(std::string_view domain, std::string_view check) {
    if (!any_) {
        return std::nullopt;
    }
    const std::lock_guard lock(mutex_);
    const auto it = served_.find(ServedKey(domain, check));
    if (it == served_.end()) {
        return std::nullopt;
    }
    const std::int64_t at = it->second;
    served_.erase(it);
    return at;
}

bool HasLastingAnswers(std::string_view check) {
    return check == "archive";
}

RememberingCheck::RememberingCheck(std::shared_ptr<Check> inner, HistoryStore& store,
                                   std::shared_ptr<Served> served, std::function<std::int64_t()> now)
    : inner_(std::move(inner)), store_(store), served_(std::move(served)), now_(std::move(now)) {}

void RememberingCheck::RunStarts() {
    store_.Flush();
    inner_->RunStarts();
}

std::vector<std::string> RememberingCheck::Run(const DomainNames& names, const CancelToken& cancel) {
    const std::int64_t now = now_();
    const std::vector<std::string> columns = inner_->Columns();
    for (const StoredAnswer& answer : store_.Answers(names.display)) {
        if (answer.check == inner_->Name() && answer.columns == columns &&
            Lasting(answer.check, answer.cells, answer.at, now)) {
            served_->Note(names.display, answer.check, answer.at);
            return answer.cells;
        }
    }
    return inner_->Run(names, cancel);
}

RunHistory::RunHistory(HistoryStore& store, std::vector<CheckSpan> spans, std::shared_ptr<Served> served)
    : store_(store), spans_(std::move(spans)), served_(std::move(served)) {
    std::size_t offset = 0;
    for (const CheckSpan& span : spans_) {
        offsets_.push_back(offset);
        offset += span.columns.size();
        kinds_.push_back(store_.Kind(span.check, span.columns));
        emptyIsAnswer_.push_back(std::all_of(span.columns.begin(), span.columns.end(), EmptyIsAnAnswer));
        rowWidth_ = std::max(rowWidth_, static_cast<std::size_t>(span.firstCol) + span.columns.size());
    }
    columns_ = offset;
}

RunHistory::~RunHistory() {
    reader_.request_stop();
    store_.Add(pending_);
}

void RunHistory::Flush() {
    store_.Add(pending_);
    store_.Flush();
}

void RunHistory::RunEnded() {
    store_.Add(pending_);
    store_.Hurry();
}

void RunHistory::ReadAhead(std::vector<std::string> domains, int bound) {
    const int count = static_cast<int>(domains.size());
    ReadAhead(
        count, [domains = std::move(domains)](int line) { return domains[static_cast<std::size_t>(line)]; },
        bound);
}

void RunHistory::ReadAhead(int count, std::function<std::string(int line)> domainAt, int bound) {
    if (bound == kByWidth) {
        // A line read ahead: its place in a chunk, its domain, and an empty or short cell with its
        // time for each column (longer cells take more, and are rare).
        const std::size_t line = sizeof(Ahead) + 32 + columns_ * (sizeof(Said) + 8);
        bound = static_cast<int>(std::clamp<std::size_t>(kReadAheadBytes / line, 4096, 1 << 20));
    }
    reader_ = std::jthread([this, count, domainAt = std::move(domainAt), bound](std::stop_token stop) {
        ReadLines(stop, count, domainAt, bound);
    });
}

void RunHistory::Read(std::string_view domain, HistoryStore::Number& number, Said* said) {
    for (std::size_t s = 0; s < spans_.size(); ++s) {
        store_.LastSaid(domain, spans_[s].check, spans_[s].columns, SaysSomething, said + offsets_[s],
                        &number);
    }
}

void RunHistory::ReadLines(std::stop_token stop, int count, const std::function<std::string(int)>& domainAt,
                           int bound) {
    // Lines are read a chunk at a time and handed over together, and the run takes all that is
    // ready at once: the two threads meet at the lock once in many rows, not at every row.
    constexpr int kChunk = 64;
    YieldToTheRun();
    // The store gathers the lines' answers a window at a time: small at first, so that the first rows
    // need not wait, then larger (a sweep of the store pays when a window is much of it).
    const int widest = std::max(kFirstWindow, std::min(bound / 2, kWidestWindow));
    int windowFrom = 0;
    int width = kFirstWindow;
    std::vector<std::string> window;
    Chunk chunk;
    std::vector<Chunk> spent;
    const auto handOver = [&] {  // under aheadMutex_
        if (!chunk.lines.empty() && chunk.lines.back().line > written_) {
            readTo_ = chunk.lines.back().line;
            ahead_.push_back(std::move(chunk));
        }
        chunk = {};
        spent.swap(spent_);
    };
    for (int line = 0; line < count;) {
        {
            std::unique_lock lock(aheadMutex_);
            handOver();
            if (line - written_ > bound) {
                // Far enough ahead: on again once the rows have taken a quarter of it, and woken
                // only then (a wake at every row would switch threads at every row).
                wakeAt_ = line - (bound - bound / 4);
                store_.Rest();
                aheadCv_.wait(lock, stop, [&] { return written_ >= wakeAt_ || skipTo_ > line; });
                wakeAt_ = kNoWake;
            }
            if (stop.stop_requested()) {
                return;
            }
            line = std::max(line, skipTo_);
        }
        spent.clear();  // what the rows took is freed here, on the thread that made it
        for (const int end = std::min(count, line + kChunk); line < end; ++line) {
            if (line < windowFrom || line >= windowFrom + static_cast<int>(window.size())) {
                windowFrom = line;
                window.clear();
                for (int at = line; at < std::min(count, line + width); ++at) {
                    window.push_back(domainAt(at));
                }
                store_.Gather(window);
                width = std::min(width * 4, widest);
            }
            std::string domain = std::move(window[static_cast<std::size_t>(line - windowFrom)]);
            if (!domain.empty()) {
                if (chunk.lines.empty()) {
                    chunk.lines.reserve(kChunk);
                    chunk.said.reserve(kChunk * columns_);
                    chunk.names.reserve(kChunk * 32);
                }
                const std::size_t at = chunk.said.size();
                chunk.said.resize(at + columns_);
                HistoryStore::Number number;
                Read(domain, number, chunk.said.data() + at);
                chunk.lines.push_back({line, static_cast<std::uint32_t>(at),
                                       static_cast<std::uint32_t>(chunk.names.size()),
                                       static_cast<std::uint32_t>(domain.size()), number});
                chunk.names += domain;
            }
        }
    }
    store_.Rest();
    const std::lock_guard lock(aheadMutex_);
    handOver();
}

const RunHistory::Said* RunHistory::TakeAhead(int line, std::string_view domain,
                                              HistoryStore::Number& number) {
    written_ = std::max(written_.load(), line);
    for (bool refilled = false;; refilled = true) {
        for (; mineChunk_ < mine_.size(); ++mineChunk_, mineAt_ = 0) {
            std::vector<Ahead>& chunk = mine_[mineChunk_].lines;
            while (mineAt_ < chunk.size() && chunk[mineAt_].line < line) {
                ++mineAt_;
            }
            if (mineAt_ == chunk.size()) {
                continue;
            }
            Ahead& next = chunk[mineAt_];
            if (next.line > line) {
                refilled = true;  // the reading fell behind and went on past this line
                break;
            }
            ++mineAt_;
            const std::string& names = mine_[mineChunk_].names;
            if (!HistoryStore::SameKey(std::string_view(names).substr(next.name, next.nameSize), domain)) {
                return nullptr;  // the line's row is another domain's: it is read at once
            }
            if (written_ >= wakeAt_) {
                const std::lock_guard lock(aheadMutex_);  // (so that the wake is not lost)
                aheadCv_.notify_all();
            }
            number = next.number;
            return mine_[mineChunk_].said.data() + next.said;
        }
        if (refilled) {
            break;
        }
        // All taken: what was read goes back to be freed, and what is ready since is taken.
        const std::lock_guard lock(aheadMutex_);
        for (Chunk& taken : mine_) {
            spent_.push_back(std::move(taken));
        }
        mine_.clear();
        mine_.swap(ahead_);
        mineChunk_ = 0;
        mineAt_ = 0;
    }
    // Behind the run: the reading goes on after this row.
    {
        const std::lock_guard lock(aheadMutex_);
        skipTo_ = std::max(skipTo_, line + 1);
    }
    aheadCv_.notify_all();
    return nullptr;
}

RowChanges RunHistory::Finished(std::string_view domain, std::span<const std::string> rowCells,
                                std::int64_t now, int line) {
    RowChanges changes;
    if (domain.empty()) {
        return changes;
    }
    HistoryStore::Number number;
    const Said* earlier = line >= 0 ? TakeAhead(line, domain, number) : nullptr;
    std::vector<Said> read;  // (not read ahead: read at once)
    if (earlier == nullptr) {
        read.resize(columns_);
        Read(domain, number, read.data());
        earlier = read.data();
    }
    std::vector<std::string> widened;  // a row shorter than the table's: empty cells
    if (rowCells.size() < rowWidth_) {
        widened.assign(rowCells.begin(), rowCells.end());
        widened.resize(rowWidth_);
        rowCells = widened;
    }
    std::vector<std::string> phrases;
    std::vector<std::string> days;
    for (std::size_t s = 0; s < spans_.size(); ++s) {
        const CheckSpan& span = spans_[s];
        const std::size_t first = static_cast<std::size_t>(span.firstCol);
        const std::size_t width = span.columns.size();
        const auto cell = [&](std::size_t i) -> const std::string& { return rowCells[first + i]; };
        // A check whose cells are all empty was not asked, unless empty is each column's answer (a
        // name not in the top-sites list or the graph).
        bool asked = false;
        for (std::size_t i = 0; i < width && !asked; ++i) {
            asked = !cell(i).empty();
        }
        if (!asked && !emptyIsAnswer_[s]) {
            continue;
        }
        for (std::size_t i = 0; i < width; ++i) {
            const std::optional<HistoryStore::Said>& before = earlier[offsets_[s] + i];
            if (!before || before->cell == cell(i)) {
                continue;  // (most cells: the same answer as last time)
            }
            std::string phrase = ChangePhrase(span.columns[i], before->cell, cell(i));
            if (!phrase.empty()) {
                phrases.push_back(std::move(phrase));
                changes.changedCols.push_back(span.firstCol + static_cast<int>(i));
                days.push_back(DayOf(before->at));
            }
        }
        if (const std::optional<std::int64_t> at =
                served_ ? served_->Take(domain, span.check) : std::nullopt) {
            for (std::size_t i = 0; i < width; ++i) {
                changes.cellTips[span.firstCol + static_cast<int>(i)] =
                    Utf16ToCp1251(u"из истории, ") + DayOf(*at);
            }
            continue;
        }
        if (pending_.empty()) {
            // (Room for a batch at once: a buffer grown step by step asks for ever larger blocks, and
            // each such request makes the allocator sweep its small free blocks.)
            pending_.Reserve(kPending * kPendingBytes);
        }
        pending_.Add(domain, kinds_[s], rowCells.subspan(first, width), now, number);
        if (pending_.size() >= kPending) {
            store_.Add(pending_);
        }
    }
    if (phrases.empty()) {
        return changes;
    }
    changes.text = JoinPhrases(phrases);
    std::sort(days.begin(), days.end());
    days.erase(std::unique(days.begin(), days.end()), days.end());
    for (const std::string& day : days) {
        changes.tip += (changes.tip.empty() ? Utf16ToCp1251(u"прежний ответ: ") : std::string(", ")) + day;
    }
    return changes;
}

}  // namespace vantle::history
