#include "platform/registry/registry_store.h"

#include <atomic>
#include <mutex>
#include <sqlite3.h>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/kernel/paths.h"
#include "platform/registry/registry_damage.h"
#include "platform/registry/registry_names.h"
#include "platform/registry/registry_set_aside.h"
#include "platform/text/case_fold.h"
#include "platform/text/utf.h"

namespace platform::registry {
namespace {

// Flushes asked for in this process.
std::atomic<std::uint64_t> g_flushes{0};

constexpr const char* kFindChild = "SELECT id FROM keys WHERE parent = ?1 AND folded = ?2";
constexpr const char* kKeyExists = "SELECT 1 FROM keys WHERE id = ?1";
constexpr const char* kInsertKey = "INSERT INTO keys(parent, name, folded) VALUES(?1, ?2, ?3)";
constexpr const char* kChildAt = "SELECT name FROM keys WHERE parent = ?1 ORDER BY id LIMIT 1 OFFSET ?2";
constexpr const char* kDeleteTreeValues = R"sql(
WITH RECURSIVE tree(id) AS (SELECT ?1 UNION ALL SELECT keys.id FROM keys JOIN tree ON keys.parent = tree.id)
DELETE FROM vals WHERE key IN tree)sql";
constexpr const char* kDeleteTreeKeys = R"sql(
WITH RECURSIVE tree(id) AS (SELECT ?1 UNION ALL SELECT keys.id FROM keys JOIN tree ON keys.parent = tree.id)
DELETE FROM keys WHERE id IN tree)sql";
// One statement, so one transaction; no row is written when the key is gone. An existing
// value keeps its row (and so its place in the enumeration) and its first spelling.
constexpr const char* kSetValue = R"sql(
INSERT INTO vals(key, name, folded, type, data)
    SELECT ?1, ?2, ?3, ?4, ?5 WHERE EXISTS (SELECT 1 FROM keys WHERE id = ?1)
    ON CONFLICT(key, folded) DO UPDATE SET type = excluded.type, data = excluded.data)sql";
constexpr const char* kGetValue = "SELECT name, type, data FROM vals WHERE key = ?1 AND folded = ?2";
constexpr const char* kValueAt = "SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY id LIMIT 1 OFFSET ?2";
constexpr const char* kDeleteValue = "DELETE FROM vals WHERE key = ?1 AND folded = ?2";

LONG ErrorOf(int rc, bool writing) {
    switch (rc & 0xFF) {
        case SQLITE_CANTOPEN:
        case SQLITE_PERM:
        case SQLITE_AUTH: return ERROR_CANTOPEN;
        case SQLITE_NOTADB:
        case SQLITE_CORRUPT:
        case SQLITE_FORMAT:
        case SQLITE_SCHEMA:
        case SQLITE_ERROR:  // a statement that does not fit the file's tables
            return ERROR_BADDB;
        case SQLITE_NOMEM: return ERROR_OUTOFMEMORY;
        default: return writing ? ERROR_CANTWRITE : ERROR_CANTREAD;
    }
}

// The process's connection, opened on first use so that NIMBREL_HOME may be set before.
// Callers hold `mutex` throughout.
class Connection {
public:
    std::mutex mutex;

    LONG Open() {
        if (db_) return ERROR_SUCCESS;
        if (unusable_ != ERROR_SUCCESS) return unusable_;
        OpenedFile opened = OpenSettingDamageAside(NimbrelHome() / "registry.db");
        db_ = opened.db;
        // A damaged file that could not be set aside stays so for this process: it is not
        // checked again on every call.
        if (opened.damage) unusable_ = opened.error;
        return opened.error;
    }

    sqlite3* db() const { return db_; }

    // A prepared statement for sql (one of the constants above), kept for the next call.
    int Prepare(const char* sql, sqlite3_stmt** statement) {
        auto& cached = statements_[sql];
        int rc = SQLITE_OK;
        if (!cached) rc = sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &cached, nullptr);
        *statement = cached;
        return rc;
    }

private:
    sqlite3* db_ = nullptr;
    LONG unusable_ = ERROR_SUCCESS;
    std::unordered_map<const char*, sqlite3_stmt*> statements_;
};

// Never destroyed: threads may still use the registry while the process exits.
Connection& TheConnection() {
    static Connection* connection = new Connection;
    return *connection;
}

