#pragma once
// An RFC 4180 reader with a chosen separator, to read back what the CSV export writes (the tests and
// the CSV fuzzer). Records end at CR LF (the last one may end without it); a quoted field may hold
// separators, CR, LF, NUL and doubled quotes. No value when the text breaks the format: a quote inside
// an unquoted field, anything but a separator or CR LF after a closing quote, an unclosed quote, a
// lone CR or LF outside quotes.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantle::testing {

using CsvRecords = std::vector<std::vector<std::string>>;

namespace rfc4180 {

// The field at text[i], quoted or not; i ends on the byte after it.
inline std::optional<std::string> ReadField(std::string_view text, std::size_t& i, char separator) {
    std::string field;
    if (i < text.size() && text[i] == '"') {
        for (++i;; ++i) {
            if (i >= text.size()) {
                return std::nullopt;
            }
            if (text[i] == '"') {
                if (i + 1 >= text.size() || text[i + 1] != '"') {
                    ++i;
                    return field;
                }
                ++i;
            }
            field.push_back(text[i]);
        }
    }
    for (; i < text.size() && text[i] != separator && text[i] != '\r' && text[i] != '\n'; ++i) {
        if (text[i] == '"') {
            return std::nullopt;
        }
        field.push_back(text[i]);
    }
    return field;
}

}  // namespace rfc4180

inline std::optional<CsvRecords> ParseRfc4180(std::string_view text, char separator = ';') {
    CsvRecords records;
    std::vector<std::string> record;
    std::size_t i = 0;
    while (i < text.size()) {
        auto field = rfc4180::ReadField(text, i, separator);
        if (!field) {
            return std::nullopt;
        }
        record.push_back(std::move(*field));
        if (i == text.size()) {
            break;
        }
        if (text[i] == separator) {
            if (++i == text.size()) {
                record.emplace_back();  // a separator at the very end opens one more, empty field
            }
            continue;
        }
        if (text.substr(i, 2) != "\r\n") {
            return std::nullopt;
        }
        i += 2;
        records.push_back(std::move(record));
        record.clear();
    }
    if (!record.empty()) {
        records.push_back(std::move(record));
    }
    return records;
}

}  // namespace vantle::testing
