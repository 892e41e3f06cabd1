// Small helpers shared by the windows: scaling, fonts, text of controls, child creation,
// message boxes.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <string_view>

namespace nv {

// A length given for 96 DPI at the screen DPI taken at start-up.
int Scale(int length);

HFONT UiFont();
HFONT BoldFont();
HBRUSH WindowBrush();
// Step 13 of start-up: the fonts and the white window brush.
void CreateUiResources();

std::u16string GetText(HWND wnd);
void SetText(HWND wnd, std::u16string_view text);
inline const wchar_t* W(const std::u16string& s) {
    return reinterpret_cast<const wchar_t*>(s.c_str());
}

// A child window with the UI font (or `font`).
HWND MakeChild(HWND parent, const wchar_t* cls, std::u16string_view text, DWORD style,
               DWORD ex_style, int id, int x, int y, int w, int h, HFONT font = nullptr);

int MessageBoxU(HWND owner, std::u16string_view text, const wchar_t* caption, UINT flags);

// The commands whose subsystems are not built yet.
void ShowNotYetAvailable(HWND owner);

void AddListColumn(HWND list, int index, const wchar_t* title, int width);

// The wait cursor while a blocking request runs; the arrow again when destroyed.
class WaitCursor {
public:
    WaitCursor() { SetCursor(LoadCursorW(nullptr, IDC_WAIT)); }
    ~WaitCursor() { SetCursor(LoadCursorW(nullptr, IDC_ARROW)); }
};

// Centres `wnd` in the primary monitor's work area (never left of or above it when `clamp`).
void CenterInWorkArea(HWND wnd, bool clamp);

// Windows of the desktop client.
void RegisterWindowClasses();
HMENU BuildMenuBar();
HWND CreateMainWindow(HMENU menu, int left, int top, int width, int height);
void LoadNotes();  // note loading of the main window
bool RunLoginWindow();
bool RunEditor(const struct DeliveryNote& note, bool is_new);
// F5, Ctrl+N and Ctrl+P of the main window; true when the key was taken.
bool HandleMainWindowKey(const MSG& msg);

}  // namespace nv
