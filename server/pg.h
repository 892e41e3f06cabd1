// PostgreSQL through libpq with RAII: connections, results, a pool of connections each with
// its prepared statements, and the connection strings as they may be shown. Values are always
// sent as parameters, never spliced into SQL text.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <libpq-fe.h>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "server/db.h"

namespace srv::pg {

// The connection could not be made or was lost: the database is unavailable, not wrong.
struct Unavailable : DbError {
    using DbError::DbError;
};

// A connection string ("postgresql://…" or "key=value …") without its password, for log lines,
// messages and the shard registry; empty when libpq cannot read it.
std::string without_password(const std::string& conninfo);
bool has_password(const std::string& conninfo);
// The same server and role with another database, without a password.
std::string with_database(const std::string& conninfo, const std::string& dbname);
// "host:port/dbname" of a connection string, for messages.
std::string describe(const std::string& conninfo);
// A name as an SQL identifier, quoted (for CREATE DATABASE, which takes no parameters).
std::string quote_identifier(const std::string& name);
// The database a connection string names (libpq's default: the user name).
std::string database_of(const std::string& conninfo);

struct ResultDeleter {
    void operator()(PGresult* r) const { PQclear(r); }
};

class Result {
public:
    explicit Result(PGresult* r) : r_(r) {}
    int rows() const { return PQntuples(r_.get()); }
    bool null(int row, int col) const { return PQgetisnull(r_.get(), row, col) != 0; }
    std::string_view text(int row, int col) const {
        return {PQgetvalue(r_.get(), row, col),
                static_cast<std::size_t>(PQgetlength(r_.get(), row, col))};
    }
    int64_t i64(int row, int col) const;
    int64_t affected() const;

private:
    std::unique_ptr<PGresult, ResultDeleter> r_;
};

// Parameters as text; std::nullopt is SQL NULL.
using Params = std::vector<std::optional<std::string>>;

class Conn {
public:
    // Connects, or throws Unavailable naming the server (never the password).
    explicit Conn(const std::string& conninfo);
    Conn(const Conn&) = delete;
    Conn& operator=(const Conn&) = delete;

    // Runs a statement prepared once per connection. A unique violation throws `Conflict`; a lost
    // connection throws Unavailable and marks the connection broken.
    Result run(const std::string& sql, const Params& params = {});
    // Plain SQL without parameters (schema, transaction control).
    void exec(const std::string& sql);
    bool broken() const { return PQstatus(c_.get()) != CONNECTION_OK; }

private:
    struct ConnDeleter {
        void operator()(PGconn* c) const { PQfinish(c); }
    };
    std::unique_ptr<PGconn, ConnDeleter> c_;
    std::string where_;
    std::unordered_map<std::string, std::string> prepared_;  // SQL text → statement name
    Result check(PGresult* r, const std::string& what);
};

// A unique constraint refused a row.
struct Conflict : DbError {
    using DbError::DbError;
};

// Up to `size` connections to one database, made as they are needed; a broken one is dropped
// when it comes back, so the pool recovers by itself once the database returns.
class Pool {
public:
    Pool(std::string conninfo, int size) : conninfo_(std::move(conninfo)), size_(size) {}

    class Lease {
    public:
        Lease(Pool& pool, std::unique_ptr<Conn> conn) : pool_(pool), conn_(std::move(conn)) {}
        Lease(Lease&& other) noexcept = default;
        ~Lease() {
            if (conn_)
                pool_.give_back(std::move(conn_));
        }
        Conn* operator->() { return conn_.get(); }
        Conn& operator*() { return *conn_; }

    private:
        Pool& pool_;
        std::unique_ptr<Conn> conn_;
    };

    Lease take();
    const std::string& conninfo() const { return conninfo_; }

private:
    void give_back(std::unique_ptr<Conn> conn);
    std::string conninfo_;
    int size_;
    int out_ = 0;
    std::vector<std::unique_ptr<Conn>> idle_;
    std::mutex mu_;
    std::condition_variable freed_;
};

// BEGIN … COMMIT on one leased connection, rolled back when left by an exception.
class Transaction {
public:
    explicit Transaction(Conn& conn) : conn_(conn) { conn_.exec("BEGIN"); }
    ~Transaction();
    void commit() {
        conn_.exec("COMMIT");
        done_ = true;
    }

private:
    Conn& conn_;
    bool done_ = false;
};

}  // namespace srv::pg
