#include "io/CsvExport.h"

#include <fcntl.h>
#include <cerrno>
#include <ostream>
#include <string_view>

#include "io/PosixFile.h"
#include "puny/IdnaName.h"
#include "text/Cp1251.h"
#include "text/Utf8.h"

namespace vantle {
namespace {

void AppendQuoted(std::string& line, std::string_view field) {
    line.push_back('"');
    for (std::size_t quote = field.find('"'); quote != std::string_view::npos; quote = field.find('"')) {
        line.append(field.data(), quote + 1);
        line.push_back('"');
        field.remove_prefix(quote + 1);
    }
    line.append(field);
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

void AppendCp1251Row(std::string& out, const CsvTable& table, int row) {
    AppendLine(out, table.cols, [&](int col) { return Cp1251CsvField(col, table.cell(col, row)); });
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

std::string Cp1251CsvField(int col, std::string_view cell) {
    if (!HoldsEscape(cell)) {
        return std::string(cell);
    }
    if (col == 0) {
        if (const std::optional<std::string> ascii = CheckableAsciiName(cell)) {
            return *ascii;
        }
    }
    return EscapesAsQuestionMarks(cell);
}

namespace {

// Room for a line of fields at once: each quoted and followed by its separator, and the line end
// (a quote inside a field may take a little more).
std::string LineFor(const std::vector<std::string>& fields) {
    std::size_t size = 4;
    for (const std::string& field : fields) {
        size += field.size() + 3;
    }
    std::string line;
    line.reserve(size);
    return line;
}

}  // namespace

std::string Cp1251CsvLine(const std::vector<std::string>& fields) {
    std::string line = LineFor(fields);
    std::string escaped;  // (a field is copied only when it holds an escape)
    AppendLine(line, static_cast<int>(fields.size()), [&](int i) -> std::string_view {
        const std::string& field = fields[static_cast<std::size_t>(i)];
        if (!HoldsEscape(field)) {
            return field;
        }
        escaped = Cp1251CsvField(i, field);
        return escaped;
    });
    return line;
}

std::string CsvLine(const std::vector<std::string>& fields) {
    std::string line = LineFor(fields);
    AppendLine(line, static_cast<int>(fields.size()),
               [&](int i) -> const std::string& { return fields[static_cast<std::size_t>(i)]; });
    return line;
}

void WriteCsv(std::ostream& out, const CsvTable& table) {
    std::string line;
    for (int row = 0; row < table.rows && out; ++row) {
        line.clear();
        AppendCp1251Row(line, table, row);
        out.write(line.data(), static_cast<std::streamsize>(line.size()));
    }
}

namespace {

// Writes the rows in pieces; append writes a row's line, encode turns its Windows-1251 bytes into the
// file's bytes.
template <class Append, class Encode>
void SaveRows(const std::string& path, const CsvTable& table, std::string_view prefix, Append append,
              Encode encode) {
    constexpr std::size_t kFlushAt = 1 << 16;
    UniqueFd fd = CreateForWriting(path);
    std::string pending(prefix);
    pending.reserve(kFlushAt + 4096);
    std::string line;
    for (int row = 0; row < table.rows; ++row) {
        line.clear();
        append(line, table, row);
        pending += encode(line);
        if (pending.size() >= kFlushAt) {
            Flush(fd.get(), pending);
        }
    }
    Flush(fd.get(), pending);
    if (const int error = fd.close()) {
        throw EInOutError(InOutErrorText(error));
    }
}

}  // namespace

void SaveCsvFile(const std::string& path, const CsvTable& table) {
    SaveRows(path, table, {}, AppendCp1251Row,
             [](const std::string& line) -> const std::string& { return line; });
}

void SaveFileBytes(const std::string& path, std::string_view bytes) {
    UniqueFd fd = CreateForWriting(path);
    if (const int error = WriteAll(fd.get(), bytes)) {
        throw EInOutError(InOutErrorText(error));
    }
    if (const int error = fd.close()) {
        throw EInOutError(InOutErrorText(error));
    }
}

void WriteCsvUtf8(std::ostream& out, const CsvTable& table) {
    out.write("\xEF\xBB\xBF", 3);
    std::string line;
    for (int row = 0; row < table.rows && out; ++row) {
        line.clear();
        AppendRow(line, table, row);
        const std::string utf8 = Cp1251ToUtf8(line);
        out.write(utf8.data(), static_cast<std::streamsize>(utf8.size()));
    }
}

void SaveCsvUtf8File(const std::string& path, const CsvTable& table) {
    SaveRows(path, table, "\xEF\xBB\xBF", AppendRow,
             [](const std::string& line) { return Cp1251ToUtf8(line); });
}

}  // namespace vantle
