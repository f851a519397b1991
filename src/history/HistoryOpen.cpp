// Opening the store of answers: finding what the file at the path holds, setting a damaged one
// aside, making or taking over the tables.
#include <sqlite3.h>

#include <filesystem>
#include <system_error>

#include "history/Freshness.h"
#include "history/HistoryStore.h"
#include "history/StoreSql.h"
#include "io/UserDirs.h"

namespace vantle::history {
namespace {

using sql::Exec;
using sql::Statement;
using sql::Text;

// The store's mark in the database header ("Vntl"): a database without it is some other program's.
constexpr int kApplicationId = 0x566e746c;
constexpr int kSchemaVersion = 5;
constexpr char kSchema[] =
    "CREATE TABLE IF NOT EXISTS kinds(id INTEGER PRIMARY KEY, check_name TEXT NOT NULL,"
    " columns TEXT NOT NULL, UNIQUE(check_name, columns));"
    // A domain's number is given when it is first written, so a list's domains are numbered in the
    // list's order.
    "CREATE TABLE IF NOT EXISTS domains(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE);"
    // Answers are only ever added at the end of the table, numbered in the order they were written:
    // a run writes its answers on new pages and leaves the pages of earlier runs alone, however many
    // there are. Each answer names the one of the same domain and check just older than it (prev), and
    // "newest" the newest of each domain and check, under NewestKey(domain, kind): a domain's history
    // is read by following the chain from there. (Kept in a table ordered by domain, check and time,
    // every run rewrote every page of its list's earlier answers, and the more runs a list had the
    // more pages that was.)
    "CREATE TABLE IF NOT EXISTS said(id INTEGER PRIMARY KEY, domain INTEGER NOT NULL,"
    " kind INTEGER NOT NULL, at INTEGER NOT NULL, cells TEXT NOT NULL, prev INTEGER);"
    "CREATE TABLE IF NOT EXISTS newest(key INTEGER PRIMARY KEY, id INTEGER NOT NULL, at INTEGER NOT NULL);"
    // "oldest": no answer is older (a bound, kept by every writer), so that the kept period is
    // enforced by a scan of the whole store only when some answer has outlived it. "era": how many
    // times it dropped domains. "said": the highest number an answer was given (numbers of answers
    // the kept period dropped are not given again: a chain may still name them).
    "CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value INTEGER NOT NULL);";

// What opening found.
enum class Found { Ours, Empty, Foreign, Newer, Damaged, Busy, Unreadable };

Found Look(sqlite3* db) {
    Statement id(db, "PRAGMA application_id");
    if (id.handle == nullptr) {
        const int code = sqlite3_errcode(db) & 0xff;
        return code == SQLITE_BUSY || code == SQLITE_LOCKED      ? Found::Busy
               : code == SQLITE_NOTADB || code == SQLITE_CORRUPT ? Found::Damaged
                                                                 : Found::Unreadable;
    }
    const int step = sqlite3_step(id.handle) & 0xff;
    if (step != SQLITE_ROW) {
        return step == SQLITE_BUSY || step == SQLITE_LOCKED      ? Found::Busy
               : step == SQLITE_NOTADB || step == SQLITE_CORRUPT ? Found::Damaged
                                                                 : Found::Unreadable;
    }
    const int app = sqlite3_column_int(id.handle, 0);
    if (app == kApplicationId) {
        // A later version's layout is left to it: this one would write what that one cannot read.
        Statement version(db, "PRAGMA user_version");
        return version.handle != nullptr && sqlite3_step(version.handle) == SQLITE_ROW &&
                       sqlite3_column_int(version.handle, 0) > kSchemaVersion
                   ? Found::Newer
                   : Found::Ours;
    }
    Statement tables(db, "SELECT count(*) FROM sqlite_master");
    if (tables.handle == nullptr || sqlite3_step(tables.handle) != SQLITE_ROW) {
        return Found::Unreadable;
    }
    return app == 0 && sqlite3_column_int(tables.handle, 0) == 0 ? Found::Empty : Found::Foreign;
}

sqlite3* Connect(const std::string& path, int busyTimeoutMs) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, busyTimeoutMs);
    sqlite3_extended_result_codes(db, 0);
    return db;
}

