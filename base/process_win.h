// Where this run keeps its files and which module and main window it has: set once by
// start-up, read by every window.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

namespace nv {

struct Process {
    HINSTANCE instance = nullptr;
    int dpi = 96;                // LOGPIXELSY of the screen, taken once
    std::u16string app_dir;      // roaming application data + "\Norvane"
    std::u16string config_path;  // app_dir + "\config.ini"
    std::u16string log_path;     // app_dir + "\app.log"
    // Set while the main window exists; the update thread reads it to post its notice.
    std::atomic<HWND> main_window{nullptr};
};

Process& process();

}  // namespace nv
