// The list import's CSV reading. Two ways, chosen by the first byte (odd: the first way):
//   - the rest as a list file's bytes: never crashes; a workbook (a zip) is a table; a text that is
//     not taken for a table is the list exactly as a plain list is read; each record read is a run of
//     columns from 0, and every one of the first twenty of a table holds two fields or more;
//   - the rest as the cells of a table, written as the CSV export writes them (";" and quotes): read
//     back, it gives the same cells, its line ends made "\n" as the list import makes them.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "io/CsvExport.h"
#include "io/ListFile.h"
#include "io/ListSheet.h"

namespace {

using vantle::fuzz::Check;

void ReadAsAFile(const std::string& bytes) {
    const vantle::ListFromFile list = vantle::ListFromFileBytes(bytes);
    if (vantle::IsZipBytes(bytes)) {
        Check(list.table, "a workbook taken for a list");
        return;
    }
    const std::string text = vantle::ListTextToCp1251(vantle::DecodeListText(bytes));
    const auto separator = vantle::CsvSeparator(text);
    Check(list.table == separator.has_value(), "a table told apart from a list by something else");
    if (!separator) {
        Check(list.text == text, "a plain list read otherwise than before");
        return;
    }
    const auto rows = vantle::ReadCsvRows(text, *separator);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        Check(!rows[r].empty(), "an empty record");
        Check(r >= 20 || rows[r].size() >= 2, "a sampled record of one field");
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            Check(rows[r][c].col == static_cast<int>(c), "a record's columns out of turn");
        }
    }
    Check(list.text.empty() || (list.text.front() != '\n' && list.text.back() != '\n'),
          "an empty line at an end");
    Check(list.text.find("\n\n") == std::string::npos, "an empty line kept");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    FuzzedDataProvider input(bytes + 1, size - 1);
    if ((bytes[0] & 1) != 0) {
        ReadAsAFile(input.ConsumeRemainingBytesAsString());
        return 0;
    }
    const std::size_t cols = (bytes[0] >> 1) % 4 + 1;
    std::vector<std::vector<std::string>> table;
    std::string text;
    while (input.remaining_bytes() > 0) {
        std::vector<std::string> row;
        for (std::size_t c = 0; c < cols; ++c) {
            std::string field = input.ConsumeRandomLengthString(20);
            for (char& ch : field) {
                ch = ch == '\0' ? ' ' : ch;  // the list import ends a text at a NUL
            }
            row.push_back(std::move(field));
        }
        text += vantle::CsvLine(row);
        for (std::string& field : row) {
            field = vantle::DecodeListText(field);
        }
        table.push_back(std::move(row));
    }
    const auto rows = vantle::ReadCsvRows(vantle::DecodeListText(text), ';');
    Check(rows.size() == table.size(), "another number of records");
    for (std::size_t r = 0; r < rows.size() && r < table.size(); ++r) {
        Check(rows[r].size() == cols, "another number of fields");
        for (std::size_t c = 0; c < rows[r].size() && c < cols; ++c) {
            Check(rows[r][c].text == table[r][c], "a field read otherwise than written");
        }
    }
    return 0;
}
