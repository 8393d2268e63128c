#include "platform/registry/registry_file.h"

#include <algorithm>
#include <initializer_list>
#include <sqlite3.h>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/text/case_fold.h"
#include "platform/text/utf.h"

namespace platform::registry {
namespace {

// Other processes (the program, nimbrel-reg) hold the write lock only for a moment.
constexpr int kBusyTimeoutMs = 10000;

// keys.id uses AUTOINCREMENT so that a deleted key's id is never handed out again: a handle
// to a deleted key must not come to name a new one. Names are kept as written and as folded
// for comparison (platform::FoldCase). The roots have fixed ids (see registry_handles.h).
constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS keys(
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    parent INTEGER,
    name TEXT NOT NULL,
    folded TEXT NOT NULL,
    UNIQUE(parent, folded));
CREATE TABLE IF NOT EXISTS vals(
    id INTEGER PRIMARY KEY,
    key INTEGER NOT NULL,
    name TEXT NOT NULL,
    folded TEXT NOT NULL,
    type INTEGER NOT NULL,
    data BLOB NOT NULL,
    UNIQUE(key, folded));
INSERT OR IGNORE INTO keys(id, parent, name, folded) VALUES
    (1, NULL, 'HKEY_CLASSES_ROOT', 'hkey_classes_root'),
    (2, NULL, 'HKEY_CURRENT_USER', 'hkey_current_user'),
    (3, NULL, 'HKEY_LOCAL_MACHINE', 'hkey_local_machine'),
    (4, NULL, 'HKEY_USERS', 'hkey_users');
)sql";

// The columns the store reads and writes; a file may have more.
struct Table {
    const char* name;
    std::initializer_list<const char*> columns;
};
const Table kTables[] = {
    {"keys", {"id", "parent", "name", "folded"}},
    {"vals", {"id", "key", "name", "folded", "type", "data"}},
};

// user_version 0: files whose folded names came from the C library's towlower (older
// builds); 1: platform::FoldCase.
constexpr int kFoldVersion = 1;

constexpr const char* kNotADatabase = "it is not a database";
constexpr const char* kDamagedDatabase = "the database in it is damaged";
constexpr const char* kOtherDatabase = "it is a database of some other kind";

std::string ColumnUtf8(sqlite3_stmt* statement, int column) {
    auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement, column))) : std::string();
}

