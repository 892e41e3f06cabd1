// The message loop of the program's modal windows (login, editor, and the windows to come).
#pragma once

#include <windows.h>

#include <functional>

namespace nv {

// Sees every message before the dialog keys do; true means it took the message.
using ModalFilter = std::function<bool(const MSG&)>;

// Runs until `wnd` becomes null (the window's WM_DESTROY clears it). Tab and Shift+Tab move
// between the window's controls. A WM_QUIT that arrives meanwhile is posted again, so that it
// still ends the program, and ends this loop: the result is then false.
[[nodiscard]] bool RunModalLoop(const HWND& wnd, const ModalFilter& filter = nullptr);

}  // namespace nv
