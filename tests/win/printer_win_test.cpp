// The real spooler under Wine: the test printer "EPSON LQ-735K" on a CUPS-PDF queue with the
// 241 x 139.5 mm form (tools/printer.sh sets it up). The printed PDFs are read back by the
// end-to-end test.
#include "print/printer_win.h"

#include <gtest/gtest.h>

#include "fakes/print_fixture.h"

namespace {

nv::PrintSettings Seeded() {
    return nv::fixture::seeded_print_settings();
}

TEST(PrinterWin, TheTestPrinterSetsUpAt300DpiWithTheForm) {
    nv::PrinterSession session(nv::WindowsSpooler());
    std::string message;
    ASSERT_TRUE(nv::printer_setup(nv::WindowsSpooler(), Seeded(), 0, session, message)) << message;
    EXPECT_EQ(session.caps.dpi_x, 300);
    EXPECT_EQ(session.caps.dpi_y, 300);
    EXPECT_EQ(session.caps.horzres, 2846);
    EXPECT_EQ(session.caps.vertres, 1647);
    EXPECT_EQ(session.working.width_mm, 241.0);
}

TEST(PrinterWin, AMissingPrinterNamesItselfAndTheSpoolersCode) {
    nv::PrintSettings s = Seeded();
    s.printer_name = u"NO SUCH PRINTER";
    nv::PrintResult r = nv::print_job(nv::WindowsSpooler(), nv::PrintJob{}, s);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message.rfind("无法打开打印机: NO SUCH PRINTER (错误 ", 0), 0u) << r.message;
}

TEST(PrinterWin, PreviewPagesAreBitmapsOfThePrintableArea) {
    std::string payload = "NO\tSHD1\n";
    for (int i = 0; i < 23; ++i) payload += "ITEM\tLED\t\t\t\t\t\t2\t个\t3\n";
    nv::app_print_settings() = Seeded();
    nv::PreviewPages pages;
    std::string message;
    ASSERT_TRUE(nv::RenderPreview(payload, pages, message)) << message;
    EXPECT_EQ(pages.pages.size(), 3u);
    EXPECT_EQ(pages.width, 2846);
    EXPECT_EQ(pages.info, u"EPSON LQ-735K · 可打印区域 241.0 × 139.4 mm · 位图打印");
    std::string many = "NO\tSHD2\n";
    for (int i = 0; i < 1500; ++i) many += "ITEM\tLED\t\t\t\t\t\t2\t个\t3\n";
    EXPECT_FALSE(nv::RenderPreview(many, pages, message));
    EXPECT_EQ(message, "预览内容过多，请分批打印");
    nv::app_print_settings() = nv::builtin_print_settings();
}

}  // namespace
