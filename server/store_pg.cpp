// The store on PostgreSQL: the catalog in the database of --database, each shard a database of
// its own (made beside the catalog, or registered on another server), reached through pools of
// connections with prepared statements.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "server/pg.h"
#include "server/pg_schema.h"
#include "server/store.h"

namespace srv {

namespace {

using pg::Params;

std::string num(int64_t v) {
    return std::to_string(v);
}

// A text[] literal of `values`: each element quoted, its quotes and backslashes escaped.
template <typename T, typename Field>
std::string text_array(const std::vector<T>& rows, Field field) {
    std::string out = "{";
    for (const T& row : rows) {
        if (out.size() > 1)
            out += ',';
        out += '"';
        for (char c : field(row)) {
            if (c == '"' || c == '\\')
                out += '\\';
            out += c;
        }
        out += '"';
    }
    return out + "}";
}

class PgStore final : public Store {
public:
    PgStore(std::string dir, const std::string& database, int connections)
        : Store(std::move(dir)),
          connections_(connections),
          catalog_(database, connections),
          catalog_db_(pg::database_of(database)) {
        std::filesystem::create_directories(this->dir() + "/releases");
        catalog_.take()->exec(kPgCatalogSchema);  // throws naming the server when unreachable
        if (shards().empty())
            shard_add("分片一", 8, {});
    }

    bool empty() override {
        return catalog_.take()->run("SELECT COUNT(*) FROM users").i64(0, 0) == 0;
    }

    std::optional<User> user_by_id(int64_t id) override {
        return read_user(catalog_.take()->run(kUserSelect + "WHERE u.id = $1", {num(id)}));
    }

    std::optional<User> user_by_account(const std::string& account) override {
        return read_user(catalog_.take()->run(kUserSelect + "WHERE u.account = $1", {account}));
    }

    void visit_notes(int64_t user_id, const std::function<void(const Note&)>& visit) override {
        // One statement (one snapshot, one round trip) brings the notes and their items as rows
        // of one shape, told apart by the first column; they are put in order here, which costs
        // less than sorting them in the database.
        pg::Result r = catalog_.take()->run(
            "SELECT 0, id, 0, no, customer, project, address, contact, contact_phone, date, "
            "status, remark FROM notes WHERE user_id = $1 UNION ALL "
            "SELECT 1, i.note_id, i.pos, i.product, i.model, i.length, i.wattage, i.brightness, "
            "i.sensor_mode, i.unit, i.quantity, i.price FROM note_items i "
            "JOIN notes n ON n.id = i.note_id WHERE n.user_id = $1",
            {num(user_id)});
        struct Row {
            int64_t id, pos;
            int row;
        };
        std::vector<Row> notes, items;
        for (int row = 0; row < r.rows(); ++row)
            (r.text(row, 0) == "0" ? notes : items).push_back({r.i64(row, 1), r.i64(row, 2), row});
        std::sort(notes.begin(), notes.end(),
                  [](const Row& a, const Row& b) { return a.id > b.id; });
        std::sort(items.begin(), items.end(), [](const Row& a, const Row& b) {
            return a.id != b.id ? a.id > b.id : a.pos < b.pos;
        });
        Note n;
        n.user_id = user_id;
        std::size_t item = 0;
        for (const Row& note : notes) {
            n.id = note.id;
            std::string* fields[] = {&n.no,      &n.customer, &n.project,
                                     &n.address, &n.contact,  &n.contact_phone,
                                     &n.date,    &n.status,   &n.remark};
            for (int f = 0; f < 9; ++f) fields[f]->assign(r.text(note.row, f + 3));
            std::size_t used = 0;
            for (; item < items.size() && items[item].id == n.id; ++item) {
                if (used == n.items.size())
                    n.items.emplace_back();
                NoteItem& it = n.items[used++];
                std::string* cols[] = {&it.product, &it.model,      &it.length,
                                       &it.wattage, &it.brightness, &it.sensor_mode,
                                       &it.unit,    &it.quantity,   &it.price};
                for (int f = 0; f < 9; ++f) cols[f]->assign(r.text(items[item].row, f + 3));
            }
            n.items.resize(used);
            visit(n);
        }
    }

