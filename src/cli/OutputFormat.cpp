#include "cli/OutputFormat.h"

#include "io/XlsxExport.h"

namespace vantle::cli {

const std::vector<OutputFormat>& OutputFormats() {
    // "csv": the bytes of the window's "Сохранить в csv...".
    static const std::vector<OutputFormat> formats = {
        {"csv", "поля в кавычках через «;», Windows-1251, CR LF (как «Сохранить в csv...»)", WriteCsv},
        {"csv-utf8", "то же в UTF-8 с меткой порядка байтов (Excel, LibreOffice)", WriteCsvUtf8},
        {"xlsx", "книга Excel: заголовок жирным и закреплён, числа числами", WriteXlsx},
    };
    return formats;
}

const OutputFormat* FindOutputFormat(std::string_view name) {
    for (const OutputFormat& format : OutputFormats()) {
        if (format.name == name) {
            return &format;
        }
    }
    return nullptr;
}

}  // namespace vantle::cli
