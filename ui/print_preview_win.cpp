#include "ui/print_preview_win.h"

#include <cstdio>
#include <string>

#include "base/app_identity.h"
#include "base/handles_win.h"
#include "base/process_win.h"
#include "base/text.h"
#include "base/wide_win.h"
#include "notes/session.h"
#include "print/payload.h"
#include "print/printer_win.h"
#include "ui/modal_win.h"
#include "ui/ui_win.h"
#include "ui/window_win.h"

namespace nv {

namespace {

enum : int { kIdPrevious = 101, kIdNext = 102, kIdCounter = 103 };

constexpr wchar_t kPreviewClass[] = L"NorvanePrintPreview";

class PreviewWindow : public Window {
public:
    // Modal over `owner` (which may be null); true when the user pressed "确认打印".
    bool Run(HWND owner, PreviewPages pages);

private:
    LRESULT OnMessage(UINT msg, WPARAM wparam, LPARAM lparam) override;
    void Create();
    void Layout(int width, int height);
    void Paint();
    void Close();

    PreviewPages pages_;
    std::size_t current_ = 0;
    bool confirmed_ = false;
    HWND previous_ = nullptr, next_ = nullptr, counter_ = nullptr, confirm_ = nullptr,
         cancel_ = nullptr;
    HWND owner_ = nullptr;  // disabled while the preview is open
    bool owner_enabled_ = false;
};

// The owner is enabled before the preview goes: destroying the active window while its owner
// is still disabled makes Windows activate another application's window instead.
void PreviewWindow::Close() {
    if (owner_) {
        EnableWindow(owner_, owner_enabled_);
        owner_ = nullptr;
    }
    if (hwnd())
        DestroyWindow(hwnd());
}

void PreviewWindow::Layout(int width, int height) {
    int y = std::max(height - 48, 0);
    MoveWindow(previous_, 20, y, 80, 32, TRUE);
    MoveWindow(next_, 108, y, 80, 32, TRUE);
    MoveWindow(counter_, 198, y + 5, 120, 24, TRUE);
    MoveWindow(confirm_, std::max(width - 224, 330), y, 110, 32, TRUE);
    MoveWindow(cancel_, std::max(width - 104, 448), y, 84, 32, TRUE);
    InvalidateRect(hwnd(), nullptr, TRUE);
}

void PreviewWindow::Paint() {
    PaintDc paint(hwnd());
    HDC dc = paint.get();
    RECT rc;
    GetClientRect(hwnd(), &rc);
    FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    SetBkMode(dc, TRANSPARENT);
    SelectGuard font(dc, UiFont());
    RECT info{20, 12, rc.right - 20, 54};
    DrawTextW(dc, as_wide(pages_.info), -1, &info, DT_WORDBREAK | DT_NOPREFIX);
    std::size_t count = pages_.pages.size();
    if (count > 0) {
        int avail_h = std::max(static_cast<int>(rc.bottom) - 120, 1);
        int avail_w = std::max(static_cast<int>(rc.right) - 40, 1);
        double scale = std::min(static_cast<double>(avail_h) / pages_.height,
                                static_cast<double>(avail_w) / pages_.width);
        int w = static_cast<int>(pages_.width * scale);
        int h = static_cast<int>(pages_.height * scale);
        UniqueDc memory(CreateCompatibleDC(dc));
        SelectGuard page(memory.get(), pages_.pages[current_].get());
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        StretchBlt(dc, (rc.right - w) / 2, (avail_h - h) / 2 + 60, w, h, memory.get(), 0, 0,
                   pages_.width, pages_.height, SRCCOPY);
    }
    SetText(counter_, u"第 " + format_int(static_cast<int64_t>(current_ + 1)) + u" / " +
                          format_int(static_cast<int64_t>(count)) + u" 页");
    bool previous = current_ > 0, next = current_ + 1 < count;
    // A disabled button cannot keep the focus: it would go nowhere, and Esc and Enter with it.
    HWND focus = GetFocus();
    if ((focus == previous_ && !previous) || (focus == next_ && !next))
        SetFocus(confirm_);
    EnableWindow(previous_, previous);
    EnableWindow(next_, next);
}

void PreviewWindow::Create() {
    HWND wnd = hwnd();
    // Placed by Layout in pixels: the preview is laid out at the same size at every DPI.
    auto button = [&](const char16_t* text, int id, DWORD style) {
        return MakeChild(wnd,
                         {.cls = L"BUTTON", .id = id, .text = text, .style = style | WS_TABSTOP});
    };
    previous_ = button(u"上一页", kIdPrevious, BS_PUSHBUTTON);
    next_ = button(u"下一页", kIdNext, BS_PUSHBUTTON);
    counter_ = MakeChild(wnd, {.cls = L"STATIC", .id = kIdCounter, .style = SS_CENTER});
    confirm_ = button(u"确认打印", IDOK, BS_DEFPUSHBUTTON);
    cancel_ = button(u"取消", IDCANCEL, BS_PUSHBUTTON);
    RECT rc;
    GetClientRect(wnd, &rc);
    Layout(rc.right, rc.bottom);
}

LRESULT PreviewWindow::OnMessage(UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
        case WM_CREATE:
            Create();
            return 0;
        case WM_GETMINMAXINFO:
            reinterpret_cast<MINMAXINFO*>(lparam)->ptMinTrackSize = {640, 400};
            return 0;
        case WM_SIZE:
            if (cancel_)
                Layout(LOWORD(lparam), HIWORD(lparam));
            return 0;
        case WM_COMMAND:
            switch (LOWORD(wparam)) {
                case kIdPrevious:
                    if (current_ > 0)
                        --current_;
                    InvalidateRect(hwnd(), nullptr, TRUE);
                    break;
                case kIdNext:
                    if (current_ + 1 < pages_.pages.size())
                        ++current_;
                    InvalidateRect(hwnd(), nullptr, TRUE);
                    break;
                case IDOK:
                    confirmed_ = true;
                    Close();
                    break;
                case IDCANCEL:
                    Close();
                    break;
                default:
                    break;
            }
            return 0;
        case WM_PAINT:
            Paint();
            return 0;
        case WM_CLOSE:
            Close();
            return 0;
        default:
            return Default(msg, wparam, lparam);
    }
}

bool PreviewWindow::Run(HWND owner, PreviewPages pages) {
    pages_ = std::move(pages);
    RegisterWindowClass({.name = kPreviewClass, .background = GetSysColorBrush(COLOR_BTNFACE)});
    std::u16string title =
        u"送货单打印预览 · v" + std::u16string(kBuiltInVersion) + u"（确认后才打印）";
    if (!CreateFor(WS_EX_DLGMODALFRAME, kPreviewClass, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                   CW_USEDEFAULT, 1060, 720, owner))
        return false;
    owner_enabled_ = owner && IsWindowEnabled(owner);
    if (owner) {
        owner_ = owner;
        EnableWindow(owner, FALSE);
    }
    ShowWindow(hwnd(), SW_SHOW);
    UpdateWindow(hwnd());
    static_cast<void>(RunModalLoop(live()));  // a quit message is posted again by the loop
    Close();
    if (owner)
        SetActiveWindow(owner);
    return confirmed_;
}

}  // namespace

