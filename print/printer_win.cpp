#include "print/printer_win.h"

#include <winspool.h>

#include <algorithm>

#include "base/wide_win.h"
#include "print/page_layout.h"
#include "print/page_render_win.h"

namespace nv {

namespace {

HANDLE AsPrinter(SpoolHandle h) {
    return reinterpret_cast<HANDLE>(h);
}
HDC AsDc(SpoolHandle h) {
    return reinterpret_cast<HDC>(h);
}
DEVMODEW* AsDevMode(std::string& bytes) {
    return reinterpret_cast<DEVMODEW*>(bytes.data());
}

bool RenderOnPrinter(SpoolHandle dc, const PrintSettings& working, const DeviceCaps& caps,
                     const PrintJob& job, std::size_t first, bool last, bool raster,
                     std::size_t& next) {
    if (!raster) {
        next = RenderPage(AsDc(dc), PageDevice{caps.dpi_x, caps.dpi_y, working}, job, first, last);
        return true;
    }
    UniqueBitmap page = RenderPageBitmap(AsDc(dc), working, caps, job, first, last, next);
    if (!page)
        return false;
    DIBSECTION dib{};
    if (GetObjectW(page.get(), sizeof dib, &dib) != sizeof dib || !dib.dsBm.bmBits)
        return false;
    BITMAPINFO bi{};
    bi.bmiHeader = dib.dsBmih;
    bi.bmiHeader.biHeight = -caps.vertres;  // the section reports its height as positive
    int copied = StretchDIBits(AsDc(dc), 0, 0, caps.horzres, caps.vertres, 0, 0, caps.horzres,
                               caps.vertres, dib.dsBm.bmBits, &bi, DIB_RGB_COLORS, SRCCOPY);
    return copied != 0 && copied != static_cast<int>(GDI_ERROR);
}

Spooler MakeWindowsSpooler() {
    Spooler sp;
    sp.open_printer = [](std::u16string_view name) -> SpoolHandle {
        HANDLE printer = nullptr;
        std::wstring w = wide_copy(name);
        if (!OpenPrinterW(w.data(), &printer, nullptr))
            return 0;
        return reinterpret_cast<SpoolHandle>(printer);
    };
    sp.close_printer = [](SpoolHandle h) { UniquePrinter closing(AsPrinter(h)); };
    sp.devmode_size = [](SpoolHandle h, std::u16string_view name) {
        std::wstring w = wide_copy(name);
        return static_cast<int32_t>(
            DocumentPropertiesW(nullptr, AsPrinter(h), w.data(), nullptr, nullptr, 0));
    };
    sp.read_devmode = [](SpoolHandle h, std::u16string_view name, std::string& devmode) {
        std::wstring w = wide_copy(name);
        return DocumentPropertiesW(nullptr, AsPrinter(h), w.data(), AsDevMode(devmode), nullptr,
                                   DM_OUT_BUFFER) == IDOK;
    };
    sp.install_form = [](SpoolHandle h, const DevModeValues& v) {
        std::wstring form = wide_copy(v.form_name);
        DeleteFormW(AsPrinter(h), form.data());  // a form left by an earlier size may differ
        FORM_INFO_1W info{};
        info.Flags = FORM_USER;
        info.pName = form.data();
        info.Size = {v.form_width_um, v.form_height_um};
        info.ImageableArea = {0, 0, v.form_width_um, v.form_height_um};
        return AddFormW(AsPrinter(h), 1, reinterpret_cast<LPBYTE>(&info)) != FALSE;
    };
    sp.apply_devmode = [](SpoolHandle h, std::u16string_view name, std::string& devmode,
                          const DevModeValues& v) {
        DEVMODEW* dm = AsDevMode(devmode);
        dm->dmFields |= DevModeValues::kFieldsAdded;
        dm->dmPaperSize = DevModeValues::kPaperUser;
        std::fill(std::begin(dm->dmFormName), std::end(dm->dmFormName), L'\0');
        std::wstring form = wide_copy(v.form_name);
        std::copy_n(form.begin(), std::min<std::size_t>(form.size(), CCHFORMNAME - 1),
                    dm->dmFormName);
        dm->dmPaperWidth = v.paper_width;
        dm->dmPaperLength = v.paper_length;
        dm->dmOrientation = DevModeValues::kPortrait;
        dm->dmCopies = v.copies;
        std::string input = devmode;
        std::wstring w = wide_copy(name);
        LONG r = DocumentPropertiesW(nullptr, AsPrinter(h), w.data(), dm, AsDevMode(input),
                                     DM_IN_BUFFER | DM_OUT_BUFFER);
        return Spooler::Validated{static_cast<int32_t>(r), dm->dmPaperWidth, dm->dmPaperLength};
    };
    sp.create_dc = [](std::u16string_view name, const std::string& devmode) -> SpoolHandle {
        std::wstring w = wide_copy(name);
        return reinterpret_cast<SpoolHandle>(CreateDCW(
            L"WINSPOOL", w.c_str(), nullptr, reinterpret_cast<const DEVMODEW*>(devmode.data())));
    };
    sp.delete_dc = [](SpoolHandle h) { UniqueDc deleting(AsDc(h)); };
    sp.caps = [](SpoolHandle h) {
        HDC dc = AsDc(h);
        return DeviceCaps{GetDeviceCaps(dc, LOGPIXELSX),      GetDeviceCaps(dc, LOGPIXELSY),
                          GetDeviceCaps(dc, HORZRES),         GetDeviceCaps(dc, VERTRES),
                          GetDeviceCaps(dc, PHYSICALWIDTH),   GetDeviceCaps(dc, PHYSICALHEIGHT),
                          GetDeviceCaps(dc, PHYSICALOFFSETX), GetDeviceCaps(dc, PHYSICALOFFSETY)};
    };
    sp.start_doc = [](SpoolHandle h, std::u16string_view document) {
        std::wstring name = wide_copy(document);
        DOCINFOW info{};
        info.cbSize = sizeof info;
        info.lpszDocName = name.c_str();
        return static_cast<int32_t>(StartDocW(AsDc(h), &info));
    };
    sp.start_page = [](SpoolHandle h) { return static_cast<int32_t>(StartPage(AsDc(h))); };
    sp.end_page = [](SpoolHandle h) { return static_cast<int32_t>(EndPage(AsDc(h))); };
    sp.end_doc = [](SpoolHandle h) { return static_cast<int32_t>(EndDoc(AsDc(h))); };
    sp.abort_doc = [](SpoolHandle h) { AbortDoc(AsDc(h)); };
    sp.render_page = RenderOnPrinter;
    sp.last_error = [] { return static_cast<uint32_t>(GetLastError()); };
    sp.devmode_min_size = static_cast<int32_t>(sizeof(DEVMODEW));
    return sp;
}

}  // namespace

const Spooler& WindowsSpooler() {
    static const Spooler spooler = MakeWindowsSpooler();
    return spooler;
}

UniqueBitmap RenderPageBitmap(HDC printer_dc, const PrintSettings& working, const DeviceCaps& caps,
                              const PrintJob& job, std::size_t first, bool last,
                              std::size_t& next) {
    UniqueDc memory(CreateCompatibleDC(printer_dc));
    if (!memory)
        return UniqueBitmap();
    void* bits = nullptr;
    UniqueBitmap page = MakePageBitmap(memory.get(), caps.horzres, caps.vertres, &bits);
    if (!page)
        return UniqueBitmap();
    {
        SelectGuard selected(memory.get(), page.get());
        PatBlt(memory.get(), 0, 0, caps.horzres, caps.vertres, WHITENESS);
        next =
            RenderPage(memory.get(), PageDevice{caps.dpi_x, caps.dpi_y, working}, job, first, last);
        GdiFlush();
    }
    return page;
}

bool RenderPreview(std::string_view payload, PreviewPages& out, std::string& message) {
    out = PreviewPages();
    const Spooler& sp = WindowsSpooler();
    const PrintSettings& settings = app_print_settings();
    PrinterSession session(sp);
    if (!printer_setup(sp, settings, 0, session, message))
        return false;
    PrintJob job = read_payload(payload);
    const DeviceCaps& caps = session.caps;
    std::size_t pages = page_count(job.items.size(), rows_per_page(session.working));
    if (!preview_within_limits(pages, caps.horzres, caps.vertres)) {
        message = "预览内容过多，请分批打印";
        return false;
    }
    std::size_t index = 0;
    for (std::size_t page = 0; page < pages; ++page) {
        std::size_t next = index;
        UniqueBitmap bitmap = RenderPageBitmap(AsDc(session.dc), session.working, caps, job, index,
                                               page + 1 == pages, next);
        if (!bitmap) {
            out.pages.clear();
            message = "无法生成打印预览，请关闭其他窗口后重试";
            return false;
        }
        out.pages.push_back(std::move(bitmap));
        index = next;
    }
    out.width = caps.horzres;
    out.height = caps.vertres;
    out.info = preview_info_line(settings.printer_name, caps.horzres, caps.vertres, caps.dpi_x,
                                 caps.dpi_y, settings.raster);
    return true;
}

}  // namespace nv
