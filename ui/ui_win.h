// Small helpers shared by the windows: scaling, fonts, text of controls, child controls,
// message boxes, the wait cursor.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <functional>
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

// One child control. Its rectangle is given in 96-DPI units and scaled once, when it is made;
// a control that a layout function places gets none.
struct ChildControl {
    const wchar_t* cls = nullptr;
    int id = -1;
    std::u16string_view text;
    DWORD style = 0;  // WS_CHILD and WS_VISIBLE are always added
    DWORD ex_style = 0;
    int x = 0, y = 0, w = 0, h = 0;
    HFONT font = nullptr;  // null: the UI font
};
HWND MakeChild(HWND parent, const ChildControl& child);

// The date a date picker shows as "yyyy-mm-dd" (empty when it holds none), and a picker set to
// such a date (false, and unchanged, for any other text).
std::u16string PickerDate(HWND picker);
bool SetPickerDate(HWND picker, std::u16string_view date);

int MessageBoxU(HWND owner, std::u16string_view text, const wchar_t* caption, UINT flags);

void AddListColumn(HWND list, int index, const wchar_t* title, int width);

// The wait cursor (on) or the arrow (off), for core code that signals when the user waits.
void ShowBusyCursor(bool on);

// Where a command reports its outcome as a line of text: the status bar of the window that
// runs it, or of the window that stands above that one.
using StatusSink = std::function<void(std::u16string_view)>;

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

// WM_CTLCOLORSTATIC on the white windows: a transparent text background, the text colour when
// one is given, and the window brush as the result.
LRESULT StaticColours(WPARAM dc, COLORREF text = CLR_INVALID);

}  // namespace nv
