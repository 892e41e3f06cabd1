// The printer set-up and the print job against a scripted spooler: every step's failure, the
// messages, and that everything opened is closed again.
#include "print/print_job.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "base/log.h"
#include "base/text.h"
#include "fakes/fakes.h"
#include "fakes/print_fixture.h"

namespace nv {
namespace {

struct Script {
    // What the fake answers.
    bool open_ok = true;
    int32_t devmode_size = 220;
    bool read_ok = true;
    bool form_ok = true;
    bool dc_ok = true;
    DeviceCaps caps{300, 300, 2846, 1647, 2846, 1647, 0, 0};
    int32_t start_doc = 1;
    int failing_end_page = 0;  // 1-based; 0: none
    uint32_t error = 0;        // GetLastError as the calls leave it
    // What the job did.
    int opened = 0, closed = 0, dcs = 0, dcs_deleted = 0, pages_started = 0, aborted = 0, ended = 0;
    std::u16string document;
    DevModeValues values;
    std::vector<std::size_t> first_items;
    bool raster_seen = false;
};

Spooler Fake(Script& s) {
    Spooler sp;
    sp.open_printer = [&s](std::u16string_view) -> SpoolHandle {
        if (!s.open_ok)
            return 0;
        ++s.opened;
        return 7;
    };
    sp.close_printer = [&s](SpoolHandle) { ++s.closed; };
    sp.devmode_size = [&s](SpoolHandle, std::u16string_view) { return s.devmode_size; };
    sp.read_devmode = [&s](SpoolHandle, std::u16string_view, std::string&) { return s.read_ok; };
    sp.install_form = [&s](SpoolHandle, const DevModeValues& v) {
        s.values = v;
        return s.form_ok;
    };
    sp.apply_devmode = [](SpoolHandle, std::u16string_view, std::string&, const DevModeValues& v) {
        return Spooler::Validated{1, v.paper_width, v.paper_length - 1};
    };
    sp.create_dc = [&s](std::u16string_view, const std::string&) -> SpoolHandle {
        if (!s.dc_ok)
            return 0;
        ++s.dcs;
        return 9;
    };
    sp.delete_dc = [&s](SpoolHandle) { ++s.dcs_deleted; };
    sp.caps = [&s](SpoolHandle) { return s.caps; };
    sp.start_doc = [&s](SpoolHandle, std::u16string_view name) {
        s.document = name;
        return s.start_doc;
    };
    sp.start_page = [&s](SpoolHandle) {
        ++s.pages_started;
        return 1;
    };
    sp.end_page = [&s](SpoolHandle) {
        if (s.pages_started != s.failing_end_page)
            return 1;
        s.error = 1801;
        return 0;
    };
    sp.end_doc = [&s](SpoolHandle) {
        ++s.ended;
        return 1;
    };
    sp.abort_doc = [&s](SpoolHandle) {
        ++s.aborted;
        s.error = 6;  // the clean-up calls set codes of their own
    };
    sp.render_page = [&s](SpoolHandle, const PrintSettings& w, const DeviceCaps&,
                          const PrintJob& job, std::size_t first, bool, bool raster,
                          std::size_t& next) {
        s.first_items.push_back(first);
        s.raster_seen = raster;
        std::size_t rows = static_cast<std::size_t>(rows_per_page(w));
        next = std::min(job.items.size(), first + rows);
        return true;
    };
    sp.last_error = [&s] { return s.error ? s.error : 1801u; };
    sp.devmode_min_size = 220;
    return sp;
}

PrintSettings Seeded() {
    PrintSettings s = fixture::seeded_print_settings();
    s.printer_name = u"EPSON LQ-735K";
    return s;
}

PrintJob Job(std::size_t items) {
    PrintJob j;
    j.number = u"SHD20261206090000";
    j.items.resize(items);
    return j;
}

void ExpectAllClosed(const Script& s) {
    EXPECT_EQ(s.opened, s.closed);
    EXPECT_EQ(s.dcs, s.dcs_deleted);
}

TEST(PrinterSetup, EachFailingStepHasItsMessageAndClosesWhatItOpened) {
    struct Case {
        void (*script)(Script&);
        const char* message;
    } cases[] = {
        {[](Script& s) { s.open_ok = false; }, "无法打开打印机: EPSON LQ-735K (错误 1801)"},
        {[](Script& s) { s.devmode_size = 0; }, "无法获取打印机配置"},
        {[](Script& s) { s.devmode_size = 219; }, "无法获取打印机配置"},
        {[](Script& s) { s.read_ok = false; }, "读取打印机默认设置失败"},
        {[](Script& s) { s.dc_ok = false; },
         "创建打印上下文失败（驱动可能不接受 241x139.5mm 纸张）"},
        {[](Script& s) { s.caps.horzres = 0; }, "打印机返回的可打印区域无效"},
        {[](Script& s) { s.caps.dpi_y = 0; }, "打印机返回的可打印区域无效"},
        {[](Script& s) { s.caps.vertres = 1; }, "纸张可打印区域不足，请检查纸张尺寸和边距"},
        {[](Script& s) { s.caps.vertres = 600; }, "纸张可打印区域不足，请检查纸张尺寸和边距"},
    };
    for (const Case& c : cases) {
        Script s;
        c.script(s);
        Spooler sp = Fake(s);
        PrintResult r = print_job(sp, Job(3), Seeded());
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.pages, 0);
        EXPECT_EQ(r.message, c.message);
        EXPECT_EQ(s.pages_started, 0);
        ExpectAllClosed(s);
    }
}

TEST(PrinterSetup, FormDeviceModeAndAReducedWorkingCopy) {
    Script s;
    s.form_ok = false;  // only logged: printing goes on
    s.caps.horzres = 2000;
    Spooler sp = Fake(s);
    PrinterSession session(sp);
    std::string message;
    ASSERT_TRUE(printer_setup(sp, Seeded(), 3, session, message));
    EXPECT_EQ(s.values.form_name, u"NV_2410x1395");
    EXPECT_EQ(s.values.copies, 3);
    EXPECT_NEAR(session.working.width_mm, 1999 * 25.4 / 300 + 8, 1e-9);
    EXPECT_EQ(session.working.height_mm, 139.5);
    session.close();
    ExpectAllClosed(s);
}

TEST(PrintJobTest, TwentyThreeItemsPrintThreePagesInRasterMode) {
    Script s;
    Spooler sp = Fake(s);
    PrintResult r = print_job(sp, Job(23), Seeded());
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.pages, 3);
    EXPECT_EQ(r.message, "打印成功");
    EXPECT_EQ(s.document, u"送货单 SHD20261206090000");
    EXPECT_EQ(s.first_items, (std::vector<std::size_t>{0, 11, 22}));
    EXPECT_TRUE(s.raster_seen);
    EXPECT_EQ(s.ended, 1);
    ExpectAllClosed(s);
    Script none;
    Spooler sp2 = Fake(none);
    EXPECT_EQ(print_job(sp2, Job(0), Seeded()).pages, 1);  // a note without items: one page
}

