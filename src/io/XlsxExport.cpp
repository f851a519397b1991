#include "io/XlsxExport.h"

#include <fcntl.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <ostream>
#include <vector>

#include "io/PosixFile.h"
#include "text/ColumnKind.h"
#include "text/Cp1251.h"
#include "text/Utf8.h"

namespace vantle {

namespace {

constexpr double kMinWidth = 6;
constexpr double kMaxWidth = 60;

struct WorkbookClose {
    void operator()(lxw_workbook* book) const { workbook_close(book); }
};

std::optional<double> WholeNumber(const std::string& text) {
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || at != end) {
        return std::nullopt;
    }
    return static_cast<double>(value);
}

// A cell that is exactly a date YYYY-MM-DD that the calendar has.
std::optional<lxw_datetime> DateOf(const std::string& text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
        return std::nullopt;
    }
    const auto part = [&text](std::size_t at, std::size_t length) {
        int value = 0;
        const auto [end, error] = std::from_chars(text.data() + at, text.data() + at + length, value);
        return error == std::errc() && end == text.data() + at + length ? value : -1;
    };
    const int year = part(0, 4);
    const int month = part(5, 2);
    const int day = part(8, 2);
    // A sheet counts its dates from 1900.
    if (year < 1900 || month < 1 || month > 12 || day < 1) {
        return std::nullopt;
    }
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (day > kDays[month - 1] + (month == 2 && leap ? 1 : 0)) {
        return std::nullopt;
    }
    return lxw_datetime{year, month, day, 0, 0, 0};
}

[[noreturn]] void CannotCreate(const std::string& path, std::string_view reason) {
    throw EInOutError("Cannot create file \"" + path + "\". " + std::string(reason));
}

// The widths of the columns, from the longest cell of each (set before the first row is written, as
// constant-memory mode asks).
std::vector<double> Widths(const CsvTable& table) {
    std::vector<double> widths(static_cast<std::size_t>(std::max(table.cols, 0)), kMinWidth);
    for (int row = 0; row < table.rows; ++row) {
        for (int col = 0; col < table.cols; ++col) {
            double& width = widths[static_cast<std::size_t>(col)];
            width = std::min(kMaxWidth,
                             std::max(width, static_cast<double>(CharacterCount(table.cell(col, row))) + 2));
        }
    }
    return widths;
}

class WorkbookWriter {
public:
    WorkbookWriter(lxw_workbook* book, const CsvTable& table) : book_(book), table_(table) {
        bold_ = workbook_add_format(book);
        format_set_bold(bold_);
        date_ = workbook_add_format(book);
        format_set_num_format(date_, "yyyy-mm-dd");
        for (int col = 0; col < table.cols; ++col) {
            kinds_.push_back(KindOfColumn(table.rows > 0 ? table.cell(col, 0) : std::string()));
        }
        widths_ = Widths(table);
    }

    // The first cell that could not be written (a text longer than a cell holds), else LXW_NO_ERROR.
    lxw_error Error() const { return error_; }

    // The header, then the rows first..last (table rows, inclusive) in a sheet of their own.
    void Sheet(int first, int last) {
        lxw_worksheet* sheet = workbook_add_worksheet(book_, nullptr);
        worksheet_freeze_panes(sheet, 1, 0);
        for (int col = 0; col < table_.cols; ++col) {
            worksheet_set_column(sheet, static_cast<lxw_col_t>(col), static_cast<lxw_col_t>(col),
                                 widths_[static_cast<std::size_t>(col)], nullptr);
        }
        if (table_.rows > 0) {
            Row(sheet, 0, 0);
        }
        for (int row = first; row <= last; ++row) {
            Row(sheet, static_cast<lxw_row_t>(row - first + 1), row);
        }
        // Filter buttons on the header, over the rows of this sheet.
        if (table_.rows > 0 && table_.cols > 0) {
            worksheet_autofilter(sheet, 0, 0, static_cast<lxw_row_t>(std::max(last - first + 1, 0)),
                                 static_cast<lxw_col_t>(table_.cols - 1));
        }
    }

private:
    void Row(lxw_worksheet* sheet, lxw_row_t at, int row) {
        for (int col = 0; col < table_.cols; ++col) {
            const std::string cell = table_.cell(col, row);
            const auto c = static_cast<lxw_col_t>(col);
            const ColumnKind kind = row > 0 ? kinds_[static_cast<std::size_t>(col)] : ColumnKind::Text;
            const std::optional<double> number =
                kind == ColumnKind::Number ? WholeNumber(cell) : std::nullopt;
            std::optional<lxw_datetime> date = kind == ColumnKind::Date ? DateOf(cell) : std::nullopt;
            lxw_error error = LXW_NO_ERROR;
            if (number) {
                error = worksheet_write_number(sheet, at, c, *number, nullptr);
            } else if (date) {
                error = worksheet_write_datetime(sheet, at, c, &*date, date_);
            } else if (!cell.empty()) {
                error = worksheet_write_string(sheet, at, c, Cp1251ToUtf8(cell).c_str(),
                                               row == 0 ? bold_ : nullptr);
            }
            error_ = error_ == LXW_NO_ERROR ? error : error_;
        }
    }

