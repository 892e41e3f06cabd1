#include "ui/window_win.h"

#include "base/process_win.h"
#include "base/wide_win.h"

namespace nv {

LRESULT CALLBACK WindowProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
        self->wnd_ = wnd;
        SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(wnd, msg, wparam, lparam);
    LRESULT result = self->OnMessage(msg, wparam, lparam);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
        self->wnd_ = nullptr;
    }
    return result;
}

Window::~Window() {
    if (wnd_) {
        SetWindowLongPtrW(wnd_, GWLP_USERDATA, 0);
        DestroyWindow(wnd_);
    }
}

HWND Window::CreateFor(DWORD ex_style, const wchar_t* cls, std::u16string_view title, DWORD style,
                       int x, int y, int width, int height, HWND owner, HMENU menu) {
    return CreateWindowExW(ex_style, cls, wide_copy(title).c_str(), style, x, y, width, height,
                           owner, menu, process().instance, this);
}

LRESULT Window::Default(UINT msg, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcW(wnd_, msg, wparam, lparam);
}

void RegisterWindowClass(const WindowClass& kind) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = kind.style;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = process().instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground =
        kind.background ? kind.background : reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.hIcon = kind.icon;
    wc.hIconSm = kind.small_icon;
    wc.lpszClassName = kind.name;
    RegisterClassExW(&wc);
}

}  // namespace nv
