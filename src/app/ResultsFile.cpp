#include "app/ResultsFile.h"

#include "app/DomainTableModel.h"
#include "dialogs/QtText.h"
#include "io/CsvExport.h"
#include "io/ListFile.h"
#include "io/XlsxExport.h"

namespace vantle {

namespace {

QString WhyNoSavedTable(const SavedTableRead& read) {
    const QString detail = FromCp1251(read.detail);
    switch (read.problem) {
        case SavedTableProblem::None:
            break;
        case SavedTableProblem::Unreadable:
            return QStringLiteral("это не CSV и не книга Excel");
        case SavedTableProblem::UnknownColumn:
            return QStringLiteral("неизвестный столбец «%1»").arg(detail);
        case SavedTableProblem::RepeatedColumn:
            return QStringLiteral("столбец «%1» повторяется").arg(detail);
        case SavedTableProblem::NoDomainColumn:
            return QStringLiteral("нет столбца «Domain»");
        case SavedTableProblem::LongRow:
            return QStringLiteral("в строке %1 больше ячеек, чем столбцов").arg(detail);
        case SavedTableProblem::NoRows:
            return QStringLiteral("в таблице нет ни одной строки");
    }
    return QString();
}

}  // namespace

void WriteResults(const QString& path, SaveFormat format, const DomainTableModel& model,
                  const std::vector<int>& cols, const std::vector<int>& rows) {
    const CsvTable table{static_cast<int>(rows.size()), static_cast<int>(cols.size()),
                         [&model, &cols, &rows](int col, int row) {
                             return model.Cell(cols[static_cast<std::size_t>(col)],
                                               rows[static_cast<std::size_t>(row)]);
                         }};
    if (format == SaveFormat::CsvUtf8) {
        SaveCsvUtf8File(path.toStdString(), table);
    } else if (format == SaveFormat::Xlsx) {
        SaveXlsxFile(path.toStdString(), table);
    } else {
        SaveCsvFile(path.toStdString(), table);
    }
}

OpenedResults ReadResults(const QString& path, const std::vector<CheckColumns>& checks) {
    OpenedResults opened;
    const std::string bytes = ReadListFileBytes(path.toStdString());
    opened.format = FormatOfBytes(bytes);
    opened.read = ReadSavedTable(bytes, checks);
    opened.problem = WhyNoSavedTable(opened.read);
    return opened;
}

}  // namespace vantle
