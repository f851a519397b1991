// The archive check's reader of the capture index's answers: any body gives "none", "bad answer" or a
// real day "YYYY-MM-DD", and a day read back from the answer that names it gives the same day.
//
// Input: the body as it is.
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "archive/CdxReader.h"

namespace {

using vantle::fuzz::Check;

bool IsDay(const std::string& cell) {
    if (cell.size() != 10 || cell[4] != '-' || cell[7] != '-') {
        return false;
    }
    for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (cell[i] < '0' || cell[i] > '9') {
            return false;
        }
    }
    const int month = (cell[5] - '0') * 10 + (cell[6] - '0');
    const int day = (cell[8] - '0') * 10 + (cell[9] - '0');
    return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string body(reinterpret_cast<const char*>(bytes), size);
    const std::string cell = vantle::ArchiveCellFromCdx(body);
    Check(cell == "none" || cell == "bad answer" || IsDay(cell), "an unknown Archive cell");
    if (IsDay(cell)) {
        const std::string stamp = cell.substr(0, 4) + cell.substr(5, 2) + cell.substr(8, 2) + "000000";
        Check(vantle::ArchiveCellFromCdx("[[\"timestamp\"],[\"" + stamp + "\"]]") == cell,
              "the day does not read back");
    }
    return 0;
}