    int64_t note_create(const Note& n) override {
        // One statement, so one round trip and one implicit transaction: the note and its items.
        Params p = {num(n.user_id),  n.no,   n.customer, n.project, n.address, n.contact,
                    n.contact_phone, n.date, n.status,   n.remark};
        append_items(p, n.items);
        int64_t id =
            catalog_.take()
                ->run(
                    "WITH n AS (INSERT INTO notes(user_id, no, customer, project, address, "
                    "contact, contact_phone, date, status, remark) "
                    "VALUES($1,$2,$3,$4,$5,$6,$7,$8,$9,$10) RETURNING id), " +
                        insert_items_sql(11) + " SELECT id FROM n",
                    p)
                .i64(0, 0);
        count_notes(n.user_id, +1);
        return id;
    }

    bool note_update(const Note& n, std::optional<int64_t> owner) override {
        auto c = catalog_.take();
        pg::Transaction tx(*c);
        pg::Result r = c->run(
            "WITH n AS (UPDATE notes SET customer=$1, project=$2, address=$3, contact=$4, "
            "contact_phone=$5, date=$6, status=$7, remark=$8 "
            "WHERE id=$9 AND ($10::bigint IS NULL OR user_id=$10) RETURNING id), "
            "gone AS (DELETE FROM note_items WHERE note_id IN (SELECT id FROM n)) "
            "SELECT id FROM n",
            {n.customer, n.project, n.address, n.contact, n.contact_phone, n.date, n.status,
             n.remark, num(n.id), owner ? std::optional<std::string>(num(*owner)) : std::nullopt});
        if (r.rows() == 0)
            return false;
        Params p = {num(n.id)};
        append_items(p, n.items);
        c->run("WITH n AS (SELECT $1::bigint AS id), " + insert_items_sql(2) + " SELECT 1", p);
        tx.commit();
        return true;
    }

    DeleteResult note_delete(int64_t id, int64_t user_id) override {
        auto c = catalog_.take();
        pg::Transaction tx(*c);
        pg::Result owner = c->run("SELECT user_id FROM notes WHERE id = $1 FOR UPDATE", {num(id)});
        if (owner.rows() == 0)
            return DeleteResult::NotFound;
        if (owner.i64(0, 0) != user_id)
            return DeleteResult::NotOwner;
        c->run("DELETE FROM notes WHERE id = $1", {num(id)});  // its items go with it
        tx.commit();
        count_notes(user_id, -1);
        return DeleteResult::Deleted;
    }

    std::vector<Tenant> tenants_visible_to(const User& user) override {
        // Every user, administrators included, sees the tenants of their own organisation only.
        pg::Result r = catalog_.take()->run(
            "SELECT id, name, code, shard_id, org_id FROM tenants WHERE org_id = $1 ORDER BY id",
            {num(user.org_id)});
        std::vector<Tenant> out;
        for (int i = 0; i < r.rows(); ++i) out.push_back(read_tenant(r, i));
        return out;
    }

    std::optional<Tenant> tenant(int64_t id) override {
        pg::Result r = catalog_.take()->run(
            "SELECT id, name, code, shard_id, org_id FROM tenants WHERE id = $1", {num(id)});
        if (r.rows() == 0)
            return std::nullopt;
        return read_tenant(r, 0);
    }

    std::optional<Tenant> tenant_create(int64_t org_id, const std::string& name,
                                        const std::string& code, std::string& error) override {
        auto c = catalog_.take();
        pg::Transaction tx(*c);
        // One placement at a time, so that two new tenants never take a shard's last place.
        c->run("SELECT pg_advisory_xact_lock(7301)");
        if (!code.empty() && c->run("SELECT 1 FROM tenants WHERE code = $1", {code}).rows() != 0) {
            error = "租户代码「" + code + "」已存在";
            return std::nullopt;
        }
        pg::Result pick = c->run(
            "SELECT s.id FROM shards s LEFT JOIN tenants t ON t.shard_id = s.id GROUP BY s.id "
            "HAVING s.max_tenants - COUNT(t.id) > 0 "
            "ORDER BY s.max_tenants - COUNT(t.id) DESC, s.id LIMIT 1");
        if (pick.rows() == 0) {
            error = "所有分片已满，请管理员先扩容分片";
            return std::nullopt;
        }
        const int64_t shard = pick.i64(0, 0);
        try {
            int64_t id = c->run(
                              "INSERT INTO tenants(name, code, shard_id, org_id) "
                              "VALUES($1,$2,$3,$4) RETURNING id",
                              {name, code, num(shard), num(org_id)})
                             .i64(0, 0);
            tx.commit();
            return Tenant{id, name, code, shard, org_id};
        } catch (const pg::Conflict&) {
            error = "租户代码「" + code + "」已存在";
            return std::nullopt;
        }
    }

