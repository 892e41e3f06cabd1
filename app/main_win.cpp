// Entry point of norvane.exe. It only wires: every decision it makes is a function of its own
// with a test (app/startup.h, notes/session.h, ui/ui_logic.h); what stays here is the order of
// the calls and the Win32 objects whose lifetime is the run.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "app/startup.h"
#include "base/app_identity.h"
#include "base/config.h"
#include "base/files.h"
#include "base/handles_win.h"
#include "base/log.h"
#include "base/process_win.h"
#include "base/text.h"
#include "base/wide_win.h"
#include "finance/money.h"
#include "notes/session.h"
#include "print/print_settings.h"
#include "selftest/selftest_win.h"
#include "ui/login_window_win.h"
#include "ui/main_window_win.h"
#include "ui/ui_logic.h"
#include "ui/ui_win.h"
#include "update/updater_win.h"

namespace {

using nv::process;

std::vector<std::u16string> CommandLineArguments() {
    int argc = 0;
    nv::Owned<nv::LocalTraits<LPWSTR*>> argv(CommandLineToArgvW(GetCommandLineW(), &argc));
    std::vector<std::u16string> args;
    for (int i = 0; argv && i < argc; ++i) args.push_back(nv::from_wide(argv.get()[i]));
    return args;
}

int ScreenDpi() {
    nv::WindowDc screen(nullptr);
    int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi < 1 ? 96 : dpi;
}

std::u16string RoamingFolder() {
    PWSTR path = nullptr;
    HRESULT hr = SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &path);
    nv::Owned<nv::CoTaskMemTraits<PWSTR>> owned(path);  // freed even when the call failed
    return SUCCEEDED(hr) ? nv::from_wide(path) : std::u16string();
}

void Log(const char* what, const std::u16string& text) {
    nv::app_log().line(what, nv::utf16_to_utf8(text).c_str());
}

// The folders, the log and config.ini, ready before anything reads a setting.
void PrepareFilesAndLog() {
    nv::Process& p = process();
    p.app_dir = RoamingFolder() + u"\\Norvane";
    // One folder level; an existing folder or a failure is not an error (logging and the
    // settings then simply find no file).
    CreateDirectoryW(nv::as_wide(p.app_dir), nullptr);
    p.config_path = p.app_dir + u"\\config.ini";
    p.log_path = p.app_dir + u"\\app.log";
    nv::app_log().open(p.log_path);
    Log("==== Norvane %s start ====", nv::kBuiltInVersion);
    switch (nv::prepare_config_file(p.config_path)) {
        case nv::ConfigFile::Created:
            nv::config_write(p.config_path, u"app", u"server", nv::kDefaultServer);
            break;
        case nv::ConfigFile::Converted:
            nv::app_log().line("config.ini converted to UTF-16");
            break;
        case nv::ConfigFile::Failed:
            nv::app_log().line("config.ini could not be prepared; Chinese values may be lost");
            break;
        case nv::ConfigFile::AlreadyUtf16:
            break;
    }
}

// Another instance runs: bring its window forward.
void ActivateOtherInstance() {
    if (HWND other = FindWindowW(L"NorvaneMainWnd", nullptr)) {
        if (IsIconic(other))
            ShowWindow(other, SW_RESTORE);
        SetForegroundWindow(other);
    }
}

int RunInteractive() {
    nv::Process& p = process();
    nv::LoginSession& session = nv::login_session();
    nv::ComApartment com;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_DATE_CLASSES |
                                             ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    nv::UiResources ui_resources(p.dpi);

    if (nv::recheck_remembered_session(p.config_path, session)) {
        nv::app_log().line("login skipped (remembered session)");
    } else {
        nv::app_log().line("login required");
        if (!nv::RunLoginWindow()) {
            nv::RunExitInstall();  // an update found meanwhile is still installed
            return 0;
        }
    }
    nv::fill_company(p.config_path, session);

    nv::Placement at = nv::read_placement(p.config_path);
    nv::MainWindow main;
    if (!main.Open(at.left, at.top, at.width, at.height))
        return 1;
    // Always maximised; the saved placement is the restored size.
    ShowWindow(main.hwnd(), SW_MAXIMIZE);
    UpdateWindow(main.hwnd());
    main.LoadNotes();
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (main.HandleKey(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    nv::RunExitInstall();
    nv::app_log().line("==== Norvane exit ====");
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // The money checks run before anything else and leave no trace (no folder, log or config).
    if (nv::has_switch(CommandLineArguments(), u"--finance-selftest"))
        return nv::finance_selftest() ? 0 : 1;

    nv::Process& p = process();
    p.instance = instance;
    p.dpi = ScreenDpi();
    PrepareFilesAndLog();
    nv::LoginSession& session = nv::login_session();
    session = nv::load_config(p.config_path);
    nv::app_log().line("ini=%s server=%s user=%s", nv::utf16_to_utf8(p.config_path).c_str(),
                       nv::utf16_to_utf8(session.base_url).c_str(),
                       nv::utf16_to_utf8(session.user_id).c_str());
    // Runs while the login window is up too; the base URL is not written again meanwhile.
    nv::StartUpdateCheck(session.base_url);
    nv::app_print_settings() = nv::load_print_settings(p.config_path);
    nv::print_log().open(p.log_path);

    // Held until the process ends, the self-test run included.
    nv::HeldMutex single_instance(L"Local\\Norvane_SingleInstance");
    if (single_instance.already_existed()) {
        ActivateOtherInstance();
        return 0;
    }
    if (nv::has_switch(CommandLineArguments(), u"--selftest")) {
        if (session.user_id.empty())
            session.user_id = u"USER_1700000000000";
        nv::run_selftest_beside_exe(nv::data_caller(session));
        nv::app_log().line("selftest done");
        nv::app_log().close();
        return 0;
    }
    int code = RunInteractive();
    nv::app_log().close();
    return code;
}
