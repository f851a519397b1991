#include "archive/CdxReader.h"

#include <nlohmann/json.hpp>

namespace vantle {
namespace {

using Json = nlohmann::json;

constexpr const char* kBad = "bad answer";

bool AllDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

int Number(std::string_view digits) {
    int value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
    }
    return value;
}

bool LeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// "YYYY-MM-DD" of a CDX timestamp (YYYYMMDD followed by at most hhmmss), or empty when it is none.
std::string DayOf(std::string_view stamp) {
    if (stamp.size() < 8 || stamp.size() > 14 || !AllDigits(stamp)) {
        return {};
    }
    const int year = Number(stamp.substr(0, 4));
    const int month = Number(stamp.substr(4, 2));
    const int day = Number(stamp.substr(6, 2));
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1990 || month < 1 || month > 12 || day < 1) {
        return {};
    }
    const int last = kDays[month - 1] + (month == 2 && LeapYear(year) ? 1 : 0);
    if (day > last) {
        return {};
    }
    std::string text;
    text.reserve(10);
    text.append(stamp.substr(0, 4))
        .append("-")
        .append(stamp.substr(4, 2))
        .append("-")
        .append(stamp.substr(6, 2));
    return text;
}

// A row of the expected shape: an array whose first field is a string.
const std::string* FirstField(const Json& row) {
    if (!row.is_array() || row.empty() || !row.front().is_string()) {
        return nullptr;
    }
    return &row.front().get_ref<const std::string&>();
}

}  // namespace

std::string ArchiveCellFromCdx(std::string_view body) {
    // The answer has two levels of arrays; anything nested deeper is refused while it is read, so a
    // hostile body cannot build a deep tree.
    bool tooDeep = false;
    const Json::parser_callback_t limitDepth = [&tooDeep](int depth, Json::parse_event_t, Json&) {
        if (depth > 2) {
            tooDeep = true;
            return false;
        }
        return true;
    };
    const Json answer = Json::parse(body.begin(), body.end(), limitDepth, false);
    if (tooDeep || answer.is_discarded() || !answer.is_array()) {
        return kBad;
    }
    if (answer.empty()) {
        return "none";
    }
    const std::string* header = FirstField(answer.front());
    if (header == nullptr || *header != "timestamp") {
        return kBad;
    }
    if (answer.size() == 1) {
        return "none";
    }
    const std::string* stamp = FirstField(answer.at(1));
    const std::string day = stamp == nullptr ? std::string() : DayOf(*stamp);
    return day.empty() ? kBad : day;
}

}  // namespace vantle
