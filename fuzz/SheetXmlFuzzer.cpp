// The workbook's XML parts: the first byte's low bit says whether the rest begins with a shared
// strings part (its length in the next two bytes), the remainder is a sheet part. Never crashes;
// the cells of a row come once per column, in order, within the 16,384 columns of a sheet; a text
// cell is never empty; the domain column read from the rows holds no empty line.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "io/ListSheet.h"
#include "io/SheetRead.h"

using vantle::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    FuzzedDataProvider input(bytes + 1, size - 1);
    std::vector<std::string> shared;
    if ((bytes[0] & 1) != 0) {
        const std::string part = input.ConsumeBytesAsString(input.ConsumeIntegral<std::uint16_t>());
        if (auto read = vantle::ReadSharedStrings(part)) {
            shared = std::move(*read);
        }
    }
    const auto rows = vantle::ReadSheetXml(input.ConsumeRemainingBytesAsString(), shared);
    if (!rows) {
        return 0;
    }
    for (const vantle::SheetRow& row : *rows) {
        Check(!row.empty(), "an empty row kept");
        for (std::size_t c = 0; c < row.size(); ++c) {
            Check(row[c].col >= 0 && row[c].col < 16384, "a column outside the sheet");
            Check(c == 0 || row[c - 1].col < row[c].col, "columns out of order or twice");
            Check(row[c].number || !row[c].text.empty(), "an empty text cell");
        }
    }
    const std::string list = vantle::DomainColumnText(*rows);
    Check(list.find("\n\n") == std::string::npos, "an empty line in the list");
    return 0;
}
