// Configuration through the real profile functions and the log file, under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>

#include "app/config.h"
#include "app/files.h"
#include "app/log.h"

namespace {

std::u16string TempPath(const wchar_t* name) {
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    std::wstring p = std::wstring(dir) + name;
    DeleteFileW(p.c_str());
    return std::u16string(reinterpret_cast<const char16_t*>(p.c_str()), p.size());
}

std::string ReadAll(const std::u16string& path) {
    std::FILE* f = nv::open_file(path, "rb");
    if (!f) return {};
    std::string s;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
    std::fclose(f);
    return s;
}

TEST(ConfigWin, DefaultsOnFirstStartAndEmptyKeysRewritten) {
    std::u16string ini = TempPath(L"nv_config_first.ini");
    ASSERT_TRUE(nv::create_utf16_file(ini));
    EXPECT_FALSE(nv::create_utf16_file(ini));  // an existing file is left alone
    nv::config_write(ini, u"print", u"width_mm", u"");
    nv::config_write(ini, u"print", u"height_mm", u"150");
    nv::config_write(ini, u"session", u"remember", u"1x");
    nv::LoginSession s = nv::config_load(ini);
    EXPECT_FALSE(s.remember);
    EXPECT_EQ(s.base_url, nv::kDefaultServer);
    EXPECT_EQ(nv::config_lookup(ini, u"app", u"server", u"-"), nv::kDefaultServer);
    EXPECT_EQ(nv::config_lookup(ini, u"print", u"width_mm", u"-"), u"241");
    EXPECT_EQ(nv::config_lookup(ini, u"print", u"height_mm", u"-"), u"150");
    EXPECT_EQ(nv::config_lookup(ini, u"print", u"port", u"-"), u"17801");
    EXPECT_EQ(nv::config_lookup(ini, u"print", u"raster", u"-"), u"-");
    nv::config_write(ini, u"session", u"remember", u"1");
    EXPECT_TRUE(nv::config_load(ini).remember);
    DeleteFileW(reinterpret_cast<const wchar_t*>(ini.c_str()));
}

// Run with LANG=C: Wine's ANSI code page is then 1252, which cannot hold Chinese.
TEST(ConfigWin, ChineseValuesSurviveInAFileStartedWithTheByteOrderMark) {
    std::u16string ini = TempPath(L"nv_config_cjk.ini");
    ASSERT_TRUE(nv::create_utf16_file(ini));
    nv::config_write(ini, u"session", u"username", u"李经理");
    nv::config_write(ini, u"session", u"company", u"澄岚映辉照明");
    nv::LoginSession s = nv::config_load(ini);
    EXPECT_EQ(s.username, u"李经理");
    EXPECT_EQ(s.company, u"澄岚映辉照明");
    DeleteFileW(reinterpret_cast<const wchar_t*>(ini.c_str()));
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

    DeleteFileW(reinterpret_cast<const wchar_t*>(path.c_str()));
    nv::LogStream log;
    log.open(path);
    auto writer = [&log](char tag) {
        for (int i = 0; i < 500; ++i) log.line("%c%c%c%c%c%c%c%c %04d", tag, tag, tag, tag, tag, tag, tag, tag, i);
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
    DeleteFileW(reinterpret_cast<const wchar_t*>(path.c_str()));
}

TEST(LogWin, UnopenableLogIsSilentlyOff) {
    nv::LogStream log;
    log.open(u"Z:\\no\\such\\folder\\app.log");
    EXPECT_FALSE(log.is_open());
    log.line("nothing %d", 1);
}

}  // namespace