bool RunPreviewWindow(std::string_view payload) {
    HWND owner = GetActiveWindow();
    if (!owner)
        owner = process().main_window;
    PreviewPages pages;
    std::string message;
    bool rendered = false;
    {
        WaitCursor wait;
        rendered = RenderPreview(payload, pages, message);
    }
    if (!rendered) {
        MessageBoxU(owner, utf8_to_utf16(message), L"打印预览失败", MB_OK | MB_ICONERROR);
        return false;
    }
    PreviewWindow preview;
    return preview.Run(owner, std::move(pages));
}

bool RunPrintCommand(const DeliveryNote& note, const StatusSink& report) {
    std::u16string company =
        company_for_document(process().config_path, login_session(), ShowBusyCursor);
    std::string payload = write_payload(note, company);
    if (!RunPreviewWindow(payload)) {
        report(u"已取消打印");
        return false;
    }
    HWND main = process().main_window;
    PrintResult r;
    {
        // Restored as it was: from the editor the main window stays disabled behind it.
        bool main_enabled = main && IsWindowEnabled(main);
        WaitCursor wait;
        if (main) {
            EnableWindow(main, FALSE);
            UpdateWindow(main);
        }
        r = native_print(WindowsSpooler(), payload, app_print_settings());
        if (main)
            EnableWindow(main, main_enabled);
    }
    if (r.ok) {
        report(u"已发送打印：" + note.number + u"（" + format_int(r.pages) + u" 页）");
        return true;
    }
    std::u16string message = utf8_to_utf16(r.message);
    MessageBoxU(main, message, L"打印失败", MB_OK | MB_ICONERROR);
    report(u"打印失败：" + message);
    return false;
}

}  // namespace nv
