#include "server/db.h"

namespace srv {

Db::Db(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        std::string msg = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        db_ = nullptr;
        throw DbError("cannot open " + path + ": " + msg);
    }
    sqlite3_busy_timeout(db_, 10000);
    exec("PRAGMA journal_mode=WAL");
    exec("PRAGMA synchronous=FULL");
    exec("PRAGMA foreign_keys=ON");
}

Db::~Db() {
    sqlite3_close(db_);
}

void Db::exec(const char* sql) {
    char* err = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        std::string msg = err ? err : "unknown error";
        sqlite3_free(err);
        throw DbError(msg);
    }
}

Stmt::Stmt(Db& db, const char* sql) : db_(db.handle()) {
    if (sqlite3_prepare_v2(db_, sql, -1, &st_, nullptr) != SQLITE_OK)
        throw DbError(std::string("prepare: ") + sqlite3_errmsg(db_));
}

Stmt& Stmt::bind(int i, int64_t v) {
    sqlite3_bind_int64(st_, i, v);
    return *this;
}

Stmt& Stmt::bind(int i, std::string_view v) {
    sqlite3_bind_text(st_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    return *this;
}

Stmt& Stmt::bind_null(int i) {
    sqlite3_bind_null(st_, i);
    return *this;
}

bool Stmt::step() {
    int rc = sqlite3_step(st_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    throw DbError(std::string("step: ") + sqlite3_errmsg(db_));
}

std::string Stmt::text(int col) const {
    const auto* p = sqlite3_column_text(st_, col);
    return p ? std::string(reinterpret_cast<const char*>(p),
                           static_cast<std::size_t>(sqlite3_column_bytes(st_, col)))
             : std::string();
}

void Stmt::text_into(int col, std::string& out) const {
    const auto* p = sqlite3_column_text(st_, col);
    if (p)
        out.assign(reinterpret_cast<const char*>(p),
                   static_cast<std::size_t>(sqlite3_column_bytes(st_, col)));
    else
        out.clear();
}

}  // namespace srv
