// The page drawn by GDI into a 24-bit bitmap at 300 dpi, read back pixel by pixel.
#include "print/page_render_win.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>

#include "base/handles_win.h"
#include "win/tools/bmp_file.h"

namespace {

struct Bitmap {
    static constexpr int kWidth = 2846, kHeight = 1647;  // the test printer's printable area
    nv::UniqueDc dc{CreateCompatibleDC(nullptr)};
    void* bits = nullptr;
    nv::UniqueBitmap bitmap;
    Bitmap() : bitmap(nv::MakePageBitmap(dc.get(), kWidth, kHeight, &bits)) {}
    int Stride() const { return nv::PageBitmapStride(kWidth); }
    bool Dark(int x, int y) const {
        const auto* p = static_cast<const unsigned char*>(bits) + y * Stride() + x * 3;
        return p[0] < 128 && p[1] < 128 && p[2] < 128;
    }
    // For a person to look at: NV_PAGE_BMP=path saves the page.
    void SaveWhenAsked() const {
        const char* path = std::getenv("NV_PAGE_BMP");
        if (!path)
            return;
        std::string bytes = BmpFile(bits, kWidth, kHeight);
        if (std::FILE* f = std::fopen(path, "wb")) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
    }
    int DarkInRow(int y, int x0, int x1) const {
        int n = 0;
        for (int x = x0; x < x1; ++x) n += Dark(x, y);
        return n;
    }
};

TEST(PageRender, RulesAndTextLandWhereTheLayoutPutsThem) {
    Bitmap b;
    ASSERT_TRUE(b.bitmap);
    nv::SelectGuard selected(b.dc.get(), b.bitmap.get());
    PatBlt(b.dc.get(), 0, 0, Bitmap::kWidth, Bitmap::kHeight, WHITENESS);
    nv::PageDevice device;
    device.settings.margin_left_mm = device.settings.margin_right_mm = 8;
    device.settings.margin_top_mm = device.settings.margin_bottom_mm = 5;
    device.settings.row_mm = 6.0;
    nv::PrintJob job;
    job.company = u"澄岚映辉照明科技有限公司";
    job.number = u"SHD1";
    nv::Item it;
    it.product = u"LED灯带";
    it.quantity = 2;
    it.price = 35;
    job.items = {it, it};
    job.total = 140;
    job.customer = u"广州天河灯饰批发中心";
    job.date = u"2026-12-06";
    job.address = u"广州市天河区天河路灯饰城";
    job.remark = u"轻拿轻放";
    HGDIOBJ font_before = GetCurrentObject(b.dc.get(), OBJ_FONT);
    // A page whose heading font cannot be made still leaves the DC's own font selected, never
    // a page font that is freed with the page.
    auto no_heading = [](nv::PageFont f, int height) {
        return f == nv::PageFont::Heading ? nullptr : nv::MakePageFont(f, height);
    };
    EXPECT_EQ(nv::RenderPage(b.dc.get(), device, job, 0, true, no_heading), 2u);
    EXPECT_EQ(GetCurrentObject(b.dc.get(), OBJ_FONT), font_before);
    PatBlt(b.dc.get(), 0, 0, Bitmap::kWidth, Bitmap::kHeight, WHITENESS);
    EXPECT_EQ(nv::RenderPage(b.dc.get(), device, job, 0, true), 2u);
    GdiFlush();
    EXPECT_EQ(GetCurrentObject(b.dc.get(), OBJ_FONT), font_before);  // selected back
    b.SaveWhenAsked();
    // The table head's rules at Y(40.5) = 478 and 542 run from L = 94 to R = 2752; the rows'
    // rules follow 71 apart.
    for (int y : {478, 542, 613, 684}) EXPECT_GT(b.DarkInRow(y, 94, 2752), 2600) << y;
    EXPECT_EQ(b.DarkInRow(478, 0, 90), 0);
    EXPECT_EQ(b.DarkInRow(755, 100, 2700), 0);  // no third row
    // The company heading is drawn (dark pixels inside its box), the margin above stays white.
    int heading = 0;
    for (int y = 59; y < 130; ++y) heading += b.DarkInRow(y, 94, 2752);
    EXPECT_GT(heading, 500);
    for (int y = 0; y < 50; ++y) EXPECT_EQ(b.DarkInRow(y, 0, Bitmap::kWidth), 0) << y;
}

}  // namespace
