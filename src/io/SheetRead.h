#pragma once
// Tables read from files as rows of Windows-1251 cells: CSV text (";", "," or tab between fields,
// fields in double quotes as spreadsheets write them) and the sheets of an .xlsx workbook (shared and
// inline strings, numbers as the sheet writes them). Pure: bytes in, rows out.

#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantle {

struct SheetCell {
    int col = 0;          // from 0
    std::string text;     // Windows-1251; a number as the sheet writes it ("150", "45291")
    bool number = false;  // a workbook's number (or boolean) cell
};
// The cells of a row by column, each column once; a workbook leaves its empty cells out.
using SheetRow = std::vector<SheetCell>;

// The text of the cell in column col, empty when the row has none there.
const std::string& CellText(const SheetRow& row, int col);
// The cell in column col, nullptr when the row has none there.
const SheetCell* CellAt(const SheetRow& row, int col);

// The records of CSV text whose lines end in "\n" or CR LF. A field that opens with a double quote
// runs to the closing one and may hold the separator, line ends and doubled quotes. A blank line is
// no record. At most maxRecords records are read.
std::vector<SheetRow> ReadCsvRows(std::string_view text, char separator,
                                  std::size_t maxRecords = std::numeric_limits<std::size_t>::max());

// The separator of a CSV text: the first of ';', '\t' and ',' by which each of the first 20 records
// holds two fields or more. Nothing for a text of one column, as a plain list of names is.
std::optional<char> CsvSeparator(std::string_view text);

// The bytes open as a zip archive does: "PK\x03\x04".
bool IsZipBytes(std::string_view bytes);

// The rows of the workbook's sheets in the workbook's order (only the first unless allSheets). Nothing
// when the bytes are no workbook (not a zip, no sheet, XML that does not parse) or when unpacking
// would take more than maxUnpacked bytes.
std::optional<std::vector<std::vector<SheetRow>>> ReadWorkbookSheets(std::string_view bytes, bool allSheets,
                                                                     std::size_t maxUnpacked);

// The pieces of a workbook, for the fuzzer: the shared strings part ("<sst>", UTF-8 in, Windows-1251
// out, the escapes "_xHHHH_" made characters) and a sheet part read against them. Nothing when the
// XML does not parse.
std::optional<std::vector<std::string>> ReadSharedStrings(std::string_view xml);
std::optional<std::vector<SheetRow>> ReadSheetXml(std::string_view xml,
                                                  const std::vector<std::string>& shared);

}  // namespace vantle
