#include "ui/print_preview_win.h"

#include <cstdio>
#include <string>

#include "base/handles_win.h"
#include "base/process_win.h"
#include "base/product.h"
#include "base/text.h"
#include "base/wide_win.h"
#include "notes/session.h"
#include "print/payload.h"
#include "print/printer_win.h"
#include "ui/main_window_win.h"
#include "ui/modal_win.h"
#include "ui/ui_win.h"

namespace nv {

namespace {

enum : int { kIdPrevious = 101, kIdNext = 102, kIdCounter = 103 };

struct PreviewState {
    HWND wnd = nullptr;
    PreviewPages pages;
    std::size_t current = 0;
    bool confirmed = false;
    HWND previous = nullptr, next = nullptr, counter = nullptr, confirm = nullptr, cancel = nullptr;
    HWND owner = nullptr;  // disabled while the preview is open
    bool owner_enabled = false;
};

// The owner is enabled before the preview goes: destroying the active window while its owner
// is still disabled makes Windows activate another application's window instead.
void ClosePreview(PreviewState& s) {
    if (s.owner) {
        EnableWindow(s.owner, s.owner_enabled);
        s.owner = nullptr;
    }
    if (s.wnd)
        DestroyWindow(s.wnd);
}

PreviewState* StateOf(HWND wnd) {
    return reinterpret_cast<PreviewState*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
}

void Layout(PreviewState& s, int width, int height) {
    int y = std::max(height - 48, 0);
    MoveWindow(s.previous, 20, y, 80, 32, TRUE);
    MoveWindow(s.next, 108, y, 80, 32, TRUE);
    MoveWindow(s.counter, 198, y + 5, 120, 24, TRUE);
    MoveWindow(s.confirm, std::max(width - 224, 330), y, 110, 32, TRUE);
    MoveWindow(s.cancel, std::max(width - 104, 448), y, 84, 32, TRUE);
    InvalidateRect(s.wnd, nullptr, TRUE);
}

void Paint(PreviewState& s) {
    PaintDc paint(s.wnd);
    HDC dc = paint.get();
    RECT rc;
    GetClientRect(s.wnd, &rc);
    FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    SetBkMode(dc, TRANSPARENT);
    SelectGuard font(dc, UiFont());
    RECT info{20, 12, rc.right - 20, 54};
    DrawTextW(dc, as_wide(s.pages.info), -1, &info, DT_WORDBREAK | DT_NOPREFIX);
    std::size_t count = s.pages.pages.size();
    if (count > 0) {
        int avail_h = std::max(static_cast<int>(rc.bottom) - 120, 1);
        int avail_w = std::max(static_cast<int>(rc.right) - 40, 1);
        double scale = std::min(static_cast<double>(avail_h) / s.pages.height,
                                static_cast<double>(avail_w) / s.pages.width);
        int w = static_cast<int>(s.pages.width * scale);
        int h = static_cast<int>(s.pages.height * scale);
        UniqueDc memory(CreateCompatibleDC(dc));
        SelectGuard page(memory.get(), s.pages.pages[s.current].get());
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        StretchBlt(dc, (rc.right - w) / 2, (avail_h - h) / 2 + 60, w, h, memory.get(), 0, 0,
                   s.pages.width, s.pages.height, SRCCOPY);
    }
    SetText(s.counter, u"第 " + format_int(static_cast<int64_t>(s.current + 1)) + u" / " +
                           format_int(static_cast<int64_t>(count)) + u" 页");
    bool previous = s.current > 0, next = s.current + 1 < count;
    // A disabled button cannot keep the focus: it would go nowhere, and Esc and Enter with it.
    HWND focus = GetFocus();
    if ((focus == s.previous && !previous) || (focus == s.next && !next))
        SetFocus(s.confirm);
    EnableWindow(s.previous, previous);
    EnableWindow(s.next, next);
}

void Create(PreviewState& s, HWND wnd) {
    s.wnd = wnd;
    auto button = [&](const char16_t* text, int id, DWORD style) {
        return MakeChild(wnd, L"BUTTON", text, style | WS_TABSTOP, 0, id, 0, 0, 0, 0);
    };
    s.previous = button(u"上一页", kIdPrevious, BS_PUSHBUTTON);
    s.next = button(u"下一页", kIdNext, BS_PUSHBUTTON);
    s.counter = MakeChild(wnd, L"STATIC", u"", SS_CENTER, 0, kIdCounter, 0, 0, 0, 0);
    s.confirm = button(u"确认打印", IDOK, BS_DEFPUSHBUTTON);
    s.cancel = button(u"取消", IDCANCEL, BS_PUSHBUTTON);
    RECT rc;
    GetClientRect(wnd, &rc);
    Layout(s, rc.right, rc.bottom);
}

void RegisterPreviewClass() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProcPreview;
    wc.hInstance = process().instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"NorvanePrintPreview";
    RegisterClassExW(&wc);  // a second registration fails harmlessly
}

}  // namespace

