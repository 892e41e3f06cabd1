#include "print/print_job.h"

#include <cstdio>
#include <optional>

#include "base/log.h"
#include "base/text.h"
#include "print/page_layout.h"

namespace nv {

namespace {

std::string code_text(uint32_t code) {
    return std::to_string(code);
}

}  // namespace

void PrinterSession::close() {
    if (dc)
        spooler_->delete_dc(dc);
    if (printer)
        spooler_->close_printer(printer);
    dc = 0;
    printer = 0;
}

bool printer_setup(const Spooler& sp, const PrintSettings& settings, int32_t job_copies,
                   PrinterSession& session, std::string& message) {
    session.close();
    const std::u16string& name = settings.printer_name;
    session.printer = sp.open_printer(name);
    if (!session.printer) {
        message =
            "无法打开打印机: " + utf16_to_utf8(name) + " (错误 " + code_text(sp.last_error()) + ")";
        return false;
    }
    int32_t size = sp.devmode_size(session.printer, name);
    if (size <= 0 || size < sp.devmode_min_size) {
        session.close();
        message = "无法获取打印机配置";
        return false;
    }
    std::string devmode(static_cast<std::size_t>(size), '\0');
    if (!sp.read_devmode(session.printer, name, devmode)) {
        session.close();
        message = "读取打印机默认设置失败";
        return false;
    }
    DevModeValues values = devmode_values(settings, job_copies);
    if (!sp.install_form(session.printer, values)) {
        print_log().line("AddForm %s failed err=%lu", utf16_to_utf8(values.form_name).c_str(),
                         static_cast<unsigned long>(sp.last_error()));
    }
    Spooler::Validated v = sp.apply_devmode(session.printer, name, devmode, values);
    print_log().line("devmode validate: %ld (paper %dx%d tenths-mm)", static_cast<long>(v.result),
                     v.paper_width, v.paper_length);
    session.dc = sp.create_dc(name, devmode);
    if (!session.dc) {
        session.close();
        message = "创建打印上下文失败（驱动可能不接受 241x139.5mm 纸张）";
        return false;
    }
    DeviceCaps caps = sp.caps(session.dc);
    session.caps = caps;
    session.working = settings;
    print_log().line("dc dpi=%dx%d res=%dx%d", caps.dpi_x, caps.dpi_y, caps.horzres, caps.vertres);
    if (caps.dpi_x <= 0 || caps.dpi_y <= 0 || caps.horzres <= 0 || caps.vertres <= 0) {
        session.close();
        message = "打印机返回的可打印区域无效";
        return false;
    }
    bool fits = false;
    if (caps.horzres >= 2 && caps.vertres >= 2) {
        session.working =
            reduce_to_printable(settings, caps.horzres, caps.vertres, caps.dpi_x, caps.dpi_y);
        fits = printable_area_fits(session.working);
    }
    if (!fits) {
        session.close();
        message = "纸张可打印区域不足，请检查纸张尺寸和边距";
        return false;
    }
    print_log().line("print area: physical=%dx%d offset=%d,%d layout=%.2fx%.2fmm raster=%d",
                     caps.physical_width, caps.physical_height, caps.offset_x, caps.offset_y,
                     session.working.width_mm, session.working.height_mm, settings.raster ? 1 : 0);
    return true;
}

PrintResult print_job(const Spooler& sp, const PrintJob& job, const PrintSettings& settings) {
    PrintResult result;
    PrinterSession session(sp);
    if (!printer_setup(sp, settings, job.copies, session, result.message))
        return result;
    if (sp.start_doc(session.dc, u"送货单 " + job.number) <= 0) {
        result.message = "启动打印任务失败 (错误 " + code_text(sp.last_error()) + ")";
        return result;
    }
    std::size_t pages = page_count(job.items.size(), rows_per_page(session.working));
    // The code of the call that failed, read at once: aborting the document and closing the
    // printer set their own.
    std::optional<uint32_t> error;
    std::size_t index = 0;
    for (std::size_t page = 0; page < pages && !error; ++page) {
        std::size_t next = index;
        if (sp.start_page(session.dc) <= 0 ||
            !sp.render_page(session.dc, session.working, session.caps, job, index,
                            page + 1 == pages, settings.raster, next) ||
            sp.end_page(session.dc) <= 0) {
            error = sp.last_error();
            break;
        }
        index = next;
        ++result.pages;
    }
    if (!error) {
        result.ok = sp.end_doc(session.dc) > 0;
        if (!result.ok)
            error = sp.last_error();
    } else {
        sp.abort_doc(session.dc);
    }
    session.close();
    result.message = result.ok ? "打印成功" : "打印失败 (错误 " + code_text(*error) + ")";
    return result;
}

PrintResult native_print(const Spooler& sp, std::string_view payload,
                         const PrintSettings& settings) {
    PrintJob job = read_payload(payload);
    if (job.items.empty() && job.number.empty()) {
        PrintResult empty;
        empty.message = "单据内容为空";
        return empty;
    }
    print_log().line("native print job: no=%s items=%d", utf16_to_utf8(job.number).c_str(),
                     static_cast<int>(job.items.size()));
    PrintResult r = print_job(sp, job, settings);
    print_log().line("native print result: ok=%d pages=%d msg=%s", r.ok ? 1 : 0, r.pages,
                     r.message.c_str());
    return r;
}

}  // namespace nv
