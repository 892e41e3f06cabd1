#include "ui/ui_win.h"

#include "base/process_win.h"
#include "base/wide_win.h"
#include "ui/editor_win.h"
#include "ui/login_window_win.h"
#include "ui/main_window_win.h"

namespace nv {

namespace {

UiResources* g_resources = nullptr;

UniqueFont MakeUiFont(int dpi, int weight) {
    return UniqueFont(CreateFontW(-MulDiv(9, dpi, 72), 0, 0, 0, weight, FALSE, FALSE, FALSE,
                                  DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                  CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                                  L"Microsoft YaHei UI"));
}

}  // namespace

int Scale(int length) {
    return MulDiv(length, process().dpi, 96);
}

UiResources::UiResources(int dpi)
    : ui_font(MakeUiFont(dpi, FW_NORMAL)),
      bold_font(MakeUiFont(dpi, FW_BOLD)),
      window_brush(CreateSolidBrush(RGB(255, 255, 255))) {
    g_resources = this;
}

UiResources::~UiResources() {
    g_resources = nullptr;
}

HFONT UiFont() {
    return g_resources ? g_resources->ui_font.get() : nullptr;
}
HFONT BoldFont() {
    return g_resources ? g_resources->bold_font.get() : nullptr;
}
HBRUSH WindowBrush() {
    return g_resources ? g_resources->window_brush.get() : nullptr;
}

std::u16string GetText(HWND wnd) {
    int n = GetWindowTextLengthW(wnd);
    std::u16string s(static_cast<std::size_t>(n) + 1, u'\0');
    n = GetWindowTextW(wnd, as_wide_buffer(s), n + 1);
    s.resize(static_cast<std::size_t>(n < 0 ? 0 : n));
    return s;
}

void SetText(HWND wnd, std::u16string_view text) {
    SetWindowTextW(wnd, wide_copy(text).c_str());
}

HWND MakeChild(HWND parent, const wchar_t* cls, std::u16string_view text, DWORD style,
               DWORD ex_style, int id, int x, int y, int w, int h, HFONT font) {
    HWND c = CreateWindowExW(ex_style, cls, wide_copy(text).c_str(), WS_CHILD | WS_VISIBLE | style,
                             x, y, w, h, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             process().instance, nullptr);
    SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font ? font : UiFont()), TRUE);
    return c;
}

int MessageBoxU(HWND owner, std::u16string_view text, const wchar_t* caption, UINT flags) {
    return MessageBoxW(owner, wide_copy(text).c_str(), caption, flags);
}

void AddListColumn(HWND list, int index, const wchar_t* title, int width) {
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    col.pszText = const_cast<wchar_t*>(title);
    col.cx = Scale(width);
    col.iSubItem = index;
    SendMessageW(list, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&col));
}

void CenterInWorkArea(HWND wnd, bool clamp) {
    RECT work{}, r{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(wnd, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    int left = work.left + (work.right - work.left - w) / 2;
    int top = work.top + (work.bottom - work.top - h) / 2;
    if (clamp) {
        left = left < work.left ? work.left : left;
        top = top < work.top ? work.top : top;
    }
    SetWindowPos(wnd, clamp ? HWND_TOP : nullptr, left, top, 0, 0,
                 SWP_NOSIZE | (clamp ? 0 : SWP_NOZORDER));
}

LRESULT StaticColours(WPARAM dc, COLORREF text) {
    HDC hdc = reinterpret_cast<HDC>(dc);
    SetBkMode(hdc, TRANSPARENT);
    if (text != CLR_INVALID)
        SetTextColor(hdc, text);
    return reinterpret_cast<LRESULT>(WindowBrush());
}

void RegisterWindowClass(const wchar_t* name, WNDPROC proc) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = process().instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = name;
    RegisterClassExW(&wc);
}

void RegisterWindowClasses() {
    HINSTANCE inst = process().instance;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = WindowBrush();
    wc.hInstance = inst;

    wc.lpfnWndProc = WndProcLogin;
    wc.lpszClassName = L"NorvaneLoginWnd";
    RegisterClassExW(&wc);

    // Icons loaded from the module's resources are shared and never freed.
    wc.lpfnWndProc = WndProcMain;
    wc.lpszClassName = L"NorvaneMainWnd";
    wc.hIcon = static_cast<HICON>(
        LoadImageW(inst, MAKEINTRESOURCEW(1), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    wc.hIconSm =
        static_cast<HICON>(LoadImageW(inst, MAKEINTRESOURCEW(1), IMAGE_ICON, 16, 16, LR_SHARED));
    RegisterClassExW(&wc);

    wc.lpfnWndProc = WndProcEdit;
    wc.lpszClassName = L"NorvaneEditWnd";
    wc.hIcon = nullptr;
    wc.hIconSm = nullptr;
    RegisterClassExW(&wc);
}

}  // namespace nv
