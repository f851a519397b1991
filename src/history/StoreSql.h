#pragma once
// What the store's source files share: a statement prepared for one use, a statement run for its
// effect, the store's texts (UTF-16 in the source, Windows-1251 out), cells joined into one column,
// and the store's count of dropped domains.

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "text/Cp1251.h"

namespace vantle::history::sql {

inline std::string Text(const char16_t* text) {
    return Utf16ToCp1251(text);
}

struct Statement {
    sqlite3_stmt* handle = nullptr;
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &handle, nullptr); }
    ~Statement() { sqlite3_finalize(handle); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
};

inline bool Exec(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// The newest answer of each domain and check is kept under one number, the domain's times 2^20 plus
// the check's kind: its table is then SQLite's own tree of numbers, which is written and searched at
// about half the cost of one keyed by the pair. The SQL below spells 2^20 as 1048576.
constexpr int kKindBits = 20;
constexpr std::int64_t kKinds = std::int64_t{1} << kKindBits;
constexpr std::int64_t NewestKey(std::int64_t domain, std::int64_t kind) {
    return domain << kKindBits | kind;
}

// Answers written in one transaction at most.
constexpr std::size_t kBatch = 50000;

// Cells and headers are kept joined by the unit separator, which no cell holds.
constexpr char kJoin = '\x1f';

// The bytes of parts joined, and the parts joined at out (which has room for them).
inline std::size_t JoinedSize(std::span<const std::string> parts) {
    std::size_t size = parts.empty() ? 0 : parts.size() - 1;
    for (const std::string& part : parts) {
        size += part.size();
    }
    return size;
}

inline void JoinInto(char* out, std::span<const std::string> parts) {
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            *out++ = kJoin;
        }
        const std::string& part = parts[i];
        std::copy(part.begin(), part.end(), out);
        if (part.find(kJoin) != std::string::npos) {
            std::replace(out, out + part.size(), kJoin, ' ');
        }
        out += part.size();
    }
}

inline std::string Joined(std::span<const std::string> parts) {
    std::string joined(JoinedSize(parts), '\0');
    JoinInto(joined.data(), parts);
    return joined;
}

inline void Bind(sqlite3_stmt* statement, int index, std::string_view text) {
    sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// The number in a column, -1 for none.
inline std::int64_t ColumnNumber(sqlite3_stmt* statement, int col) {
    return sqlite3_column_type(statement, col) == SQLITE_NULL ? -1 : sqlite3_column_int64(statement, col);
}

// A text column as it lies in the statement, valid until the next step or reset.
inline std::string_view ColumnView(sqlite3_stmt* statement, int col) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, col));
    return text ? std::string_view(text, static_cast<std::size_t>(sqlite3_column_bytes(statement, col)))
                : std::string_view();
}

// A domain's newest answer of a kind, from columns 1 to 7 of a row: its key in the newest table, its
// number, then the answer's time, cells, the answer before it, its domain and kind (no time, or
// another domain's or kind's: the answer is gone).
template <class Head>
void ReadHead(sqlite3_stmt* statement, Head& head) {
    const std::int64_t key = sqlite3_column_int64(statement, 1);
    head.kind = key & (kKinds - 1);
    head.id = sqlite3_column_int64(statement, 2);
    head.found = sqlite3_column_type(statement, 3) != SQLITE_NULL &&
                 sqlite3_column_int64(statement, 6) == key >> kKindBits &&
                 sqlite3_column_int64(statement, 7) == head.kind;
    head.at = sqlite3_column_int64(statement, 3);
    head.cells.assign(ColumnView(statement, 4));
    head.prev = ColumnNumber(statement, 5);
}

// How many times the kept period has dropped domains from the store (their numbers with them).
inline std::int64_t Era(sqlite3* db) {
    Statement era(db, "SELECT value FROM meta WHERE key = 'era'");
    return era.handle != nullptr && sqlite3_step(era.handle) == SQLITE_ROW
               ? sqlite3_column_int64(era.handle, 0)
               : 0;
}

}  // namespace vantle::history::sql
