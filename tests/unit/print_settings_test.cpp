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

// Without a print section the built-in values hold (8 rows); with the texts start-up seeds,
// 11 rows fit the 139.5 mm form.
TEST_F(PrintSettingsLoad, BuiltInValuesAndSeededTextsGiveTheirRowCounts) {
    PrintSettings builtin = load_print_settings(kIni);
    EXPECT_TRUE(builtin.raster);
    EXPECT_EQ(rows_per_page(builtin), 8);
    for (const SeededPrintKey& k : kSeededPrintKeys) Set(k.key, k.text);
    PrintSettings seeded = load_print_settings(kIni);
    EXPECT_EQ(seeded.margin_left_mm, 8.0);
    EXPECT_EQ(rows_per_page(seeded), 11);
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
