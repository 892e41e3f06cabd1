#include "ui/modal_win.h"

namespace nv {

bool RunModalLoop(const HWND& wnd, const ModalFilter& filter) {
    MSG msg;
    while (wnd) {
        if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            WaitMessage();
            continue;
        }
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        if (filter && filter(msg))
            continue;
        if (wnd && IsDialogMessageW(wnd, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

}  // namespace nv
