#include "text/ColumnKind.h"

#include <array>

namespace vantle {

ColumnKind KindOfColumn(std::string_view header) {
    constexpr std::array<std::string_view, 7> kNumbers = {"Tic",  "YaPages",  "PR",    "Rank",
                                                          "HTTP", "LinkRank", "LinkPR"};
    constexpr std::array<std::string_view, 4> kDates = {"Created", "Expires", "Archive", "SSL"};
    for (std::string_view name : kNumbers) {
        if (header == name) {
            return ColumnKind::Number;
        }
    }
    for (std::string_view name : kDates) {
        if (header == name) {
            return ColumnKind::Date;
        }
    }
    return ColumnKind::Text;
}

}  // namespace vantle
