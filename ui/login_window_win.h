// The login window: account, password, account type and the remember box.
#pragma once

#include <windows.h>

namespace nv {

LRESULT CALLBACK WndProcLogin(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam);

// Modal; true when a user signed in (the login session and config.ini then hold the user).
[[nodiscard]] bool RunLoginWindow();

}  // namespace nv