// One run of a cached statement; reset when it goes out of scope.
class Query {
public:
    Query(Connection& connection, const char* sql) { rc_ = connection.Prepare(sql, &statement_); }
    ~Query() {
        if (statement_) {
            sqlite3_reset(statement_);
            sqlite3_clear_bindings(statement_);
        }
    }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    Query& Bind(sqlite3_int64 value) {
        if (statement_) sqlite3_bind_int64(statement_, ++bound_, value);
        return *this;
    }
    Query& Bind(const std::wstring& text) {
        std::string utf8 = Utf8FromWide(text);
        if (statement_)
            sqlite3_bind_text(statement_, ++bound_, utf8.data(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Query& Bind(const std::vector<BYTE>& bytes) {
        if (!statement_) return *this;
        // An empty blob must not be bound from a null pointer: that binds NULL.
        if (bytes.empty())
            sqlite3_bind_zeroblob(statement_, ++bound_, 0);
        else
            sqlite3_bind_blob64(statement_, ++bound_, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
        return *this;
    }

    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step() {
        if (rc_ == SQLITE_OK || rc_ == SQLITE_ROW) rc_ = sqlite3_step(statement_);
        return rc_;
    }

    sqlite3_int64 Int(int column) const { return sqlite3_column_int64(statement_, column); }
    std::wstring Text(int column) const {
        auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
        return text ? WideFromUtf8({text, static_cast<std::size_t>(sqlite3_column_bytes(statement_, column))})
                    : std::wstring();
    }
    std::vector<BYTE> Blob(int column) const {
        auto* data = static_cast<const BYTE*>(sqlite3_column_blob(statement_, column));
        return data ? std::vector<BYTE>(data, data + sqlite3_column_bytes(statement_, column)) : std::vector<BYTE>();
    }

private:
    sqlite3_stmt* statement_ = nullptr;
    int rc_ = SQLITE_OK;
    int bound_ = 0;
};

// BEGIN IMMEDIATE, so that reads inside see what the write will change; rolled back unless
// committed.
class Transaction {
public:
    explicit Transaction(Connection& connection) : db_(connection.db()) {
        rc_ = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    }
    ~Transaction() {
        if (rc_ == SQLITE_OK && !done_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    LONG Begun() const { return rc_ == SQLITE_OK ? ERROR_SUCCESS : ErrorOf(rc_, true); }
    LONG Commit() {
        int rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
        done_ = rc == SQLITE_OK;
        return done_ ? ERROR_SUCCESS : ErrorOf(rc, true);
    }

private:
    sqlite3* db_;
    int rc_;
    bool done_ = false;
};

LONG StepError(int rc, bool writing) {
    return rc == SQLITE_DONE || rc == SQLITE_ROW ? ERROR_SUCCESS : ErrorOf(rc, writing);
}

LONG KeyExists(Connection& c, KeyId key) {
    Query query(c, kKeyExists);
    int rc = query.Bind(key).Step();
    return rc == SQLITE_ROW ? ERROR_SUCCESS : rc == SQLITE_DONE ? ERROR_KEY_DELETED : ErrorOf(rc, false);
}

// What a lookup under `key` that found nothing means: `missing` while the key exists.
LONG NotFound(Connection& c, KeyId key, LONG missing) {
    LONG result = KeyExists(c, key);
    return result == ERROR_SUCCESS ? missing : result;
}

LONG FindChild(Connection& c, KeyId parent, const std::wstring& name, KeyId* child) {
    Query query(c, kFindChild);
    int rc = query.Bind(parent).Bind(FoldCase(name)).Step();
    if (rc == SQLITE_ROW) *child = query.Int(0);
    return rc == SQLITE_ROW ? ERROR_SUCCESS : rc == SQLITE_DONE ? ERROR_FILE_NOT_FOUND : ErrorOf(rc, false);
}

LONG Resolve(Connection& c, KeyId parent, const std::vector<std::wstring>& path, KeyId* key) {
    if (path.empty()) {
        *key = parent;
        return KeyExists(c, parent);
    }
    KeyId current = parent;
    for (const auto& name : path) {
        LONG result = FindChild(c, current, name, &current);
        if (result == ERROR_FILE_NOT_FOUND && current == parent) return NotFound(c, parent, result);
        if (result != ERROR_SUCCESS) return result;
    }
    *key = current;
    return ERROR_SUCCESS;
}

void ReadValue(const Query& query, StoredValue* value) {
    value->name = query.Text(0);
    value->type = static_cast<DWORD>(query.Int(1));
    value->data = query.Blob(2);
}

// Runs body(connection) with the connection open and locked.
template <typename Body>
LONG WithConnection(Body body) {
    Connection& c = TheConnection();
    std::lock_guard lock(c.mutex);
    LONG result = c.Open();
    return result == ERROR_SUCCESS ? body(c) : result;
}

}  // namespace

LONG StoreCreateKey(KeyId parent, const std::vector<std::wstring>& path, KeyId* key, bool* created) {
    return WithConnection([&](Connection& c) -> LONG {
        Transaction transaction(c);
        LONG result = transaction.Begun();
        if (result == ERROR_SUCCESS) result = KeyExists(c, parent);
        KeyId current = parent;
        bool isNew = false;
        for (auto name = path.begin(); name != path.end() && result == ERROR_SUCCESS; ++name) {
            result = FindChild(c, current, *name, &current);
            isNew = result == ERROR_FILE_NOT_FOUND;
            if (!isNew) continue;
            Query insert(c, kInsertKey);
            result = StepError(insert.Bind(current).Bind(*name).Bind(FoldCase(*name)).Step(), true);
            current = sqlite3_last_insert_rowid(c.db());
        }
        if (result == ERROR_SUCCESS) result = transaction.Commit();
        if (result == ERROR_SUCCESS) {
            *key = current;
            *created = isNew;
        }
        return result;
    });
}

LONG StoreOpenKey(KeyId parent, const std::vector<std::wstring>& path, KeyId* key) {
    return WithConnection([&](Connection& c) -> LONG { return Resolve(c, parent, path, key); });
}

LONG StoreDeleteKey(KeyId parent, const std::vector<std::wstring>& path) {
    return WithConnection([&](Connection& c) -> LONG {
        Transaction transaction(c);
        LONG result = transaction.Begun();
        KeyId key = 0;
        if (result == ERROR_SUCCESS) result = Resolve(c, parent, path, &key);
        if (result == ERROR_SUCCESS && key < kFirstRootId + kRootCount) result = ERROR_ACCESS_DENIED;
        for (const char* sql : {kDeleteTreeValues, kDeleteTreeKeys}) {
            if (result != ERROR_SUCCESS) break;
            Query remove(c, sql);
            result = StepError(remove.Bind(key).Step(), true);
        }
        return result == ERROR_SUCCESS ? transaction.Commit() : result;
    });
}

LONG StoreSubkeyAt(KeyId key, DWORD index, std::wstring* name) {
    return WithConnection([&](Connection& c) -> LONG {
        Query query(c, kChildAt);
        int rc = query.Bind(key).Bind(sqlite3_int64{index}).Step();
        if (rc == SQLITE_ROW) *name = query.Text(0);
        return rc == SQLITE_ROW    ? ERROR_SUCCESS
               : rc == SQLITE_DONE ? NotFound(c, key, ERROR_NO_MORE_ITEMS)
                                   : ErrorOf(rc, false);
    });
}

LONG StoreSetValue(KeyId key, const std::wstring& name, DWORD type, const std::vector<BYTE>& data) {
    return WithConnection([&](Connection& c) -> LONG {
        Query query(c, kSetValue);
        int rc = query.Bind(key).Bind(name).Bind(FoldCase(name)).Bind(sqlite3_int64{type}).Bind(data).Step();
        if (rc != SQLITE_DONE) return ErrorOf(rc, true);
        return sqlite3_changes(c.db()) > 0 ? ERROR_SUCCESS : ERROR_KEY_DELETED;
    });
}

LONG StoreGetValue(KeyId key, const std::wstring& name, StoredValue* value) {
    return WithConnection([&](Connection& c) -> LONG {
        Query query(c, kGetValue);
        int rc = query.Bind(key).Bind(FoldCase(name)).Step();
        if (rc == SQLITE_ROW) ReadValue(query, value);
        return rc == SQLITE_ROW    ? ERROR_SUCCESS
               : rc == SQLITE_DONE ? NotFound(c, key, ERROR_FILE_NOT_FOUND)
                                   : ErrorOf(rc, false);
    });
}

LONG StoreValueAt(KeyId key, DWORD index, StoredValue* value) {
    return WithConnection([&](Connection& c) -> LONG {
        Query query(c, kValueAt);
        int rc = query.Bind(key).Bind(sqlite3_int64{index}).Step();
        if (rc == SQLITE_ROW) ReadValue(query, value);
        return rc == SQLITE_ROW    ? ERROR_SUCCESS
               : rc == SQLITE_DONE ? NotFound(c, key, ERROR_NO_MORE_ITEMS)
                                   : ErrorOf(rc, false);
    });
}

LONG StoreDeleteValue(KeyId key, const std::wstring& name) {
    return WithConnection([&](Connection& c) -> LONG {
        Query query(c, kDeleteValue);
        int rc = query.Bind(key).Bind(FoldCase(name)).Step();
        if (rc != SQLITE_DONE) return ErrorOf(rc, true);
        return sqlite3_changes(c.db()) > 0 ? ERROR_SUCCESS : NotFound(c, key, ERROR_FILE_NOT_FOUND);
    });
}

std::optional<DamagedFile> TakeDamagedFileReport() {
    WithConnection([](Connection&) { return ERROR_SUCCESS; });  // the file is looked at when opened
    return TakeRecordedDamagedFile();
}

std::uint64_t StoreFlushCount() { return g_flushes.load(); }

LONG StoreFlush() {
    g_flushes.fetch_add(1);
    return WithConnection([&](Connection& c) -> LONG {
        // Copy what the write-ahead log holds into the main file as far as readers allow
        // (this syncs both), then sync the log itself for whatever had to stay in it.
        int rc = sqlite3_wal_checkpoint_v2(c.db(), "main", SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
        if (rc != SQLITE_OK && rc != SQLITE_BUSY) return ErrorOf(rc, true);
        sqlite3_file* log = nullptr;
        if (sqlite3_file_control(c.db(), "main", SQLITE_FCNTL_JOURNAL_POINTER, &log) == SQLITE_OK && log &&
            log->pMethods && log->pMethods->xSync(log, SQLITE_SYNC_FULL) != SQLITE_OK)
            return ERROR_CANTWRITE;
        return ERROR_SUCCESS;
    });
}

}  // namespace platform::registry
