#include "io/CsvExport.h"

#include <fcntl.h>
#include <cerrno>
#include <ostream>
#include <string_view>

#include "io/PosixFile.h"

namespace vantle {
namespace {

void AppendQuoted(std::string& line, std::string_view field) {
    line.push_back('"');
    for (const char c : field) {
        if (c == '"') {
            line.push_back('"');
        }
        line.push_back(c);
    }
    line.push_back('"');
}

// A line opens and closes with a quote even without fields, as the original built it.
template <class FieldAt>
void AppendLine(std::string& out, int count, FieldAt fieldAt) {
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            out.push_back(';');
        }
        AppendQuoted(out, fieldAt(i));
    }
    if (count <= 0) {
        out += "\"\"";
    }
    out += "\r\n";
}

void AppendRow(std::string& out, const CsvTable& table, int row) {
    AppendLine(out, table.cols, [&](int col) { return table.cell(col, row); });
}

UniqueFd CreateForWriting(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!fd) {
        throw EInOutError(CannotCreateText(path, errno));
    }
    return fd;
}

void Flush(int fd, std::string& pending) {
    if (const int error = WriteAll(fd, pending)) {
        throw EInOutError(InOutErrorText(error));
    }
    pending.clear();
}

}  // namespace

std::string CsvLine(const std::vector<std::string>& fields) {
    std::string line;
    AppendLine(line, static_cast<int>(fields.size()),
               [&](int i) -> const std::string& { return fields[static_cast<std::size_t>(i)]; });
    return line;
}

void WriteCsv(std::ostream& out, const CsvTable& table) {
    std::string line;
    for (int row = 0; row < table.rows && out; ++row) {
        line.clear();
        AppendRow(line, table, row);
        out.write(line.data(), static_cast<std::streamsize>(line.size()));
    }
}

void SaveCsvFile(const std::string& path, const CsvTable& table) {
    constexpr std::size_t kFlushAt = 1 << 16;
    UniqueFd fd = CreateForWriting(path);
    std::string pending;
    pending.reserve(kFlushAt + 4096);
    for (int row = 0; row < table.rows; ++row) {
        AppendRow(pending, table, row);
        if (pending.size() >= kFlushAt) {
            Flush(fd.get(), pending);
        }
    }
    Flush(fd.get(), pending);
    if (const int error = fd.close()) {
        throw EInOutError(InOutErrorText(error));
    }
}

}  // namespace vantle
