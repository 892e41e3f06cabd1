// Entry point of norvane.exe: the start-up sequence, the single instance and the exit path.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>

#include "app/config.h"
#include "app/files.h"
#include "app/log.h"
#include "app/shell_win.h"
#include "app/text.h"
#include "finance/money.h"
#include "print/print_settings.h"

namespace nv {

Shell& shell() {
    static Shell s;
    return s;
}

}  // namespace nv

namespace {

using nv::shell;

// True when any argument after the program name is exactly `name` (whole, case-sensitive).
bool HasSwitch(const wchar_t* name) {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return false;
    bool found = false;
    for (int i = 1; i < argc; ++i) {
        if (lstrcmpW(argv[i], name) == 0) found = true;
    }
    LocalFree(argv);
    return found;
}

std::u16string U(const wchar_t* s) { return std::u16string(reinterpret_cast<const char16_t*>(s)); }

std::string Utf8(const std::u16string& s) { return nv::utf16_to_utf8(s); }

int ScreenDpi() {
    HDC dc = GetDC(nullptr);
    int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 0;
    if (dc) ReleaseDC(nullptr, dc);
    return dpi < 1 ? 96 : dpi;
}

std::u16string RoamingFolder() {
    PWSTR path = nullptr;
    std::u16string out;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &path))) out = U(path);
    CoTaskMemFree(path);
    return out;
}

bool FileExists(const std::u16string& path) {
    DWORD attr = GetFileAttributesW(reinterpret_cast<const wchar_t*>(path.c_str()));
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

// Step 21: the exit path shared by the runs that get past the single-instance check.
int Exit(HANDLE mutex, int code) {
    nv::app_log().line("==== Norvane exit ====");
    nv::app_log().close();
    if (mutex) {
        ReleaseMutex(mutex);
        CloseHandle(mutex);
    }
    return code;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // 1. The money checks run before anything else and leave no trace.
    if (HasSwitch(L"--finance-selftest")) return nv::finance_selftest() ? 0 : 1;

    nv::Shell& app = shell();
    // 2.
    app.instance = instance;
    app.dpi = ScreenDpi();
    // 3. One folder level; an existing folder or a failure is not an error.
    app.app_dir = RoamingFolder() + u"\\Norvane";
    CreateDirectoryW(reinterpret_cast<const wchar_t*>(app.app_dir.c_str()), nullptr);
    // 4.
    app.config_path = app.app_dir + u"\\config.ini";
    app.log_path = app.app_dir + u"\\app.log";
    nv::app_log().open(app.log_path);
    nv::app_log().line("==== Norvane %s start ====", Utf8(nv::kBuiltInVersion).c_str());
    // 5. A new config.ini starts as just the UTF-16 byte-order mark, so that the profile
    // functions keep every value in UTF-16: in a file without it they use the ANSI code page,
    // and a Chinese username or company would be written as question marks on a system whose
    // code page is not Chinese.
    if (!FileExists(app.config_path)) {
        nv::create_utf16_file(app.config_path);
        nv::config_write(app.config_path, u"app", u"server", nv::kDefaultServer);
    }
    // 6.
    app.session = nv::config_load(app.config_path);
    // 7.
    nv::app_log().line("ini=%s server=%s user=%s", Utf8(app.config_path).c_str(),
                       Utf8(app.session.base_url).c_str(), Utf8(app.session.user_id).c_str());
    // 8. The update thread arrives with the updater.
    // 9.
    app.print = nv::load_print_settings(app.config_path);
    nv::print_log().open(app.log_path);
    app.printer_name = app.print.printer_name;
    app.paper_label = nv::format_fixed_u16(app.print.width_mm, 1) + u"×" +
                      nv::format_fixed_u16(app.print.height_mm, 1) + u"mm";
    if (app.paper_label.size() > 63) app.paper_label.resize(63);
    // 10. Single instance: a second one brings the first one's window forward and leaves.
    HANDLE mutex = CreateMutexW(nullptr, TRUE, L"Local\\Norvane_SingleInstance");
    if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
        if (HWND other = FindWindowW(L"NorvaneMainWnd", nullptr)) {
            if (IsIconic(other)) ShowWindow(other, SW_RESTORE);
            SetForegroundWindow(other);
        }
        CloseHandle(mutex);
        return 0;
    }
    // 11. The mutex stays held until the process ends.
    if (HasSwitch(L"--selftest")) {
        if (app.session.user_id.empty()) app.session.user_id = u"USER_1700000000000";
        nv::run_selftest_beside_exe(app.session.base_url, app.session.user_id);
        nv::app_log().line("selftest done");
        nv::app_log().close();
        return 0;
    }
    // 12-20, the windows and the message loop, arrive with the desktop client.
    return Exit(mutex, 0);
}
