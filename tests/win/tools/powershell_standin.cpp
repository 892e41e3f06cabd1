// Stands in for powershell.exe in the updater's end-to-end test: records the command line it
// was started with (UTF-8, one line per start) in powershell-command.txt beside itself, and
// installs nothing. Built into a folder of its own, which the test makes the client's current
// folder, so that it is found before the system's PowerShell.
#include <windows.h>

#include <cstdio>
#include <string>

int wmain() {
    wchar_t self[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, n);
    path = path.substr(0, path.find_last_of(L'\\') + 1) + L"powershell-command.txt";
    const wchar_t* line = GetCommandLineW();
    int bytes = WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8.data(), bytes, nullptr, nullptr);
    utf8.resize(utf8.size() - 1);  // the terminator
    FILE* f = _wfopen(path.c_str(), L"ab");
    if (!f)
        return 2;
    std::fprintf(f, "%s\n", utf8.c_str());
    std::fclose(f);
    return 0;
}
