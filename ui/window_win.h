// A window object bound to its HWND: the object's address rides in GWLP_USERDATA from
// WM_NCCREATE on, and every message after that goes to its member handler. Each window keeps
// its state in its object; nothing about a window lives at file scope.
#pragma once

#include <windows.h>

#include <string_view>

namespace nv {

class Window {
public:
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND hwnd() const { return wnd_; }

protected:
    Window() = default;
    // A window still open is destroyed without its handler: the derived part is gone.
    virtual ~Window();

    // Creates this object's window; `cls` was registered with RegisterWindowClass.
    HWND CreateFor(DWORD ex_style, const wchar_t* cls, std::u16string_view title, DWORD style,
                   int x, int y, int width, int height, HWND owner, HMENU menu = nullptr);
    // Messages it does not take go to DefWindowProc.
    virtual LRESULT OnMessage(UINT msg, WPARAM wparam, LPARAM lparam) = 0;
    LRESULT Default(UINT msg, WPARAM wparam, LPARAM lparam);
    // Null from the window's last message on: a modal loop runs while it is set.
    const HWND& live() const { return wnd_; }

private:
    friend LRESULT CALLBACK WindowProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam);
    HWND wnd_ = nullptr;
};

// The class of a kind of window, registered by the file of that window before it first makes
// one (a second registration is harmless).
struct WindowClass {
    const wchar_t* name = nullptr;
    HBRUSH background = nullptr;  // null: the system window colour
    HICON icon = nullptr;
    HICON small_icon = nullptr;
    UINT style = 0;
};
void RegisterWindowClass(const WindowClass& kind);

}  // namespace nv
