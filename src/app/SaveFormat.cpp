#include "app/SaveFormat.h"

#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>

namespace vantle {

namespace {

const char16_t kCsvFilter[] = u"CSV, Windows-1251 (*.csv)";
const char16_t kCsvUtf8Filter[] = u"CSV, UTF-8 (*.csv)";
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

QString FilterOf(SaveFormat format) {
    return SaveFilters().at(static_cast<int>(format));
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
    return path +
           (FormatOfFilter(filter) == SaveFormat::Xlsx ? QStringLiteral(".xlsx") : QStringLiteral(".csv"));
}

SaveFormat FormatOfBytes(const std::string& bytes) {
    if (bytes.starts_with("PK")) {
        return SaveFormat::Xlsx;
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        return SaveFormat::CsvUtf8;
    }
    const bool beyondAscii =
        std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    if (!beyondAscii) {
        return SaveFormat::Csv;
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return utf8.hasError() ? SaveFormat::Csv : SaveFormat::CsvUtf8;
}

}  // namespace vantle
