// The journal reader on any bytes: whatever a journal holds, what it gives back fits the journal's own
// list and columns, so that restoring it can neither index outside the table nor grow it beyond the
// list.
//
// Input: the journal's bytes; its list copy is always the same three lines.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "io/Journal.h"

namespace {

using vantle::fuzz::Check;

constexpr std::string_view kList = "a.test\nb.test\nc.test\n";

bool CountsFit(const std::array<std::int32_t, 3>& totals, int lines) {
    return std::all_of(totals.begin(), totals.end(),
                       [lines](std::int32_t n) { return n >= 0 && n <= lines; });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view journal(reinterpret_cast<const char*>(bytes), size);
    const auto state = vantle::ReadJournalBytes(journal, std::string(kList));
    if (!state) {
        return 0;
    }
    const int lines = state->start.lineCount;
    const std::size_t columns = state->start.columns.size();
    Check(lines >= 0 && columns >= 1 && columns <= 64, "a start beyond its bounds");
    if (!state->list.empty()) {
        Check(state->list == kList && state->start.listHash == vantle::ListHash(kList),
              "a list copy not its own");
        Check(lines <= 4, "more lines than the list copy has");
    }
    Check(lines <= (1 << 24), "an absurd line count");
    for (const auto& [row, content] : state->rows) {
        Check(row >= 1 && row <= lines, "a row outside the list");
        Check(content.line >= -1 && content.line < lines, "a line outside the list");
        Check(content.cells.size() <= columns, "more cells than columns");
        Check(CountsFit(content.totals, lines), "a total beyond the lines");
    }
    Check(CountsFit(state->lastTotals, lines), "last totals beyond the lines");
    Check(state->lastLine >= -1 && state->lastLine < lines, "a last line outside the list");
    if (state->resume) {
        Check(state->resume->first >= 0 && state->resume->first <= lines, "a resume line outside the list");
        Check(state->resume->second >= 1 && state->resume->second <= lines + 1,
              "a resume row beyond the list");
    }
    Check(state->rejected >= 0, "a negative count of rejected records");
    return 0;
}
