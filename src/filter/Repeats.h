#pragma once
// Repeated names in a domain list.

#include <string>
#include <vector>

namespace vantle {

// Which lines (Windows-1251) repeat an earlier line's name, the name cleaned as the check run cleans
// it and with Cyrillic letters lowered too: true for every repeat, false for the first of each name
// and for lines without a name.
std::vector<bool> RepeatedLines(const std::vector<std::string>& lines);

}  // namespace vantle
