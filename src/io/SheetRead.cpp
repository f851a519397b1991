#include "io/SheetRead.h"

#include <expat.h>
#include <zip.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <functional>
#include <memory>

#include "text/Utf8.h"

namespace vantle {
namespace {

// ---- XML ----

// The element's name without its namespace prefix ("x:row" is "row").
std::string_view LocalName(const XML_Char* name) {
    const std::string_view full(name);
    const std::size_t colon = full.rfind(':');
    return colon == std::string_view::npos ? full : full.substr(colon + 1);
}

// The value of the attribute whose local name is `name`, nullptr when there is none.
const XML_Char* Attribute(const XML_Char** attrs, std::string_view name) {
    for (; attrs[0] != nullptr; attrs += 2) {
        if (LocalName(attrs[0]) == name) {
            return attrs[1];
        }
    }
    return nullptr;
}

// Walks a document with expat, handing each element's start and end and each piece of text to the
// callbacks. A document type declaration is refused: no part of a workbook has one.
class XmlWalk {
public:
    std::function<void(std::string_view name, const XML_Char** attrs)> start = [](auto, auto) {};
    std::function<void(std::string_view name)> end = [](auto) {};
    std::function<void(std::string_view text)> text = [](auto) {};

    bool Parse(std::string_view xml) {
        if (xml.size() > static_cast<std::size_t>(INT_MAX)) {
            return false;
        }
        std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)> parser(XML_ParserCreate("UTF-8"),
                                                                            &XML_ParserFree);
        if (!parser) {
            return false;
        }
        XML_SetUserData(parser.get(), this);
        XML_SetElementHandler(
            parser.get(),
            [](void* self, const XML_Char* name, const XML_Char** attrs) {
                static_cast<XmlWalk*>(self)->start(LocalName(name), attrs);
            },
            [](void* self, const XML_Char* name) { static_cast<XmlWalk*>(self)->end(LocalName(name)); });
        XML_SetCharacterDataHandler(parser.get(), [](void* self, const XML_Char* s, int length) {
            static_cast<XmlWalk*>(self)->text(std::string_view(s, static_cast<std::size_t>(length)));
        });
        XML_SetStartDoctypeDeclHandler(
            parser.get(), [](void* self, const XML_Char*, const XML_Char*, const XML_Char*, int) {
                static_cast<XmlWalk*>(self)->refused_ = true;
            });
        const XML_Status status = XML_Parse(parser.get(), xml.data(), static_cast<int>(xml.size()), XML_TRUE);
        return status == XML_STATUS_OK && !refused_;
    }

private:
    bool refused_ = false;
};

// "B12" -> 1; nothing past the 16,384 columns a sheet has, or for a reference without letters.
std::optional<int> ColumnOfReference(std::string_view reference) {
    constexpr int kColumns = 16384;
    int col = 0;
    std::size_t at = 0;
    for (; at < reference.size(); ++at) {
        const char c = reference[at];
        const char upper = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        if (upper < 'A' || upper > 'Z') {
            break;
        }
        col = col * 26 + (upper - 'A' + 1);
        if (col > kColumns) {
            return std::nullopt;
        }
    }
    return at == 0 ? std::nullopt : std::optional<int>(col - 1);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    const char lower = static_cast<char>(c | 0x20);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// A sheet's text with its escapes "_xHHHH_" (a character by its code, such as _x000D_ for CR) made
// the characters again, as UTF-8.
std::string Unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        int code = text.size() - at >= 7 && text.substr(at, 2) == "_x" && text[at + 6] == '_' ? 0 : -1;
        for (std::size_t i = 2; code >= 0 && i < 6; ++i) {
            const int digit = HexDigit(text[at + i]);
            code = digit < 0 ? -1 : code * 16 + digit;
        }
        if (code < 0) {
            out.push_back(text[at++]);
            continue;
        }
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
        at += 7;
    }
    return out;
}

// Sorted by column, each column once (the last cell given for it wins).
void Settle(SheetRow& row) {
    std::stable_sort(row.begin(), row.end(),
                     [](const SheetCell& a, const SheetCell& b) { return a.col < b.col; });
    SheetRow settled;
    for (SheetCell& cell : row) {
        if (!settled.empty() && settled.back().col == cell.col) {
            settled.back() = std::move(cell);
        } else {
            settled.push_back(std::move(cell));
        }
    }
    row = std::move(settled);
}

// ---- Zip ----

struct ZipDiscard {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct ZipFileClose {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};

// A workbook's parts, unpacked on demand within a budget of bytes for all of them together.
class ZipParts {
public:
    ZipParts(std::string_view bytes, std::size_t budget) : budget_(budget) {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
        if (source != nullptr) {
            archive_.reset(zip_open_from_source(source, ZIP_RDONLY, &error));
            if (!archive_) {
                zip_source_free(source);
            }
        }
        zip_error_fini(&error);
    }

    bool Open() const { return static_cast<bool>(archive_); }
    bool OverBudget() const { return overBudget_; }

