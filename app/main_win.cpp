// Entry point of norvane.exe: the start-up sequence, the single instance and the exit path.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>

#include <commctrl.h>

#include "app/config.h"
#include "app/files.h"
#include "app/log.h"
#include "app/shell_win.h"
#include "app/text.h"
#include "finance/money.h"
#include "notes/note_service.h"
#include "print/print_settings.h"
#include "ui/ui_win.h"

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
    // 12.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES |
                                             ICC_DATE_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    // 13.
    nv::CreateUiResources();
    nv::RegisterWindowClasses();
    nv::LoginSession& session = app.session;
    // 14. A remembered sign-in is checked with the company-info call; any failure, the
    // network's included, clears the saved identity.
    if (!session.user_id.empty() && session.remember) {
        std::u16string company;
        nv::ServiceResult r = nv::service_company_info(session.base_url, session.user_id, company);
        if (r.ok) {
            if (!company.empty()) {
                session.company = company;
                nv::config_write(app.config_path, u"session", u"company", company);
            }
        } else {
            nv::app_log().line("saved session invalid, require login");
            session.user_id.clear();
            session.username.clear();
            session.company.clear();
            for (const char16_t* key : {u"userId", u"username", u"company"})
                nv::config_write(app.config_path, u"session", key, u"");
        }
    }
    // 15.
    if (!session.user_id.empty() && session.remember) {
        nv::app_log().line("login skipped (remembered session)");
    } else {
        nv::app_log().line("login required");
        if (!nv::RunLoginWindow()) {
            nv::app_log().close();
            return 0;
        }
    }
    // 16.
    if (session.company.empty()) {
        std::u16string company;
        nv::ServiceResult r = nv::service_company_info(session.base_url, session.user_id, company);
        if (r.ok && !company.empty()) {
            session.company = company;
            nv::config_write(app.config_path, u"session", u"company", company);
        }
    }
    // 17.
    int width = nv::config_int(app.config_path, u"window", u"width", u"1360");
    int height = nv::config_int(app.config_path, u"window", u"height", u"820");
    int left = nv::config_int(app.config_path, u"window", u"left", u"100");
    int top = nv::config_int(app.config_path, u"window", u"top", u"80");
    // 18.
    HWND main = nv::CreateMainWindow(nv::BuildMenuBar(), left, top, width, height);
    if (!main) {
        nv::app_log().close();
        return 1;
    }
    // 19. Always maximised; the saved placement is the restored size.
    ShowWindow(main, SW_MAXIMIZE);
    UpdateWindow(main);
    nv::LoadNotes();
    // 20.
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (nv::HandleMainWindowKey(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    // 21.
    return Exit(mutex, 0);
}
