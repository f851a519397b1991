// The CSV export on any table: what it writes, read back by an RFC 4180 reader with ";" as the
// separator, must give the table again, cell for cell and byte for byte.
//
// Input: the table's size, then its cells as length-prefixed pieces (missing cells are empty).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "io/CsvExport.h"
#include "support/Rfc4180.h"

namespace {

using vantle::fuzz::Check;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider input(bytes, size);
    // A table has at least one column: a line of no fields is written as one empty field.
    const int cols = input.ConsumeIntegralInRange<int>(1, 6);
    const int rows = input.ConsumeIntegralInRange<int>(0, 8);
    vantle::testing::CsvRecords table(static_cast<std::size_t>(rows));
    for (auto& row : table) {
        for (int c = 0; c < cols; ++c) {
            row.push_back(input.ConsumeRandomLengthString(64));
        }
    }
    const vantle::CsvTable csv{rows, cols, [&](int col, int row) {
                                   return table[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
                               }};
    std::ostringstream out;
    vantle::WriteCsv(out, csv);
    const std::string text = out.str();

    std::string lines;
    for (const auto& row : table) {
        lines += vantle::CsvLine(row);
    }
    Check(lines == text, "CsvLine and WriteCsv disagree");

    const auto parsed = vantle::testing::ParseRfc4180(text);
    Check(parsed.has_value(), "the output is not RFC 4180");
    Check(*parsed == table, "the output does not read back as the table");
    return 0;
}
