#pragma once
// The formats of the save dialog and which one a save writes: the filter chosen, unless the name
// typed ends in the extension of another format.

#include <QString>
#include <QStringList>
#include <string>

namespace vantle {

enum class SaveFormat { Csv, CsvUtf8, Xlsx };

// The save dialog's filters, one per format in the order of SaveFormat; each names its encoding.
QStringList SaveFilters();
// The filter of a format.
QString FilterOf(SaveFormat format);

// A name ending in ".xlsx" is a workbook whatever the filter; one ending in ".csv" a CSV, in the
// chosen filter's encoding (the classic one under the workbook filter); any other name follows the
// filter.
SaveFormat FormatOfSave(const QString& path, const QString& filter);

// The name as saved: the chosen format's extension is added when the name has none.
QString SaveName(const QString& path, const QString& filter);

// The format a saved table's bytes are in: a workbook, a UTF-8 CSV (with its mark, or with UTF-8
// letters beyond ASCII), else the Windows-1251 CSV.
SaveFormat FormatOfBytes(const std::string& bytes);

}  // namespace vantle
