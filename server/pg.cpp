#include "server/pg.h"

#include <cstring>

namespace srv::pg {

namespace {

struct OptionsDeleter {
    void operator()(PQconninfoOption* o) const { PQconninfoFree(o); }
};
using Options = std::unique_ptr<PQconninfoOption, OptionsDeleter>;

Options parse(const std::string& conninfo) {
    char* error = nullptr;
    Options options(PQconninfoParse(conninfo.c_str(), &error));
    PQfreemem(error);
    return options;
}

// key='value' with quotes and backslashes escaped, as libpq reads it.
std::string quoted(const char* value) {
    std::string out = "'";
    for (const char* p = value; *p; ++p) {
        if (*p == '\'' || *p == '\\')
            out += '\\';
        out += *p;
    }
    return out + "'";
}

std::string rebuild(const Options& options, const char* dbname) {
    std::string out;
    for (PQconninfoOption* o = options.get(); o && o->keyword; ++o) {
        const char* value = std::strcmp(o->keyword, "dbname") == 0 && dbname ? dbname : o->val;
        if (!value || !*value || std::strcmp(o->keyword, "password") == 0)
            continue;
        if (!out.empty())
            out += ' ';
        out += std::string(o->keyword) + "=" + quoted(value);
    }
    if (dbname && out.find("dbname=") == std::string::npos)
        out += std::string(out.empty() ? "" : " ") + "dbname=" + quoted(dbname);
    return out;
}

std::string value_of(const Options& options, const char* keyword) {
    for (PQconninfoOption* o = options.get(); o && o->keyword; ++o)
        if (std::strcmp(o->keyword, keyword) == 0 && o->val)
            return o->val;
    return {};
}

}  // namespace

std::string without_password(const std::string& conninfo) {
    Options options = parse(conninfo);
    return options ? rebuild(options, nullptr) : std::string();
}

bool has_password(const std::string& conninfo) {
    Options options = parse(conninfo);
    return options && !value_of(options, "password").empty();
}

std::string with_database(const std::string& conninfo, const std::string& dbname) {
    Options options = parse(conninfo);
    return options ? rebuild(options, dbname.c_str()) : std::string();
}

std::string database_of(const std::string& conninfo) {
    Options options = parse(conninfo);
    if (!options)
        return {};
    std::string db = value_of(options, "dbname");
    if (db.empty())
        db = value_of(options, "user");
    if (db.empty()) {
        const char* user = std::getenv("PGUSER");
        db = user ? user : "";
    }
    return db;
}

std::string quote_identifier(const std::string& name) {
    std::string out = "\"";
    for (char ch : name) {
        if (ch == '"')
            out += '"';
        out += ch;
    }
    return out + "\"";
}

std::string describe(const std::string& conninfo) {
    Options options = parse(conninfo);
    if (!options)
        return "(a connection string libpq cannot read)";
    std::string host = value_of(options, "host");
    if (host.empty())
        host = value_of(options, "hostaddr");
    std::string port = value_of(options, "port");
    return (host.empty() ? "localhost" : host) + (port.empty() ? "" : ":" + port) + "/" +
           database_of(conninfo);
}

int64_t Result::i64(int row, int col) const {
    return std::strtoll(PQgetvalue(r_.get(), row, col), nullptr, 10);
}

int64_t Result::affected() const {
    const char* n = PQcmdTuples(r_.get());
    return n && *n ? std::strtoll(n, nullptr, 10) : 0;
}

Conn::Conn(const std::string& conninfo) : where_(describe(conninfo)) {
    c_.reset(PQconnectdb(conninfo.c_str()));
    if (!c_ || PQstatus(c_.get()) != CONNECTION_OK) {
        std::string message = c_ ? PQerrorMessage(c_.get()) : "out of memory";
        while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
            message.pop_back();
        throw Unavailable("cannot connect to PostgreSQL at " + where_ + ": " + message);
    }
    // An acknowledged write is a committed one, whatever the server's default says.
    exec("SET synchronous_commit = on");
    exec("SET client_min_messages = warning");
}

Result Conn::check(PGresult* raw, const std::string& what) {
    Result r(raw);
    ExecStatusType status = raw ? PQresultStatus(raw) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
        return r;
    if (broken() || !raw) {
        prepared_.clear();
        throw Unavailable("PostgreSQL at " + where_ +
                          " is unavailable: " + PQerrorMessage(c_.get()));
    }
    const char* state = PQresultErrorField(raw, PG_DIAG_SQLSTATE);
    std::string message = PQresultErrorMessage(raw);
    if (state && std::strcmp(state, "23505") == 0)
        throw Conflict(message);
    throw DbError(what + ": " + message);
}

Result Conn::run(const std::string& sql, const Params& params) {
    auto it = prepared_.find(sql);
    if (it == prepared_.end()) {
        std::string name = "s" + std::to_string(prepared_.size() + 1);
        check(PQprepare(c_.get(), name.c_str(), sql.c_str(), 0, nullptr), "prepare");
        it = prepared_.emplace(sql, name).first;
    }
    std::vector<const char*> values;
    values.reserve(params.size());
    for (const auto& p : params) values.push_back(p ? p->c_str() : nullptr);
    return check(PQexecPrepared(c_.get(), it->second.c_str(), static_cast<int>(values.size()),
                                values.data(), nullptr, nullptr, 0),
                 "query");
}

void Conn::exec(const std::string& sql) {
    check(PQexec(c_.get(), sql.c_str()), "statement");
}

Pool::Lease Pool::take() {
    std::unique_lock<std::mutex> lock(mu_);
    freed_.wait(lock, [this] { return !idle_.empty() || out_ < size_; });
    ++out_;
    if (!idle_.empty()) {
        std::unique_ptr<Conn> conn = std::move(idle_.back());
        idle_.pop_back();
        return Lease(*this, std::move(conn));
    }
    lock.unlock();
    try {
        return Lease(*this, std::make_unique<Conn>(conninfo_));
    } catch (...) {
        std::lock_guard<std::mutex> relock(mu_);
        --out_;
        freed_.notify_one();
        throw;
    }
}

void Pool::give_back(std::unique_ptr<Conn> conn) {
    std::lock_guard<std::mutex> lock(mu_);
    --out_;
    if (!conn->broken())
        idle_.push_back(std::move(conn));
    freed_.notify_one();
}

Transaction::~Transaction() {
    if (!done_ && !conn_.broken()) {
        try {
            conn_.exec("ROLLBACK");
        } catch (...) {
        }
    }
}

}  // namespace srv::pg