    std::vector<Shard> shards() override {
        pg::Result r = catalog_.take()->run(
            "SELECT s.id, s.name, COUNT(t.id), s.max_tenants FROM shards s "
            "LEFT JOIN tenants t ON t.shard_id = s.id GROUP BY s.id ORDER BY s.id");
        std::vector<Shard> out;
        for (int i = 0; i < r.rows(); ++i)
            out.push_back({r.i64(i, 0), std::string(r.text(i, 1)), r.i64(i, 2), r.i64(i, 3)});
        return out;
    }

    int64_t shard_add(const std::string& name, int64_t max_tenants,
                      const std::string& given) override {
        if (pg::has_password(given))
            throw DbError(
                "a shard's connection string carries no password: put it in the "
                "PostgreSQL password file (~/.pgpass or PGPASSFILE)");
        const int64_t id = catalog_.take()
                               ->run("SELECT nextval(pg_get_serial_sequence('shards', 'id'))")
                               .i64(0, 0);
        std::string dsn;
        if (given.empty()) {
            // A database of its own beside the catalog, made before the shard is listed.
            const std::string db = catalog_db_ + "_shard_" + num(id);
            dsn = pg::with_database(catalog_.conninfo(), db);
            catalog_.take()->exec("CREATE DATABASE " + pg::quote_identifier(db));
        } else {
            dsn = pg::without_password(given);
            if (dsn.empty())
                throw DbError("libpq cannot read the shard's connection string");
        }
        {
            pg::Conn shard(dsn);
            shard.exec(kPgShardSchema);
        }
        catalog_.take()->run(
            "INSERT INTO shards(id, name, max_tenants, dsn) VALUES($1,$2,$3,$4)",
            {num(id), name.empty() ? "shard-" + num(id) : name, num(max_tenants), dsn});
        return id;
    }

    std::vector<Voucher> vouchers_recent(const Tenant& t, int limit) override {
        return on_shard(t.shard_id, [&](pg::Conn& c) {
            pg::Result r = c.run(
                "SELECT v.id, v.voucher_no, v.date, v.summary, v.total_debit, v.total_credit, "
                "l.summary, l.account, l.debit, l.credit FROM "
                "(SELECT * FROM vouchers WHERE tenant_id = $1 ORDER BY id DESC LIMIT $2) v "
                "LEFT JOIN voucher_lines l ON l.voucher_id = v.id ORDER BY v.id DESC, l.pos",
                {num(t.id), num(limit)});
            std::vector<Voucher> out;
            for (int i = 0; i < r.rows(); ++i) {
                if (out.empty() || out.back().id != r.i64(i, 0)) {
                    Voucher v;
                    v.id = r.i64(i, 0);
                    v.voucher_no = r.text(i, 1);
                    v.date = r.text(i, 2);
                    v.summary = r.text(i, 3);
                    v.total_debit = r.i64(i, 4);
                    v.total_credit = r.i64(i, 5);
                    out.push_back(std::move(v));
                }
                if (!r.null(i, 6))
                    out.back().lines.push_back({std::string(r.text(i, 6)),
                                                std::string(r.text(i, 7)), r.i64(i, 8),
                                                r.i64(i, 9)});
            }
            return out;
        });
    }

