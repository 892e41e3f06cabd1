// SQLite with RAII: a connection and prepared statements. Every statement is prepared; values
// are bound, never spliced into SQL text.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace srv {

struct DbError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Db {
public:
    // Opens (creating) the database in WAL mode with synchronous commits, so that every
    // committed write survives a crash of the process or the machine.
    explicit Db(const std::string& path);
    ~Db();
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;

    sqlite3* handle() const { return db_; }
    void exec(const char* sql);  // schema and transaction control only
    int64_t last_insert_id() const { return sqlite3_last_insert_rowid(db_); }
    int changes() const { return sqlite3_changes(db_); }

private:
    sqlite3* db_ = nullptr;
};

class Stmt {
public:
    Stmt(Db& db, const char* sql);
    ~Stmt() { sqlite3_finalize(st_); }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;

    Stmt& bind(int i, int64_t v);
    Stmt& bind(int i, std::string_view v);
    Stmt& bind_null(int i);
    bool step();  // true while rows come; throws on error
    void reset() {
        sqlite3_reset(st_);
        sqlite3_clear_bindings(st_);
    }
    void run() {
        while (step()) {
        }
    }
    int64_t i64(int col) const { return sqlite3_column_int64(st_, col); }
    std::string text(int col) const;
    // The column's text into `out`, whose capacity is reused.
    void text_into(int col, std::string& out) const;
    bool is_null(int col) const { return sqlite3_column_type(st_, col) == SQLITE_NULL; }

private:
    sqlite3* db_;
    sqlite3_stmt* st_ = nullptr;
};

// BEGIN IMMEDIATE ... COMMIT, rolled back when left by an exception.
class Transaction {
public:
    explicit Transaction(Db& db) : db_(db) { db_.exec("BEGIN IMMEDIATE"); }
    ~Transaction() {
        if (!done_)
            sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
    void commit() {
        db_.exec("COMMIT");
        done_ = true;
    }

private:
    Db& db_;
    bool done_ = false;
};

}  // namespace srv
