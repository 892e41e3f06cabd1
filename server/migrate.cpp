#include "server/migrate.h"

#include <sodium.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <vector>

#include "server/db.h"
#include "server/pg.h"
#include "server/pg_schema.h"
#include "server/store.h"

namespace srv {

namespace {

struct Table {
    const char* name;
    const char* columns;  // the same on both engines, in this order
    const char* order;
};

// Parents before children, so that every reference finds its row.
const Table kCatalogTables[] = {
    {"orgs", "id, name", "id"},
    {"users",
     "id, account, password_hash, user_type, username, phone, org_id, is_admin, is_operator", "id"},
    {"notes",
     "id, user_id, no, customer, project, address, contact, contact_phone, date, status, remark",
     "id"},
    {"note_items",
     "note_id, pos, product, model, length, wattage, brightness, sensor_mode, unit, quantity, "
     "price",
     "note_id, pos"},
    {"shards", "id, name, max_tenants", "id"},
    {"tenants", "id, name, code, shard_id, org_id", "id"},
    {"tokens", "hash, user_id, expires_at", "hash"},
    {"sessions", "hash, user_id, expires_at", "hash"},
    {"releases", "id, version, file", "id"},
};
const Table kShardTables[] = {
    {"vouchers", "id, tenant_id, voucher_no, date, summary, total_debit, total_credit", "id"},
    {"voucher_lines", "voucher_id, pos, summary, account, debit, credit", "voucher_id, pos"},
};
const char* const kSerialTables[] = {"orgs", "users", "notes", "shards", "tenants", "releases"};

using Row = std::vector<std::string>;

int column_count(const Table& t) {
    return static_cast<int>(std::count(t.columns, t.columns + std::strlen(t.columns), ',')) + 1;
}

void sqlite_rows(Db& db, const Table& t, const std::function<void(const Row&)>& each) {
    Stmt s(
        db,
        (std::string("SELECT ") + t.columns + " FROM " + t.name + " ORDER BY " + t.order).c_str());
    const int n = column_count(t);
    Row row(static_cast<std::size_t>(n));
    while (s.step()) {
        for (int i = 0; i < n; ++i) s.text_into(i, row[static_cast<std::size_t>(i)]);
        each(row);
    }
}

// Rows and a checksum that does not depend on their order (the engines sort text differently):
// the BLAKE2b of the sorted BLAKE2b of each row's fields.
struct Tally {
    int64_t rows = 0;
    std::vector<std::string> hashes;

    void add(const Row& row) {
        crypto_generichash_state st;
        crypto_generichash_init(&st, nullptr, 0, 32);
        for (const std::string& field : row) {
            const uint64_t size = field.size();
            crypto_generichash_update(&st, reinterpret_cast<const unsigned char*>(&size),
                                      sizeof size);
            crypto_generichash_update(&st, reinterpret_cast<const unsigned char*>(field.data()),
                                      field.size());
        }
        unsigned char h[32];
        crypto_generichash_final(&st, h, sizeof h);
        hashes.emplace_back(reinterpret_cast<char*>(h), sizeof h);
        ++rows;
    }

