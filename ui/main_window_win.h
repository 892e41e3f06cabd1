// The main window: the signed-in user's delivery notes, the search box, the status bar and
// every command.
#pragma once

#include <windows.h>

#include <string_view>

namespace nv {

LRESULT CALLBACK WndProcMain(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam);

HMENU BuildMenuBar();
// Takes ownership of `menu` (the window destroys it with itself).
HWND CreateMainWindow(HMENU menu, int left, int top, int width, int height);
// Reads the signed-in user's notes into the list; nothing without a user or a window.
void LoadNotes();
// The status bar's text; print and export report their outcome here.
void SetMainStatus(std::u16string_view text);
// F5, Ctrl+N and Ctrl+P of the main window; true when the key was taken.
bool HandleMainWindowKey(const MSG& msg);

}  // namespace nv
