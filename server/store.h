// Persistent state of the reference services. The catalog holds users, organisations, delivery
// notes, tenants, the shard registry, tokens and releases; every finance shard is a database of
// its own holding the vouchers of its tenants.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

namespace srv {

struct User {
    int64_t id = 0;
    std::string account, user_type, username, phone, enterprise_name;
    int64_t org_id = 0;
    bool admin = false;      // administers the tenants of their own organisation
    bool operator_ = false;  // runs the server: lists and adds the shards every organisation shares
};

struct NoteItem {
    std::string product, model, length, wattage, brightness, sensor_mode, unit;
    std::string quantity, price;  // JSON number text as received
};

struct Note {
    int64_t id = 0;
    int64_t user_id = 0;
    std::string no, customer, project, address, contact, contact_phone, date, status, remark;
    std::vector<NoteItem> items;
};

struct Tenant {
    int64_t id = 0;
    std::string name, code;
    int64_t shard_id = 0;
    int64_t org_id = 0;
};

struct Shard {
    int64_t id = 0;
    std::string name;
    int64_t tenant_count = 0;
    int64_t max_tenants = 0;
};

struct VoucherLine {
    std::string summary, account;
    int64_t debit = 0, credit = 0;  // cents
};

struct Voucher {
    int64_t id = 0;
    std::string voucher_no, date, summary;
    std::vector<VoucherLine> lines;
    int64_t total_debit = 0, total_credit = 0;
};

struct Release {
    std::string version, file;
};

// What the services store, on SQLite (a data folder, the default) or on PostgreSQL (a catalog
// database and one database per shard). Both keep the same rules; what they share (password
// hashes, random tokens, note counts) is done here once.
class Store {
public:
    virtual ~Store() = default;

    virtual bool empty() = 0;  // no users yet (a new data folder or database)

    // Users. The password is hashed with libsodium (Argon2id); user_add throws on a taken account.
    int64_t user_add(const std::string& account, const std::string& password,
                     const std::string& type, const std::string& company,
                     const std::string& username, const std::string& phone, bool admin,
                     bool operator_ = false);
    virtual std::optional<User> user_by_id(int64_t id) = 0;
    virtual std::optional<User> user_by_account(const std::string& account) = 0;
    bool check_password(int64_t user_id, const std::string& password);
    // Spends the time of a password check for a login whose account does not exist.
    static void check_password_of_nobody(const std::string& password);

    // Each delivery note of the user with its items, newest first. One note is filled again for
    // every call (its strings keep their capacity): a list of thousands of notes is written out
    // without holding them all or allocating for each.
    virtual void visit_notes(int64_t user_id, const std::function<void(const Note&)>& visit) = 0;
    int64_t note_count(int64_t user_id);
    virtual int64_t note_create(const Note& note) = 0;
    // false when there is no such note, or (with an owner) when it is not the owner's.
    virtual bool note_update(const Note& note, std::optional<int64_t> owner = std::nullopt) = 0;
    enum class DeleteResult { Deleted, NotFound, NotOwner };
    virtual DeleteResult note_delete(int64_t id, int64_t user_id) = 0;

    // Bearer tokens: random, stored only as hashes, valid for `ttl_seconds`.
    std::string token_issue(int64_t user_id, int64_t ttl_seconds);
    std::optional<int64_t> token_user(const std::string& token);

    // Data-service sessions: random, stored only as hashes, valid for `ttl_seconds` from their
    // last use (renewed at most once an hour, so that reading costs no write).
    std::string session_issue(int64_t user_id, int64_t ttl_seconds);
    std::optional<int64_t> session_user(const std::string& token, int64_t ttl_seconds);
    void session_revoke(const std::string& token);

    // Tenants and shards.
    virtual std::vector<Tenant> tenants_visible_to(const User& user) = 0;
    virtual std::optional<Tenant> tenant(int64_t id) = 0;
    // Puts the tenant on the shard with the most free places; nullopt with `error` set when
    // every shard is full or the code is taken.
    virtual std::optional<Tenant> tenant_create(int64_t org_id, const std::string& name,
                                                const std::string& code, std::string& error) = 0;
    virtual std::vector<Shard> shards() = 0;
    // A new shard, its database created and initialised before it is listed. `dsn` registers a
    // database that exists elsewhere (PostgreSQL only); empty makes one beside the catalog.
    virtual int64_t shard_add(const std::string& name, int64_t max_tenants,
                              const std::string& dsn = {}) = 0;

    // Vouchers live in the tenant's shard. A shard that cannot be reached throws
    // ShardUnavailable.
    virtual std::vector<Voucher> vouchers_recent(const Tenant& t, int limit) = 0;
    // false with `error` set when the number is taken in this tenant.
    virtual bool voucher_save(const Tenant& t, const Voucher& v, std::string& error) = 0;

    // Releases: the metadata here, the package files in the data folder's releases/.
    virtual void release_add(const std::string& version, const std::string& file) = 0;
    virtual std::optional<Release> release_latest() = 0;
    const std::string& dir() const { return dir_; }

protected:
    explicit Store(std::string dir);
    // Kept up to date by the implementations' create and delete.
    void count_notes(int64_t user_id, int64_t change);
    virtual int64_t stored_note_count(int64_t user_id) = 0;
    virtual std::string password_hash(int64_t user_id) = 0;
    virtual int64_t user_insert(const std::string& account, const std::string& password_hash,
                                const std::string& type, const std::string& company,
                                const std::string& username, const std::string& phone, bool admin,
                                bool operator_) = 0;
    // `sessions` chooses the data-service sessions, else the finance tokens.
    virtual void token_insert(bool sessions, const std::string& hash, int64_t user_id,
                              int64_t expires_at, int64_t now) = 0;
    // The user and expiry of a stored hash, whether or not it has expired.
    virtual std::optional<std::pair<int64_t, int64_t>> token_find(bool sessions,
                                                                  const std::string& hash) = 0;
    virtual void session_renew(const std::string& hash, int64_t expires_at) = 0;
    virtual void session_delete(const std::string& hash) = 0;

private:
    std::string dir_;
    // Notes per user, counted once and then kept up to date by create and delete: counting
    // on every create would cost time in proportion to what the user holds.
    std::mutex counts_mutex_;
    std::unordered_map<int64_t, int64_t> note_counts_;
    std::string issue(bool sessions, int64_t user_id, int64_t ttl_seconds);
    std::optional<std::pair<int64_t, int64_t>> look_up(bool sessions, const std::string& token);
};

// A shard's database cannot be reached; its tenants' calls answer 503 until it returns.
struct ShardUnavailable : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The data folder `dir` holds the release packages, and with an empty `database` everything
// else in SQLite files; a "postgresql://…" `database` keeps the catalog there, with up to
// `connections` connections to it and to each shard.
std::unique_ptr<Store> open_store(const std::string& dir, const std::string& database,
                                  int connections);
std::unique_ptr<Store> open_sqlite_store(const std::string& dir);
std::unique_ptr<Store> open_pg_store(const std::string& dir, const std::string& database,
                                     int connections);

}  // namespace srv
