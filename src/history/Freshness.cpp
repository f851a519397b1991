#include "history/Freshness.h"

#include <chrono>
#include <cstdio>

namespace vantle::history {
namespace {

bool IsDay(std::string_view cell) {
    if (cell.size() != 10 || cell[4] != '-' || cell[7] != '-') {
        return false;
    }
    for (std::size_t i = 0; i < cell.size(); ++i) {
        if (i != 4 && i != 7 && (cell[i] < '0' || cell[i] > '9')) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool Lasting(std::string_view check, const std::vector<std::string>& cells, std::int64_t answeredAt,
             std::int64_t now) {
    if (check != "archive" || cells.size() != 1 || answeredAt > now) {
        return false;
    }
    if (IsDay(cells[0])) {
        return true;
    }
    return cells[0] == "none" && now - answeredAt < kNoneKeptSeconds;
}

std::string DayOf(std::int64_t seconds) {
    using namespace std::chrono;
    const year_month_day day{floor<days>(sys_seconds{std::chrono::seconds{seconds}})};
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(day.year()),
                  static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()));
    return text;
}

}  // namespace vantle::history