// Sets a damaged file aside beside it, with its day, never over an earlier one.
bool SetAside(const std::string& path, std::int64_t now, std::string& aside) {
    std::error_code error;
    for (int n = 0; n < 100; ++n) {
        aside = path + ".damaged-" + DayOf(now) + (n > 0 ? "-" + std::to_string(n) : std::string());
        if (!std::filesystem::exists(aside, error)) {
            std::filesystem::rename(path, aside, error);
            if (error) {
                return false;
            }
            for (const char* side : {"-wal", "-shm"}) {
                std::filesystem::rename(path + side, aside + side, error);
            }
            return true;
        }
    }
    return false;
}

std::string Problem(const char16_t* what, const std::string& path) {
    return Text(what) + Text(u": ") + path;
}

bool HasTable(sqlite3* db, const char* table) {
    Statement found(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?");
    return found.handle != nullptr &&
           sqlite3_bind_text(found.handle, 1, table, -1, SQLITE_STATIC) == SQLITE_OK &&
           sqlite3_step(found.handle) == SQLITE_ROW;
}

bool HasColumn(sqlite3* db, const char* table, const char* column) {
    Statement found(db, "SELECT 1 FROM pragma_table_info(?) WHERE name = ?");
    return found.handle != nullptr &&
           sqlite3_bind_text(found.handle, 1, table, -1, SQLITE_STATIC) == SQLITE_OK &&
           sqlite3_bind_text(found.handle, 2, column, -1, SQLITE_STATIC) == SQLITE_OK &&
           sqlite3_step(found.handle) == SQLITE_ROW;
}

// Tables of earlier layouts are moved aside before the tables are made: the newest answers kept by
// the pair of domain and kind, and the answers ordered by domain, check and time, without chains.
bool SetOldAnswersAside(sqlite3* db) {
    if (HasTable(db, "newest") && HasColumn(db, "newest", "domain") &&
        !Exec(db, "ALTER TABLE newest RENAME TO newest_pair")) {
        return false;
    }
    if (!HasTable(db, "said")) {
        return true;
    }
    Statement chained(db, "SELECT count(*) FROM pragma_table_info('said') WHERE name = 'prev'");
    if (chained.handle == nullptr || sqlite3_step(chained.handle) != SQLITE_ROW) {
        return false;
    }
    if (sqlite3_column_int(chained.handle, 0) > 0) {
        return true;
    }
    sqlite3_reset(chained.handle);
    return Exec(db, "ALTER TABLE said RENAME TO said_unchained");
}

// The answers of earlier layouts are taken over once, in the opening's transaction: those kept by the
// domain's name ("answers", "recent") are numbered, and all are chained, a domain's answers together,
// into the new store (which holds none yet).
bool TakeOldTables(sqlite3* db) {
    if (HasTable(db, "newest_pair")) {
        Statement kinds(db, "SELECT coalesce(max(kind), 0) FROM newest_pair");
        const bool fits = kinds.handle != nullptr && sqlite3_step(kinds.handle) == SQLITE_ROW &&
                          sqlite3_column_int64(kinds.handle, 0) < sql::kKinds;
        sqlite3_reset(kinds.handle);  // (a table with a statement under way is not dropped)
        if (!fits ||
            !Exec(db,
                  "INSERT INTO newest(key, id, at) SELECT domain * 1048576 + kind, id, at FROM newest_pair;"
                  "DROP TABLE newest_pair;")) {
            return false;
        }
    }
    bool moved = false;
    if (HasTable(db, "said_unchained")) {
        if (!Exec(db,
                  "CREATE TEMP TABLE moved(domain INTEGER, kind INTEGER, at INTEGER, cells TEXT,"
                  " PRIMARY KEY(domain, kind, at)) WITHOUT ROWID;"
                  "INSERT OR IGNORE INTO moved SELECT domain, kind, at, cells FROM said_unchained;"
                  "DROP TABLE said_unchained;")) {
            return false;
        }
        moved = true;
    }
    for (const char* table : {"answers", "recent"}) {
        if (!HasTable(db, table)) {
            continue;
        }
        const std::string from(table);
        if ((!moved && !Exec(db,
                             "CREATE TEMP TABLE moved(domain INTEGER, kind INTEGER, at INTEGER, cells TEXT,"
                             " PRIMARY KEY(domain, kind, at)) WITHOUT ROWID;")) ||
            !Exec(db, ("INSERT OR IGNORE INTO domains(name) SELECT domain FROM " + from +
                       " GROUP BY domain ORDER BY min(at);"
                       "INSERT OR IGNORE INTO moved SELECT d.id, o.kind, o.at, o.cells FROM " +
                       from + " o JOIN domains d ON d.name = o.domain;DROP TABLE " + from + ";")
                          .c_str())) {
            return false;
        }
        moved = true;
    }
    // Numbered in the order of domain, check and time, each answer's older neighbour is the one
    // numbered just before it.
    return !moved ||
           Exec(db,
                "INSERT INTO said(id, domain, kind, at, cells, prev)"
                " SELECT row_number() OVER w, domain, kind, at, cells,"
                " CASE WHEN row_number() OVER (PARTITION BY domain, kind ORDER BY at) > 1"
                " THEN row_number() OVER w - 1 END"
                " FROM moved WINDOW w AS (ORDER BY domain, kind, at);"
                "INSERT OR REPLACE INTO newest(key, id, at)"
                " SELECT domain * 1048576 + kind, max(id), max(at) FROM said GROUP BY domain, kind;"
                "INSERT OR REPLACE INTO meta(key, value) SELECT 'said', coalesce(max(id), 0) FROM said;"
                "DROP TABLE temp.moved;");
}

}  // namespace