    bool voucher_save(const Tenant& t, const Voucher& v, std::string& error) override {
        // One statement: the voucher and its lines, or nothing when the unique (tenant, number)
        // pair already holds one, also against a concurrent save of the same number.
        Params p = {num(t.id), v.voucher_no,       v.date,
                    v.summary, num(v.total_debit), num(v.total_credit)};
        p.emplace_back(text_array(v.lines, [](const VoucherLine& l) { return l.summary; }));
        p.emplace_back(text_array(v.lines, [](const VoucherLine& l) { return l.account; }));
        p.emplace_back(text_array(v.lines, [](const VoucherLine& l) { return num(l.debit); }));
        p.emplace_back(text_array(v.lines, [](const VoucherLine& l) { return num(l.credit); }));
        const bool saved = on_shard(t.shard_id, [&](pg::Conn& c) {
            return c.run(
                        "WITH v AS (INSERT INTO vouchers(tenant_id, voucher_no, date, summary, "
                        "total_debit, total_credit) VALUES($1,$2,$3,$4,$5,$6) "
                        "ON CONFLICT (tenant_id, voucher_no) DO NOTHING RETURNING id), "
                        "l AS (INSERT INTO voucher_lines(voucher_id, pos, summary, account, "
                        "debit, credit) SELECT v.id, t.ord - 1, t.s, t.a, t.d, t.c FROM v, "
                        "unnest($7::text[], $8::text[], $9::bigint[], $10::bigint[]) "
                        "WITH ORDINALITY AS t(s, a, d, c, ord)) SELECT id FROM v",
                        p)
                       .rows() != 0;
        });
        if (!saved)
            error = "凭证号「" + v.voucher_no + "」已存在，请修改凭证号后再保存";
        return saved;
    }

    void release_add(const std::string& version, const std::string& file) override {
        catalog_.take()->run("INSERT INTO releases(version, file) VALUES($1,$2)", {version, file});
    }

    std::optional<Release> release_latest() override {
        pg::Result r =
            catalog_.take()->run("SELECT version, file FROM releases ORDER BY id DESC LIMIT 1");
        if (r.rows() == 0)
            return std::nullopt;
        return Release{std::string(r.text(0, 0)), std::string(r.text(0, 1))};
    }

protected:
    int64_t stored_note_count(int64_t user_id) override {
        return catalog_.take()
            ->run("SELECT COUNT(*) FROM notes WHERE user_id = $1", {num(user_id)})
            .i64(0, 0);
    }

    std::string password_hash(int64_t user_id) override {
        pg::Result r =
            catalog_.take()->run("SELECT password_hash FROM users WHERE id = $1", {num(user_id)});
        return r.rows() ? std::string(r.text(0, 0)) : std::string();
    }

    int64_t user_insert(const std::string& account, const std::string& hash,
                        const std::string& type, const std::string& company,
                        const std::string& username, const std::string& phone, bool admin,
                        bool operator_) override {
        auto c = catalog_.take();
        pg::Transaction tx(*c);
        c->run("INSERT INTO orgs(name) VALUES($1) ON CONFLICT (name) DO NOTHING", {company});
        const std::string org(c->run("SELECT id FROM orgs WHERE name = $1", {company}).text(0, 0));
        int64_t id = c->run(
                          "INSERT INTO users(account, password_hash, user_type, username, phone, "
                          "org_id, is_admin, is_operator) VALUES($1,$2,$3,$4,$5,$6,$7,$8) "
                          "RETURNING id",
                          {account, hash, type, username, phone, org, num(admin), num(operator_)})
                         .i64(0, 0);
        tx.commit();
        return id;
    }

    void token_insert(bool sessions, const std::string& hash, int64_t user_id, int64_t expires_at,
                      int64_t now) override {
        auto c = catalog_.take();
        pg::Transaction tx(*c);
        if (sessions) {
            c->run("DELETE FROM sessions WHERE expires_at < $1", {num(now)});
            c->run("INSERT INTO sessions(hash, user_id, expires_at) VALUES($1,$2,$3)",
                   {hash, num(user_id), num(expires_at)});
        } else {
            c->run("DELETE FROM tokens WHERE expires_at < $1", {num(now)});
            c->run("INSERT INTO tokens(hash, user_id, expires_at) VALUES($1,$2,$3)",
                   {hash, num(user_id), num(expires_at)});
        }
        tx.commit();
    }

    std::optional<std::pair<int64_t, int64_t>> token_find(bool sessions,
                                                          const std::string& hash) override {
        pg::Result r = catalog_.take()->run(
            sessions ? "SELECT user_id, expires_at FROM sessions WHERE hash = $1"
                     : "SELECT user_id, expires_at FROM tokens WHERE hash = $1",
            {hash});
        if (r.rows() == 0)
            return std::nullopt;
        return std::make_pair(r.i64(0, 0), r.i64(0, 1));
    }

    void session_renew(const std::string& hash, int64_t expires_at) override {
        catalog_.take()->run("UPDATE sessions SET expires_at = $1 WHERE hash = $2",
                             {num(expires_at), hash});
    }

