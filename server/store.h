// Persistent state of the reference services. The catalog database holds users, organisations,
// delivery notes, tenants, shards, tokens and releases; every finance shard is a database file
// of its own holding the vouchers of its tenants. Each worker thread has its own connections.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
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

class Store {
public:
    explicit Store(std::string dir);

    bool empty();  // no users yet (a new data folder)

    // Users. The password is hashed with libsodium (Argon2id); user_add throws on a taken account.
    int64_t user_add(const std::string& account, const std::string& password,
                     const std::string& type, const std::string& company,
                     const std::string& username, const std::string& phone, bool admin,
                     bool operator_ = false);
    std::optional<User> user_by_id(int64_t id);
    std::optional<User> user_by_account(const std::string& account);
    bool check_password(int64_t user_id, const std::string& password);
    // Spends the time of a password check for a login whose account does not exist.
    void check_password_of_nobody(const std::string& password);

    // Each delivery note of the user with its items, newest first. One note is filled again for
    // every call (its strings keep their capacity): a list of thousands of notes is written out
    // without holding them all or allocating for each.
    void visit_notes(int64_t user_id, const std::function<void(const Note&)>& visit);
    int64_t note_count(int64_t user_id);
    int64_t note_create(const Note& note);
    // false when there is no such note, or (with an owner) when it is not the owner's.
    bool note_update(const Note& note, std::optional<int64_t> owner = std::nullopt);
    enum class DeleteResult { Deleted, NotFound, NotOwner };
    DeleteResult note_delete(int64_t id, int64_t user_id);

    // Bearer tokens: random, stored only as hashes, valid for `ttl_seconds`.
    std::string token_issue(int64_t user_id, int64_t ttl_seconds);
    std::optional<int64_t> token_user(const std::string& token);

    // Data-service sessions: random, stored only as hashes, valid for `ttl_seconds` from their
    // last use (renewed at most once an hour, so that reading costs no write).
    std::string session_issue(int64_t user_id, int64_t ttl_seconds);
    std::optional<int64_t> session_user(const std::string& token, int64_t ttl_seconds);
    void session_revoke(const std::string& token);

    // Tenants and shards.
    std::vector<Tenant> tenants_visible_to(const User& user);
    std::optional<Tenant> tenant(int64_t id);
    // Puts the tenant on the shard with the most free places; nullopt with `error` set when
    // every shard is full or the code is taken.
    std::optional<Tenant> tenant_create(int64_t org_id, const std::string& name,
                                        const std::string& code, std::string& error);
    std::vector<Shard> shards();
    int64_t shard_add(const std::string& name, int64_t max_tenants);

    // Vouchers live in the tenant's shard.
    std::vector<Voucher> vouchers_recent(const Tenant& t, int limit);
    // false with `error` set when the number is taken in this tenant.
    bool voucher_save(const Tenant& t, const Voucher& v, std::string& error);

    // Releases.
    void release_add(const std::string& version, const std::string& file);
    std::optional<Release> release_latest();
    const std::string& dir() const { return dir_; }

private:
    std::string dir_;
    std::string catalog_path_;
    // Notes per user, counted once and then kept up to date by create and delete: counting
    // on every create would cost time in proportion to what the user holds.
    std::mutex counts_mutex_;
    std::unordered_map<int64_t, int64_t> note_counts_;
    void count_notes(int64_t user_id, int64_t change);
    std::string shard_path(int64_t shard_id) const;
    std::string issue(const char* table, int64_t user_id, int64_t ttl_seconds);
    std::optional<std::pair<int64_t, int64_t>> look_up(const char* table, const std::string& token);
};

}  // namespace srv
