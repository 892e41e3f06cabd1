#include "notes/session.h"

#include <algorithm>

#include "base/config.h"
#include "base/log.h"
#include "base/protect.h"
#include "notes/note_service.h"

namespace nv {

namespace {

void forget_identity(std::u16string_view ini, LoginSession& s) {
    s.user_id.clear();
    s.username.clear();
    s.company.clear();
    std::fill(s.token.begin(), s.token.end(), u'\0');
    s.token.clear();
    for (const char16_t* key : {u"userId", u"username", u"company", u"token"})
        config_write(ini, u"session", key, u"");
}

void store_company(std::u16string_view ini, LoginSession& s, const std::u16string& company) {
    s.company = company;
    config_write(ini, u"session", u"company", company);
}

}  // namespace

DataCaller data_caller(const LoginSession& s) {
    return DataCaller{s.base_url, s.user_id, s.token};
}

LoginSession& login_session() {
    static LoginSession s;
    return s;
}

LoginSession read_login_session(std::u16string_view ini) {
    LoginSession s;
    s.base_url = config_lookup(ini, u"app", u"server", kDefaultServer);
    s.user_id = config_lookup(ini, u"session", u"userId", u"");
    s.username = config_lookup(ini, u"session", u"username", u"");
    s.company = config_lookup(ini, u"session", u"company", u"");
    s.account = config_lookup(ini, u"session", u"account", u"");
    s.remember = config_lookup(ini, u"session", u"remember", u"0") == u"1";
    // Kept sealed for this Windows user; a damaged or foreign value reads as no token.
    s.token = open_secret(config_lookup(ini, u"session", u"token", u""));
    return s;
}

bool recheck_remembered_session(std::u16string_view ini, LoginSession& s) {
    if (!s.user_id.empty() && s.remember) {
        std::u16string company;
        if (service_company_info(data_caller(s), company).ok) {
            if (!company.empty())
                store_company(ini, s, company);
        } else {
            app_log().line("saved session invalid, require login");
            forget_identity(ini, s);
        }
    }
    return !s.user_id.empty() && s.remember;
}

void remember_sign_in(std::u16string_view ini, LoginSession& s, const User& user,
                      std::u16string_view account, bool remember) {
    s.user_id = user.id;
    s.username = user.username;
    s.company = user.enterprise_name;
    s.account = account;
    s.token = user.token;
    s.remember = remember;
    config_write(ini, u"session", u"account", account);
    config_write(ini, u"session", u"remember", remember ? u"1" : u"0");
    config_write(ini, u"session", u"userId", remember ? s.user_id : u"");
    config_write(ini, u"session", u"username", remember ? s.username : u"");
    config_write(ini, u"session", u"company", remember ? s.company : u"");
    config_write(ini, u"session", u"token", remember ? seal_secret(s.token) : u"");
}

void sign_out(std::u16string_view ini, LoginSession& s) {
    if (!s.token.empty())
        static_cast<void>(service_logout(s.base_url, s.token));
    forget_identity(ini, s);
    config_write(ini, u"session", u"remember", u"0");
    s.remember = false;
}

bool session_refused(const ServiceResult& r, const LoginSession& s) {
    return r.status == 401 && !s.token.empty();
}

void end_refused_session(std::u16string_view ini, LoginSession& s) {
    app_log().line("session refused by the service, require login");
    // The service no longer knows the token: there is nothing to revoke.
    std::fill(s.token.begin(), s.token.end(), u'\0');
    s.token.clear();
    sign_out(ini, s);
}

void fill_company(std::u16string_view ini, LoginSession& s) {
    if (!s.company.empty() || s.user_id.empty())
        return;
    std::u16string company;
    if (service_company_info(data_caller(s), company).ok && !company.empty())
        store_company(ini, s, company);
}

std::optional<std::u16string> fresh_company(const LoginSession& s, const BusySignal& busy) {
    if (s.user_id.empty())
        return std::nullopt;
    if (busy)
        busy(true);
    std::u16string company;
    bool ok = service_company_info(data_caller(s), company).ok;
    if (busy)
        busy(false);
    if (!ok)
        return std::nullopt;
    return company;
}

std::u16string company_for_document(std::u16string_view ini, LoginSession& s,
                                    const BusySignal& busy) {
    std::optional<std::u16string> fresh = fresh_company(s, busy);
    if (!fresh || fresh->empty())
        return s.company;
    if (*fresh != s.company)
        store_company(ini, s, *fresh);
    return *fresh;
}

}  // namespace nv
