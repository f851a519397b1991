#include "filter/Repeats.h"

#include <unordered_set>
#include <utility>

#include "check/CleanDomainLine.h"
#include "filter/CellOrder.h"

namespace vantle {

std::optional<std::string> RepeatKey(std::string_view line) {
    const std::optional<std::string> name = CleanDomainLine(line);
    if (!name) {
        return std::nullopt;
    }
    return FoldCase(*name);
}

std::vector<bool> RepeatedLines(const std::vector<std::string>& lines) {
    std::vector<bool> repeated(lines.size(), false);
    std::unordered_set<std::string> seen;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::optional<std::string> key = RepeatKey(lines[i]);
        repeated[i] = key && !seen.insert(std::move(*key)).second;
    }
    return repeated;
}

}  // namespace vantle