LRESULT CALLBACK WndProcPreview(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lparam);
        SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    PreviewState* s = StateOf(wnd);
    if (!s)
        return DefWindowProcW(wnd, msg, wparam, lparam);
    switch (msg) {
        case WM_CREATE:
            Create(*s, wnd);
            return 0;
        case WM_GETMINMAXINFO:
            reinterpret_cast<MINMAXINFO*>(lparam)->ptMinTrackSize = {640, 400};
            return 0;
        case WM_SIZE:
            Layout(*s, LOWORD(lparam), HIWORD(lparam));
            return 0;
        case WM_COMMAND:
            switch (LOWORD(wparam)) {
                case kIdPrevious:
                    if (s->current > 0)
                        --s->current;
                    InvalidateRect(wnd, nullptr, TRUE);
                    break;
                case kIdNext:
                    if (s->current + 1 < s->pages.pages.size())
                        ++s->current;
                    InvalidateRect(wnd, nullptr, TRUE);
                    break;
                case IDOK:
                    s->confirmed = true;
                    ClosePreview(*s);
                    break;
                case IDCANCEL:
                    ClosePreview(*s);
                    break;
                default:
                    break;
            }
            return 0;
        case WM_PAINT:
            Paint(*s);
            return 0;
        case WM_CLOSE:
            ClosePreview(*s);
            return 0;
        case WM_DESTROY:
            s->wnd = nullptr;
            return 0;
        default:
            return DefWindowProcW(wnd, msg, wparam, lparam);
    }
}

bool RunPreviewWindow(std::string_view payload) {
    HWND owner = GetActiveWindow();
    if (!owner)
        owner = process().main_window;
    PreviewState state;
    std::string message;
    bool rendered = false;
    {
        WaitCursor wait;
        rendered = RenderPreview(payload, state.pages, message);
    }
    if (!rendered) {
        MessageBoxU(owner, utf8_to_utf16(message), L"打印预览失败", MB_OK | MB_ICONERROR);
        return false;
    }
    RegisterPreviewClass();
    std::u16string title =
        u"送货单打印预览 · v" + std::u16string(kBuiltInVersion) + u"（确认后才打印）";
    HWND wnd = CreateWindowExW(WS_EX_DLGMODALFRAME, L"NorvanePrintPreview", as_wide(title),
                               WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 1060, 720, owner,
                               nullptr, process().instance, &state);
    if (!wnd)
        return false;
    state.owner_enabled = owner && IsWindowEnabled(owner);
    if (owner) {
        state.owner = owner;
        EnableWindow(owner, FALSE);
    }
    ShowWindow(wnd, SW_SHOW);
    UpdateWindow(wnd);
    static_cast<void>(RunModalLoop(state.wnd));  // a quit message is posted again by the loop
    ClosePreview(state);
    if (owner)
        SetActiveWindow(owner);
    return state.confirmed;
}

bool RunPrintCommand(const DeliveryNote& note) {
    std::u16string company = company_for_document(process().config_path, login_session());
    std::string payload = write_payload(note, company);
    if (!RunPreviewWindow(payload)) {
        SetMainStatus(u"已取消打印");
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
        SetMainStatus(u"已发送打印：" + note.number + u"（" + format_int(r.pages) + u" 页）");
        return true;
    }
    std::u16string message = utf8_to_utf16(r.message);
    MessageBoxU(main, message, L"打印失败", MB_OK | MB_ICONERROR);
    SetMainStatus(u"打印失败：" + message);
    return false;
}

}  // namespace nv
