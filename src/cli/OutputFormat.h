#pragma once
// The formats the table can be written in. Each is a writer of the whole table to a stream; a new
// format is one more entry in OutputFormats().

#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "io/CsvExport.h"

namespace vantle::cli {

struct OutputFormat {
    std::string_view name;
    std::string_view description;  // UTF-8, for --help
    std::function<void(std::ostream& out, const CsvTable& table)> write;
    // A format written as the run goes: the bytes before the first line, and one row's line (its
    // Windows-1251 cells) in the file's bytes. Empty for a format written whole at the end.
    std::string_view prefix;
    std::function<std::string(const std::vector<std::string>& cells)> line;
};

const std::vector<OutputFormat>& OutputFormats();

// The format of that name, or nullptr.
const OutputFormat* FindOutputFormat(std::string_view name);

}  // namespace vantle::cli
