// The data-service session token: carried by every data call after a login that issued one, kept
// in config.ini only sealed, revoked at sign-out, and a refusal of it told apart.
#include <gtest/gtest.h>

#include "base/config.h"
#include "base/protect.h"
#include "fakes/fakes.h"
#include "notes/session.h"

namespace nv {
namespace {

constexpr char16_t kIni[] = u"C:\\N\\config.ini";
constexpr char16_t kToken[] = u"0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";

class SessionToken : public ::testing::Test {
protected:
    void SetUp() override {
        fake::profile_clear();
        fake::http_reset();
    }
    LoginSession SignIn(std::u16string_view token_member, bool remember) {
        fake::http_answer_json(200, u"{\"success\":true,\"data\":{\"id\":7,\"username\":\"u\"" +
                                        std::u16string(token_member) + u"}}");
        User user;
        EXPECT_TRUE(service_login(u"http://h", u"a", u"p", true, user).ok);
        LoginSession s;
        s.base_url = u"http://h";
        remember_sign_in(kIni, s, user, u"a", remember);
        return s;
    }
};

TEST_F(SessionToken, EveryDataCallCarriesTheTokenAndNoneWithoutOne) {
    LoginSession s = SignIn(u",\"token\":\"" + std::u16string(kToken) + u"\"", false);
    std::vector<DeliveryNote> notes;
    std::u16string company;
    static_cast<void>(service_list_notes(data_caller(s), notes));
    static_cast<void>(service_company_info(data_caller(s), company));
    DeliveryNote n;
    static_cast<void>(service_save_note(data_caller(s), n, true));
    static_cast<void>(service_delete_note(data_caller(s), 3));
    const auto& calls = fake::http_calls();
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[0].headers, u"");  // the login itself
    for (std::size_t i = 1; i < calls.size(); ++i)
        EXPECT_EQ(calls[i].headers, u"Authorization: Bearer " + std::u16string(kToken)) << i;

    // A service that issues no token is called exactly as before.
    fake::http_reset();
    LoginSession plain = SignIn(u"", true);
    EXPECT_TRUE(plain.token.empty());
    static_cast<void>(service_list_notes(data_caller(plain), notes));
    EXPECT_EQ(fake::http_calls().back().headers, u"");
    EXPECT_EQ(config_lookup(kIni, u"session", u"token", u""), u"");
}

TEST_F(SessionToken, RememberedOnlySealedAndReadBack) {
    LoginSession s = SignIn(u",\"token\":\"" + std::u16string(kToken) + u"\"", true);
    std::u16string stored = config_lookup(kIni, u"session", u"token", u"");
    EXPECT_FALSE(stored.empty());
    EXPECT_EQ(stored.find(u"0123456789abcdef0123"), std::u16string::npos);  // never plain
    EXPECT_EQ(read_login_session(kIni).token, kToken);
    // A damaged value, or one sealed elsewhere, is no token.
    for (std::u16string damaged : {stored.substr(0, stored.size() - 2) + u"00", stored.substr(1),
                                   std::u16string(u"zz") + stored, std::u16string(kToken)}) {
        fake::profile_set(kIni, u"session", u"token", damaged);
        EXPECT_EQ(read_login_session(kIni).token, u"")
            << std::string(damaged.begin(), damaged.end());
    }
    // Not remembered: nothing is written.
    fake::profile_clear();
    static_cast<void>(SignIn(u",\"token\":\"" + std::u16string(kToken) + u"\"", false));
    EXPECT_EQ(config_lookup(kIni, u"session", u"token", u""), u"");
}

TEST_F(SessionToken, SignOutRevokesFirstAndForgetsEvenWhenThatFails) {
    LoginSession s = SignIn(u",\"token\":\"" + std::u16string(kToken) + u"\"", true);
    fake::http_reset();  // the revoke call finds no answer: a network failure
    sign_out(kIni, s);
    ASSERT_EQ(fake::http_calls().size(), 1u);
    EXPECT_EQ(fake::http_calls()[0].url, u"http://h/api/users/logout");
    EXPECT_EQ(fake::http_calls()[0].headers, u"Authorization: Bearer " + std::u16string(kToken));
    EXPECT_TRUE(s.token.empty());
    EXPECT_TRUE(s.user_id.empty());
    EXPECT_EQ(config_lookup(kIni, u"session", u"token", u""), u"");
    EXPECT_EQ(read_login_session(kIni).token, u"");
}

TEST_F(SessionToken, OnlyA401ToASentTokenEndsTheSession) {
    LoginSession s = SignIn(u",\"token\":\"" + std::u16string(kToken) + u"\"", true);
    std::vector<DeliveryNote> notes;
    fake::http_answer_json(401, u"{\"success\":false,\"message\":\"登录已失效，请重新登录\"}");
    ServiceResult refused = service_list_notes(data_caller(s), notes);
    EXPECT_TRUE(session_refused(refused, s));
    fake::http_answer_json(404, u"{\"success\":false,\"message\":\"用户不存在\"}");
    EXPECT_FALSE(session_refused(service_list_notes(data_caller(s), notes), s));
    LoginSession tokenless = s;
    tokenless.token.clear();
    EXPECT_FALSE(session_refused(refused, tokenless));
    end_refused_session(kIni, s);
    EXPECT_TRUE(s.user_id.empty());
    EXPECT_FALSE(s.remember);
    EXPECT_EQ(read_login_session(kIni).token, u"");
}

}  // namespace
}  // namespace nv
