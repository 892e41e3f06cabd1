// The profile-string seam on real Windows (Wine): print settings loaded from an actual INI file.
#include <windows.h>

#include <gtest/gtest.h>
#include <string>

#include "base/files.h"
#include "base/profile.h"
#include "base/wide_win.h"
#include "print/print_settings.h"

namespace {

std::u16string TempIni(const wchar_t* name) {
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    std::wstring path = std::wstring(dir) + name;
    DeleteFileW(path.c_str());
    return nv::from_wide(path);
}

TEST(ProfileWin, MissingKeyGivesTheFallbackAndLongValuesAreCutToTheBuffer) {
    std::u16string ini = TempIni(L"norvane_profile_test.ini");
    ASSERT_TRUE(nv::create_utf16_file(ini));
    EXPECT_EQ(nv::profile_read(ini, u"print", u"printer", u"\u0001", 2048), u"\u0001");
    nv::profile_write(ini, u"print", u"printer", u"LQ-1600K 针式打印机");
    EXPECT_EQ(nv::profile_read(ini, u"print", u"printer", u"x", 2048), u"LQ-1600K 针式打印机");
    nv::profile_write(ini, u"print", u"width_mm", std::u16string(100, u'9'));
    EXPECT_EQ(nv::profile_read(ini, u"print", u"width_mm", u"", 64), std::u16string(63, u'9'));
    DeleteFileW(nv::as_wide(ini));
}

TEST(ProfileWin, PrintSettingsFromAnIniFile) {
    std::u16string ini = TempIni(L"norvane_print_test.ini");
    nv::profile_write(ini, u"print", u"height_mm", u"139.5");
    nv::profile_write(ini, u"print", u"margin_top_mm", u"5");
    nv::profile_write(ini, u"print", u"margin_bottom_mm", u"5");
    nv::profile_write(ini, u"print", u"row_mm", u"6.0");
    nv::profile_write(ini, u"print", u"raster", u"0");
    nv::profile_write(ini, u"print", u"font_scale", u"0");
    nv::PrintSettings s = nv::load_print_settings(ini);
    EXPECT_EQ(s.printer_name, u"EPSON LQ-735K");
    EXPECT_EQ(s.width_mm, 241.0);
    EXPECT_EQ(s.row_mm, 6.0);
    EXPECT_FALSE(s.raster);
    EXPECT_EQ(s.font_scale, 1.0);
    EXPECT_EQ(nv::rows_per_page(s), 11);
    DeleteFileW(nv::as_wide(ini));
}

}  // namespace
