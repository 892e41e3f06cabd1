// The login window: account, password, account type and the remember box.
#pragma once

#include <windows.h>

namespace nv {

// Modal; true when a user signed in (the login session and config.ini then hold the user).
[[nodiscard]] bool RunLoginWindow();

}  // namespace nv
