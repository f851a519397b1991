#include "history/HistoryTable.h"

#include <algorithm>
#include <cstdio>

#include "history/Freshness.h"

namespace vantle::history {

std::string TimeOf(std::int64_t seconds) {
    const std::int64_t inDay = ((seconds % 86400) + 86400) % 86400;
    char text[16];
    std::snprintf(text, sizeof text, " %02d:%02d:%02d", static_cast<int>(inDay / 3600),
                  static_cast<int>(inDay / 60 % 60), static_cast<int>(inDay % 60));
    return DayOf(seconds) + text;
}

std::vector<std::vector<std::string>> HistoryTable(const std::vector<StoredAnswer>& answers) {
    std::vector<std::string> headers{"Time (UTC)", "Check"};
    for (const StoredAnswer& answer : answers) {
        for (const std::string& column : answer.columns) {
            if (std::find(headers.begin() + 2, headers.end(), column) == headers.end()) {
                headers.push_back(column);
            }
        }
    }
    std::vector<std::vector<std::string>> table{headers};
    for (const StoredAnswer& answer : answers) {
        std::vector<std::string> row(headers.size());
        row[0] = TimeOf(answer.at);
        row[1] = answer.check;
        for (std::size_t i = 0; i < answer.columns.size() && i < answer.cells.size(); ++i) {
            const auto at = std::find(headers.begin() + 2, headers.end(), answer.columns[i]);
            row[static_cast<std::size_t>(at - headers.begin())] = answer.cells[i];
        }
        table.push_back(std::move(row));
    }
    return table;
}

}  // namespace vantle::history
