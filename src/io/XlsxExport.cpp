#include "io/XlsxExport.h"

#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <vector>

#include "text/Utf8.h"

namespace vantle {

namespace {

constexpr std::array<std::string_view, 4> kNumberHeaders = {"Tic", "YaPages", "PR", "Rank"};
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

[[noreturn]] void CannotCreate(const std::string& path, std::string_view reason) {
    throw EInOutError("Cannot create file \"" + path + "\". " + std::string(reason));
}

}  // namespace

void SaveXlsxFile(const std::string& path, const CsvTable& table) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;  // rows go to disk as they come: a big table stays small
    lxw_workbook* raw = workbook_new_opt(path.c_str(), &options);
    if (raw == nullptr) {
        CannotCreate(path, "The workbook cannot be made");
    }
    std::unique_ptr<lxw_workbook, WorkbookClose> book(raw);
    lxw_worksheet* sheet = workbook_add_worksheet(raw, nullptr);
    lxw_format* bold = workbook_add_format(raw);
    format_set_bold(bold);
    worksheet_freeze_panes(sheet, 1, 0);

    std::vector<bool> numeric(static_cast<std::size_t>(std::max(table.cols, 0)));
    std::vector<double> widths(numeric.size(), kMinWidth);
    for (int col = 0; col < table.cols; ++col) {
        const std::string header = table.rows > 0 ? table.cell(col, 0) : std::string();
        numeric[static_cast<std::size_t>(col)] =
            std::find(kNumberHeaders.begin(), kNumberHeaders.end(), header) != kNumberHeaders.end();
    }
    // Widths must be set before the first row in constant-memory mode: they come from a first pass.
    for (int row = 0; row < table.rows; ++row) {
        for (int col = 0; col < table.cols; ++col) {
            double& width = widths[static_cast<std::size_t>(col)];
            width =
                std::min(kMaxWidth, std::max(width, static_cast<double>(table.cell(col, row).size()) + 2));
        }
    }
    for (int col = 0; col < table.cols; ++col) {
        worksheet_set_column(sheet, static_cast<lxw_col_t>(col), static_cast<lxw_col_t>(col),
                             widths[static_cast<std::size_t>(col)], nullptr);
    }
    for (int row = 0; row < table.rows; ++row) {
        for (int col = 0; col < table.cols; ++col) {
            const std::string cell = table.cell(col, row);
            const auto r = static_cast<lxw_row_t>(row);
            const auto c = static_cast<lxw_col_t>(col);
            const std::optional<double> number =
                row > 0 && numeric[static_cast<std::size_t>(col)] ? WholeNumber(cell) : std::nullopt;
            if (number) {
                worksheet_write_number(sheet, r, c, *number, nullptr);
            } else if (!cell.empty()) {
                worksheet_write_string(sheet, r, c, Cp1251ToUtf8(cell).c_str(), row == 0 ? bold : nullptr);
            }
        }
    }
    const lxw_error error = workbook_close(book.release());
    if (error != LXW_NO_ERROR) {
        CannotCreate(path, lxw_strerror(error));
    }
}

void WriteXlsx(std::ostream& out, const CsvTable& table) {
    std::string path = (std::filesystem::temp_directory_path() / "vantle-xlsx-XXXXXX").string();
    const int fd = ::mkstemp(path.data());
    if (fd < 0) {
        out.setstate(std::ios::failbit);
        return;
    }
    ::close(fd);
    try {
        SaveXlsxFile(path, table);
        std::ifstream in(path, std::ios::binary);
        out << in.rdbuf();
    } catch (const std::exception&) {
        out.setstate(std::ios::failbit);
    }
    std::remove(path.c_str());
}

}  // namespace vantle
