#include "update/updater_win.h"

#include <atomic>
#include <optional>
#include <thread>

#include "base/handles_win.h"
#include "base/log.h"
#include "base/process_win.h"
#include "base/text.h"
#include "base/wide_win.h"
#include "update/updater.h"

namespace nv {

namespace {

std::optional<std::u16string> PublicFolderVariable() {
    DWORD needed = GetEnvironmentVariableW(L"PUBLIC", nullptr, 0);
    if (needed == 0)
        return std::nullopt;
    std::u16string value(needed, u'\0');
    DWORD n = GetEnvironmentVariableW(L"PUBLIC", as_wide_buffer(value), needed);
    value.resize(n < needed ? n : 0);
    return value;
}

}  // namespace

void StartUpdateCheck(const std::u16string& base_url) {
    static std::atomic<int> started{0};
    int expected = 0;
    if (!started.compare_exchange_strong(expected, 1))
        return;
    try {
        std::thread([base_url, folder = PublicFolderVariable()] {
            run_update_check(base_url, folder, [] {
                if (HWND main = process().main_window.load())
                    PostMessageW(main, kUpdateReadyMessage, 0, 0);
            });
        }).detach();
    } catch (const std::system_error&) {
        app_log().line("updater: thread start failed");
    }
}

void RunExitInstall() {
    std::optional<std::u16string> command = exit_install_command();
    if (!command)
        return;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info{};
    std::u16string line = *command;  // CreateProcessW may write into the command line
    if (!CreateProcessW(nullptr, as_wide_buffer(line), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &info)) {
        app_log().line("updater: exit-install spawn failed %lu", GetLastError());
        return;
    }
    UniqueHandle process_handle(info.hProcess);  // not waited for
    UniqueHandle thread_handle(info.hThread);
    app_log().line("updater: exit-install spawned for %s",
                   utf16_to_utf8(pending_update().version).c_str());
}

}  // namespace nv
