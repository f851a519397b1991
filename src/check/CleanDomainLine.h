#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vantle {

// The longest line of the domain list that can hold a domain: a name has at most 253 characters, and
// a scheme, a path and blanks around it stay far below. A longer line (a page, a script, a binary file
// imported as a list) is skipped by the run and shown cut in the entry dialog.
inline constexpr std::size_t kLongestListLine = 4096;

// One line of the domain list to the display name: ASCII letters lowered, trimmed, blanks removed
// (a stray blank is taken for a typo: "bad name.com" is "badname.com"), a URL cut to its host (scheme,
// user, port, path, query and fragment go), every label in ASCII form ("xn--...") shown in its
// Unicode form (UnicodeFormOfAceLabels in puny/IdnaName.h), a leading "www." dropped when more than
// one dot remains. No value when the host holds no dot or the line is longer than kLongestListLine
// (the line is skipped). Two lines of one name give one display name, whichever form they were
// typed in, so the name's repeats are found (filter/Repeats.h).
std::optional<std::string> CleanDomainLine(std::string_view line);

}  // namespace vantle
