#pragma once
// Repeated names in a domain list.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantle {

// Which lines (Windows-1251) repeat an earlier line's name, the name cleaned as the check run cleans
// it and with Cyrillic letters lowered too: true for every repeat, false for the first of each name
// and for lines without a name.
// What two lines of one name share (Windows-1251): the line cleaned as the check run cleans it
// (a URL's host, an ASCII-form label in its Unicode form) with Cyrillic letters and escaped ones
// lowered too; nothing for a line without a name.
std::optional<std::string> RepeatKey(std::string_view line);

std::vector<bool> RepeatedLines(const std::vector<std::string>& lines);

}  // namespace vantle
