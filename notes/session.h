// The signed-in user of the data service and every decision about it: what start-up reads from
// config.ini, whether a remembered sign-in still holds, what a sign-in and a sign-out write, and
// the company fill. Start-up, the login window and the main window all go through these.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "notes/note_service.h"
#include "notes/records.h"

namespace nv {

// Our choice of the built-in data-service address; config.ini's app/server overrides it.
inline constexpr char16_t kDefaultServer[] = u"https://data.norvane.cn";

struct LoginSession {
    std::u16string base_url;
    std::u16string user_id;
    std::u16string username;
    std::u16string company;
    std::u16string account;
    std::u16string token;  // the data-service session; empty for a service without sessions
    bool remember = false;
};

// Who the session's data-service calls are made for.
DataCaller data_caller(const LoginSession& s);

// The process-wide session, filled at start-up and by the login window.
LoginSession& login_session();

// The session as config.ini holds it; the remember flag is set only by exactly "1".
LoginSession read_login_session(std::u16string_view ini);

// A remembered sign-in is checked with the company-info call. On success a non-empty company
// name is stored; any failure, the network's included, forgets the identity (the program cannot
// tell an unreachable service from a rejected user). Returns whether the login window may be
// skipped: a user id is (still) known and the remember flag is set.
[[nodiscard]] bool recheck_remembered_session(std::u16string_view ini, LoginSession& s);

// After a successful sign-in: the session takes the user; config.ini always gets the account and
// the remember flag, and the identity only when it is remembered (else it is emptied).
void remember_sign_in(std::u16string_view ini, LoginSession& s, const User& user,
                      std::u16string_view account, bool remember);

// Sign-out: the service is asked first to forget the session's token (its failure does not stop
// the sign-out); then identity, token and remember flag are cleared in memory and in config.ini.
// The account and the base URL stay, so the login window shows the last account.
void sign_out(std::u16string_view ini, LoginSession& s);

// The service refused the session's token (it expired or was revoked): the call that sent it
// answered 401. A service without sessions never counts as refusing one.
[[nodiscard]] bool session_refused(const ServiceResult& r, const LoginSession& s);
// What the user is told before signing in again after that.
inline constexpr char16_t kSessionEnded[] = u"登录已失效，请重新登录";
// Signs out after a refused token, without asking the service to forget it.
void end_refused_session(std::u16string_view ini, LoginSession& s);

// When the company name is unknown but a user is signed in, the company-info call fills it and
// config.ini keeps it, whatever the remember flag. Silent on failure.
void fill_company(std::u16string_view ini, LoginSession& s);

// Told true before a call the user waits for goes out and false when it is back: the wait
// cursor shows from the first moment.
using BusySignal = std::function<void(bool)>;

// The company name the service gives now; nothing when no user is signed in or the call fails.
std::optional<std::u16string> fresh_company(const LoginSession& s, const BusySignal& busy);

// The company name a print carries: refreshed from the service when a user is signed in; a new
// non-empty name is also kept in the session and config.ini. When the call fails the stored
// name is used and nothing is written.
std::u16string company_for_document(std::u16string_view ini, LoginSession& s,
                                    const BusySignal& busy);

}  // namespace nv
