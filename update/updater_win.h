// The update thread and the install at exit (Windows side of update/updater.h).
#pragma once

#include <windows.h>

#include <string>

namespace nv {

// Posted to the main window when a downloaded update is ready.
inline constexpr UINT kUpdateReadyMessage = WM_APP + 0x51;

// Starts the check once per process, detached; `base_url` is the data service's.
void StartUpdateCheck(const std::u16string& base_url);

// Starts the hidden install of a downloaded update; does not wait for it.
void RunExitInstall();

}  // namespace nv
