// Small helpers shared by the windows: scaling, fonts, text of controls, child creation,
// message boxes, window classes.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <string_view>

#include "base/handles_win.h"

namespace nv {

// A length given for 96 DPI at the screen DPI taken at start-up.
int Scale(int length);

// The UI font, the bold UI font and the white window brush, owned for as long as the windows
// may use them: start-up keeps one of these until its message loop has ended.
class UiResources {
public:
    explicit UiResources(int dpi);
    ~UiResources();
    UiResources(const UiResources&) = delete;
    UiResources& operator=(const UiResources&) = delete;

    UniqueFont ui_font;
    UniqueFont bold_font;
    UniqueBrush window_brush;
};

HFONT UiFont();
HFONT BoldFont();
HBRUSH WindowBrush();

std::u16string GetText(HWND wnd);
void SetText(HWND wnd, std::u16string_view text);

// A child window with the UI font (or `font`).
HWND MakeChild(HWND parent, const wchar_t* cls, std::u16string_view text, DWORD style,
               DWORD ex_style, int id, int x, int y, int w, int h, HFONT font = nullptr);

int MessageBoxU(HWND owner, std::u16string_view text, const wchar_t* caption, UINT flags);

void AddListColumn(HWND list, int index, const wchar_t* title, int width);

// The wait cursor while a blocking request runs; the arrow again when destroyed.
class WaitCursor {
public:
    WaitCursor() { SetCursor(LoadCursorW(nullptr, IDC_WAIT)); }
    ~WaitCursor() { SetCursor(LoadCursorW(nullptr, IDC_ARROW)); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// Centres `wnd` in the primary monitor's work area (never left of or above it when `clamp`).
void CenterInWorkArea(HWND wnd, bool clamp);

// The classes of the main, login and editor windows.
void RegisterWindowClasses();

// A class with the arrow cursor and the system window colour, for the windows that register
// their own when first opened (an earlier registration is kept).
void RegisterWindowClass(const wchar_t* name, WNDPROC proc);

// WM_CTLCOLORSTATIC on the white windows: a transparent text background, the text colour when
// one is given, and the window brush as the result.
LRESULT StaticColours(WPARAM dc, COLORREF text = CLR_INVALID);

}  // namespace nv
