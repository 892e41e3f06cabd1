// The finance service's sign-in: the process-wide bearer token and the base URL it was issued
// for, filled silently right after the main login.
#pragma once

#include <string>
#include <string_view>

namespace nv {

struct FinanceSession {
    std::u16string token;     // empty: not signed in
    std::u16string base_url;  // the finance base URL the token belongs to
};

FinanceSession& finance_session();

// POST base + "/api/v1/native/login"; on a 200 answer with success true and a non-empty
// data.token the session takes the token. Anything else leaves the session as it was. The
// request body, which holds the password, is wiped afterwards.
bool silent_finance_login(std::u16string_view base, std::u16string_view account,
                          std::u16string_view password, bool enterprise);

// Sign-out: the token's characters are overwritten, then token and base URL emptied.
void clear_finance_session();

}  // namespace nv
