#pragma once
// A table of results that the program saved, read back: the CSV in Windows-1251 or UTF-8 with ";"
// between quoted fields, or the workbook (every sheet, each under the header). The header row says
// which columns, and so which checks, the table holds; every caption must be one the program writes.
// The result is what a restored journal gives the window: columns, chosen checks, rows, totals and the
// list of the rows' domains. Pure: bytes in.

#include <string>
#include <string_view>
#include <vector>

#include "io/Journal.h"

namespace vantle {

// The columns one check adds, in the table's order: {"bar", {"Tic", "Status", "Yaca"}}, {"dns", {"IP",
// "MX"}}, ... "bar" stands first in the table whether chosen or not; "yapages" and "pr" follow in the
// order the file has them; the others in the order given.
struct CheckColumns {
    std::string name;
    std::vector<std::string> columns;
};

enum class SavedTableProblem {
    None,
    Unreadable,      // neither a workbook nor text with a header row
    UnknownColumn,   // a caption the program never writes (detail: the caption)
    RepeatedColumn,  // a caption twice (detail: the caption)
    NoDomainColumn,  // no "Domain" column
    LongRow,         // a row with a cell beyond the header (detail: the row's number, header 1)
    NoRows,          // only the header
};

struct SavedTableRead {
    SavedTableProblem problem = SavedTableProblem::None;
    std::string detail;  // Windows-1251
    JournalState state;  // when there is no problem
};

// Reads the bytes of a saved table; a workbook's cells that are dates in a date column come back as
// YYYY-MM-DD, its numbers as written.
SavedTableRead ReadSavedTable(std::string_view bytes, const std::vector<CheckColumns>& checks);

// Day number of a sheet (1 is 1900-01-01, counting the 29th of February 1900 that a sheet keeps) as
// YYYY-MM-DD; the text itself when it is no whole day number.
std::string SheetDate(const std::string& serial);

}  // namespace vantle
