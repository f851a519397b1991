#pragma once
// The table's own file: the rows and columns a save takes written in one of the save formats, and a
// table saved earlier read back with the format it is in, or why it is no saved table.

#include <QString>
#include <vector>

#include "app/SaveFormat.h"
#include "io/SavedTable.h"

namespace vantle {

class DomainTableModel;

struct OpenedResults {
    SavedTableRead read;
    SaveFormat format = SaveFormat::Csv;
    QString problem;  // why the file is no saved table, when read.problem says it is none
};

// Writes those rows (row 0 the headers) and columns of model to path in format; throws when it fails.
void WriteResults(const QString& path, SaveFormat format, const DomainTableModel& model,
                  const std::vector<int>& cols, const std::vector<int>& rows);
// Reads the saved table at path, checks giving the columns each check adds; throws when the file
// cannot be read.
OpenedResults ReadResults(const QString& path, const std::vector<CheckColumns>& checks);

}  // namespace vantle
