#include "app/SaveFormat.h"

#include <QFileInfo>

namespace vantle {

namespace {

const char16_t kCsvFilter[] = u"Формат csv (*.csv)";
const char16_t kCsvUtf8Filter[] = u"CSV UTF-8 (Excel, LibreOffice) (*.csv)";
const char16_t kXlsxFilter[] = u"Книга Excel (*.xlsx)";

SaveFormat FormatOfFilter(const QString& filter) {
    if (filter == QString::fromUtf16(kCsvUtf8Filter)) {
        return SaveFormat::CsvUtf8;
    }
    if (filter == QString::fromUtf16(kXlsxFilter)) {
        return SaveFormat::Xlsx;
    }
    return SaveFormat::Csv;
}

}  // namespace

QStringList SaveFilters() {
    return {QString::fromUtf16(kCsvFilter), QString::fromUtf16(kCsvUtf8Filter),
            QString::fromUtf16(kXlsxFilter)};
}

SaveFormat FormatOfSave(const QString& path, const QString& filter) {
    const QString suffix = QFileInfo(path).suffix();
    const SaveFormat chosen = FormatOfFilter(filter);
    if (suffix.compare(QStringLiteral("xlsx"), Qt::CaseInsensitive) == 0) {
        return SaveFormat::Xlsx;
    }
    if (suffix.compare(QStringLiteral("csv"), Qt::CaseInsensitive) == 0 && chosen == SaveFormat::Xlsx) {
        return SaveFormat::Csv;
    }
    return chosen;
}

QString SaveName(const QString& path, const QString& filter) {
    if (!QFileInfo(path).suffix().isEmpty()) {
        return path;
    }
    switch (FormatOfFilter(filter)) {
        case SaveFormat::CsvUtf8:
            return path + QStringLiteral(".csv");
        case SaveFormat::Xlsx:
            return path + QStringLiteral(".xlsx");
        case SaveFormat::Csv:
            break;
    }
    return path;
}

}  // namespace vantle