TEST(PrintJobTest, TheFourthOfFivePagesFailingToEndAbortsTheDocument) {
    Script s;
    s.failing_end_page = 4;
    Spooler sp = Fake(s);
    PrintResult r = print_job(sp, Job(53), Seeded());  // 53 items at 11 rows: 5 pages
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.pages, 3);
    EXPECT_EQ(r.message, "打印失败 (错误 1801)");
    EXPECT_EQ(s.aborted, 1);
    EXPECT_EQ(s.ended, 0);
    ExpectAllClosed(s);
}

TEST(PrintJobTest, StartDocumentFailure) {
    Script s;
    s.start_doc = 0;
    Spooler sp = Fake(s);
    PrintResult r = print_job(sp, Job(1), Seeded());
    EXPECT_EQ(r.message, "启动打印任务失败 (错误 1801)");
    ExpectAllClosed(s);
}

TEST(NativePrint, EmptyPayloadIsRefusedBeforeThePrinterAndBothLinesAreLogged) {
    std::string file = fake::temp_path("print_log_test.log");
    const char* path = file.c_str();
    std::remove(path);
    print_log().open(utf8_to_utf16(file));
    Script s;
    Spooler sp = Fake(s);
    PrintResult empty = native_print(sp, "COMPANY\tx\n", Seeded());
    EXPECT_EQ(empty.message, "单据内容为空");
    EXPECT_EQ(s.opened, 0);
    PrintResult r = native_print(sp, "NO\tSHD1\nITEM\tLED\t\t\t\t\t\t2\t个\t3\n", Seeded());
    EXPECT_TRUE(r.ok);
    print_log().close();
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("] native print job: no=SHD1 items=1\n"), std::string::npos);
    EXPECT_NE(text.str().find("] dc dpi=300x300 res=2846x1647\n"), std::string::npos);
    EXPECT_NE(text.str().find("] devmode validate: 1 (paper 2410x1394 tenths-mm)\n"),
              std::string::npos);
    EXPECT_NE(text.str().find("] native print result: ok=1 pages=1 msg=打印成功\n"),
              std::string::npos);
    std::remove(path);
}

}  // namespace
}  // namespace nv
