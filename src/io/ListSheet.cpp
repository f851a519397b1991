#include "io/ListSheet.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>

#include "io/ListFile.h"
#include "text/TextCut.h"
#include "text/Utf8.h"

namespace vantle {
namespace {

// The headers that name a domain column, lower-cased.
const std::vector<std::string>& DomainHeaders() {
    static const std::vector<std::string> headers = [] {
        const std::array<std::string_view, 16> utf8 = {
            "domain", "domains", "domain name", "host",   "hostname", "url",  "urls",  "site",
            "sites",  "website", "домен",       "домены", "хост",     "сайт", "сайты", "url адрес",
        };
        std::vector<std::string> out;
        for (std::string_view h : utf8) {
            out.push_back(Utf8ToCp1251(h));
        }
        return out;
    }();
    return headers;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Latin and Cyrillic capitals of Windows-1251 lowered (Ё is 0xA8, ё 0xB8).
std::string LowerCp1251(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDF)) {
            c = static_cast<char>(u + 0x20);
        } else if (u == 0xA8) {
            c = static_cast<char>(0xB8);
        }
    }
    return out;
}

bool IsDomainHeader(std::string_view cell) {
    std::string lowered = LowerCp1251(Trim(cell));
    std::replace(lowered.begin(), lowered.end(), '-', ' ');
    const auto& headers = DomainHeaders();
    return std::find(headers.begin(), headers.end(), lowered) != headers.end();
}

// A name or a URL: a dot, no blank inside, and a letter (Latin or not), so that numbers are not names.
bool LooksLikeDomain(const SheetCell* cell) {
    if (cell == nullptr || cell->number) {
        return false;
    }
    const std::string text = Trim(cell->text);
    const bool letter = std::any_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u >= 0x80;
    });
    return letter && text.find('.') != std::string_view::npos &&
           std::none_of(text.begin(), text.end(), IsBlank);
}

bool IsEmpty(const SheetCell* cell) {
    return cell == nullptr || cell->number || Trim(cell->text).empty();
}

struct DomainColumn {
    int col = 0;
    std::size_t firstRow = 0;  // the first row of names: the header is not one
};

// The column headed as one of DomainHeaders(), else the first where most filled cells of the first
// rows look like names.
std::optional<DomainColumn> FindDomainColumn(const std::vector<SheetRow>& rows) {
    if (rows.empty()) {
        return std::nullopt;
    }
    for (const SheetCell& cell : rows.front()) {
        if (!cell.number && IsDomainHeader(cell.text)) {
            return DomainColumn{cell.col, 1};
        }
    }
    constexpr std::size_t kSample = 20;
    std::map<int, std::pair<int, int>> counts;  // column: filled cells, cells like names
    for (std::size_t r = 0; r < rows.size() && r < kSample; ++r) {
        for (const SheetCell& cell : rows[r]) {
            auto& [filled, names] = counts[cell.col];
            filled += IsEmpty(&cell) ? 0 : 1;
            names += LooksLikeDomain(&cell) ? 1 : 0;
        }
    }
    for (const auto& [col, count] : counts) {
        if (count.second * 2 > count.first) {
            const bool headed = !LooksLikeDomain(CellAt(rows.front(), col));
            return DomainColumn{col, headed ? std::size_t{1} : std::size_t{0}};
        }
    }
    return std::nullopt;
}

}  // namespace

std::string HostOfCell(std::string_view cell) {
    std::string text(Trim(cell));
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    std::string_view host(text);
    const std::size_t scheme = host.find("://");
    const bool url = scheme != std::string_view::npos;
    if (url) {
        host.remove_prefix(scheme + 3);
    }
    host = host.substr(0, host.find_first_of("/?#"));
    if (url) {
        if (const std::size_t user = host.rfind('@'); user != std::string_view::npos) {
            host.remove_prefix(user + 1);
        }
        const std::size_t colon = host.rfind(':');
        if (colon != std::string_view::npos && colon + 1 < host.size() &&
            std::all_of(host.begin() + static_cast<std::ptrdiff_t>(colon) + 1, host.end(),
                        [](char c) { return c >= '0' && c <= '9'; })) {
            host = host.substr(0, colon);
        }
    }
    return std::string(host);
}

std::string DomainColumnText(const std::vector<SheetRow>& rows) {
    const std::optional<DomainColumn> column = FindDomainColumn(rows);
    std::string text;
    if (!column) {
        return text;
    }
    bool first = true;
    for (std::size_t r = column->firstRow; r < rows.size(); ++r) {
        const SheetCell* cell = CellAt(rows[r], column->col);
        if (IsEmpty(cell)) {
            continue;
        }
        const std::string host = HostOfCell(cell->text);
        if (host.empty()) {
            continue;
        }
        text += first ? "" : "\n";
        text += host;
        first = false;
    }
    return text;
}

ListFromFile ListFromFileBytes(std::string_view bytes) {
    if (IsZipBytes(bytes)) {
        const auto sheets = ReadWorkbookSheets(bytes, false, kMaxListFileBytes);
        return {sheets && !sheets->empty() ? DomainColumnText(sheets->front()) : std::string(), true};
    }
    std::string text = ListTextToCp1251(DecodeListText(bytes));
    const std::optional<char> separator = CsvSeparator(text);
    if (!separator) {
        return {std::move(text), false};
    }
    return {DomainColumnText(ReadCsvRows(text, *separator)), true};
}

ListFromFile ReadListFromFile(const std::string& path) {
    return ListFromFileBytes(ReadListFileBytes(path));
}

}  // namespace vantle
