#pragma once
// Test names of table-driven suites: the case's own words, with every character that a test name
// cannot hold turned into "_".

#include <cctype>
#include <string>
#include <string_view>

namespace vantle::testing {

inline std::string CaseName(std::string_view words) {
    std::string name;
    for (char ch : words) {
        name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
    }
    return name;
}

}  // namespace vantle::testing
