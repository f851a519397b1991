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

// The earlier value of one column of a check: the newest answer that says something.
const StoredAnswer* Earlier(const std::vector<StoredAnswer>& answers, const std::string& check,
                            const std::string& column, std::string& value) {
    for (const StoredAnswer& answer : answers) {
        if (answer.check != check) {
            continue;
        }
        const auto it = std::find(answer.columns.begin(), answer.columns.end(), column);
        if (it == answer.columns.end()) {
            continue;
        }
        const auto index = static_cast<std::size_t>(it - answer.columns.begin());
        if (index < answer.cells.size() && !SaysNothing(column, answer.cells[index])) {
            value = answer.cells[index];
            return &answer;
        }
    }
    return nullptr;
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

RowChanges RunHistory::Finished(std::string_view domain, const std::vector<std::string>& rowCells,
                                std::int64_t now) {
    RowChanges changes;
    if (domain.empty()) {
        return changes;
    }
    const std::vector<StoredAnswer> answers = store_.Answers(domain);
    std::vector<std::string> phrases;
    std::set<std::string> days;
    for (const CheckSpan& span : spans_) {
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
            std::string before;
            const StoredAnswer* earlier = Earlier(answers, span.check, span.columns[i], before);
            if (earlier == nullptr) {
                continue;
            }
            std::string phrase = ChangePhrase(span.columns[i], before, cells[i]);
            if (!phrase.empty()) {
                phrases.push_back(std::move(phrase));
                changes.changedCols.push_back(span.firstCol + static_cast<int>(i));
                days.insert(DayOf(earlier->at));
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
