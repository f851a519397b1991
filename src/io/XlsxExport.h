#pragma once
// The table as an Excel workbook: one sheet, a bold and frozen header row, columns as wide as their
// content, and the counting columns (Tic, YaPages, PR, Rank) as numbers where a cell holds one.

#include <string>

#include "io/CsvExport.h"

namespace vantle {

// Creates the file `path` exactly as named. Raises EInOutError: Cannot create file "<path>". <reason>
// when the workbook cannot be written.
void SaveXlsxFile(const std::string& path, const CsvTable& table);
// The workbook's bytes to `out` (made in a temporary file first); the stream's state tells whether that
// worked.
void WriteXlsx(std::ostream& out, const CsvTable& table);

}  // namespace vantle
