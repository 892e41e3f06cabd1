// The HTTP routes of the data service, the finance service and the release manifest.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace srv::http {
class Server;
}

namespace srv {

class Store;

// The largest request body each kind of route reads: a note with its item lines, a voucher
// with its lines, a login, a small command (delete, new tenant, new shard), a query.
inline constexpr std::size_t kMaxBodyBytes = 4 * 1024 * 1024;
inline constexpr std::size_t kMaxVoucherBodyBytes = 1024 * 1024;
inline constexpr std::size_t kMaxLoginBodyBytes = 8 * 1024;
inline constexpr std::size_t kMaxSmallBodyBytes = 64 * 1024;
inline constexpr std::size_t kMaxQueryBodyBytes = 4 * 1024;
inline constexpr int64_t kTokenSeconds = 12 * 3600;

struct ServeOptions {
    // The address clients reach the server at (http://HOST:PORT), for the release manifest's
    // package link.
    std::string public_url;
    // Failed logins: at most kLoginFailures per account and kLoginFailuresPerAddress per client
    // address within this many seconds; further attempts are refused until the window passes.
    int login_window_seconds = 900;
    // What one user may store: the list of notes is answered whole, so it must stay bounded.
    int64_t max_notes_per_user = 20000;
    // The data routes without sessions, as a service that knows no caller: the login answers
    // no token and every user's notes are open to whoever names the user.
    bool open_data_service = false;
};
// A data-service session lasts this long from its last use.
inline constexpr int64_t kSessionSeconds = 30 * 24 * 3600;
inline constexpr std::size_t kMaxItemsPerNote = 5000;
inline constexpr std::size_t kMaxFieldBytes = 2000;  // one text field, in UTF-8 bytes
inline constexpr int kLoginFailures = 5;
inline constexpr int kLoginFailuresPerAddress = 20;

void install_routes(http::Server& server, Store& store, const ServeOptions& options);

// A real calendar date "YYYY-MM-DD" from 1900 on.
bool is_real_date(std::string_view date);

}  // namespace srv
