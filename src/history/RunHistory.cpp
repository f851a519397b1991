#include "history/RunHistory.h"

#include <algorithm>
#include <set>

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
}

std::optional<std::int64_t> Served::Take(std::string_view domain, std::string_view check) {
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
    : store_(store), spans_(std::move(spans)), served_(std::move(served)) {}

RunHistory::~RunHistory() {
    reader_.request_stop();
}

void RunHistory::ReadAhead(std::vector<std::string> domains) {
    reader_ = std::jthread(
        [this, domains = std::move(domains)](std::stop_token stop) { ReadLines(stop, domains); });
}

RunHistory::Earlier RunHistory::Read(std::string_view domain) {
    Earlier earlier;
    for (const CheckSpan& span : spans_) {
        earlier.push_back(store_.LastSaid(domain, span.check, span.columns, SaysSomething));
    }
    return earlier;
}

void RunHistory::ReadLines(std::stop_token stop, const std::vector<std::string>& domains) {
    // Lines are read a few at a time and handed over together: the run takes its rows' under the
    // same lock, and a lock per line would make the two threads meet at every row.
    constexpr int kChunk = 64;
    const int count = static_cast<int>(domains.size());
    std::vector<std::pair<int, Earlier>> chunk;
    const auto handOver = [&] {  // under aheadMutex_
        for (auto& [at, earlier] : chunk) {
            if (at > written_) {
                ahead_.emplace(at, std::make_pair(HistoryStore::Key(domains[static_cast<std::size_t>(at)]),
                                                  std::move(earlier)));
            }
        }
        chunk.clear();
    };
    for (int line = 0; line < count;) {
        {
            std::unique_lock lock(aheadMutex_);
            handOver();
            if (line - written_ > kReadAhead) {
                // Far enough ahead: on again once the rows have taken a quarter of it.
                waiting_ = true;
                aheadCv_.wait(lock, stop, [&] {
                    return line - written_ <= kReadAhead - kReadAhead / 4 || skipTo_ > line;
                });
                waiting_ = false;
            }
            if (stop.stop_requested()) {
                return;
            }
            line = std::max(line, skipTo_);
        }
        for (const int end = std::min(count, line + kChunk); line < end; ++line) {
            if (!domains[static_cast<std::size_t>(line)].empty()) {
                chunk.emplace_back(line, Read(domains[static_cast<std::size_t>(line)]));
            }
        }
    }
    const std::lock_guard lock(aheadMutex_);
    handOver();
}

RowChanges RunHistory::Finished(std::string_view domain, const std::vector<std::string>& rowCells,
                                std::int64_t now, int line) {
    RowChanges changes;
    if (domain.empty()) {
        return changes;
    }
    std::optional<Earlier> read;
    if (line >= 0) {
        bool wake = false;
        {
            const std::lock_guard lock(aheadMutex_);
            const auto it = ahead_.find(line);
            if (it != ahead_.end() && it->second.first == HistoryStore::Key(domain)) {
                read = std::move(it->second.second);
            } else {
                skipTo_ = std::max(skipTo_, line + 1);  // behind the run: it reads on after this row
            }
            ahead_.erase(ahead_.begin(), ahead_.upper_bound(line));
            written_ = std::max(written_, line);
            wake = waiting_;
        }
        if (wake) {
            aheadCv_.notify_all();
        }
    }
    const Earlier earlier = read ? std::move(*read) : Read(domain);
    std::vector<std::string> phrases;
    std::set<std::string> days;
    for (std::size_t s = 0; s < spans_.size(); ++s) {
        const CheckSpan& span = spans_[s];
        std::vector<std::string> cells;
        for (std::size_t i = 0; i < span.columns.size(); ++i) {
            const std::size_t col = static_cast<std::size_t>(span.firstCol) + i;
            cells.push_back(col < rowCells.size() ? rowCells[col] : std::string());
        }
        // A check whose cells are all empty was not asked, unless empty is each column's answer (a
        // name not in the top-sites list or the graph).
        if (std::all_of(cells.begin(), cells.end(), [](const std::string& cell) { return cell.empty(); }) &&
            !std::all_of(span.columns.begin(), span.columns.end(), EmptyIsAnAnswer)) {
            continue;
        }
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const std::optional<HistoryStore::Said>& before = earlier[s][i];
            if (!before) {
                continue;
            }
            std::string phrase = ChangePhrase(span.columns[i], before->cell, cells[i]);
            if (!phrase.empty()) {
                phrases.push_back(std::move(phrase));
                changes.changedCols.push_back(span.firstCol + static_cast<int>(i));
                days.insert(DayOf(before->at));
            }
        }
        if (const std::optional<std::int64_t> at =
                served_ ? served_->Take(domain, span.check) : std::nullopt) {
            for (std::size_t i = 0; i < cells.size(); ++i) {
                changes.cellTips[span.firstCol + static_cast<int>(i)] =
                    Utf16ToCp1251(u"из истории, ") + DayOf(*at);
            }
            continue;
        }
        store_.Add(domain, {span.check, span.columns, std::move(cells), now});
    }
    changes.text = JoinPhrases(phrases);
    for (const std::string& day : days) {
        changes.tip += (changes.tip.empty() ? Utf16ToCp1251(u"прежний ответ: ") : std::string(", ")) + day;
    }
    return changes;
}

}  // namespace vantle::history
