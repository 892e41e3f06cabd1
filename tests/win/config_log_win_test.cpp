// Configuration through the real profile functions and the log file, under Wine.
#include <windows.h>

#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <thread>

#include "app/startup.h"
#include "base/config.h"
#include "base/files.h"
#include "base/log.h"
#include "base/protect.h"
#include "base/text.h"
#include "base/wide_win.h"
#include "notes/session.h"

namespace {

std::u16string TempPath(const wchar_t* name) {
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    std::wstring p = std::wstring(dir) + name;
    DeleteFileW(p.c_str());
    return nv::from_wide(p);
}

std::string ReadAll(const std::u16string& path) {
    std::FILE* f = nv::open_file(path, "rb");
    if (!f)
        return {};
    std::string s;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
    std::fclose(f);
    return s;
}

TEST(ConfigWin, FirstStartCreatesAUtf16FileAndEmptyKeysAreRewritten) {
    std::u16string ini = TempPath(L"nv_config_first.ini");
    ASSERT_EQ(nv::prepare_config_file(ini), nv::ConfigFile::Created);
    EXPECT_EQ(nv::prepare_config_file(ini), nv::ConfigFile::AlreadyUtf16);
    nv::config_write(ini, u"print", u"width_mm", u"");
    nv::config_write(ini, u"print", u"height_mm", u"150");
    nv::LoginSession s = nv::load_config(ini);
    EXPECT_EQ(s.base_url, nv::kDefaultServer);
    EXPECT_EQ(nv::config_lookup(ini, u"app", u"server", u"-"), nv::kDefaultServer);
    EXPECT_EQ(nv::config_lookup(ini, u"print", u"width_mm", u"-"), u"241");
    EXPECT_EQ(nv::config_lookup(ini, u"print", u"height_mm", u"-"), u"150");
    EXPECT_EQ(nv::config_lookup(ini, u"print", u"raster", u"-"), u"-");
    DeleteFileW(nv::as_wide(ini));
}

// The real profile functions trim blanks around a value, so " 1 " counts as "1".
TEST(ConfigWin, RememberFlagAsTheProfileFunctionsReadIt) {
    std::u16string ini = TempPath(L"nv_config_remember.ini");
    ASSERT_EQ(nv::prepare_config_file(ini), nv::ConfigFile::Created);
    for (auto [text, remembered] :
         {std::pair{u"1", true}, {u" 1 ", true}, {u"1x", false}, {u"yes", false}, {u"0", false}}) {
        nv::config_write(ini, u"session", u"remember", text);
        EXPECT_EQ(nv::read_login_session(ini).remember, remembered) << nv::utf16_to_utf8(text);
    }
    DeleteFileW(nv::as_wide(ini));
}

TEST(ConfigWin, ACompanyNameCannotAddLinesOrKeys) {
    std::u16string ini = TempPath(L"nv_config_inject.ini");
    ASSERT_EQ(nv::prepare_config_file(ini), nv::ConfigFile::Created);
    nv::config_write(ini, u"app", u"server", u"http://good");
    nv::config_write(ini, u"session", u"company", u"澄岚\r\n[app]\r\nserver=http://evil");
    EXPECT_EQ(nv::config_lookup(ini, u"app", u"server", u"-"), u"http://good");
    EXPECT_EQ(nv::config_lookup(ini, u"session", u"company", u"-"),
              u"澄岚  [app]  server=http://evil");
    DeleteFileW(nv::as_wide(ini));
}

// Run with LANG=C: Wine's ANSI code page is then 1252, which cannot hold Chinese. A file that
// an administrator saved as UTF-8 without the UTF-16 mark is converted once; afterwards the
// Chinese values read back and new ones are kept.
TEST(ConfigWin, AFileWithoutTheMarkIsConvertedAndChineseSurvives) {
    std::u16string ini = TempPath(L"nv_config_cjk.ini");
    ASSERT_TRUE(
        nv::replace_file(ini, "[session]\r\naccount=\xE6\x9D\x8E\r\n[print]\r\nrow_mm=7\r\n"));
    EXPECT_EQ(nv::prepare_config_file(ini), nv::ConfigFile::Converted);
    EXPECT_EQ(nv::config_lookup(ini, u"session", u"account", u"-"), u"李");
    EXPECT_EQ(nv::config_lookup(ini, u"print", u"row_mm", u"-"), u"7");
    nv::config_write(ini, u"session", u"company", u"澄岚映辉照明");
    EXPECT_EQ(nv::read_login_session(ini).company, u"澄岚映辉照明");
    EXPECT_EQ(nv::prepare_config_file(ini), nv::ConfigFile::AlreadyUtf16);
    // Not UTF-8: read in the ANSI code page (1252 here).
    ASSERT_TRUE(nv::replace_file(ini, "[session]\r\naccount=caf\xE9\r\n"));
    EXPECT_EQ(nv::prepare_config_file(ini), nv::ConfigFile::Converted);
    EXPECT_EQ(nv::config_lookup(ini, u"session", u"account", u"-"), u"caf\u00E9");
    DeleteFileW(nv::as_wide(ini));
}

// The session token is sealed with the platform's data protection for this Windows user.
TEST(ConfigWin, ASealedSecretRoundTripsAndADamagedOneIsNone) {
    const std::u16string token(u"0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef");
    std::u16string sealed = nv::seal_secret(token);
    ASSERT_GT(sealed.size(), token.size());
    EXPECT_EQ(sealed.find(u"0123456789abcdef"), std::u16string::npos);
    EXPECT_EQ(nv::open_secret(sealed), token);
    std::u16string damaged = sealed;
    damaged[damaged.size() / 2] = damaged[damaged.size() / 2] == u'0' ? u'1' : u'0';
    EXPECT_EQ(nv::open_secret(damaged), u"");
    EXPECT_EQ(nv::open_secret(token), u"");  // a plain value is no sealed one
    EXPECT_EQ(nv::seal_secret(u""), u"");
}

TEST(LogWin, LinesAppendInUtf8AndThreadsNeverInterleave) {
    std::u16string path = TempPath(L"nv_app.log");
    for (int run = 0; run < 2; ++run) {
        nv::LogStream log;
        log.open(path);
        log.line("==== Norvane %s start ====", "1.2.10");
        log.line("login ok: %s (%s) remember=%d", "\xE6\x9D\x8E\xE7\xBB\x8F\xE7\x90\x86", "42", 1);
        log.close();
    }
    std::string text = ReadAll(path);
    std::size_t first = text.find("] ==== Norvane 1.2.10 start ====\n");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(text.find("] ==== Norvane 1.2.10 start ====\n", first + 1), std::string::npos);
    EXPECT_NE(text.find("] login ok: \xE6\x9D\x8E\xE7\xBB\x8F\xE7\x90\x86 (42) remember=1\n"),
              std::string::npos);
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_EQ(text[0], '[');
    EXPECT_EQ(text[9], ']');

    DeleteFileW(nv::as_wide(path));
    nv::LogStream log;
    log.open(path);
    auto writer = [&log](char tag) {
        for (int i = 0; i < 500; ++i)
            log.line("%c%c%c%c%c%c%c%c %04d", tag, tag, tag, tag, tag, tag, tag, tag, i);
    };
    std::thread a(writer, 'a'), b(writer, 'b');
    a.join();
    b.join();
    log.close();
    text = ReadAll(path);
    int lines = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        ASSERT_NE(nl, std::string::npos);
        std::string line = text.substr(pos, nl - pos);
        ASSERT_EQ(line.size(), 11u + 8 + 5) << line;
        char tag = line[11];
        EXPECT_EQ(line.substr(11, 8), std::string(8, tag)) << line;
        pos = nl + 1;
        ++lines;
    }
    EXPECT_EQ(lines, 1000);
    DeleteFileW(nv::as_wide(path));
}

TEST(LogWin, UnopenableLogIsSilentlyOff) {
    nv::LogStream log;
    log.open(u"Z:\\no\\such\\folder\\app.log");
    EXPECT_FALSE(log.is_open());
    log.line("nothing %d", 1);
}

}  // namespace
