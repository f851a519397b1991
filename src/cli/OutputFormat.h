#pragma once
// The formats the table can be written in. Each is a writer of the whole table to a stream; a new
// format is one more entry in OutputFormats().

#include <functional>
#include <ostream>
#include <string_view>
#include <vector>

#include "io/CsvExport.h"

namespace vantle::cli {

struct OutputFormat {
    std::string_view name;
    std::string_view description;  // UTF-8, for --help
    std::function<void(std::ostream& out, const CsvTable& table)> write;
};

const std::vector<OutputFormat>& OutputFormats();

// The format of that name, or nullptr.
const OutputFormat* FindOutputFormat(std::string_view name);

}  // namespace vantle::cli
