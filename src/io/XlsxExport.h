#pragma once
// The table as an Excel workbook: a bold and frozen header row, columns as wide as their content, the
// counting columns (see KindOfColumn: Tic, YaPages, PR, Rank, HTTP, LinkRank, LinkPR) as numbers and the date
// columns (Created, Expires, Archive, SSL) as dates shown YYYY-MM-DD wherever a cell holds one, so that a
// spreadsheet sorts and filters them. A table longer than a sheet holds goes on into further sheets, each
// under the header.

#include <string>

#include "io/CsvExport.h"

namespace vantle {

// The most rows a sheet holds under its header.
constexpr int kXlsxRowsPerSheet = 1048575;

// Creates the file `path` exactly as named. Raises EInOutError as SaveCsvFile does: Cannot create file
// "<path>". <reason> when the workbook cannot be made or the file created, "Disk full" or "I/O error
// <errno>" when writing it fails.
void SaveXlsxFile(const std::string& path, const CsvTable& table, int rowsPerSheet = kXlsxRowsPerSheet);
// The workbook's bytes to `out` (made in a temporary file first); the stream's state tells whether that
// worked.
void WriteXlsx(std::ostream& out, const CsvTable& table);

}  // namespace vantle
