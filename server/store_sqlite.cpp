#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "server/db.h"
#include "server/store.h"

namespace srv {

namespace {

const char* const kCatalogSchema = R"SQL(
CREATE TABLE IF NOT EXISTS orgs(
  id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE);
CREATE TABLE IF NOT EXISTS users(
  id INTEGER PRIMARY KEY, account TEXT NOT NULL UNIQUE, password_hash TEXT NOT NULL,
  user_type TEXT NOT NULL, username TEXT NOT NULL, phone TEXT NOT NULL,
  org_id INTEGER NOT NULL REFERENCES orgs(id), is_admin INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS notes(
  id INTEGER PRIMARY KEY AUTOINCREMENT, user_id INTEGER NOT NULL REFERENCES users(id),
  no TEXT NOT NULL, customer TEXT NOT NULL, project TEXT NOT NULL, address TEXT NOT NULL,
  contact TEXT NOT NULL, contact_phone TEXT NOT NULL, date TEXT NOT NULL, status TEXT NOT NULL,
  remark TEXT NOT NULL);
CREATE INDEX IF NOT EXISTS notes_by_user ON notes(user_id, id);
CREATE TABLE IF NOT EXISTS note_items(
  note_id INTEGER NOT NULL REFERENCES notes(id) ON DELETE CASCADE, pos INTEGER NOT NULL,
  product TEXT NOT NULL, model TEXT NOT NULL, length TEXT NOT NULL, wattage TEXT NOT NULL,
  brightness TEXT NOT NULL, sensor_mode TEXT NOT NULL, unit TEXT NOT NULL,
  quantity TEXT NOT NULL, price TEXT NOT NULL, PRIMARY KEY(note_id, pos));
CREATE TABLE IF NOT EXISTS shards(
  id INTEGER PRIMARY KEY, name TEXT NOT NULL, max_tenants INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS tenants(
  id INTEGER PRIMARY KEY, name TEXT NOT NULL, code TEXT NOT NULL,
  shard_id INTEGER NOT NULL REFERENCES shards(id), org_id INTEGER NOT NULL REFERENCES orgs(id));
CREATE TABLE IF NOT EXISTS tokens(
  hash TEXT PRIMARY KEY, user_id INTEGER NOT NULL REFERENCES users(id),
  expires_at INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS sessions(
  hash TEXT PRIMARY KEY, user_id INTEGER NOT NULL REFERENCES users(id),
  expires_at INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS releases(
  id INTEGER PRIMARY KEY, version TEXT NOT NULL, file TEXT NOT NULL);
)SQL";

const char* const kShardSchema = R"SQL(
CREATE TABLE IF NOT EXISTS vouchers(
  id INTEGER PRIMARY KEY, tenant_id INTEGER NOT NULL, voucher_no TEXT NOT NULL,
  date TEXT NOT NULL, summary TEXT NOT NULL, total_debit INTEGER NOT NULL,
  total_credit INTEGER NOT NULL, UNIQUE(tenant_id, voucher_no));
CREATE TABLE IF NOT EXISTS voucher_lines(
  voucher_id INTEGER NOT NULL REFERENCES vouchers(id) ON DELETE CASCADE, pos INTEGER NOT NULL,
  summary TEXT NOT NULL, account TEXT NOT NULL, debit INTEGER NOT NULL, credit INTEGER NOT NULL,
  PRIMARY KEY(voucher_id, pos));
)SQL";

// One connection per database file and worker thread.
Db& conn(const std::string& path) {
    thread_local std::map<std::string, std::unique_ptr<Db>> open;
    auto it = open.find(path);
    if (it == open.end())
        it = open.emplace(path, std::make_unique<Db>(path)).first;
    return *it->second;
}

// Group commit: every write to a database file runs on that file's writer thread, which takes
// all writes waiting at that moment into one transaction (each in its own savepoint, so one
// failing write does not undo the others) and answers them after the single synchronous commit.
// Every answered write is on disk, and concurrent writers share one fsync instead of queueing
// for one each.
class Writer {
public:
    explicit Writer(std::string path) : path_(std::move(path)) {
        std::thread([this] { loop(); }).detach();
    }

    void run(const std::function<void(Db&)>& fn) {
        Job job;
        job.fn = &fn;
        std::unique_lock<std::mutex> lock(mu_);
        queue_.push_back(&job);
        wake_.notify_one();
        done_.wait(lock, [&job] { return job.finished; });
        if (job.error)
            std::rethrow_exception(job.error);
    }

private:
    struct Job {
        const std::function<void(Db&)>* fn = nullptr;
        bool finished = false;
        std::exception_ptr error;
    };

    void loop() {
        Db db(path_);
        for (;;) {
            std::vector<Job*> batch;
            {
                std::unique_lock<std::mutex> lock(mu_);
                wake_.wait(lock, [this] { return !queue_.empty(); });
                batch.swap(queue_);
            }
            std::exception_ptr commit_error;
            try {
                db.exec("BEGIN IMMEDIATE");
                for (Job* job : batch) {
                    db.exec("SAVEPOINT job");
                    try {
                        (*job->fn)(db);
                        db.exec("RELEASE job");
                    } catch (...) {
                        job->error = std::current_exception();
                        db.exec("ROLLBACK TO job");
                        db.exec("RELEASE job");
                    }
                }
                db.exec("COMMIT");
            } catch (...) {
                commit_error = std::current_exception();
                sqlite3_exec(db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
            }
            std::lock_guard<std::mutex> lock(mu_);
            for (Job* job : batch) {
                if (commit_error)
                    job->error = commit_error;
                job->finished = true;
            }
            done_.notify_all();
        }
    }

    std::string path_;
    std::mutex mu_;
    std::condition_variable wake_, done_;
    std::vector<Job*> queue_;
};

void write(const std::string& path, const std::function<void(Db&)>& fn) {
    // Writers and their threads live as long as the process; they are never destroyed, so a
    // command that exits right after its write does not tear a running writer down.
    static std::mutex mu;
    static auto* writers = new std::map<std::string, Writer*>;
    Writer* w;
    {
        std::lock_guard<std::mutex> lock(mu);
        Writer*& slot = (*writers)[path];
        if (!slot)
            slot = new Writer(path);
        w = slot;
    }
    w->run(fn);
}

User read_user(Stmt& s) {
    User u;
    u.id = s.i64(0);
    u.account = s.text(1);
    u.user_type = s.text(2);
    u.username = s.text(3);
    u.phone = s.text(4);
    u.enterprise_name = s.text(5);
    u.org_id = s.i64(6);
    u.admin = s.i64(7) != 0;
    u.operator_ = s.i64(8) != 0;
    return u;
}

constexpr const char* kUserSelect =
    "SELECT u.id, u.account, u.user_type, u.username, u.phone, o.name, u.org_id, u.is_admin, "
    "u.is_operator "
    "FROM users u JOIN orgs o ON o.id = u.org_id ";

void insert_items(Db& db, int64_t note_id, const std::vector<NoteItem>& items) {
    Stmt one(db,
             "INSERT INTO note_items(note_id, pos, product, model, length, wattage, brightness, "
             "sensor_mode, unit, quantity, price) VALUES(?,?,?,?,?,?,?,?,?,?,?)");
    for (std::size_t i = 0; i < items.size(); ++i) {
        const NoteItem& it = items[i];
        one.reset();
        one.bind(1, note_id)
            .bind(2, static_cast<int64_t>(i))
            .bind(3, it.product)
            .bind(4, it.model)
            .bind(5, it.length)
            .bind(6, it.wattage)
            .bind(7, it.brightness)
            .bind(8, it.sensor_mode)
            .bind(9, it.unit)
            .bind(10, it.quantity)
            .bind(11, it.price);
        one.run();
    }
}

class SqliteStore final : public Store {
public:
    explicit SqliteStore(std::string dir);

    bool empty() override;
    std::optional<User> user_by_id(int64_t id) override;
    std::optional<User> user_by_account(const std::string& account) override;
    void visit_notes(int64_t user_id, const std::function<void(const Note&)>& visit) override;
    int64_t note_create(const Note& note) override;
    bool note_update(const Note& note, std::optional<int64_t> owner) override;
    DeleteResult note_delete(int64_t id, int64_t user_id) override;
    std::vector<Tenant> tenants_visible_to(const User& user) override;
    std::optional<Tenant> tenant(int64_t id) override;
    std::optional<Tenant> tenant_create(int64_t org_id, const std::string& name,
                                        const std::string& code, std::string& error) override;
    std::vector<Shard> shards() override;
    int64_t shard_add(const std::string& name, int64_t max_tenants,
                      const std::string& dsn) override;
    std::vector<Voucher> vouchers_recent(const Tenant& t, int limit) override;
    bool voucher_save(const Tenant& t, const Voucher& v, std::string& error) override;
    void release_add(const std::string& version, const std::string& file) override;
    std::optional<Release> release_latest() override;

protected:
    int64_t stored_note_count(int64_t user_id) override;
    std::string password_hash(int64_t user_id) override;
    int64_t user_insert(const std::string& account, const std::string& password_hash,
                        const std::string& type, const std::string& company,
                        const std::string& username, const std::string& phone, bool admin,
                        bool operator_) override;
    void token_insert(bool sessions, const std::string& hash, int64_t user_id, int64_t expires_at,
                      int64_t now) override;
    std::optional<std::pair<int64_t, int64_t>> token_find(bool sessions,
                                                          const std::string& hash) override;
    void session_renew(const std::string& hash, int64_t expires_at) override;
    void session_delete(const std::string& hash) override;

private:
    std::string catalog_path_;
    std::string shard_path(int64_t shard_id) const;
};

}  // namespace

SqliteStore::SqliteStore(std::string dir) : Store(std::move(dir)) {
    std::filesystem::create_directories(this->dir() + "/shards");
    std::filesystem::create_directories(this->dir() + "/releases");
    catalog_path_ = this->dir() + "/catalog.db";
    conn(catalog_path_).exec(kCatalogSchema);
    // Data folders of earlier versions lack the operator column.
    {
        Stmt cols(conn(catalog_path_),
                  "SELECT COUNT(*) FROM pragma_table_info('users') "
                  "WHERE name = 'is_operator'");
        cols.step();
        if (cols.i64(0) == 0)
            conn(catalog_path_)
                .exec("ALTER TABLE users ADD COLUMN is_operator INTEGER NOT NULL DEFAULT 0");
    }
    // A fresh data folder starts with one shard, so the first tenant can be created at once.
    if (shards().empty())
        shard_add("分片一", 8, {});
}

std::string SqliteStore::shard_path(int64_t shard_id) const {
    return dir() + "/shards/shard-" + std::to_string(shard_id) + ".db";
}

int64_t SqliteStore::stored_note_count(int64_t user_id) {
    Stmt s(conn(catalog_path_), "SELECT COUNT(*) FROM notes WHERE user_id = ?");
    s.bind(1, user_id);
    s.step();
    return s.i64(0);
}

bool SqliteStore::empty() {
    Stmt s(conn(catalog_path_), "SELECT COUNT(*) FROM users");
    s.step();
    return s.i64(0) == 0;
}

int64_t SqliteStore::user_insert(const std::string& account, const std::string& hash,
                                 const std::string& type, const std::string& company,
                                 const std::string& username, const std::string& phone, bool admin,
                                 bool operator_) {
    int64_t id = 0;
    write(catalog_path_, [&](Db& db) {
        Stmt(db, "INSERT OR IGNORE INTO orgs(name) VALUES(?)").bind(1, company).run();
        Stmt org(db, "SELECT id FROM orgs WHERE name = ?");
        org.bind(1, company).step();
        int64_t org_id = org.i64(0);
        Stmt ins(db,
                 "INSERT INTO users(account, password_hash, user_type, username, phone, org_id, "
                 "is_admin, is_operator) VALUES(?,?,?,?,?,?,?,?)");
        ins.bind(1, account)
            .bind(2, hash)
            .bind(3, type)
            .bind(4, username)
            .bind(5, phone)
            .bind(6, org_id)
            .bind(7, int64_t{admin})
            .bind(8, int64_t{operator_});
        ins.run();
        id = db.last_insert_id();
    });
    return id;
}

std::optional<User> SqliteStore::user_by_id(int64_t id) {
    Stmt s(conn(catalog_path_), (std::string(kUserSelect) + "WHERE u.id = ?").c_str());
    s.bind(1, id);
    if (!s.step())
        return std::nullopt;
    return read_user(s);
}

std::optional<User> SqliteStore::user_by_account(const std::string& account) {
    Stmt s(conn(catalog_path_), (std::string(kUserSelect) + "WHERE u.account = ?").c_str());
    s.bind(1, account);
    if (!s.step())
        return std::nullopt;
    return read_user(s);
}

std::string SqliteStore::password_hash(int64_t user_id) {
    Stmt s(conn(catalog_path_), "SELECT password_hash FROM users WHERE id = ?");
    s.bind(1, user_id);
    return s.step() ? s.text(0) : std::string();
}

void SqliteStore::visit_notes(int64_t user_id, const std::function<void(const Note&)>& visit) {
    Db& db = conn(catalog_path_);
    // Both in descending note order, read side by side: each note takes the items that follow
    // it in the second statement (they come last position first and are turned around).
    Stmt notes(db,
               "SELECT id, no, customer, project, address, contact, contact_phone, date, status, "
               "remark FROM notes WHERE user_id = ? ORDER BY id DESC");
    notes.bind(1, user_id);
    Stmt items(
        db,
        "SELECT i.note_id, i.product, i.model, i.length, i.wattage, i.brightness, i.sensor_mode, "
        "i.unit, i.quantity, i.price FROM note_items i JOIN notes n ON n.id = i.note_id "
        "WHERE n.user_id = ? ORDER BY i.note_id DESC, i.pos DESC");
    items.bind(1, user_id);
    bool item_ready = items.step();
    Note n;
    n.user_id = user_id;
    while (notes.step()) {
        n.id = notes.i64(0);
        notes.text_into(1, n.no);
        notes.text_into(2, n.customer);
        notes.text_into(3, n.project);
        notes.text_into(4, n.address);
        notes.text_into(5, n.contact);
        notes.text_into(6, n.contact_phone);
        notes.text_into(7, n.date);
        notes.text_into(8, n.status);
        notes.text_into(9, n.remark);
        while (item_ready && items.i64(0) > n.id) item_ready = items.step();  // an orphan
        std::size_t used = 0;
        for (; item_ready && items.i64(0) == n.id; item_ready = items.step(), ++used) {
            if (used == n.items.size())
                n.items.emplace_back();
            NoteItem& it = n.items[used];
            items.text_into(1, it.product);
            items.text_into(2, it.model);
            items.text_into(3, it.length);
            items.text_into(4, it.wattage);
            items.text_into(5, it.brightness);
            items.text_into(6, it.sensor_mode);
            items.text_into(7, it.unit);
            items.text_into(8, it.quantity);
            items.text_into(9, it.price);
        }
        std::reverse(n.items.begin(), n.items.begin() + static_cast<std::ptrdiff_t>(used));
        n.items.resize(used);
        visit(n);
    }
}

int64_t SqliteStore::note_create(const Note& n) {
    int64_t id = 0;
    write(catalog_path_, [&](Db& db) {
        Stmt s(db,
               "INSERT INTO notes(user_id, no, customer, project, address, contact, contact_phone, "
               "date, status, remark) VALUES(?,?,?,?,?,?,?,?,?,?)");
        s.bind(1, n.user_id)
            .bind(2, n.no)
            .bind(3, n.customer)
            .bind(4, n.project)
            .bind(5, n.address)
            .bind(6, n.contact)
            .bind(7, n.contact_phone)
            .bind(8, n.date)
            .bind(9, n.status)
            .bind(10, n.remark);
        s.run();
        id = db.last_insert_id();
        insert_items(db, id, n.items);
    });
    count_notes(n.user_id, +1);
    return id;
}

bool SqliteStore::note_update(const Note& n, std::optional<int64_t> owner) {
    bool found = false;
    write(catalog_path_, [&](Db& db) {
        if (owner) {
            Stmt who(db, "SELECT user_id FROM notes WHERE id = ?");
            who.bind(1, n.id);
            if (!who.step() || who.i64(0) != *owner)
                return;
        }
        Stmt s(db,
               "UPDATE notes SET customer=?, project=?, address=?, contact=?, contact_phone=?, "
               "date=?, "
               "status=?, remark=? WHERE id=?");
        s.bind(1, n.customer)
            .bind(2, n.project)
            .bind(3, n.address)
            .bind(4, n.contact)
            .bind(5, n.contact_phone)
            .bind(6, n.date)
            .bind(7, n.status)
            .bind(8, n.remark)
            .bind(9, n.id);
        s.run();
        if (db.changes() == 0)
            return;
        found = true;
        Stmt(db, "DELETE FROM note_items WHERE note_id = ?").bind(1, n.id).run();
        insert_items(db, n.id, n.items);
    });
    return found;
}

Store::DeleteResult SqliteStore::note_delete(int64_t id, int64_t user_id) {
    DeleteResult result = DeleteResult::NotFound;
    write(catalog_path_, [&](Db& db) {
        Stmt owner(db, "SELECT user_id FROM notes WHERE id = ?");
        owner.bind(1, id);
        if (!owner.step())
            return;
        if (owner.i64(0) != user_id) {
            result = DeleteResult::NotOwner;
            return;
        }
        Stmt(db, "DELETE FROM note_items WHERE note_id = ?").bind(1, id).run();
        Stmt(db, "DELETE FROM notes WHERE id = ?").bind(1, id).run();
        result = DeleteResult::Deleted;
    });
    if (result == DeleteResult::Deleted)
        count_notes(user_id, -1);
    return result;
}

void SqliteStore::token_insert(bool sessions, const std::string& hash, int64_t user_id,
                               int64_t expires_at, int64_t now) {
    const std::string table = sessions ? "sessions" : "tokens";
    write(catalog_path_, [&](Db& db) {
        Stmt(db, ("DELETE FROM " + table + " WHERE expires_at < ?").c_str()).bind(1, now).run();
        Stmt s(db, ("INSERT INTO " + table + "(hash, user_id, expires_at) VALUES(?,?,?)").c_str());
        s.bind(1, hash).bind(2, user_id).bind(3, expires_at);
        s.run();
    });
}

std::optional<std::pair<int64_t, int64_t>> SqliteStore::token_find(bool sessions,
                                                                   const std::string& hash) {
    Stmt s(conn(catalog_path_), sessions ? "SELECT user_id, expires_at FROM sessions WHERE hash = ?"
                                         : "SELECT user_id, expires_at FROM tokens WHERE hash = ?");
    s.bind(1, hash);
    if (!s.step())
        return std::nullopt;
    return std::make_pair(s.i64(0), s.i64(1));
}

void SqliteStore::session_renew(const std::string& hash, int64_t expires_at) {
    write(catalog_path_, [&](Db& db) {
        Stmt u(db, "UPDATE sessions SET expires_at = ? WHERE hash = ?");
        u.bind(1, expires_at).bind(2, hash);
        u.run();
    });
}

void SqliteStore::session_delete(const std::string& hash) {
    write(catalog_path_,
          [&](Db& db) { Stmt(db, "DELETE FROM sessions WHERE hash = ?").bind(1, hash).run(); });
}

std::vector<Tenant> SqliteStore::tenants_visible_to(const User& user) {
    // Every user, administrators included, sees the tenants of their own organisation only.
    Stmt s(conn(catalog_path_),
           "SELECT id, name, code, shard_id, org_id FROM tenants WHERE org_id = ? ORDER BY id");
    s.bind(1, user.org_id);
    std::vector<Tenant> out;
    while (s.step()) out.push_back({s.i64(0), s.text(1), s.text(2), s.i64(3), s.i64(4)});
    return out;
}

std::optional<Tenant> SqliteStore::tenant(int64_t id) {
    Stmt s(conn(catalog_path_),
           "SELECT id, name, code, shard_id, org_id FROM tenants WHERE id = ?");
    s.bind(1, id);
    if (!s.step())
        return std::nullopt;
    return Tenant{s.i64(0), s.text(1), s.text(2), s.i64(3), s.i64(4)};
}

std::optional<Tenant> SqliteStore::tenant_create(int64_t org_id, const std::string& name,
                                                 const std::string& code, std::string& error) {
    std::optional<Tenant> created;
    write(catalog_path_, [&](Db& db) {
        if (!code.empty()) {
            Stmt dup(db, "SELECT 1 FROM tenants WHERE code = ?");
            dup.bind(1, code);
            if (dup.step()) {
                error = "租户代码「" + code + "」已存在";
                return;
            }
        }
        Stmt pick(db,
                  "SELECT s.id, s.max_tenants - COUNT(t.id) AS free FROM shards s "
                  "LEFT JOIN tenants t ON t.shard_id = s.id GROUP BY s.id "
                  "HAVING free > 0 ORDER BY free DESC, s.id LIMIT 1");
        if (!pick.step()) {
            error = "所有分片已满，请管理员先扩容分片";
            return;
        }
        int64_t shard = pick.i64(0);
        Stmt ins(db, "INSERT INTO tenants(name, code, shard_id, org_id) VALUES(?,?,?,?)");
        ins.bind(1, name).bind(2, code).bind(3, shard).bind(4, org_id).run();
        created = Tenant{db.last_insert_id(), name, code, shard, org_id};
    });
    return created;
}

std::vector<Shard> SqliteStore::shards() {
    Stmt s(conn(catalog_path_),
           "SELECT s.id, s.name, COUNT(t.id), s.max_tenants FROM shards s "
           "LEFT JOIN tenants t ON t.shard_id = s.id GROUP BY s.id ORDER BY s.id");
    std::vector<Shard> out;
    while (s.step()) out.push_back({s.i64(0), s.text(1), s.i64(2), s.i64(3)});
    return out;
}

int64_t SqliteStore::shard_add(const std::string& name, int64_t max_tenants,
                               const std::string& dsn) {
    if (!dsn.empty())
        throw DbError("a shard on another server needs the catalog on PostgreSQL (--database)");
    int64_t id = 0;
    write(catalog_path_, [&](Db& db) {
        Stmt(db, "INSERT INTO shards(name, max_tenants) VALUES(?,?)")
            .bind(1, name)
            .bind(2, max_tenants)
            .run();
        id = db.last_insert_id();
        // The shard's database is created and initialised before the shard is announced.
        conn(shard_path(id)).exec(kShardSchema);
        if (name.empty()) {
            Stmt(db, "UPDATE shards SET name = ? WHERE id = ?")
                .bind(1, "shard-" + std::to_string(id))
                .bind(2, id)
                .run();
        }
    });
    return id;
}

std::vector<Voucher> SqliteStore::vouchers_recent(const Tenant& t, int limit) {
    Db& db = conn(shard_path(t.shard_id));  // initialised when the shard was added
    std::vector<Voucher> out;
    Stmt s(db,
           "SELECT id, voucher_no, date, summary, total_debit, total_credit FROM vouchers "
           "WHERE tenant_id = ? ORDER BY id DESC LIMIT ?");
    s.bind(1, t.id).bind(2, static_cast<int64_t>(limit));
    while (s.step()) {
        Voucher v;
        v.id = s.i64(0);
        v.voucher_no = s.text(1);
        v.date = s.text(2);
        v.summary = s.text(3);
        v.total_debit = s.i64(4);
        v.total_credit = s.i64(5);
        out.push_back(std::move(v));
    }
    Stmt l(db,
           "SELECT summary, account, debit, credit FROM voucher_lines WHERE voucher_id = ? "
           "ORDER BY pos");
    for (Voucher& v : out) {
        l.reset();
        l.bind(1, v.id);
        while (l.step()) v.lines.push_back({l.text(0), l.text(1), l.i64(2), l.i64(3)});
    }
    return out;
}

bool SqliteStore::voucher_save(const Tenant& t, const Voucher& v, std::string& error) {
    bool saved = false;
    write(shard_path(t.shard_id), [&](Db& db) {
        Stmt dup(db, "SELECT 1 FROM vouchers WHERE tenant_id = ? AND voucher_no = ?");
        dup.bind(1, t.id).bind(2, v.voucher_no);
        if (dup.step()) {
            error = "凭证号「" + v.voucher_no + "」已存在，请修改凭证号后再保存";
            return;
        }
        Stmt ins(db,
                 "INSERT INTO vouchers(tenant_id, voucher_no, date, summary, total_debit, "
                 "total_credit) VALUES(?,?,?,?,?,?)");
        ins.bind(1, t.id)
            .bind(2, v.voucher_no)
            .bind(3, v.date)
            .bind(4, v.summary)
            .bind(5, v.total_debit)
            .bind(6, v.total_credit)
            .run();
        int64_t id = db.last_insert_id();
        Stmt li(db,
                "INSERT INTO voucher_lines(voucher_id, pos, summary, account, debit, credit) "
                "VALUES(?,?,?,?,?,?)");
        for (std::size_t i = 0; i < v.lines.size(); ++i) {
            const VoucherLine& l = v.lines[i];
            li.reset();
            li.bind(1, id)
                .bind(2, static_cast<int64_t>(i))
                .bind(3, l.summary)
                .bind(4, l.account)
                .bind(5, l.debit)
                .bind(6, l.credit)
                .run();
        }
        saved = true;
    });
    return saved;
}

void SqliteStore::release_add(const std::string& version, const std::string& file) {
    write(catalog_path_, [&](Db& db) {
        Stmt(db, "INSERT INTO releases(version, file) VALUES(?,?)")
            .bind(1, version)
            .bind(2, file)
            .run();
    });
}

std::optional<Release> SqliteStore::release_latest() {
    Stmt s(conn(catalog_path_), "SELECT version, file FROM releases ORDER BY id DESC LIMIT 1");
    if (!s.step())
        return std::nullopt;
    return Release{s.text(0), s.text(1)};
}

std::unique_ptr<Store> open_sqlite_store(const std::string& dir) {
    return std::make_unique<SqliteStore>(dir);
}

}  // namespace srv