    std::string sum() {
        std::sort(hashes.begin(), hashes.end());
        std::string all;
        for (const std::string& h : hashes) all += h;
        unsigned char out[32];
        crypto_generichash(out, sizeof out, reinterpret_cast<const unsigned char*>(all.data()),
                           all.size(), nullptr, 0);
        char hex[65];
        sodium_bin2hex(hex, sizeof hex, out, sizeof out);
        return hex;
    }
};

Tally pg_tally(pg::Conn& c, const Table& t) {
    pg::Result r = c.run(std::string("SELECT ") + t.columns + " FROM " + t.name);
    Tally tally;
    Row row(static_cast<std::size_t>(column_count(t)));
    for (int i = 0; i < r.rows(); ++i) {
        for (std::size_t f = 0; f < row.size(); ++f) row[f] = r.text(i, static_cast<int>(f));
        tally.add(row);
    }
    return tally;
}

void copy_table(Db& from, pg::Conn& to, const Table& t, const std::string& extra_column = {},
                const std::function<std::string(const Row&)>& extra = {}) {
    const int n = column_count(t);
    std::string sql = std::string("INSERT INTO ") + t.name + "(" + t.columns +
                      (extra_column.empty() ? "" : ", " + extra_column) + ") VALUES(";
    for (int i = 1; i <= n + (extra_column.empty() ? 0 : 1); ++i)
        sql += (i > 1 ? ",$" : "$") + std::to_string(i);
    sql += ")";
    sqlite_rows(from, t, [&](const Row& row) {
        pg::Params params(row.begin(), row.end());
        if (extra)
            params.emplace_back(extra(row));
        to.run(sql, params);
    });
}

// Counts and checksums of every table equal on both sides, or throws naming the first that is not.
void verify(Db& from, pg::Conn& to, const Table* tables, std::size_t count,
            const std::string& where, std::ostream& out) {
    for (std::size_t i = 0; i < count; ++i) {
        Tally source;
        sqlite_rows(from, tables[i], [&](const Row& row) { source.add(row); });
        Tally target = pg_tally(to, tables[i]);
        const std::string a = source.sum(), b = target.sum();
        if (source.rows != target.rows || a != b)
            throw DbError(where + tables[i].name + ": " + std::to_string(source.rows) +
                          " rows copied as " + std::to_string(target.rows) +
                          (a != b ? ", checksums differ" : ""));
        out << "  " << where << tables[i].name << ": " << source.rows << " rows, checksum "
            << a.substr(0, 16) << " equal\n";
    }
}

}  // namespace

void migrate(const std::string& from_dir, const std::string& to, std::ostream& out) {
    if (sodium_init() < 0)
        throw DbError("libsodium cannot start");
    if (!std::filesystem::exists(from_dir + "/catalog.db"))
        throw DbError("no data folder at " + from_dir + " (catalog.db is missing)");
    open_sqlite_store(from_dir);  // brings a data folder of an earlier version up to date
    Db catalog(from_dir + "/catalog.db");

    pg::Conn target(to);
    const std::string target_db = pg::database_of(to);
    if (target
            .run("SELECT COUNT(*) FROM information_schema.tables "
                 "WHERE table_schema NOT IN ('pg_catalog', 'information_schema')")
            .i64(0, 0) != 0)
        throw DbError("the database " + pg::describe(to) +
                      " already holds tables; nothing was changed");
    std::vector<std::pair<int64_t, std::string>> shards;  // id, database
    {
        Stmt s(catalog, "SELECT id FROM shards ORDER BY id");
        while (s.step())
            shards.emplace_back(s.i64(0), target_db + "_shard_" + std::to_string(s.i64(0)));
    }
    for (const auto& [id, db] : shards) {
        if (!std::filesystem::exists(from_dir + "/shards/shard-" + std::to_string(id) + ".db"))
            throw DbError("shard " + std::to_string(id) + " has no database file in " + from_dir +
                          "/shards; nothing was changed");
        if (target.run("SELECT 1 FROM pg_database WHERE datname = $1", {db}).rows() != 0)
            throw DbError("the database " + db + " for shard " + std::to_string(id) +
                          " already exists; nothing was changed");
    }

    // The catalog in one transaction: all of it or nothing.
    {
        pg::Transaction tx(target);
        target.exec(kPgCatalogSchema);
        for (const Table& t : kCatalogTables) {
            if (std::string(t.name) == "shards")
                copy_table(catalog, target, t, "dsn", [&](const Row& row) {
                    return pg::with_database(to, target_db + "_shard_" + row[0]);
                });
            else
                copy_table(catalog, target, t);
        }
        for (const char* t : kSerialTables)
            target.exec(std::string("SELECT setval(pg_get_serial_sequence('") + t +
                        "', 'id'), COALESCE(MAX(id), 0) + 1, false) FROM " + t);
        tx.commit();
    }
    out << "catalog copied to " << pg::describe(to) << "\n";
    for (const auto& [id, db] : shards) {
        target.exec("CREATE DATABASE " + pg::quote_identifier(db));
        pg::Conn shard(pg::with_database(to, db));
        Db source(from_dir + "/shards/shard-" + std::to_string(id) + ".db");
        pg::Transaction tx(shard);
        shard.exec(kPgShardSchema);
        for (const Table& t : kShardTables) copy_table(source, shard, t);
        shard.exec(
            "SELECT setval(pg_get_serial_sequence('vouchers', 'id'), "
            "COALESCE(MAX(id), 0) + 1, false) FROM vouchers");
        tx.commit();
        out << "shard " << id << " copied to " << db << "\n";
    }

    out << "verifying\n";
    verify(catalog, target, kCatalogTables, std::size(kCatalogTables), "", out);
    for (const auto& [id, db] : shards) {
        pg::Conn shard(pg::with_database(to, db));
        Db source(from_dir + "/shards/shard-" + std::to_string(id) + ".db");
        verify(source, shard, kShardTables, std::size(kShardTables), db + ".", out);
    }
    out << "migrated: every table's count and checksum are equal\n";
}

}  // namespace srv
