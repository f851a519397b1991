#pragma once
// The CSV export's file: one line per table row, header row first, every field in
// double quotes with a double quote inside doubled (RFC 4180), fields joined by semicolons, CR LF
// after every line including the last, cell bytes as stored (Windows-1251), no byte-order mark.
// Every column of the table is written. A character the code page cannot hold (an escape, see
// text/Cp1251.h) is written as "?", but a domain in the first column as its full ASCII (IDNA) form.

#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "io/FileErrors.h"

namespace vantle {

// The table as the export reads it: `rows` rows (the header row 0 included) of `cols` cells.
struct CsvTable {
    int rows = 0;
    int cols = 0;
    std::function<std::string(int col, int row)> cell;
};

// One line, CR LF included: "f1";"f2";...;"fn". No fields give one empty quoted field, as a line
// always opens and closes with a quote.
std::string CsvLine(const std::vector<std::string>& fields);

// A cell as the Windows-1251 file writes it: col 0 is the domain's.
std::string Cp1251CsvField(int col, std::string_view cell);
// CsvLine with each field as the Windows-1251 file writes it.
std::string Cp1251CsvLine(const std::vector<std::string>& fields);

// Writes every row of the table to `out`; the stream's state tells whether that worked.
void WriteCsv(std::ostream& out, const CsvTable& table);

// Creates the file `path` exactly as named (no extension added), replacing any file of that name,
// and writes the table. Raises EInOutError: Cannot create file "<path>". <reason> when it cannot be
// created; "Disk full" or "I/O error <errno>" when a write fails. What was written before a failure
// stays in the file.
void SaveCsvFile(const std::string& path, const CsvTable& table);

// Creates the file `path` exactly as named and writes `bytes` into it, raising EInOutError as
// SaveCsvFile does.
void SaveFileBytes(const std::string& path, std::string_view bytes);

// The same file in UTF-8 with a byte-order mark, as spreadsheets on every system read it.
void SaveCsvUtf8File(const std::string& path, const CsvTable& table);
// Those bytes to `out`; the stream's state tells whether that worked.
void WriteCsvUtf8(std::ostream& out, const CsvTable& table);

}  // namespace vantle
