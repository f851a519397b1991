#pragma once
// A zip archive made in memory from named parts, for workbooks written by hand in tests.

#include <zip.h>

#include <string>
#include <utility>
#include <vector>

namespace vantle::testing {

inline std::string ZipOf(const std::vector<std::pair<std::string, std::string>>& parts) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t* archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    zip_source_keep(buffer);
    for (const auto& [name, bytes] : parts) {
        zip_source_t* part = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
        zip_file_add(archive, name.c_str(), part, ZIP_FL_ENC_UTF_8);
    }
    zip_close(archive);
    std::string out;
    if (zip_source_open(buffer) == 0) {
        char chunk[4096];
        zip_int64_t got = 0;
        while ((got = zip_source_read(buffer, chunk, sizeof chunk)) > 0) {
            out.append(chunk, static_cast<std::size_t>(got));
        }
        zip_source_close(buffer);
    }
    zip_source_free(buffer);
    zip_error_fini(&error);
    return out;
}

// The parts of a workbook of one sheet: its XML rows (the <row> elements) and, when given, shared
// strings.
inline std::vector<std::pair<std::string, std::string>> WorkbookParts(const std::string& rows,
                                                                      const std::string& sharedStrings = {}) {
    std::vector<std::pair<std::string, std::string>> parts = {
        {"xl/workbook.xml",
         R"(<?xml version="1.0" encoding="UTF-8"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets><sheet name="A" sheetId="1" r:id="rId7"/></sheets></workbook>)"},
        {"xl/_rels/workbook.xml.rels",
         R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId7" Type="worksheet" Target="worksheets/first.xml"/></Relationships>)"},
        {"xl/worksheets/first.xml",
         R"(<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>)" +
             rows + "</sheetData></worksheet>"},
    };
    if (!sharedStrings.empty()) {
        parts.emplace_back(
            "xl/sharedStrings.xml",
            R"(<?xml version="1.0" encoding="UTF-8"?><sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)" +
                sharedStrings + "</sst>");
    }
    return parts;
}

inline std::string WorkbookOf(const std::string& rows, const std::string& sharedStrings = {}) {
    return ZipOf(WorkbookParts(rows, sharedStrings));
}

}  // namespace vantle::testing
