// The top-sites list reader. Two ways, chosen by the first byte (odd: the first way):
//   - the rest as a list file's bytes (CSV or zip): never crashes, holds no more domains than lines,
//     and every rank found is positive;
//   - the rest as domains, written as a "rank,domain" list (under a "Rank,Domain" header when the
//     first byte's second bit is set): each domain that a list can hold is found again at its rank or
//     a better one (the same domain may come twice).
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "toplist/TopListTable.h"

namespace {

using vantle::TopListTable;
using vantle::fuzz::Check;

// A domain that a "rank,domain" line carries as it is: no separators, blanks, quotes or upper case,
// not ending in a dot, at most 253 bytes.
bool Plain(const std::string& domain) {
    return !domain.empty() && domain.size() <= 253 && domain.back() != '.' &&
           std::none_of(domain.begin(), domain.end(), [](char c) {
               return c == ',' || c == '\n' || c == '\r' || c == '"' || c == ' ' || c == '\t' ||
                      (c >= 'A' && c <= 'Z');
           });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    FuzzedDataProvider input(bytes + 1, size - 1);
    if ((bytes[0] & 1) != 0) {
        const std::string file = input.ConsumeRemainingBytesAsString();
        const auto table = TopListTable::FromBytes(file);
        if (table) {
            const bool zip = file.rfind("PK", 0) == 0;
            Check(zip || table->Size() <=
                             static_cast<std::size_t>(std::count(file.begin(), file.end(), '\n')) + 1,
                  "more domains than lines");
            Check(table->Rank("") == 0, "a rank for the empty name");
        }
        return 0;
    }
    const bool header = (bytes[0] & 2) != 0;
    std::vector<std::string> domains;
    std::string text = header ? "Rank,Domain\r\n" : "";
    while (input.remaining_bytes() > 0) {
        domains.push_back(input.ConsumeRandomLengthString(40));
        text += std::to_string(domains.size()) + "," + domains.back() + "\n";
    }
    const auto table = TopListTable::FromCsv(text);
    Check((header || !domains.empty()) == table.has_value(), "a written list is not read");
    for (std::size_t i = 0; i < domains.size(); ++i) {
        if (Plain(domains[i])) {
            const int rank = table->Rank(domains[i]);
            Check(rank >= 1 && rank <= static_cast<int>(i + 1), "a written domain is not found at its rank");
        }
    }
    return 0;
}
