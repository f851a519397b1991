#include "filter/Repeats.h"

#include <unordered_set>

#include "check/CleanDomainLine.h"
#include "filter/CellOrder.h"

namespace vantle {

std::vector<bool> RepeatedLines(const std::vector<std::string>& lines) {
    std::vector<bool> repeated(lines.size(), false);
    std::unordered_set<std::string> seen;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::optional<std::string> name = CleanDomainLine(lines[i]);
        repeated[i] = name && !seen.insert(FoldCase(*name)).second;
    }
    return repeated;
}

}  // namespace vantle
