#include "server/store.h"

#include <sodium.h>

#include <chrono>

#include "server/db.h"

namespace srv {

namespace {

int64_t now_seconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// Tokens are stored only as the hex of their BLAKE2b hash: a copy of the database hands out no
// usable token.
std::string token_hash(const std::string& token) {
    unsigned char h[32];
    crypto_generichash(h, sizeof h, reinterpret_cast<const unsigned char*>(token.data()),
                       token.size(), nullptr, 0);
    char hex[65];
    sodium_bin2hex(hex, sizeof hex, h, sizeof h);
    return std::string(hex, 64);
}

}  // namespace

Store::Store(std::string dir) : dir_(std::move(dir)) {
    if (sodium_init() < 0)
        throw DbError("libsodium cannot start");
}

std::unique_ptr<Store> open_store(const std::string& dir, const std::string& database,
                                  int connections) {
    if (database.empty())
        return open_sqlite_store(dir);
    if (database.rfind("postgresql://", 0) != 0 && database.rfind("postgres://", 0) != 0)
        throw DbError("--database wants a postgresql://… connection URI");
    return open_pg_store(dir, database, connections);
}

int64_t Store::note_count(int64_t user_id) {
    {
        std::lock_guard<std::mutex> lock(counts_mutex_);
        auto it = note_counts_.find(user_id);
        if (it != note_counts_.end())
            return it->second;
    }
    int64_t stored = stored_note_count(user_id);
    std::lock_guard<std::mutex> lock(counts_mutex_);
    return note_counts_.emplace(user_id, stored).first->second;
}

void Store::count_notes(int64_t user_id, int64_t change) {
    std::lock_guard<std::mutex> lock(counts_mutex_);
    auto it = note_counts_.find(user_id);
    if (it != note_counts_.end())
        it->second += change;  // an uncounted user is counted when first asked
}

int64_t Store::user_add(const std::string& account, const std::string& password,
                        const std::string& type, const std::string& company,
                        const std::string& username, const std::string& phone, bool admin,
                        bool operator_) {
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(hash, password.data(), password.size(),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        throw DbError("out of memory while hashing the password");
    return user_insert(account, hash, type, company, username, phone, admin, operator_);
}

void Store::check_password_of_nobody(const std::string& password) {
    // A hash made once with the same parameters as the users' own, so that an unknown account
    // costs a login the same time as a wrong password.
    static const std::string dummy = [] {
        char hash[crypto_pwhash_STRBYTES];
        const char kSecret[] = "no account has this password";
        if (crypto_pwhash_str(hash, kSecret, sizeof kSecret - 1, crypto_pwhash_OPSLIMIT_INTERACTIVE,
                              crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
            return std::string();
        return std::string(hash);
    }();
    if (!dummy.empty()) {
        volatile int never_matches =
            crypto_pwhash_str_verify(dummy.c_str(), password.data(), password.size());
        static_cast<void>(never_matches);
    }
}

bool Store::check_password(int64_t user_id, const std::string& password) {
    std::string hash = password_hash(user_id);
    return !hash.empty() &&
           crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

// A new random token of a user, stored as its hash.
std::string Store::issue(bool sessions, int64_t user_id, int64_t ttl_seconds) {
    unsigned char raw[32];
    randombytes_buf(raw, sizeof raw);
    char hex[65];
    sodium_bin2hex(hex, sizeof hex, raw, sizeof raw);
    sodium_memzero(raw, sizeof raw);
    std::string token(hex);
    const int64_t now = now_seconds();
    token_insert(sessions, token_hash(token), user_id, now + ttl_seconds, now);
    return token;
}

std::optional<std::pair<int64_t, int64_t>> Store::look_up(bool sessions, const std::string& token) {
    if (token.size() != 64)
        return std::nullopt;
    return token_find(sessions, token_hash(token));
}

std::string Store::token_issue(int64_t user_id, int64_t ttl_seconds) {
    return issue(false, user_id, ttl_seconds);
}

std::optional<int64_t> Store::token_user(const std::string& token) {
    auto found = look_up(false, token);
    if (!found || found->second < now_seconds())
        return std::nullopt;
    return found->first;
}

std::string Store::session_issue(int64_t user_id, int64_t ttl_seconds) {
    return issue(true, user_id, ttl_seconds);
}

std::optional<int64_t> Store::session_user(const std::string& token, int64_t ttl_seconds) {
    auto found = look_up(true, token);
    if (!found)
        return std::nullopt;
    auto [user, expires] = *found;
    const int64_t now = now_seconds();
    if (expires < now)
        return std::nullopt;
    if (expires < now + ttl_seconds - 3600)
        session_renew(token_hash(token), now + ttl_seconds);
    return user;
}

void Store::session_revoke(const std::string& token) {
    session_delete(token_hash(token));
}

}  // namespace srv
