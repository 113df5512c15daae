// A typed key-value store in one SQLite database, shared by every process of the device:
// the engine under vconf and the package preferences.
//
// Durability: the database runs in WAL mode with synchronous=NORMAL. A commit has reached
// the WAL file (in the kernel's page cache) when Set() returns, so it survives a kill -9
// of the writer; only a power cut can take back the last commits, and even then the
// database stays consistent. FULL would add an fsync to every write, which on flash
// costs milliseconds that every change notification would wait for.
//
// Concurrency: writes run in BEGIN IMMEDIATE transactions with a busy time-out, so
// several processes writing at once all succeed. Readers never block writers.
//
// A write that changes a value is announced through the Notifier after its commit. Every
// failure to open, read or write the database logs one line with the store's tag and
// gives Status::Io (or Busy); the data on disk is left as it was. A database replaced on
// disk (by Reset() in another process) is reopened at the next call.
#pragma once

#include <sqlite3.h>

#include <mutex>
#include <string>
#include <sys/types.h>
#include <vector>

namespace watch {
namespace settings {

enum class Type { None, Int, Bool, Double, String };

// "int", "bool", "double", "string" ("none" for None).
const char* TypeName(Type type);
// Accepts the names above; false for anything else.
bool ParseType(const char* name, Type* type);

// A key any store accepts: not empty, at most 1024 bytes, UTF-8 (the bus carries keys as
// D-Bus strings), no control characters.
bool IsValidKeyText(const char* key);

struct Value {
    Type type = Type::None;
    int i = 0; // Int, and Bool as 0 or 1
    double d = 0.0;
    std::string s;

    static Value Int(int v);
    static Value Bool(bool v);
    static Value Double(double v);
    static Value String(const std::string& v);
    bool operator==(const Value& other) const;
    bool operator!=(const Value& other) const { return !(*this == other); }
    // The value as text: "42", "true", "0.5", the string itself.
    std::string Text() const;
};

struct Item {
    std::string key;
    Value value;
};

enum class Status {
    Ok,
    NoKey,    // the key is not stored
    BadValue, // a value the store cannot keep (None, NaN)
    Io,       // the database cannot be opened, read or written (logged)
    Busy,     // other writers held the database past the time-out (logged)
};

class Store {
  public:
    // path: the database file (its folder is made when missing). channel: the name under
    // which changes are announced ("vconf", "preference:<package>"). tag: the log tag of
    // failure lines. resetHint: the command that repairs the database, for those lines.
    Store(std::string path, std::string channel, std::string tag, std::string resetHint);
    ~Store();

    const std::string& Path() const { return mPath; }
    const std::string& Channel() const { return mChannel; }
    // The reason of the last logged failure, for tools that show it to a person.
    std::string LastError();

    Status Get(const std::string& key, Value* out);
    // Stores the value; when it differs from the stored one (in type or value) the change
    // is announced after the commit. *changed tells which happened.
    Status Set(const std::string& key, const Value& value, bool* changed = nullptr);
    // Removes the key (announced). NoKey when it was not stored.
    Status Remove(const std::string& key);
    // Removes every key that begins with prefix ("" for all), each announced.
    Status RemovePrefix(const std::string& prefix, size_t* removed = nullptr);
    // Every key that begins with prefix, in key order (rows of a type this store does not
    // know are left out, with a log line).
    Status List(std::vector<Item>* out, const std::string& prefix = std::string());
    // Once per boot: when bootId differs from the one recorded, removes every key that
    // begins with prefix and records bootId. *cleared tells whether it did.
    Status ClearOncePerBoot(const std::string& prefix, const std::string& bootId,
                            bool* cleared = nullptr);
    // Deletes the database files, readable or not, and starts an empty database. The keys
    // that could still be read are announced as removed.
    Status Reset();

  private:
    enum Stmt { kGet, kPut, kDelete, kList, kMetaGet, kMetaPut, kStmtCount };

    bool OpenLocked(bool quiet);
    int SetupLocked(const char** reason);
    void CloseLocked();
    sqlite3_stmt* Prepare(Stmt which);
    bool Exec(const char* sql);
    Status Fail(const char* what);
    Status FailText(const std::string& what, const std::string& reason, int code);
    Status ReadLocked(const std::string& key, Value* out, bool quiet);
    Status RowValue(sqlite3_stmt* stmt, int column, const std::string& key, Value* out, bool quiet);
    Status PutLocked(const std::string& key, const Value& value);
    Status ListLocked(const std::string& prefix, std::vector<Item>* out, bool quiet,
                      bool keepForeign);
    Status RemovePrefixLocked(const std::string& prefix, std::vector<std::string>* removed);
    void Rollback();
    void Announce(const std::string& key);

    const std::string mPath;
    const std::string mChannel;
    const std::string mTag;
    const std::string mResetHint;
    std::mutex mMutex;
    sqlite3* mDb = nullptr;
    sqlite3_stmt* mStmts[kStmtCount] = {};
    dev_t mDev = 0;
    ino_t mIno = 0;
    std::string mLastError;
    bool mReopen = false; // the file proved corrupt: open it afresh next time

    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;
};

} // namespace settings
} // namespace watch
