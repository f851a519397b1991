#include "history/ChangePhrase.h"

#include <algorithm>
#include <array>

#include "filter/CellOrder.h"
#include "text/Cp1251.h"

namespace vantle::history {
namespace {

constexpr char kSeparator[] = "; ";

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool Alike(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

// A value of the column: a date, a number, an address, a name. The words below say there is none.
bool HoldsValue(std::string_view cell) {
    static constexpr std::array<std::string_view, 7> kNoValue = {"free",      "none", "no address", "refused",
                                                                 "not found", "-",    "bad name"};
    return std::none_of(kNoValue.begin(), kNoValue.end(),
                        [cell](std::string_view word) { return Alike(cell, word); });
}

}  // namespace

bool EmptyIsAnAnswer(std::string_view column) {
    static constexpr std::array<std::string_view, 4> kColumns = {"Mirror", "Rank", "LinkRank", "LinkPR"};
    return std::find(kColumns.begin(), kColumns.end(), column) != kColumns.end();
}

bool SaysNothing(std::string_view column, std::string_view cell) {
    static constexpr std::array<std::string_view, 10> kNothing = {
        "timeout",    "cancelled", "rate limited", "error",    "DNS error",
        "bad answer", "no RDAP",   "no resources", "no graph", "no list"};
    cell = TrimBlanks(cell);
    if (cell.empty()) {
        return !EmptyIsAnAnswer(column);
    }
    return std::any_of(kNothing.begin(), kNothing.end(),
                       [cell](std::string_view word) { return Alike(cell, word); });
}

std::string ChangePhrase(std::string_view column, std::string_view before, std::string_view after) {
    if (before == after) {
        return {};  // (most rows: the same answer as last time)
    }
    before = TrimBlanks(before);
    after = TrimBlanks(after);
    if (SaysNothing(column, before) || SaysNothing(column, after) || Alike(before, after)) {
        return {};
    }
    // An empty Mirror is no redirect, an empty rank not listed: shown as "none".
    before = before.empty() ? std::string_view("none") : before;
    after = after.empty() ? std::string_view("none") : after;
    std::string phrase(column);
    if (!HoldsValue(before) && HoldsValue(after)) {
        phrase += ':';
    }
    phrase += ' ';
    phrase += before;
    phrase += ' ';
    phrase += EscapeOf(U'\u2192');
    phrase += ' ';
    phrase += after;
    return phrase;
}

std::string JoinPhrases(const std::vector<std::string>& phrases) {
    std::string cell;
    for (const std::string& phrase : phrases) {
        if (phrase.empty()) {
            continue;
        }
        if (!cell.empty()) {
            cell += kSeparator;
        }
        cell += phrase;
    }
    return cell;
}

std::vector<std::string> ChangedColumns(std::string_view changes) {
    std::vector<std::string> columns;
    std::size_t at = 0;
    while (at < changes.size()) {
        std::size_t end = changes.find(kSeparator, at);
        while (end != std::string_view::npos && InsideEscape(changes, end)) {
            end =
                changes.find(kSeparator, end + 1);  // a "; " inside an escape (the older form ended with ";")
        }
        if (end == std::string_view::npos) {
            end = changes.size();
        }
        const std::string_view phrase = TrimBlanks(changes.substr(at, end - at));
        const std::size_t nameEnd = phrase.find_first_of(": ");
        if (!phrase.empty()) {
            columns.emplace_back(phrase.substr(0, nameEnd));
        }
        at = end + 2;
    }
    return columns;
}

}  // namespace vantle::history
