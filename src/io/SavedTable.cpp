#include "io/SavedTable.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>

#include "io/ListFile.h"
#include "io/SheetRead.h"
#include "puny/IdnaName.h"
#include "text/ColumnKind.h"

namespace vantle {
namespace {

const char kDomain[] = "Domain";
const char kChanges[] = "Changes";

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The rows of every sheet, the header of the sheets after the first left out; nothing when unreadable.
std::optional<std::vector<SheetRow>> RowsOf(std::string_view bytes) {
    if (!IsZipBytes(bytes)) {
        return ReadCsvRows(ListTextToCp1251(bytes), ';');
    }
    auto sheets = ReadWorkbookSheets(bytes, true, kMaxListFileBytes);
    if (!sheets || sheets->empty()) {
        return std::nullopt;
    }
    std::vector<SheetRow> rows = std::move(sheets->front());
    for (std::size_t s = 1; s < sheets->size(); ++s) {
        auto& more = (*sheets)[s];
        for (std::size_t r = 1; r < more.size(); ++r) {
            rows.push_back(std::move(more[r]));
        }
    }
    return rows;
}

// The table's columns in the window's order, and the checks they show.
struct Layout {
    std::vector<std::string> columns;
    std::vector<std::string> checks;
};

Layout LayOut(const std::vector<std::string>& header, const std::vector<CheckColumns>& checks) {
    const auto inFile = [&header](const CheckColumns& check) {
        return std::any_of(check.columns.begin(), check.columns.end(), [&header](const std::string& c) {
            return std::find(header.begin(), header.end(), c) != header.end();
        });
    };
    const auto firstAt = [&header](const CheckColumns& check) {
        std::size_t at = header.size();
        for (const std::string& c : check.columns) {
            at = std::min<std::size_t>(at, std::find(header.begin(), header.end(), c) - header.begin());
        }
        return at;
    };
    Layout layout{{kDomain}, {}};
    for (const CheckColumns& check : checks) {
        if (check.name == "bar") {
            layout.columns.insert(layout.columns.end(), check.columns.begin(), check.columns.end());
        }
    }
    std::vector<const CheckColumns*> added;  // yapages and pr in the file's order, then the others
    for (const CheckColumns& check : checks) {
        if ((check.name == "yapages" || check.name == "pr") && inFile(check)) {
            added.push_back(&check);
        }
    }
    std::sort(added.begin(), added.end(), [&](auto* a, auto* b) { return firstAt(*a) < firstAt(*b); });
    for (const CheckColumns& check : checks) {
        if (check.name != "bar" && check.name != "yapages" && check.name != "pr" && inFile(check)) {
            added.push_back(&check);
        }
    }
    for (const CheckColumns& check : checks) {
        if (check.name == "bar" && inFile(check)) {
            layout.checks.push_back(check.name);
        }
    }
    for (const CheckColumns* check : added) {
        layout.checks.push_back(check->name);
        layout.columns.insert(layout.columns.end(), check->columns.begin(), check->columns.end());
    }
    // What changed since the last check stands after the checks' columns; it belongs to no check.
    if (std::find(header.begin(), header.end(), kChanges) != header.end()) {
        layout.columns.emplace_back(kChanges);
    }
    return layout;
}

SavedTableRead Problem(SavedTableProblem problem, std::string detail = {}) {
    SavedTableRead read;
    read.problem = problem;
    read.detail = std::move(detail);
    return read;
}

}  // namespace

std::string SheetDate(const std::string& serial) {
    long long days = 0;
    const auto [end, error] = std::from_chars(serial.data(), serial.data() + serial.size(), days);
    // The sheet's 1900-02-29 (day 60) was no day; dates before 1900 are no sheet dates.
    if (serial.empty() || error != std::errc() || end != serial.data() + serial.size() || days < 1 ||
        days == 60 || days > 2958465) {
        return serial;
    }
    using namespace std::chrono;
    const sys_days base = days < 60 ? sys_days(1899y / December / 31) : sys_days(1899y / December / 30);
    const year_month_day date(base + std::chrono::days(days));
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    return text;
}

SavedTableRead ReadSavedTable(std::string_view bytes, const std::vector<CheckColumns>& checks) {
    const std::optional<std::vector<SheetRow>> rows = RowsOf(bytes);
    if (!rows || rows->empty()) {
        return Problem(SavedTableProblem::Unreadable);
    }
    std::vector<std::string> header;
    for (const SheetCell& cell : rows->front()) {
        header.resize(static_cast<std::size_t>(cell.col), std::string());
        header.push_back(cell.text);
    }
    for (std::size_t c = 0; c < header.size(); ++c) {
        const std::string& caption = header[c];
        const bool known =
            caption == kDomain || caption == kChanges ||
            std::any_of(checks.begin(), checks.end(), [&](const auto& check) {
                return std::find(check.columns.begin(), check.columns.end(), caption) != check.columns.end();
            });
        if (!known) {
            return Problem(SavedTableProblem::UnknownColumn, caption);
        }
        if (std::find(header.begin(), header.begin() + static_cast<std::ptrdiff_t>(c), caption) !=
            header.begin() + static_cast<std::ptrdiff_t>(c)) {
            return Problem(SavedTableProblem::RepeatedColumn, caption);
        }
    }
    if (std::find(header.begin(), header.end(), kDomain) == header.end()) {
        return Problem(SavedTableProblem::NoDomainColumn);
    }
    const Layout layout = LayOut(header, checks);
    // Where each of the window's columns stands in the file, or -1.
    std::vector<int> from;
    for (const std::string& column : layout.columns) {
        const auto at = std::find(header.begin(), header.end(), column);
        from.push_back(at == header.end() ? -1 : static_cast<int>(at - header.begin()));
    }
    SavedTableRead read;
    JournalState& state = read.state;
    state.start.columns = layout.columns;
    state.start.checks = layout.checks;
    std::array<std::int32_t, 3> totals{};
    const auto cellOf = [&layout](const JournalRow& content, std::string_view column) -> const std::string& {
        static const std::string kNone;
        const auto at = std::find(layout.columns.begin(), layout.columns.end(), column);
        return at == layout.columns.end()
                   ? kNone
                   : content.cells[static_cast<std::size_t>(at - layout.columns.begin())];
    };
    for (std::size_t r = 1; r < rows->size(); ++r) {
        const SheetRow& row = (*rows)[r];
        if (std::any_of(row.begin(), row.end(), [&header](const SheetCell& cell) {
                return cell.col >= static_cast<int>(header.size()) && !cell.text.empty();
            })) {
            return Problem(SavedTableProblem::LongRow, std::to_string(r + 1));
        }
        JournalRow content;
        bool filled = false;
        for (std::size_t c = 0; c < from.size(); ++c) {
            const SheetCell* cell = from[c] < 0 ? nullptr : CellAt(row, from[c]);
            std::string text = cell == nullptr ? std::string() : cell->text;
            if (cell != nullptr && cell->number && KindOfColumn(layout.columns[c]) == ColumnKind::Date) {
                text = SheetDate(text);
            }
            filled = filled || !text.empty();
            content.cells.push_back(std::move(text));
        }
        if (!filled) {
            continue;
        }
        totals[0] += StartsWith(cellOf(content, "Status"), "Vantle") ? 1 : 0;
        totals[1] += cellOf(content, "Tic") == "0" ? 1 : 0;
        totals[2] += cellOf(content, "Yaca") == "Yes" ? 1 : 0;
        content.totals = totals;
        // The Windows-1251 CSV holds a name beyond the code page in its ASCII form: shown as typed.
        content.cells[0] = UnicodeFormOfAceLabels(content.cells[0]);
        std::string domain = content.cells[0];
        std::replace_if(
            domain.begin(), domain.end(), [](char ch) { return ch == '\r' || ch == '\n'; }, ' ');
        state.list += state.rows.empty() ? "" : "\n";
        state.list += domain;
        content.line = static_cast<int>(state.rows.size());
        state.rows.emplace(content.line + 1, std::move(content));
    }
    if (state.rows.empty()) {
        return Problem(SavedTableProblem::NoRows);
    }
    state.start.lineCount = static_cast<int>(state.rows.size());
    state.lastTotals = totals;
    state.lastLine = state.start.lineCount - 1;
    return read;
}

}  // namespace vantle
