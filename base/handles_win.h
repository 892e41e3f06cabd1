// Owners of Win32 resources. Each type releases what it holds exactly once, on every path out
// of the scope that opened it, so no caller writes a cleanup ladder and nothing is released by
// hand. Printing, the preview and the export open several of these per page; a failure half
// way through must leave no DC, font or printer handle behind.
#pragma once

#include <windows.h>

#include <objbase.h>
#include <winspool.h>

#include <utility>

namespace nv {

// A movable owner for any handle type described by Traits:
//   using type = ...; static type invalid(); static bool valid(type); static void close(type);
template <typename Traits>
class Owned {
public:
    using type = typename Traits::type;

    Owned() = default;
    explicit Owned(type h) : h_(h) {}
    ~Owned() { reset(); }
    Owned(Owned&& other) noexcept : h_(other.release()) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    [[nodiscard]] type get() const { return h_; }
    explicit operator bool() const { return Traits::valid(h_); }
    [[nodiscard]] type release() { return std::exchange(h_, Traits::invalid()); }
    void reset(type h = Traits::invalid()) {
        if (Traits::valid(h_))
            Traits::close(h_);
        h_ = h;
    }

private:
    type h_ = Traits::invalid();
};

struct KernelHandleTraits {
    using type = HANDLE;
    static type invalid() { return nullptr; }
    // CreateFileW reports failure as INVALID_HANDLE_VALUE, most others as null.
    static bool valid(type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(type h) { CloseHandle(h); }
};
using UniqueHandle = Owned<KernelHandleTraits>;

template <typename T>
struct GdiObjectTraits {
    using type = T;
    static type invalid() { return nullptr; }
    static bool valid(type h) { return h != nullptr; }
    static void close(type h) { DeleteObject(h); }
};
using UniqueFont = Owned<GdiObjectTraits<HFONT>>;
using UniquePen = Owned<GdiObjectTraits<HPEN>>;
using UniqueBrush = Owned<GdiObjectTraits<HBRUSH>>;
using UniqueBitmap = Owned<GdiObjectTraits<HBITMAP>>;

// A DC from CreateDCW or CreateCompatibleDC (printer, memory); window DCs are WindowDc.
struct CreatedDcTraits {
    using type = HDC;
    static type invalid() { return nullptr; }
    static bool valid(type h) { return h != nullptr; }
    static void close(type h) { DeleteDC(h); }
};
using UniqueDc = Owned<CreatedDcTraits>;

struct PrinterTraits {
    using type = HANDLE;
    static type invalid() { return nullptr; }
    static bool valid(type h) { return h != nullptr; }
    static void close(type h) { ClosePrinter(h); }
};
using UniquePrinter = Owned<PrinterTraits>;

struct MenuTraits {
    using type = HMENU;
    static type invalid() { return nullptr; }
    static bool valid(type h) { return h != nullptr; }
    static void close(type h) { DestroyMenu(h); }
};
using UniqueMenu = Owned<MenuTraits>;

// Memory the system allocated with LocalAlloc (CommandLineToArgvW, FormatMessageW).
template <typename T>
struct LocalTraits {
    using type = T;
    static type invalid() { return nullptr; }
    static bool valid(type h) { return h != nullptr; }
    static void close(type h) { LocalFree(reinterpret_cast<HLOCAL>(h)); }
};

// Memory the system allocated with CoTaskMemAlloc (SHGetKnownFolderPath).
template <typename T>
struct CoTaskMemTraits {
    using type = T;
    static type invalid() { return nullptr; }
    static bool valid(type h) { return h != nullptr; }
    static void close(type h) { CoTaskMemFree(h); }
};

// GetDC / ReleaseDC of a window (null: the screen).
class WindowDc {
public:
    explicit WindowDc(HWND wnd) : wnd_(wnd), dc_(GetDC(wnd)) {}
    ~WindowDc() {
        if (dc_)
            ReleaseDC(wnd_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    [[nodiscard]] HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND wnd_;
    HDC dc_;
};

// BeginPaint / EndPaint of WM_PAINT.
class PaintDc {
public:
    explicit PaintDc(HWND wnd) : wnd_(wnd), dc_(BeginPaint(wnd, &ps_)) {}
    ~PaintDc() { EndPaint(wnd_, &ps_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    [[nodiscard]] HDC get() const { return dc_; }
    [[nodiscard]] const PAINTSTRUCT& paint() const { return ps_; }

private:
    HWND wnd_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// Selects an object into a DC and puts the previous one back when the scope ends, so that the
// object can be deleted afterwards (a selected object is never freed).
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object)
        : dc_(dc), old_(dc && object ? SelectObject(dc, object) : nullptr) {}
    ~SelectGuard() {
        if (old_ && old_ != HGDI_ERROR)
            SelectObject(dc_, old_);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A named mutex taken at creation and released, then closed, at the end of the scope.
class HeldMutex {
public:
    HeldMutex() = default;
    explicit HeldMutex(const wchar_t* name)
        : handle_(CreateMutexW(nullptr, TRUE, name)),
          already_existed_(handle_ && GetLastError() == ERROR_ALREADY_EXISTS) {}
    ~HeldMutex() {
        if (handle_ && !already_existed_)
            ReleaseMutex(handle_.get());
    }
    HeldMutex(const HeldMutex&) = delete;
    HeldMutex& operator=(const HeldMutex&) = delete;
    // Another process created it first (this one then does not own it).
    [[nodiscard]] bool already_existed() const { return already_existed_; }

private:
    UniqueHandle handle_;
    bool already_existed_ = false;
};

// COM for this thread, as long as the scope lasts.
class ComApartment {
public:
    ComApartment() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComApartment() {
        if (ok_)
            CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool ok_;
};

}  // namespace nv
