// config.ini as start-up, the login window and the main window read and write it, and the
// start-up's own decisions.
#include <cstdio>
#include <gtest/gtest.h>

#include "app/startup.h"
#include "base/config.h"
#include "base/files.h"
#include "base/text.h"
#include "fakes/fakes.h"
#include "notes/session.h"
#include "ui/ui_logic.h"

namespace nv {
namespace {

constexpr char16_t kIni[] = u"C:\\N\\config.ini";

std::u16string Read(std::u16string_view section, std::u16string_view key) {
    return config_lookup(kIni, section, key, u"<none>");
}

class ConfigTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::profile_clear();
        fake::http_reset();
    }
};

TEST_F(ConfigTest, LoadFillsTheSessionAndSeedsOnlyMissingKeys) {
    fake::profile_set(kIni, u"app", u"server", u"");
    fake::profile_set(kIni, u"print", u"width_mm", u"250");
    fake::profile_set(kIni, u"print", u"height_mm", u"");
    fake::profile_set(kIni, u"session", u"userId", u"42");
    fake::profile_set(kIni, u"session", u"remember", u"1");
    LoginSession s = load_config(kIni);
    EXPECT_EQ(s.base_url, kDefaultServer);
    EXPECT_EQ(s.user_id, u"42");
    EXPECT_TRUE(s.remember);
    EXPECT_EQ(Read(u"app", u"server"), kDefaultServer);
    EXPECT_EQ(Read(u"print", u"width_mm"), u"250");
    EXPECT_EQ(Read(u"print", u"height_mm"), u"139.5");
    EXPECT_EQ(Read(u"print", u"row_mm"), u"6.0");
    EXPECT_EQ(Read(u"print", u"raster"), u"<none>");
    EXPECT_EQ(Read(u"app", u"financeServer"), u"<none>");
}

TEST_F(ConfigTest, PlacementReadsLeadingIntegersAndWritesTheOuterRectangle) {
    fake::profile_set(kIni, u"window", u"left", u"-8px");
    fake::profile_set(kIni, u"window", u"top", u"abc");
    Placement p = read_placement(kIni);
    EXPECT_EQ(p.left, -8);
    EXPECT_EQ(p.top, 0);
    EXPECT_EQ(p.width, 1360);
    EXPECT_EQ(p.height, 820);
    write_placement(kIni, -8, -8, 1928, 1040);
    EXPECT_EQ(Read(u"window", u"left"), u"-8");
    EXPECT_EQ(Read(u"window", u"width"), u"1936");
    EXPECT_EQ(Read(u"window", u"height"), u"1048");
}

TEST(Switches, OnlyTheWholeArgumentCodeUnitByCodeUnit) {
    std::vector<std::u16string> args = {u"norvane.exe", u"--SELFTEST", u"--selftest=1",
                                        u"--self\u00ADtest", u" --selftest"};
    EXPECT_FALSE(has_switch(args, u"--selftest"));
    args.push_back(u"--selftest");
    EXPECT_TRUE(has_switch(args, u"--selftest"));
    EXPECT_FALSE(has_switch({u"--selftest"}, u"--selftest"));  // the program name is not one
}

class SessionTest : public ConfigTest {
protected:
    LoginSession Remembered() {
        LoginSession s;
        s.base_url = u"http://h";
        s.user_id = u"7";
        s.username = u"张三";
        s.company = u"旧公司";
        s.account = u"demo";
        s.remember = true;
        for (auto [k, v] : {std::pair{u"userId", u"7"},
                            {u"username", u"张三"},
                            {u"company", u"旧公司"},
                            {u"remember", u"1"}})
            fake::profile_set(kIni, u"session", k, v);
        return s;
    }
};

TEST_F(SessionTest, RememberedSessionThatStillHoldsSkipsLoginAndRefreshesTheCompany) {
    LoginSession s = Remembered();
    fake::http_answer_json(200, u"{\"success\":true,\"data\":{\"enterprise_name\":\"新公司\"}}");
    EXPECT_TRUE(recheck_remembered_session(kIni, s));
    EXPECT_EQ(s.company, u"新公司");
    EXPECT_EQ(Read(u"session", u"company"), u"新公司");
}

TEST_F(SessionTest, AnyFailedRecheckForgetsTheIdentityButKeepsTheRememberFlag) {
    LoginSession s = Remembered();  // no answer queued: the network is down
    EXPECT_FALSE(recheck_remembered_session(kIni, s));
    EXPECT_TRUE(s.user_id.empty() && s.username.empty() && s.company.empty());
    EXPECT_TRUE(s.remember);
    EXPECT_EQ(Read(u"session", u"userId"), u"<none>");
    EXPECT_EQ(Read(u"session", u"company"), u"<none>");
    EXPECT_EQ(Read(u"session", u"remember"), u"1");
    EXPECT_EQ(s.account, u"demo");
}

