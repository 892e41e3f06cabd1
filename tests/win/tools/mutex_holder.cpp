// Stands in for a running client in the single-instance test: holds the mutex of the client,
// shows a minimised top-level window of the main window's class, and records whether a second
// instance restored it. Writes "ready" to argv[1] once it holds the mutex, then "restored" or
// "timeout" to argv[2].
#include <windows.h>

#include <cstdio>

#include "base/handles_win.h"

namespace {

void WriteFile(const wchar_t* path, const char* text) {
    if (FILE* f = _wfopen(path, L"wb")) {
        std::fputs(text, f);
        std::fclose(f);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3)
        return 2;
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"NorvaneMainWnd";
    RegisterClassW(&wc);
    HWND wnd = CreateWindowW(L"NorvaneMainWnd", L"holder", WS_OVERLAPPEDWINDOW, 10, 10, 300, 200,
                             nullptr, nullptr, wc.hInstance, nullptr);
    ShowWindow(wnd, SW_SHOWMINIMIZED);
    nv::HeldMutex mutex(L"Local\\Norvane_SingleInstance");
    if (mutex.already_existed())
        return 3;
    WriteFile(argv[1], "ready");
    const char* result = "timeout";
    for (int i = 0; i < 400; ++i) {  // up to 20 s
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (!IsIconic(wnd)) {
            result = "restored";
            break;
        }
        Sleep(50);
    }
    WriteFile(argv[2], result);
    DestroyWindow(wnd);
    return 0;
}
