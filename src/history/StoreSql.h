#pragma once
// What the store's source files share of SQLite: a statement prepared for one use, a statement run
// for its effect, and the store's texts (UTF-16 in the source, Windows-1251 out).

#include <sqlite3.h>

#include <string>

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

}  // namespace vantle::history::sql
