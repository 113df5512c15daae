#include "settings_store.h"
#include "settings_notify.h"

#include "dlog.h"
#include "watch_device.h"

#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace watch {
namespace settings {

namespace {

// Long enough for a burst of writers on a slow flash, short enough that a stuck writer
// shows up as an error rather than a hang.
constexpr int kBusyTimeoutMs = 5000;
constexpr int kSetupRetryMs = 2;

const char* const kStmtSql[] = {
    "SELECT type, value FROM settings WHERE key = ?1",
    "INSERT OR REPLACE INTO settings(key, type, value) VALUES(?1, ?2, ?3)",
    "DELETE FROM settings WHERE key = ?1",
    "SELECT key, type, value FROM settings WHERE instr(key, ?1) = 1 ORDER BY key",
    "SELECT value FROM meta WHERE name = ?1",
    "INSERT OR REPLACE INTO meta(name, value) VALUES(?1, ?2)",
};

const char kSchema[] = "CREATE TABLE IF NOT EXISTS settings("
                       "key TEXT PRIMARY KEY NOT NULL, type TEXT NOT NULL, value) WITHOUT ROWID;"
                       "CREATE TABLE IF NOT EXISTS meta("
                       "name TEXT PRIMARY KEY NOT NULL, value TEXT) WITHOUT ROWID;";

bool IsCorruption(int code) {
    code &= 0xff;
    return code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

// Resets a cached statement when the scope ends, so no read transaction stays open.
class StmtUse {
  public:
    explicit StmtUse(sqlite3_stmt* stmt) : mStmt(stmt) {}
    ~StmtUse() {
        if (mStmt) {
            sqlite3_reset(mStmt);
            sqlite3_clear_bindings(mStmt);
        }
    }
    sqlite3_stmt* operator->() const { return mStmt; }
    operator sqlite3_stmt*() const { return mStmt; }

  private:
    sqlite3_stmt* mStmt;
};

} // namespace

bool IsValidKeyText(const char* key) {
    if (!key || !*key)
        return false;
    const size_t len = strlen(key);
    if (len > 1024 || !g_utf8_validate(key, static_cast<gssize>(len), nullptr))
        return false;
    for (const char* p = key; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c < 0x20 || c == 0x7f)
            return false;
    }
    return true;
}

const char* TypeName(Type type) {
    switch (type) {
    case Type::Int:
        return "int";
    case Type::Bool:
        return "bool";
    case Type::Double:
        return "double";
    case Type::String:
        return "string";
    case Type::None:
        break;
    }
    return "none";
}

bool ParseType(const char* name, Type* type) {
    if (!name)
        return false;
    for (Type t : {Type::Int, Type::Bool, Type::Double, Type::String}) {
        if (strcmp(name, TypeName(t)) == 0) {
            *type = t;
            return true;
        }
    }
    return false;
}

Value Value::Int(int v) {
    Value value;
    value.type = Type::Int;
    value.i = v;
    return value;
}

Value Value::Bool(bool v) {
    Value value;
    value.type = Type::Bool;
    value.i = v ? 1 : 0;
    return value;
}

Value Value::Double(double v) {
    Value value;
    value.type = Type::Double;
    value.d = v;
    return value;
}

Value Value::String(const std::string& v) {
    Value value;
    value.type = Type::String;
    value.s = v;
    return value;
}

bool Value::operator==(const Value& other) const {
    if (type != other.type)
        return false;
    switch (type) {
    case Type::Int:
    case Type::Bool:
        return i == other.i;
    case Type::Double:
        return d == other.d;
    case Type::String:
        return s == other.s;
    case Type::None:
        break;
    }
    return true;
}

std::string Value::Text() const {
    switch (type) {
    case Type::Int:
        return std::to_string(i);
    case Type::Bool:
        return i ? "true" : "false";
    case Type::Double: {
        char buf[64];
        snprintf(buf, sizeof(buf), "%.17g", d);
        // The shortest form that reads back the same.
        for (int precision = 1; precision < 17; ++precision) {
            char shorter[64];
            snprintf(shorter, sizeof(shorter), "%.*g", precision, d);
            if (strtod(shorter, nullptr) == d)
                return shorter;
        }
        return buf;
    }
    case Type::String:
        return s;
    case Type::None:
        break;
    }
    return std::string();
}

Store::Store(std::string path, std::string channel, std::string tag, std::string resetHint)
    : mPath(std::move(path)), mChannel(std::move(channel)), mTag(std::move(tag)),
      mResetHint(std::move(resetHint)) {}

Store::~Store() {
    std::lock_guard<std::mutex> lock(mMutex);
    CloseLocked();
}

void Store::CloseLocked() {
    for (sqlite3_stmt*& stmt : mStmts) {
        sqlite3_finalize(stmt);
        stmt = nullptr;
    }
    if (mDb)
        sqlite3_close(mDb);
    mDb = nullptr;
}

std::string Store::LastError() {
    std::lock_guard<std::mutex> lock(mMutex);
    return mLastError;
}

Status Store::FailText(const std::string& what, const std::string& reason, int code) {
    mLastError = what + " " + mPath + ": " + reason;
    const bool busy = (code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED;
    if (IsCorruption(code))
        __dlog_print(LOG_ID_MAIN, DLOG_ERROR, mTag.c_str(), "%s %s: %s (%d); `%s` starts it afresh",
                     what.c_str(), mPath.c_str(), reason.c_str(), code, mResetHint.c_str());
    else if (busy)
        __dlog_print(LOG_ID_MAIN, DLOG_ERROR, mTag.c_str(),
                     "%s %s: locked by another writer for too long (%s)", what.c_str(),
                     mPath.c_str(), reason.c_str());
    else
        __dlog_print(LOG_ID_MAIN, DLOG_ERROR, mTag.c_str(), "%s %s: %s (%d)", what.c_str(),
                     mPath.c_str(), reason.c_str(), code);
    return busy ? Status::Busy : Status::Io;
}

// Logs the connection's last error, ends any open transaction and drops a connection to a
// corrupt file, so that the next call opens whatever the path holds then.
Status Store::Fail(const char* what) {
    const int code = mDb ? sqlite3_extended_errcode(mDb) : SQLITE_ERROR;
    const std::string reason = mDb ? sqlite3_errmsg(mDb) : "not open";
    Rollback();
    // Closed at the next OpenLocked(): a statement of the caller may still be in use.
    if (IsCorruption(code))
        mReopen = true;
    return FailText(what, reason, code);
}

void Store::Rollback() {
    if (mDb && !sqlite3_get_autocommit(mDb))
        sqlite3_exec(mDb, "ROLLBACK", nullptr, nullptr, nullptr);
}

bool Store::Exec(const char* sql) {
    return sqlite3_exec(mDb, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

sqlite3_stmt* Store::Prepare(Stmt which) {
    if (!mStmts[which] && sqlite3_prepare_v3(mDb, kStmtSql[which], -1, SQLITE_PREPARE_PERSISTENT,
                                             &mStmts[which], nullptr) != SQLITE_OK) {
        mStmts[which] = nullptr;
    }
    return mStmts[which];
}

// WAL mode, the durability level and the tables. SQLITE_OK, or the failure's code with
// *reason.
int Store::SetupLocked(const char** reason) {
    // journal_mode answers with the mode in force; anything but "wal" means it could not
    // be switched (a read-only folder, for one).
    sqlite3_stmt* wal = nullptr;
    int rc = sqlite3_prepare_v2(mDb, "PRAGMA journal_mode=WAL", -1, &wal, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(wal);
    const char* mode =
        rc == SQLITE_ROW ? reinterpret_cast<const char*>(sqlite3_column_text(wal, 0)) : nullptr;
    const bool walOn = mode && strcmp(mode, "wal") == 0;
    sqlite3_finalize(wal);
    if (rc == SQLITE_ROW && !walOn) {
        *reason = "cannot switch to WAL mode";
        return SQLITE_CANTOPEN;
    }
    if (rc == SQLITE_ROW && Exec("PRAGMA synchronous=NORMAL") && Exec(kSchema))
        return SQLITE_OK;
    *reason = sqlite3_errmsg(mDb);
    rc = sqlite3_extended_errcode(mDb);
    return rc == SQLITE_OK ? SQLITE_ERROR : rc;
}

bool Store::OpenLocked(bool quiet) {
    struct stat st;
    if (mDb && !mReopen) {
        // Still the same file? Reset() elsewhere replaces it with a new one.
        if (stat(mPath.c_str(), &st) == 0 && st.st_dev == mDev && st.st_ino == mIno)
            return true;
    }
    CloseLocked();
    mReopen = false;
    const std::string folder = FolderOf(mPath);
    if (!MakeDirs(folder)) {
        if (!quiet)
            FailText("cannot make the folder of", strerror(errno), SQLITE_CANTOPEN);
        return false;
    }
    int rc =
        sqlite3_open_v2(mPath.c_str(), &mDb, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        if (!quiet)
            FailText("cannot open", mDb ? sqlite3_errmsg(mDb) : sqlite3_errstr(rc), rc);
        CloseLocked();
        return false;
    }
    sqlite3_extended_result_codes(mDb, 1);
    sqlite3_busy_timeout(mDb, kBusyTimeoutMs);

    // Switching a new file to WAL and creating the tables can meet SQLITE_BUSY without the
    // busy handler being asked (another process is doing the same): retry until the busy
    // time-out.
    const char* reason = nullptr;
    int code = SQLITE_OK;
    for (int waited = 0;; waited += kSetupRetryMs) {
        code = SetupLocked(&reason);
        const bool busy = (code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED;
        if (!busy || waited >= kBusyTimeoutMs)
            break;
        usleep(kSetupRetryMs * 1000);
    }
    if (code == SQLITE_OK && stat(mPath.c_str(), &st) != 0) {
        code = SQLITE_IOERR_FSTAT;
        reason = strerror(errno);
    }
    if (code != SQLITE_OK) {
        if (!quiet)
            FailText("cannot use", reason, code);
        CloseLocked();
        return false;
    }
    mDev = st.st_dev;
    mIno = st.st_ino;
    return true;
}

// Reads one key in the current transaction (or its own). BadValue: a row of a type this
// store does not know (logged unless quiet).
Status Store::ReadLocked(const std::string& key, Value* out, bool quiet) {
    sqlite3_stmt* raw = Prepare(kGet);
    if (!raw)
        return quiet ? Status::Io : Fail("cannot read");
    StmtUse stmt(raw);
    sqlite3_bind_text(stmt, 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_DONE)
        return Status::NoKey;
    if (rc != SQLITE_ROW)
        return quiet ? Status::Io : Fail("cannot read");
    return RowValue(stmt, 0, key, out, quiet);
}

Status Store::RowValue(sqlite3_stmt* stmt, int column, const std::string& key, Value* out,
                       bool quiet) {
    Type type;
    const char* typeName = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    if (!ParseType(typeName, &type)) {
        if (!quiet)
            FailText("unknown type \"" + std::string(typeName ? typeName : "") + "\" of key \"" +
                         key + "\" in",
                     "the row was not written by this store", SQLITE_MISMATCH);
        return Status::BadValue;
    }
    Value value;
    value.type = type;
    switch (type) {
    case Type::Int: {
        sqlite3_int64 v = sqlite3_column_int64(stmt, column + 1);
        value.i = static_cast<int>(v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : v);
        break;
    }
    case Type::Bool:
        value.i = sqlite3_column_int64(stmt, column + 1) != 0;
        break;
    case Type::Double:
        value.d = sqlite3_column_double(stmt, column + 1);
        break;
    case Type::String: {
        const unsigned char* text = sqlite3_column_text(stmt, column + 1);
        int bytes = sqlite3_column_bytes(stmt, column + 1);
        if (text)
            value.s.assign(reinterpret_cast<const char*>(text), static_cast<size_t>(bytes));
        break;
    }
    case Type::None:
        break;
    }
    *out = std::move(value);
    return Status::Ok;
}

Status Store::Get(const std::string& key, Value* out) {
    std::lock_guard<std::mutex> lock(mMutex);
    if (!OpenLocked(false))
        return Status::Io;
    Status status = ReadLocked(key, out, false);
    return status == Status::BadValue ? Status::Io : status;
}

Status Store::PutLocked(const std::string& key, const Value& value) {
    sqlite3_stmt* raw = Prepare(kPut);
    if (!raw)
        return Fail("cannot write");
    StmtUse stmt(raw);
    sqlite3_bind_text(stmt, 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
    sqlite3_bind_text(stmt, 2, TypeName(value.type), -1, SQLITE_STATIC);
    switch (value.type) {
    case Type::Int:
    case Type::Bool:
        sqlite3_bind_int(stmt, 3, value.i);
        break;
    case Type::Double:
        sqlite3_bind_double(stmt, 3, value.d);
        break;
    case Type::String:
        sqlite3_bind_text(stmt, 3, value.s.data(), static_cast<int>(value.s.size()), SQLITE_STATIC);
        break;
    case Type::None:
        break;
    }
    if (sqlite3_step(stmt) != SQLITE_DONE)
        return Fail("cannot write");
    return Status::Ok;
}

Status Store::Set(const std::string& key, const Value& value, bool* changed) {
    if (changed)
        *changed = false;
    if (value.type == Type::None || (value.type == Type::Double && std::isnan(value.d)))
        return Status::BadValue;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        if (!OpenLocked(false))
            return Status::Io;
        // IMMEDIATE takes the write lock first, so the compare and the write see the same
        // state and a busy database waits in the busy handler instead of failing.
        if (!Exec("BEGIN IMMEDIATE"))
            return Fail("cannot write");
        // A row this store cannot read (BadValue, logged) is simply overwritten.
        Value old;
        Status status = ReadLocked(key, &old, false);
        if (status == Status::Io || status == Status::Busy) {
            Rollback();
            return status;
        }
        if (status == Status::Ok && old == value) {
            Exec("COMMIT");
            return Status::Ok;
        }
        status = PutLocked(key, value);
        if (status != Status::Ok)
            return status;
        if (!Exec("COMMIT"))
            return Fail("cannot commit a write to");
    }
    if (changed)
        *changed = true;
    Announce(key);
    return Status::Ok;
}

Status Store::Remove(const std::string& key) {
    {
        std::lock_guard<std::mutex> lock(mMutex);
        if (!OpenLocked(false))
            return Status::Io;
        sqlite3_stmt* raw = Prepare(kDelete);
        if (!raw)
            return Fail("cannot remove a key from");
        StmtUse stmt(raw);
        sqlite3_bind_text(stmt, 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
        if (sqlite3_step(stmt) != SQLITE_DONE)
            return Fail("cannot remove a key from");
        if (sqlite3_changes(mDb) == 0)
            return Status::NoKey;
    }
    Announce(key);
    return Status::Ok;
}

// Rows of unknown type are skipped, or with keepForeign listed with a None value (so
// that they can be removed).
Status Store::ListLocked(const std::string& prefix, std::vector<Item>* out, bool quiet,
                         bool keepForeign) {
    sqlite3_stmt* raw = Prepare(kList);
    if (!raw)
        return quiet ? Status::Io : Fail("cannot list");
    StmtUse stmt(raw);
    sqlite3_bind_text(stmt, 1, prefix.data(), static_cast<int>(prefix.size()), SQLITE_STATIC);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        Item item;
        const char* key = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        if (key)
            item.key.assign(key, static_cast<size_t>(sqlite3_column_bytes(stmt, 0)));
        if (RowValue(stmt, 1, item.key, &item.value, quiet || keepForeign) == Status::Ok ||
            keepForeign)
            out->push_back(std::move(item));
    }
    if (rc != SQLITE_DONE)
        return quiet ? Status::Io : Fail("cannot list");
    return Status::Ok;
}

Status Store::List(std::vector<Item>* out, const std::string& prefix) {
    out->clear();
    std::lock_guard<std::mutex> lock(mMutex);
    if (!OpenLocked(false))
        return Status::Io;
    Status status = ListLocked(prefix, out, false, false);
    if (status != Status::Ok)
        out->clear();
    return status;
}

// Inside a write transaction: deletes the keys under prefix and collects their names.
Status Store::RemovePrefixLocked(const std::string& prefix, std::vector<std::string>* removed) {
    std::vector<Item> items;
    Status status = ListLocked(prefix, &items, false, true);
    if (status != Status::Ok)
        return status;
    sqlite3_stmt* raw = Prepare(kDelete);
    if (!raw)
        return Fail("cannot remove keys from");
    for (const Item& item : items) {
        StmtUse stmt(raw);
        sqlite3_bind_text(stmt, 1, item.key.data(), static_cast<int>(item.key.size()),
                          SQLITE_STATIC);
        if (sqlite3_step(stmt) != SQLITE_DONE)
            return Fail("cannot remove keys from");
        removed->push_back(item.key);
    }
    return Status::Ok;
}

Status Store::RemovePrefix(const std::string& prefix, size_t* count) {
    std::vector<std::string> removed;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        if (!OpenLocked(false))
            return Status::Io;
        if (!Exec("BEGIN IMMEDIATE"))
            return Fail("cannot remove keys from");
        Status status = RemovePrefixLocked(prefix, &removed);
        if (status != Status::Ok) {
            Rollback();
            return status;
        }
        if (!Exec("COMMIT"))
            return Fail("cannot commit a removal from");
    }
    if (count)
        *count = removed.size();
    for (const std::string& key : removed)
        Announce(key);
    return Status::Ok;
}

Status Store::ClearOncePerBoot(const std::string& prefix, const std::string& bootId,
                               bool* cleared) {
    static const char kBootName[] = "boot";
    if (cleared)
        *cleared = false;
    std::vector<std::string> removed;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        if (!OpenLocked(false))
            return Status::Io;
        if (!Exec("BEGIN IMMEDIATE"))
            return Fail("cannot clear volatile keys of");
        sqlite3_stmt* get = Prepare(kMetaGet);
        if (!get)
            return Fail("cannot read the boot record of");
        std::string recorded;
        {
            StmtUse stmt(get);
            sqlite3_bind_text(stmt, 1, kBootName, -1, SQLITE_STATIC);
            int rc = sqlite3_step(stmt);
            if (rc == SQLITE_ROW && sqlite3_column_text(stmt, 0))
                recorded = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
            else if (rc != SQLITE_DONE)
                return Fail("cannot read the boot record of");
        }
        if (recorded == bootId) {
            Exec("COMMIT");
            return Status::Ok;
        }
        Status status = RemovePrefixLocked(prefix, &removed);
        if (status != Status::Ok) {
            Rollback();
            return status;
        }
        sqlite3_stmt* put = Prepare(kMetaPut);
        if (!put)
            return Fail("cannot write the boot record of");
        {
            StmtUse stmt(put);
            sqlite3_bind_text(stmt, 1, kBootName, -1, SQLITE_STATIC);
            sqlite3_bind_text(stmt, 2, bootId.data(), static_cast<int>(bootId.size()),
                              SQLITE_STATIC);
            if (sqlite3_step(stmt) != SQLITE_DONE)
                return Fail("cannot write the boot record of");
        }
        if (!Exec("COMMIT"))
            return Fail("cannot commit the boot record of");
    }
    if (cleared)
        *cleared = true;
    for (const std::string& key : removed)
        Announce(key);
    return Status::Ok;
}

Status Store::Reset() {
    std::vector<Item> readable;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        // What can still be read is announced as removed; a broken file announces nothing.
        if (OpenLocked(true) && ListLocked(std::string(), &readable, true, true) != Status::Ok)
            readable.clear();
        CloseLocked();
        for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
            const std::string file = mPath + suffix;
            if (unlink(file.c_str()) != 0 && errno != ENOENT)
                return FailText("cannot delete " + file + " for a reset of", strerror(errno),
                                SQLITE_IOERR_DELETE);
        }
        if (!OpenLocked(false))
            return Status::Io;
        __dlog_print(LOG_ID_MAIN, DLOG_INFO, mTag.c_str(), "%s reset: %zu keys dropped",
                     mPath.c_str(), readable.size());
    }
    for (const Item& item : readable)
        Announce(item.key);
    return Status::Ok;
}

void Store::Announce(const std::string& key) {
    Notifier::Instance().Publish(mChannel, key);
}

} // namespace settings
} // namespace watch