    // The part's bytes; nothing when the archive does not hold it or it cannot be read whole.
    std::optional<std::string> Part(const std::string& name) {
        const zip_int64_t index = zip_name_locate(archive_.get(), name.c_str(), ZIP_FL_NOCASE);
        if (index < 0) {
            return std::nullopt;
        }
        std::unique_ptr<zip_file_t, ZipFileClose> file(
            zip_fopen_index(archive_.get(), static_cast<zip_uint64_t>(index), 0));
        if (!file) {
            return std::nullopt;
        }
        std::string data;
        char chunk[1 << 16];
        for (;;) {
            const zip_int64_t got = zip_fread(file.get(), chunk, sizeof chunk);
            if (got < 0) {
                return std::nullopt;
            }
            if (got == 0) {
                return data;
            }
            if (static_cast<std::size_t>(got) > budget_) {
                overBudget_ = true;
                return std::nullopt;
            }
            budget_ -= static_cast<std::size_t>(got);
            data.append(chunk, static_cast<std::size_t>(got));
        }
    }

private:
    std::unique_ptr<zip_t, ZipDiscard> archive_;
    std::size_t budget_;
    bool overBudget_ = false;
};

// The relationship ids of the workbook's sheets, in its order.
std::optional<std::vector<std::string>> SheetIds(std::string_view workbookXml) {
    std::vector<std::string> ids;
    XmlWalk walk;
    walk.start = [&ids](std::string_view name, const XML_Char** attrs) {
        if (name == "sheet") {
            const XML_Char* id = Attribute(attrs, "id");
            ids.emplace_back(id != nullptr ? id : "");
        }
    };
    return walk.Parse(workbookXml) ? std::optional(ids) : std::nullopt;
}

// Where the relationship `id` of the workbook points, as a name in the archive.
std::optional<std::string> TargetOf(std::string_view relsXml, const std::string& id) {
    std::optional<std::string> target;
    XmlWalk walk;
    walk.start = [&](std::string_view name, const XML_Char** attrs) {
        const XML_Char* at = Attribute(attrs, "Id");
        const XML_Char* to = Attribute(attrs, "Target");
        if (name == "Relationship" && at != nullptr && to != nullptr && at == id && !target) {
            const std::string_view path(to);
            target = path.starts_with('/') ? std::string(path.substr(1)) : "xl/" + std::string(path);
        }
    };
    return walk.Parse(relsXml) ? target : std::nullopt;
}

// The names of the sheet parts, in the workbook's order; sheet1 when the workbook does not say.
std::vector<std::string> SheetParts(ZipParts& parts) {
    std::vector<std::string> names;
    const std::optional<std::string> workbook = parts.Part("xl/workbook.xml");
    const std::optional<std::string> rels = parts.Part("xl/_rels/workbook.xml.rels");
    const auto ids = workbook ? SheetIds(*workbook) : std::nullopt;
    if (ids && rels) {
        for (const std::string& id : *ids) {
            if (std::optional<std::string> target = TargetOf(*rels, id)) {
                names.push_back(std::move(*target));
            }
        }
    }
    if (names.empty()) {
        names.emplace_back("xl/worksheets/sheet1.xml");
    }
    return names;
}

}  // namespace

const SheetCell* CellAt(const SheetRow& row, int col) {
    const auto at = std::lower_bound(row.begin(), row.end(), col,
                                     [](const SheetCell& cell, int c) { return cell.col < c; });
    return at != row.end() && at->col == col ? &*at : nullptr;
}

const std::string& CellText(const SheetRow& row, int col) {
    static const std::string kNone;
    const SheetCell* cell = CellAt(row, col);
    return cell != nullptr ? cell->text : kNone;
}

std::vector<SheetRow> ReadCsvRows(std::string_view text, char separator, std::size_t maxRecords) {
    std::vector<SheetRow> rows;
    std::size_t at = 0;
    const std::size_t size = text.size();
    while (at < size && rows.size() < maxRecords) {
        SheetRow row;
        bool quotedAny = false;
        for (;;) {
            SheetCell cell{static_cast<int>(row.size()), {}, false};
            if (at < size && text[at] == '"') {
                quotedAny = true;
                for (++at; at < size; ++at) {
                    if (text[at] != '"') {
                        cell.text.push_back(text[at]);
                    } else if (at + 1 < size && text[at + 1] == '"') {
                        cell.text.push_back('"');
                        ++at;
                    } else {
                        ++at;
                        break;
                    }
                }
            }
            // Unquoted text, or what stands after the closing quote, runs to the separator; a CR
            // before the line end is part of the line end.
            const std::size_t stop = std::min(text.find_first_of(std::string{separator, '\n'}, at), size);
            std::string_view rest = text.substr(at, stop - at);
            if (stop < size && text[stop] == '\n' && rest.ends_with('\r')) {
                rest.remove_suffix(1);
            }
            cell.text.append(rest);
            at = stop;
            row.push_back(std::move(cell));
            if (at < size && text[at] == separator) {
                ++at;
                continue;
            }
            at += at < size ? 1 : 0;  // the line end
            break;
        }
        if (row.size() > 1 || quotedAny || !row.front().text.empty()) {
            rows.push_back(std::move(row));
        }
    }
    return rows;
}

