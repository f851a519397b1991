#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vantle {

// One line of the domain list to the display name: ASCII letters lowered, trimmed, blanks removed,
// "scheme:" and every "/" taken off, a leading "www." dropped when more than one dot remains. No
// value when the line holds no dot (the line is skipped).
std::optional<std::string> CleanDomainLine(std::string_view line);

}  // namespace vantle