    lxw_workbook* book_;
    const CsvTable& table_;
    lxw_format* bold_;
    lxw_format* date_;
    std::vector<ColumnKind> kinds_;
    std::vector<double> widths_;
    lxw_error error_ = LXW_NO_ERROR;
};

// The workbook into the file `path`; the reason why not as an error text, empty when it worked.
std::string MakeWorkbook(const std::string& path, const CsvTable& table, int rowsPerSheet) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;  // rows go to disk as they come: a big table stays small
    lxw_workbook* raw = workbook_new_opt(path.c_str(), &options);
    if (raw == nullptr) {
        return "The workbook cannot be made";
    }
    std::unique_ptr<lxw_workbook, WorkbookClose> book(raw);
    WorkbookWriter writer(raw, table);
    const int perSheet = std::max(rowsPerSheet, 1);
    int first = 1;
    do {
        const int last = table.rows - 1 - first < perSheet ? table.rows - 1 : first + perSheet - 1;
        writer.Sheet(first, last);
        first = last + 1;
    } while (first < table.rows);
    const lxw_error error = workbook_close(book.release());
    // A cell left out is a workbook that does not hold the table: no less a failure than the file's.
    const lxw_error firstError = writer.Error() != LXW_NO_ERROR ? writer.Error() : error;
    return firstError == LXW_NO_ERROR ? std::string() : std::string(lxw_strerror(firstError));
}

// A temporary file's name, the file removed when this goes.
class TempName {
public:
    TempName() : path_((std::filesystem::temp_directory_path() / "vantle-xlsx-XXXXXX").string()) {
        const int fd = ::mkstemp(path_.data());
        if (fd < 0) {
            path_.clear();
        } else {
            ::close(fd);
        }
    }
    TempName(const TempName&) = delete;
    TempName& operator=(const TempName&) = delete;
    ~TempName() {
        if (!path_.empty()) {
            std::remove(path_.c_str());
        }
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// The workbook's bytes; the reason why not as an error text.
std::string WorkbookBytes(const CsvTable& table, int rowsPerSheet, std::string& bytes) {
    const TempName temp;
    if (temp.Path().empty()) {
        return SystemErrorText(errno);
    }
    if (std::string reason = MakeWorkbook(temp.Path(), table, rowsPerSheet); !reason.empty()) {
        return reason;
    }
    UniqueFd fd(::open(temp.Path().c_str(), O_RDONLY | O_CLOEXEC));
    int error = fd ? 0 : errno;
    if (fd && ReadAll(fd.get(), bytes, std::numeric_limits<std::size_t>::max(), error) != ReadResult::Ok) {
        return SystemErrorText(error);
    }
    return fd ? std::string() : SystemErrorText(error);
}

}  // namespace

void SaveXlsxFile(const std::string& path, const CsvTable& table, int rowsPerSheet) {
    // Made aside first, then written as the CSV is: a full disk or a failing write says so.
    std::string bytes;
    if (const std::string reason = WorkbookBytes(table, rowsPerSheet, bytes); !reason.empty()) {
        CannotCreate(path, reason);
    }
    SaveFileBytes(path, bytes);
}

void WriteXlsx(std::ostream& out, const CsvTable& table) {
    std::string bytes;
    if (!WorkbookBytes(table, kXlsxRowsPerSheet, bytes).empty()) {
        out.setstate(std::ios::failbit);
        return;
    }
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace vantle