TEST_F(SessionTest, ANotRememberedUserIsNotCheckedAndMustSignIn) {
    LoginSession s = Remembered();
    s.remember = false;
    EXPECT_FALSE(recheck_remembered_session(kIni, s));
    EXPECT_TRUE(fake::http_calls().empty());
}

TEST_F(SessionTest, SignInWithoutRememberStoresNoIdentity) {
    LoginSession s;
    User u{u"USER_9", u"李四", u"139", u"澄岚映辉", u""};
    remember_sign_in(kIni, s, u, u" demo ", false);
    EXPECT_EQ(s.user_id, u"USER_9");
    EXPECT_EQ(s.company, u"澄岚映辉");
    EXPECT_EQ(Read(u"session", u"account"), u" demo ");
    EXPECT_EQ(Read(u"session", u"remember"), u"0");
    EXPECT_EQ(Read(u"session", u"userId"), u"<none>");
    remember_sign_in(kIni, s, u, u"demo", true);
    EXPECT_EQ(Read(u"session", u"userId"), u"USER_9");
    EXPECT_EQ(Read(u"session", u"username"), u"李四");
}

TEST_F(SessionTest, SignOutKeepsAccountAndServer) {
    LoginSession s = Remembered();
    sign_out(kIni, s);
    EXPECT_TRUE(s.user_id.empty());
    EXPECT_FALSE(s.remember);
    EXPECT_EQ(s.account, u"demo");
    EXPECT_EQ(s.base_url, u"http://h");
    EXPECT_EQ(Read(u"session", u"remember"), u"0");
    EXPECT_EQ(Read(u"session", u"username"), u"<none>");
}

TEST_F(SessionTest, CompanyFillOnlyWhenUnknownAndSilentOnFailure) {
    LoginSession s = Remembered();
    fill_company(kIni, s);  // known: no call
    EXPECT_TRUE(fake::http_calls().empty());
    s.company.clear();
    fill_company(kIni, s);  // the call fails: nothing changes
    EXPECT_EQ(s.company, u"");
    fake::http_answer_json(200, u"{\"success\":true,\"data\":{\"enterprise_name\":\"照明\"}}");
    fill_company(kIni, s);
    EXPECT_EQ(s.company, u"照明");
    EXPECT_EQ(Read(u"session", u"company"), u"照明");
}

TEST_F(SessionTest, APrintRefreshesTheCompanyAndKeepsTheStoredOneWhenTheCallFails) {
    LoginSession s = Remembered();
    // The wait cursor is on before the call goes out and off once it is back.
    std::vector<std::pair<bool, std::size_t>> busy;
    auto signal = [&](bool on) { busy.emplace_back(on, fake::http_calls().size()); };
    EXPECT_EQ(company_for_document(kIni, s, signal), u"旧公司");  // fails: nothing written
    EXPECT_EQ(Read(u"session", u"company"), u"旧公司");
    EXPECT_EQ(busy, (std::vector<std::pair<bool, std::size_t>>{{true, 0}, {false, 1}}));
    fake::http_answer_json(200, u"{\"success\":true,\"data\":{\"enterprise_name\":\"新\"}}");
    EXPECT_EQ(company_for_document(kIni, s, signal), u"新");
    EXPECT_EQ(s.company, u"新");
    EXPECT_EQ(Read(u"session", u"company"), u"新");
    s.user_id.clear();  // nobody signed in: no call, no wait
    EXPECT_EQ(fresh_company(s, signal), std::nullopt);
    EXPECT_EQ(busy.size(), 4u);
}

// A config.ini without the UTF-16 mark is rewritten once with it, every key kept.
TEST(ConfigFileTest, FilesWithoutTheUtf16MarkAreConvertedOnce) {
    auto utf16 = [](std::u16string_view t) {
        std::string out = "\xFF\xFE";
        for (char16_t c : t) out += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
        return out;
    };
    EXPECT_EQ(ini_bytes_as_utf16("[session]\r\ncompany=澄岚\r\n"),
              utf16(u"[session]\r\ncompany=澄岚\r\n"));
    EXPECT_EQ(ini_bytes_as_utf16("\xEF\xBB\xBF[a]\r\nk=v"), utf16(u"[a]\r\nk=v"));
    // Not UTF-8: the ANSI code page (the native fake stands for Latin-1).
    EXPECT_EQ(ini_bytes_as_utf16("[a]\r\nk=caf\xE9"), utf16(u"[a]\r\nk=caf\u00E9"));
}

}  // namespace
}  // namespace nv