// The first column of every row `sql` gives, as text.
int Rows(sqlite3* db, const char* sql, std::vector<std::string>* rows) {
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    while (rc == SQLITE_OK && (rc = sqlite3_step(statement)) == SQLITE_ROW) {
        rows->push_back(ColumnUtf8(statement, 0));
        rc = SQLITE_OK;
    }
    sqlite3_finalize(statement);
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

// Whether the file holds our tables (or nothing at all, as a new one); an SQLite error
// code when its schema could not be read.
int HoldsOurTables(sqlite3* db, bool* ours) {
    std::vector<std::string> objects;
    int rc = Rows(db, "SELECT name FROM sqlite_master WHERE name NOT LIKE 'sqlite\\_%' ESCAPE '\\'", &objects);
    if (rc != SQLITE_OK) return rc;
    *ours = objects.empty();
    if (*ours) return SQLITE_OK;
    for (const Table& table : kTables) {
        std::vector<std::string> columns;
        rc = Rows(db, ("SELECT name FROM pragma_table_info('" + std::string(table.name) + "')").c_str(), &columns);
        if (rc != SQLITE_OK) return rc;
        for (const char* column : table.columns)
            if (std::find(columns.begin(), columns.end(), column) == columns.end()) return SQLITE_OK;
    }
    *ours = true;
    return SQLITE_OK;
}

// Every page of the file read and its structure checked: a file cut short or overwritten
// in part is found at once, not at the first read that reaches the damage.
int ReadsWhole(sqlite3* db, bool* whole) {
    std::vector<std::string> problems;
    int rc = Rows(db, "PRAGMA quick_check(1)", &problems);
    *whole = rc == SQLITE_OK && problems.size() == 1 && problems.front() == "ok";
    return rc;
}

// Gives every row of `table` the folded name this build computes from its name. A row whose
// new fold a sibling already holds (two names the old fold told apart, such as "ς" and "σ")
// keeps its old one: it is still listed and deleted with its key, but a lookup by name finds
// the sibling.
int Refold(sqlite3* db, const std::string& table) {
    std::vector<std::pair<sqlite3_int64, std::string>> changed;
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(db, ("SELECT id, name, folded FROM " + table + " ORDER BY id").c_str(), -1,
                                &statement, nullptr);
    while (rc == SQLITE_OK && (rc = sqlite3_step(statement)) == SQLITE_ROW) {
        std::string folded = Utf8FromWide(FoldCase(WideFromUtf8(ColumnUtf8(statement, 1))));
        if (folded != ColumnUtf8(statement, 2)) changed.emplace_back(sqlite3_column_int64(statement, 0), folded);
        rc = SQLITE_OK;
    }
    sqlite3_finalize(statement);
    if (rc != SQLITE_DONE) return rc;
    rc = sqlite3_prepare_v2(db, ("UPDATE OR IGNORE " + table + " SET folded = ?2 WHERE id = ?1").c_str(), -1,
                            &statement, nullptr);
    for (auto change = changed.begin(); rc == SQLITE_OK && change != changed.end(); ++change) {
        sqlite3_bind_int64(statement, 1, change->first);
        sqlite3_bind_text(statement, 2, change->second.data(), static_cast<int>(change->second.size()), SQLITE_STATIC);
        rc = sqlite3_step(statement);
        rc = rc == SQLITE_DONE ? sqlite3_reset(statement) : rc;
    }
    sqlite3_finalize(statement);
    return rc;
}

// Inside the opening transaction: re-folds a file written with another fold, once.
int UpdateFolds(sqlite3* db) {
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &statement, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_step(statement);
    const bool current = rc == SQLITE_ROW && sqlite3_column_int(statement, 0) >= kFoldVersion;
    sqlite3_finalize(statement);
    if (rc != SQLITE_ROW) return rc;
    if (current) return SQLITE_OK;
    rc = Refold(db, "keys");
    if (rc == SQLITE_OK) rc = Refold(db, "vals");
    const std::string setVersion = "PRAGMA user_version = " + std::to_string(kFoldVersion);
    return rc == SQLITE_OK ? sqlite3_exec(db, setVersion.c_str(), nullptr, nullptr, nullptr) : rc;
}

const char* DamageOf(int rc) {
    switch (rc & 0xFF) {
        case SQLITE_NOTADB: return kNotADatabase;
        case SQLITE_CORRUPT: return kDamagedDatabase;
        default: return nullptr;
    }
}

// Looks at an existing file without writing to it (no journal mode set, no log copied in
// on closing): a file that turns out not to be ours must be kept as it was found. The damage
// found, if any; other failures are left to the opening proper.
const char* Inspect(const std::filesystem::path& path) {
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc == SQLITE_OK) sqlite3_busy_timeout(db, kBusyTimeoutMs);
    if (rc == SQLITE_OK) rc = sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    bool ours = false, whole = false;
    if (rc == SQLITE_OK) rc = HoldsOurTables(db, &ours);
    if (rc == SQLITE_OK && ours) rc = ReadsWhole(db, &whole);
    const char* damage = rc != SQLITE_OK ? DamageOf(db ? sqlite3_errcode(db) : rc)
                         : !ours         ? kOtherDatabase
                         : !whole        ? kDamagedDatabase
                                         : nullptr;
    sqlite3_close(db);
    return damage;
}

// On the connection made: the log, our tables and current folds.
int Prepare(sqlite3* db) {
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    int rc = sqlite3_exec(db, "PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL;", nullptr, nullptr, nullptr);
    // Immediate: two processes opening a new file at once make its tables once.
    if (rc == SQLITE_OK) rc = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) rc = UpdateFolds(db);
    if (rc == SQLITE_OK) rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    return rc;
}

}  // namespace

OpenedFile OpenRegistryFile(const std::filesystem::path& path) {
    std::error_code ec;
    if (std::filesystem::exists(path, ec))
        if (const char* damage = Inspect(path)) return {nullptr, ERROR_BADDB, damage};
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                             nullptr);
    if (rc == SQLITE_OK) rc = Prepare(db);
    if (rc == SQLITE_OK) return {db, ERROR_SUCCESS, nullptr};
    const int primary = (db ? sqlite3_errcode(db) : rc) & 0xFF;
    // Whatever the file is, closing must not copy a log into it.
    if (db) sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    sqlite3_close(db);  // also rolls back a half-done opening transaction
    if (const char* damage = DamageOf(primary)) return {nullptr, ERROR_BADDB, damage};
    return {nullptr, static_cast<LONG>(primary == SQLITE_NOMEM ? ERROR_OUTOFMEMORY : ERROR_CANTOPEN), nullptr};
}

}  // namespace platform::registry
