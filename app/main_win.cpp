// Entry point of norvane.exe.
#include <windows.h>
#include <shellapi.h>

#include "finance/money.h"

namespace {

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

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // The money checks run before anything else and leave no trace: no folder, log or config.
    if (HasSwitch(L"--finance-selftest")) return nv::finance_selftest() ? 0 : 1;

    // The interactive client arrives with the shell issues; until then a plain run ends here.
    (void)instance;
    return 0;
}
