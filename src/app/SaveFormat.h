#pragma once
// The formats of the save dialog and which one a save writes: the filter chosen, unless the name
// typed ends in the extension of another format.

#include <QString>
#include <QStringList>

namespace vantle {

enum class SaveFormat { Csv, CsvUtf8, Xlsx };

// The save dialog's filters; the first is the default and writes the classic bytes.
QStringList SaveFilters();

// A name ending in ".xlsx" is a workbook whatever the filter; one ending in ".csv" a CSV, in the
// chosen filter's encoding (the classic one under the workbook filter); any other name follows the
// filter.
SaveFormat FormatOfSave(const QString& path, const QString& filter);

// The name as saved: the newer formats add their extension when the name has none; the classic one
// is saved as named.
QString SaveName(const QString& path, const QString& filter);

}  // namespace vantle
