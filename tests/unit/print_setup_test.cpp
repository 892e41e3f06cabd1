#include "print/print_setup.h"

#include <gtest/gtest.h>

#include "fakes/print_fixture.h"

namespace nv {
namespace {

PrintSettings Seeded() {
    return fixture::seeded_print_settings();
}

TEST(PrintSetup, FormAndDeviceModeValues) {
    PrintSettings s = Seeded();
    EXPECT_EQ(custom_form_name(s), u"NV_2410x1395");
    DevModeValues v = devmode_values(s, 3);
    EXPECT_EQ(v.paper_width, 2410);
    EXPECT_EQ(v.paper_length, 1395);
    EXPECT_EQ(v.form_width_um, 241000);
    EXPECT_EQ(v.form_height_um, 139500);
    EXPECT_EQ(v.copies, 3);  // the job's count wins
    EXPECT_EQ(devmode_values(s, 0).copies, 1);
    s.copies = 2;
    EXPECT_EQ(devmode_values(s, 0).copies, 2);
    s.copies = -4;  // a non-positive setting asks for one copy
    EXPECT_EQ(devmode_values(s, 0).copies, 1);
    s.width_mm = 5000;  // beyond the 16-bit field: the largest it holds, not a wrapped size
    EXPECT_EQ(devmode_values(s, 0).paper_width, 32767);
}

// The test printer: 300 dpi, 2846 × 1647 dots printable.
TEST(PrintSetup, WorkingCopyShrinksToThePrintableArea) {
    PrintSettings s = Seeded();
    PrintSettings r = reduce_to_printable(s, 2846, 1647, 300, 300);
    EXPECT_EQ(r.width_mm, 241.0);   // 2845 dots + the right margin would be 248.9 mm
    EXPECT_EQ(r.height_mm, 139.5);  // and 144.4 mm: the form is smaller, it stays
    r = reduce_to_printable(s, 2000, 1000, 300, 300);  // a narrower driver
    EXPECT_NEAR(r.width_mm, 1999 * 25.4 / 300 + 8, 1e-9);
    EXPECT_NEAR(r.height_mm, 999 * 25.4 / 300 + 5, 1e-9);
    EXPECT_TRUE(printable_area_fits(reduce_to_printable(s, 2846, 1647, 300, 300)));
    EXPECT_FALSE(printable_area_fits(reduce_to_printable(s, 2846, 600, 300, 300)));
    EXPECT_FALSE(printable_area_fits(reduce_to_printable(s, 50, 1647, 300, 300)));
}

TEST(PrintSetup, PreviewLimits) {
    EXPECT_TRUE(preview_within_limits(3, 2846, 1647));
    EXPECT_TRUE(preview_within_limits(128, 2846 / 4, 1647 / 4));
    EXPECT_FALSE(preview_within_limits(137, 100, 100));   // 1500 items at 11 rows
    EXPECT_FALSE(preview_within_limits(10, 2846, 1647));  // 14 MB each, 140 MB in all
    EXPECT_TRUE(preview_within_limits(9, 2846, 1647));
}

TEST(PrintSetup, InfoLine) {
    EXPECT_EQ(preview_info_line(u"EPSON LQ-735K", 2846, 1647, 300, 300, true),
              u"EPSON LQ-735K · 可打印区域 241.0 × 139.4 mm · 位图打印");
    EXPECT_EQ(preview_info_line(u"P", 300, 300, 300, 300, false),
              u"P · 可打印区域 25.4 × 25.4 mm · 矢量打印");
}

}  // namespace
}  // namespace nv