    void session_delete(const std::string& hash) override {
        catalog_.take()->run("DELETE FROM sessions WHERE hash = $1", {hash});
    }

private:
    const std::string kUserSelect =
        "SELECT u.id, u.account, u.user_type, u.username, u.phone, o.name, u.org_id, u.is_admin, "
        "u.is_operator FROM users u JOIN orgs o ON o.id = u.org_id ";

    static std::optional<User> read_user(const pg::Result& r) {
        if (r.rows() == 0)
            return std::nullopt;
        User u;
        u.id = r.i64(0, 0);
        u.account = r.text(0, 1);
        u.user_type = r.text(0, 2);
        u.username = r.text(0, 3);
        u.phone = r.text(0, 4);
        u.enterprise_name = r.text(0, 5);
        u.org_id = r.i64(0, 6);
        u.admin = r.i64(0, 7) != 0;
        u.operator_ = r.i64(0, 8) != 0;
        return u;
    }

    static Tenant read_tenant(const pg::Result& r, int row) {
        return Tenant{r.i64(row, 0), std::string(r.text(row, 1)), std::string(r.text(row, 2)),
                      r.i64(row, 3), r.i64(row, 4)};
    }

    // The items of the note that the statement's "n" names, from the nine arrays that
    // append_items adds as parameters $first to $first+8.
    static std::string insert_items_sql(int first) {
        std::string arrays;
        for (int i = 0; i < 9; ++i)
            arrays += (i ? ", $" : "$") + std::to_string(first + i) + "::text[]";
        return "i AS (INSERT INTO note_items(note_id, pos, product, model, length, wattage, "
               "brightness, sensor_mode, unit, quantity, price) SELECT n.id, t.ord - 1, t.a, t.b, "
               "t.c, t.d, t.e, t.f, t.g, t.h, t.k FROM n, unnest(" +
               arrays + ") WITH ORDINALITY AS t(a, b, c, d, e, f, g, h, k, ord))";
    }

    static void append_items(Params& p, const std::vector<NoteItem>& items) {
        for (auto field : {&NoteItem::product, &NoteItem::model, &NoteItem::length,
                           &NoteItem::wattage, &NoteItem::brightness, &NoteItem::sensor_mode,
                           &NoteItem::unit, &NoteItem::quantity, &NoteItem::price})
            p.emplace_back(text_array(items, [field](const NoteItem& it) { return it.*field; }));
    }

    // The pool of a shard, made from its registry entry when first needed: a shard registered
    // while the server runs is taken into use without a restart.
    pg::Pool& shard_pool(int64_t shard_id) {
        std::lock_guard<std::mutex> lock(shards_mu_);
        auto it = shard_pools_.find(shard_id);
        if (it == shard_pools_.end()) {
            pg::Result r =
                catalog_.take()->run("SELECT dsn FROM shards WHERE id = $1", {num(shard_id)});
            if (r.rows() == 0)
                throw DbError("no shard " + num(shard_id));
            it = shard_pools_
                     .emplace(shard_id,
                              std::make_unique<pg::Pool>(std::string(r.text(0, 0)), connections_))
                     .first;
        }
        return *it->second;
    }

    template <typename Fn>
    auto on_shard(int64_t shard_id, Fn&& fn) -> decltype(fn(std::declval<pg::Conn&>())) {
        pg::Pool& pool = shard_pool(shard_id);
        try {
            auto c = pool.take();
            return fn(*c);
        } catch (const pg::Unavailable& e) {
            throw ShardUnavailable("shard " + num(shard_id) + " (" + pg::describe(pool.conninfo()) +
                                   ") unavailable: " + e.what());
        }
    }

    int connections_;
    pg::Pool catalog_;
    std::string catalog_db_;
    std::mutex shards_mu_;
    std::map<int64_t, std::unique_ptr<pg::Pool>> shard_pools_;
};

}  // namespace

std::unique_ptr<Store> open_pg_store(const std::string& dir, const std::string& database,
                                     int connections) {
    // A server that does not answer (a shard's host gone from the network) holds a worker for
    // at most this long per attempt, unless the environment says otherwise.
    setenv("PGCONNECT_TIMEOUT", "5", 0);
    return std::make_unique<PgStore>(dir, database, connections);
}

}  // namespace srv
