#include "cli/OutputFormat.h"

#include "io/XlsxExport.h"
#include "text/Utf8.h"

namespace vantle::cli {

const std::vector<OutputFormat>& OutputFormats() {
    // "csv": the bytes of the window's "Сохранить в csv...".
    static const std::vector<OutputFormat> formats = {
        {"csv", "поля в кавычках через «;», Windows-1251, CR LF (как «Сохранить в csv...»)", WriteCsv, "",
         Cp1251CsvLine},
        {"csv-utf8", "то же в UTF-8 с меткой порядка байтов (Excel, LibreOffice)", WriteCsvUtf8,
         "\xEF\xBB\xBF", [](const std::vector<std::string>& cells) { return Cp1251ToUtf8(CsvLine(cells)); }},
        {"xlsx", "книга Excel: заголовок жирным и закреплён, числа числами (записывается в конце)", WriteXlsx,
         "", nullptr},
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
