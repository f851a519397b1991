#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vantle {

// The longest line of the domain list that can hold a domain: a name has at most 253 characters, and
// a scheme, a path and blanks around it stay far below. A longer line (a page, a script, a binary file
// imported as a list) is skipped by the run and shown cut in the entry dialog.
inline constexpr std::size_t kLongestListLine = 4096;

// One line of the domain list to the display name: ASCII letters lowered, trimmed, blanks removed,
// "scheme:" and every "/" taken off, a leading "www." dropped when more than one dot remains. No
// value when the line holds no dot or is longer than kLongestListLine (the line is skipped).
std::optional<std::string> CleanDomainLine(std::string_view line);

}  // namespace vantle
