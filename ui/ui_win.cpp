#include "ui/ui_win.h"

#include "base/process_win.h"
#include "base/wide_win.h"
#include "ui/ui_logic.h"

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

HWND MakeChild(HWND parent, const ChildControl& child) {
    HWND c = CreateWindowExW(child.ex_style, child.cls, wide_copy(child.text).c_str(),
                             WS_CHILD | WS_VISIBLE | child.style, Scale(child.x), Scale(child.y),
                             Scale(child.w), Scale(child.h), parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(child.id)),
                             process().instance, nullptr);
    SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(child.font ? child.font : UiFont()), TRUE);
    return c;
}

std::u16string PickerDate(HWND picker) {
    SYSTEMTIME st{};
    if (SendMessageW(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st)) != GDT_VALID)
        return {};
    return format_note_date(st.wYear, st.wMonth, st.wDay);
}

bool SetPickerDate(HWND picker, std::u16string_view date) {
    int y = 0, m = 0, d = 0;
    if (!parse_note_date(date, y, m, d))
        return false;
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(y);
    st.wMonth = static_cast<WORD>(m);
    st.wDay = static_cast<WORD>(d);
    SendMessageW(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
    return true;
}

int MessageBoxU(HWND owner, std::u16string_view text, const wchar_t* caption, UINT flags) {
    return MessageBoxW(owner, wide_copy(text).c_str(), caption, flags);
}

void ShowBusyCursor(bool on) {
    SetCursor(LoadCursorW(nullptr, on ? IDC_WAIT : IDC_ARROW));
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

}  // namespace nv
