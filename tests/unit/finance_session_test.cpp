#include "finance/finance_session.h"

#include <gtest/gtest.h>

#include "fakes/fakes.h"

namespace nv {
namespace {

TEST(SilentFinanceLogin, OnlyA200SuccessWithATokenSignsIn) {
    fake::http_reset();
    clear_finance_session();
    fake::http_answer_json(201, u"{\"success\":true,\"data\":{\"token\":\"t1\"}}");
    EXPECT_FALSE(silent_finance_login(u"http://f//", u"a", u"p", true));
    fake::http_answer_json(200, u"{\"success\":true,\"data\":{\"token\":\"\"}}");
    EXPECT_FALSE(silent_finance_login(u"http://f//", u"a", u"p", true));
    fake::http_answer_json(200, u"{\"success\":\"true\",\"data\":{\"token\":\"t\"}}");
    EXPECT_FALSE(silent_finance_login(u"http://f//", u"a", u"p", true));
    EXPECT_EQ(finance_session().token, u"");
    fake::http_answer_json(200, u"{\"success\":true,\"data\":{\"token\":\"tok\"}}");
    EXPECT_TRUE(silent_finance_login(u"http://f//", u"a", u"p", true));
    EXPECT_EQ(finance_session().token, u"tok");
    EXPECT_EQ(finance_session().base_url, u"http://f");
    // A later failure leaves the session as it was.
    fake::http_answer_json(500, u"{}");
    EXPECT_FALSE(silent_finance_login(u"http://g", u"a", u"p", false));
    EXPECT_EQ(finance_session().token, u"tok");
    const auto& calls = fake::http_calls();
    EXPECT_EQ(calls.back().url, u"http://g/api/v1/native/login");
    EXPECT_EQ(calls.back().body,
              u"{\"account\":\"a\",\"password\":\"p\",\"userType\":\"personal\"}");
    clear_finance_session();
    EXPECT_EQ(finance_session().token, u"");
    EXPECT_EQ(finance_session().base_url, u"");
}

}  // namespace
}  // namespace nv
