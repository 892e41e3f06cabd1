#include "print/print_settings.h"

#include <gtest/gtest.h>

#include "fakes/fakes.h"

namespace nv {
namespace {

constexpr char16_t kIni[] = u"C:\\Norvane\\config.ini";

class PrintSettingsLoad : public ::testing::Test {
protected:
    void SetUp() override { fake::profile_clear(); }
    void Set(std::u16string_view key, std::u16string_view value) {
        fake::profile_set(kIni, u"print", key, value);
    }
};

TEST_F(PrintSettingsLoad, NoPrintSectionGivesTheBuiltInDefaults) {
    PrintSettings s = load_print_settings(kIni);
    EXPECT_EQ(s.printer_name, u"EPSON LQ-735K");
    EXPECT_EQ(s.width_mm, 241.0);
    EXPECT_EQ(s.height_mm, 139.5);
    EXPECT_EQ(s.margin_left_mm, 5.0);
    EXPECT_EQ(s.margin_right_mm, 5.0);
    EXPECT_EQ(s.margin_top_mm, 4.0);
    EXPECT_EQ(s.margin_bottom_mm, 3.0);
    EXPECT_EQ(s.row_mm, 8.5);
    EXPECT_EQ(s.font_scale, 1.0);
    EXPECT_EQ(s.copies, 1);
    EXPECT_EQ(s.port, 17801);
    EXPECT_TRUE(s.raster);
    EXPECT_EQ(rows_per_page(s), 8);
}

TEST_F(PrintSettingsLoad, ReadsTheKeysInTheirFixedOrder) {
    load_print_settings(kIni);
    std::vector<std::u16string> expected = {
        u"printer",        u"width_mm",        u"height_mm",     u"port",
        u"margin_left_mm", u"margin_right_mm", u"margin_top_mm", u"margin_bottom_mm",
        u"offset_x_mm",    u"offset_y_mm",     u"row_mm",        u"font_scale",
        u"copies",         u"raster"};
    EXPECT_EQ(fake::profile_reads(), expected);
}

TEST_F(PrintSettingsLoad, SeededTextsTakeEffectAndGiveElevenRows) {
    for (auto [k, v] : std::initializer_list<std::pair<const char16_t*, const char16_t*>>{
             {u"printer", u"LQ-1600K"},
             {u"width_mm", u"241"},
             {u"height_mm", u"139.5"},
             {u"margin_left_mm", u"8"},
             {u"margin_right_mm", u"8"},
             {u"margin_top_mm", u"5"},
             {u"margin_bottom_mm", u"5"},
             {u"offset_x_mm", u"0"},
             {u"offset_y_mm", u"0"},
             {u"row_mm", u"6.0"},
             {u"font_scale", u"1"},
             {u"copies", u"1"},
             {u"port", u"17801"}}) {
        Set(k, v);
    }
    PrintSettings s = load_print_settings(kIni);
    EXPECT_EQ(s.printer_name, u"LQ-1600K");
    EXPECT_EQ(s.margin_left_mm, 8.0);
    EXPECT_EQ(s.row_mm, 6.0);
    EXPECT_EQ(rows_per_page(s), 11);
}

TEST_F(PrintSettingsLoad, TextsConvertLikeTheRuntimeDoes) {
    Set(u"width_mm", u"210abc");
    Set(u"height_mm", u"abc");  // non-empty: converts to 0, the default is not kept
    Set(u"offset_x_mm", u"  -1.5");
    Set(u"copies", u"-3");
    Set(u"port", u"99999999999");
    PrintSettings s = load_print_settings(kIni);
    EXPECT_EQ(s.width_mm, 210.0);
    EXPECT_EQ(s.height_mm, 0.0);
    EXPECT_EQ(s.offset_x_mm, -1.5);
    EXPECT_EQ(s.copies, -3);  // stored unchanged; the print job asks for 1
    EXPECT_EQ(s.port, INT32_MAX);
}

TEST_F(PrintSettingsLoad, RasterFlag) {
    Set(u"raster", u"0");
    EXPECT_FALSE(load_print_settings(kIni).raster);
    Set(u"raster", u"yes");
    EXPECT_FALSE(load_print_settings(kIni).raster);
    Set(u"raster", u"");
    EXPECT_TRUE(load_print_settings(kIni).raster);
    Set(u"raster", u"2");
    EXPECT_TRUE(load_print_settings(kIni).raster);
}

TEST_F(PrintSettingsLoad, EmptyPrinterKeepsTheDefaultNameAndLongValuesAreCut) {
    Set(u"printer", u"");
    EXPECT_EQ(load_print_settings(kIni).printer_name, u"EPSON LQ-735K");
    Set(u"printer", std::u16string(600, u'P'));
    EXPECT_EQ(load_print_settings(kIni).printer_name.size(), 511u);
    Set(u"width_mm", u"250" + std::u16string(100, u'0'));  // cut to 63 characters
    EXPECT_EQ(load_print_settings(kIni).width_mm, 250e60);
}

TEST_F(PrintSettingsLoad, RowHeightOrFontScaleThatIsNotAFiniteNumberAboveZeroFallsBack) {
    for (const char16_t* bad : {u"0", u"-2", u"abc", u"nan", u"inf", u"1e999", u"-infinity"}) {
        Set(u"row_mm", bad);
        Set(u"font_scale", bad);
        PrintSettings s = load_print_settings(kIni);
        EXPECT_EQ(s.row_mm, 8.5);
        EXPECT_EQ(s.font_scale, 1.0);
    }
    Set(u"row_mm", u"0.5");
    Set(u"font_scale", u"0.8");
    PrintSettings s = load_print_settings(kIni);
    EXPECT_EQ(s.row_mm, 0.5);
    EXPECT_EQ(s.font_scale, 0.8);
}

TEST(PaperLabel, OneDecimalEach) {
    PrintSettings s = builtin_print_settings();
    EXPECT_EQ(paper_label(s), u"241.0×139.5mm");
    s.width_mm = 210.04;
    EXPECT_EQ(paper_label(s), u"210.0×139.5mm");
    s.width_mm = 1e300;  // cut to what the status bar's buffer held
    EXPECT_EQ(paper_label(s).size(), 63u);
}

TEST(RowsPerPage, NeverBelowOneAndFollowsTheWorkingCopy) {
    PrintSettings s = builtin_print_settings();
    s.height_mm = 30;  // the bands alone exceed the paper
    EXPECT_EQ(rows_per_page(s), 1);
    s = builtin_print_settings();
    s.height_mm = 130.0;  // a printer set-up may reduce the height
    EXPECT_EQ(rows_per_page(s), 7);
    s.offset_y_mm = 10;  // the offset moves top and bottom alike
    EXPECT_EQ(rows_per_page(s), 7);
    s.row_mm = 1e-300;  // a quotient beyond 32 bits counts as nothing fitting
    EXPECT_EQ(rows_per_page(s), 1);
}

}  // namespace
}  // namespace nv
