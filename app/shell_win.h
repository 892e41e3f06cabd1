// Process-wide state of the Windows shell, prepared by start-up and read by the windows.
#pragma once

#include <windows.h>

#include <string>

#include "app/app_state.h"
#include "print/print_settings.h"

namespace nv {

struct Shell {
    HINSTANCE instance = nullptr;
    int dpi = 96;  // LOGPIXELSY of the screen, taken once
    std::u16string app_dir;      // roaming application data + "\Norvane"
    std::u16string config_path;  // app_dir + "\config.ini"
    std::u16string log_path;     // app_dir + "\app.log"
    LoginSession session;
    PrintSettings print;
    std::u16string printer_name;
    std::u16string paper_label;  // "241.0×139.5mm"
    HWND main_window = nullptr;
};

Shell& shell();

// Runs the self-test, writing selftest.txt beside the executable; does nothing when that file
// cannot be opened.
void run_selftest_beside_exe(const std::u16string& base_url, const std::u16string& user_id);

}  // namespace nv
