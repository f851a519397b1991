// The web graph's ranks line reader. Any bytes as one line: never crashes, and an entry it gives is
// sound (a name of 1 to 253 bytes of letters, digits, '-', '_' and single dots, lower case, with no
// "www." before a further label; both positions at least 1) and is read back the same from the line
// that writes it again.
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "links/RanksLine.h"

namespace {

using vantle::fuzz::Check;

bool Sound(const std::string& name) {
    if (name.empty() || name.size() > vantle::kMaxGraphName || name.front() == '.' || name.back() == '.' ||
        name.find("..") != std::string::npos) {
        return false;
    }
    if (name.rfind("www.", 0) == 0 && name.find('.', 4) != std::string::npos) {
        return false;
    }
    for (const char c : name) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
        if (!ok) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(bytes), size);
    const vantle::RanksLine read = vantle::ReadRanksLine(line);
    if (read.kind != vantle::RanksLineKind::Entry) {
        Check(read.domain.empty(), "a name from a line that is no entry");
        return 0;
    }
    Check(Sound(read.domain), "an unsound name");
    Check(read.ranks.harmonic >= 1 && read.ranks.pagerank >= 1, "a position below 1");
    const std::string again = std::to_string(read.ranks.harmonic) + "\t1.5E7\t" +
                              std::to_string(read.ranks.pagerank) + "\t0.001\t" +
                              vantle::ReversedName(read.domain) + "\t1";
    const vantle::RanksLine back = vantle::ReadRanksLine(again);
    Check(back.kind == vantle::RanksLineKind::Entry && back.domain == read.domain && back.ranks == read.ranks,
          "the entry written again reads otherwise");
    return 0;
}
