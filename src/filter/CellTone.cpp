#include "filter/CellTone.h"

#include <array>

#include "filter/CellOrder.h"

namespace vantle {

namespace {

// What the checks write when they could not find out.
constexpr std::array<std::string_view, 18> kFailures = {
    "timeout",      "DNS error",    "no address", "refused",   "TLS error", "no answer",
    "bad answer",   "bad redirect", "loop",       "no RDAP",   "no whois",  "no list",
    "rate limited", "no date",      "error",      "cancelled", "N/A",       "bad name"};

std::chrono::sys_days DayOf(const CellKey& key) {
    const int ymd = static_cast<int>(key.value);
    return std::chrono::year_month_day(std::chrono::year(ymd / 10000),
                                       std::chrono::month(static_cast<unsigned>(ymd / 100 % 100)),
                                       std::chrono::day(static_cast<unsigned>(ymd % 100)));
}

CellTone ExpiryTone(std::string_view cell, std::chrono::sys_days today) {
    const CellKey key = KeyOf(cell);
    if (key.kind != CellKind::Date) {
        return CellTone::Plain;
    }
    const std::chrono::sys_days day = DayOf(key);
    if (day < today) {
        return CellTone::Past;
    }
    return day <= today + std::chrono::days(kSoonDays) ? CellTone::Soon : CellTone::Plain;
}

}  // namespace

CellTone ToneOf(std::string_view header, std::string_view cell, std::chrono::sys_days today) {
    cell = TrimBlanks(cell);
    for (std::string_view failure : kFailures) {
        if (cell == failure) {
            return CellTone::Failed;
        }
    }
    if (header == "Expires" || header == "SSL") {
        if (header == "SSL" && cell.substr(0, 8) == "invalid ") {
            return CellTone::Past;
        }
        return ExpiryTone(cell, today);
    }
    if (header == "Created" && cell == "free") {
        return CellTone::Free;
    }
    return CellTone::Plain;
}

}  // namespace vantle
