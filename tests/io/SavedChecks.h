#pragma once
// The columns of every check as the program's catalogue names them, for reading saved tables in tests
// and the fuzzer without building the checks.

#include <vector>

#include "io/SavedTable.h"

namespace vantle::testing {

inline const std::vector<CheckColumns>& SavedChecks() {
    static const std::vector<CheckColumns> checks = {
        {"bar", {"Tic", "Status", "Yaca"}},
        {"yapages", {"YaPages"}},
        {"pr", {"PR"}},
        {"dns", {"IP", "MX"}},
        {"web", {"HTTP", "Mirror"}},
        {"ssl", {"SSL"}},
        {"registry", {"Created", "Expires", "Registrar"}},
        {"archive", {"Archive"}},
        {"rank", {"Rank"}},
    };
    return checks;
}

}  // namespace vantle::testing