std::string HistoryStore::DefaultPath() {
    const std::filesystem::path base = UserDir("XDG_DATA_HOME", ".local/share");
    return base.empty() ? std::string() : (base / "vantle" / "history.sqlite").string();
}

std::unique_ptr<HistoryStore> HistoryStore::Open(const std::string& path, std::int64_t now,
                                                 const Options& options, std::string& problem) {
    problem.clear();
    // The store's writer and reader threads would otherwise meet at SQLite's one lock on its memory
    // counts at every allocation (its first use in the process decides; later it is refused).
    static const int kNoMemoryCounts = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    static_cast<void>(kNoMemoryCounts);
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    sqlite3* writer = nullptr;
    for (int attempt = 0; attempt < 2; ++attempt) {
        writer = Connect(path, options.busyTimeoutMs);
        if (writer == nullptr) {
            problem = Problem(u"история недоступна", path);
            return nullptr;
        }
        const Found found = Look(writer);
        if (found == Found::Ours || found == Found::Empty) {
            break;
        }
        sqlite3_close(writer);
        writer = nullptr;
        std::string aside;
        switch (found) {
            case Found::Busy:
                problem = Problem(u"история занята другой программой", path);
                return nullptr;
            case Found::Foreign:
                problem = Problem(u"файл истории не из Vantle, он не тронут", path);
                return nullptr;
            case Found::Newer:
                problem = Problem(u"история записана более новой версией Vantle, она не тронута", path);
                return nullptr;
            case Found::Damaged:
                if (attempt > 0 || !SetAside(path, now, aside)) {
                    problem = Problem(u"история повреждена", path);
                    return nullptr;
                }
                problem = Problem(u"история была повреждена и отложена", aside);
                continue;
            default:
                problem = Problem(u"история не читается", path);
                return nullptr;
        }
    }
    if (writer == nullptr) {
        return nullptr;
    }
    std::string setup =
        "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA journal_size_limit=8388608;"
        " PRAGMA cache_size=-65536; BEGIN IMMEDIATE;";
    const std::string tables = std::string(kSchema) +
                               "PRAGMA application_id=" + std::to_string(kApplicationId) +
                               "; PRAGMA user_version=" + std::to_string(kSchemaVersion) + ";";
    if (options.maxBytes > 0) {
        setup +=
            "PRAGMA max_page_count=" + std::to_string(std::max<std::int64_t>(options.maxBytes / 4096, 8)) +
            ";";
    }
    if (!Exec(writer, setup.c_str()) || !SetOldAnswersAside(writer) || !Exec(writer, tables.c_str()) ||
        !TakeOldTables(writer) || !Exec(writer, "COMMIT")) {
        const int code = sqlite3_errcode(writer) & 0xff;
        Exec(writer, "ROLLBACK");
        sqlite3_close(writer);
        problem = Problem(code == SQLITE_BUSY || code == SQLITE_LOCKED ? u"история занята другой программой"
                          : code == SQLITE_FULL ? u"история: диск полон"
                                                : u"история не записывается",
                          path);
        return nullptr;
    }
    sqlite3* reader = Connect(path, options.busyTimeoutMs);
    if (reader == nullptr) {
        sqlite3_close(writer);
        problem = Problem(u"история не читается", path);
        return nullptr;
    }
    Exec(reader, "PRAGMA cache_size=-16384");
    const std::int64_t pruneBefore = options.keptDays > 0 ? now - std::int64_t{options.keptDays} * 86400 : 0;
    return std::unique_ptr<HistoryStore>(new HistoryStore(writer, reader, pruneBefore));
}

}  // namespace vantle::history
