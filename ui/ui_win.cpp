#include "ui/ui_win.h"

#include "app/shell_win.h"

namespace nv {

namespace {
HFONT g_ui_font = nullptr;
HFONT g_bold_font = nullptr;
HBRUSH g_brush = nullptr;
}  // namespace

int Scale(int length) { return MulDiv(length, shell().dpi, 96); }

void CreateUiResources() {
    int height = -MulDiv(9, shell().dpi, 72);
    g_ui_font = CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                            DEFAULT_PITCH | FF_DONTCARE, L"Microsoft YaHei UI");
    g_bold_font = CreateFontW(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                              OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                              DEFAULT_PITCH | FF_DONTCARE, L"Microsoft YaHei UI");
    g_brush = CreateSolidBrush(RGB(255, 255, 255));
}

HFONT UiFont() { return g_ui_font; }
HFONT BoldFont() { return g_bold_font; }
HBRUSH WindowBrush() { return g_brush; }

std::u16string GetText(HWND wnd) {
    int n = GetWindowTextLengthW(wnd);
    std::u16string s(static_cast<std::size_t>(n) + 1, u'\0');
    n = GetWindowTextW(wnd, reinterpret_cast<wchar_t*>(s.data()), n + 1);
    s.resize(static_cast<std::size_t>(n < 0 ? 0 : n));
    return s;
}

void SetText(HWND wnd, std::u16string_view text) {
    std::u16string s(text);
    SetWindowTextW(wnd, W(s));
}

HWND MakeChild(HWND parent, const wchar_t* cls, std::u16string_view text, DWORD style,
               DWORD ex_style, int id, int x, int y, int w, int h, HFONT font) {
    std::u16string t(text);
    HWND c = CreateWindowExW(ex_style, cls, W(t), WS_CHILD | WS_VISIBLE | style, x, y, w, h,
                             parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             shell().instance, nullptr);
    SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font ? font : UiFont()), TRUE);
    return c;
}

int MessageBoxU(HWND owner, std::u16string_view text, const wchar_t* caption, UINT flags) {
    std::u16string t(text);
    return MessageBoxW(owner, W(t), caption, flags);
}

void ShowNotYetAvailable(HWND owner) {
    MessageBoxW(owner, L"此功能将在后续版本提供", L"提示", MB_OK | MB_ICONINFORMATION);
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

}  // namespace nv