std::optional<char> CsvSeparator(std::string_view text) {
    constexpr std::size_t kSample = 20;
    for (const char separator : {';', '\t', ','}) {
        const std::vector<SheetRow> rows = ReadCsvRows(text, separator, kSample);
        if (!rows.empty() &&
            std::all_of(rows.begin(), rows.end(), [](const SheetRow& row) { return row.size() >= 2; })) {
            return separator;
        }
    }
    return std::nullopt;
}

bool IsZipBytes(std::string_view bytes) {
    return bytes.starts_with(std::string_view("PK\x03\x04", 4));
}

std::optional<std::vector<std::string>> ReadSharedStrings(std::string_view xml) {
    std::vector<std::string> strings;
    std::string current;
    int phonetic = 0;  // inside <rPh>: a reading aid, not part of the text
    bool inText = false;
    XmlWalk walk;
    walk.start = [&](std::string_view name, const XML_Char**) {
        if (name == "si") {
            current.clear();
        }
        phonetic += name == "rPh" ? 1 : 0;
        inText = name == "t" && phonetic == 0;
    };
    walk.end = [&](std::string_view name) {
        if (name == "si") {
            strings.push_back(Utf8ToCp1251Keeping(Unescape(current)));
        }
        phonetic -= name == "rPh" && phonetic > 0 ? 1 : 0;
        inText = false;
    };
    walk.text = [&](std::string_view text) {
        if (inText) {
            current.append(text);
        }
    };
    return walk.Parse(xml) ? std::optional(std::move(strings)) : std::nullopt;
}

std::optional<std::vector<SheetRow>> ReadSheetXml(std::string_view xml,
                                                  const std::vector<std::string>& shared) {
    std::vector<SheetRow> rows;
    SheetRow row;
    std::string type;
    std::string value;
    std::optional<int> col;
    int nextCol = 0;
    bool inCell = false;
    bool inValue = false;
    XmlWalk walk;
    walk.start = [&](std::string_view name, const XML_Char** attrs) {
        if (name == "row") {
            row.clear();
            nextCol = 0;
        } else if (name == "c") {
            const XML_Char* reference = Attribute(attrs, "r");
            const XML_Char* t = Attribute(attrs, "t");
            col = reference != nullptr ? ColumnOfReference(reference) : std::optional<int>(nextCol);
            type = t != nullptr ? t : "n";
            value.clear();
            inCell = true;
        } else if (inCell && (name == "v" || name == "t")) {
            inValue = true;
        }
    };
    walk.end = [&](std::string_view name) {
        inValue = false;
        if (name == "row") {
            Settle(row);
            if (!row.empty()) {
                rows.push_back(std::move(row));
            }
            row.clear();
        } else if (name == "c" && inCell) {
            inCell = false;
            if (!col) {
                return;
            }
            nextCol = *col + 1;
            if (type == "s") {
                char* end = nullptr;
                const unsigned long index = std::strtoul(value.c_str(), &end, 10);
                if (!value.empty() && *end == '\0' && index < shared.size() && !shared[index].empty()) {
                    row.push_back({*col, shared[index], false});
                }
            } else if (type == "inlineStr" || type == "str") {
                if (!value.empty()) {
                    row.push_back({*col, Utf8ToCp1251Keeping(Unescape(value)), false});
                }
            } else if ((type == "n" || type == "b") && !value.empty()) {
                row.push_back({*col, value, true});
            }
        }
    };
    walk.text = [&](std::string_view text) {
        if (inValue) {
            value.append(text);
        }
    };
    return walk.Parse(xml) ? std::optional(std::move(rows)) : std::nullopt;
}

std::optional<std::vector<std::vector<SheetRow>>> ReadWorkbookSheets(std::string_view bytes, bool allSheets,
                                                                     std::size_t maxUnpacked) {
    if (!IsZipBytes(bytes)) {
        return std::nullopt;
    }
    ZipParts parts(bytes, maxUnpacked);
    if (!parts.Open()) {
        return std::nullopt;
    }
    std::vector<std::string> shared;
    if (const std::optional<std::string> xml = parts.Part("xl/sharedStrings.xml")) {
        auto read = ReadSharedStrings(*xml);
        if (!read) {
            return std::nullopt;
        }
        shared = std::move(*read);
    }
    std::vector<std::vector<SheetRow>> sheets;
    for (const std::string& name : SheetParts(parts)) {
        const std::optional<std::string> xml = parts.Part(name);
        auto rows = xml ? ReadSheetXml(*xml, shared) : std::nullopt;
        if (!rows || parts.OverBudget()) {
            return std::nullopt;
        }
        sheets.push_back(std::move(*rows));
        if (!allSheets) {
            break;
        }
    }
    if (parts.OverBudget()) {
        return std::nullopt;
    }
    return sheets;
}

}  // namespace vantle
