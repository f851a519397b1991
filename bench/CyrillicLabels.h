#pragma once
// Realistic Cyrillic domain labels for the Punycode benchmark: lowercase letters, 3 to 20 of them,
// the same every run.

#include <cstddef>
#include <string>
#include <vector>

namespace vantle::bench {

std::vector<std::u16string> CyrillicLabels(std::size_t count);

}  // namespace vantle::bench
