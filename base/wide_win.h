// The one crossing between the program's UTF-16 text (std::u16string, the same on Linux and
// Windows) and Win32's wide strings. On Windows both are 16-bit units, so text is reinterpreted
// without copying; only a view, which need not end in a NUL, is copied.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 wide text must be UTF-16");

namespace nv {

inline const wchar_t* as_wide(const std::u16string& s) {
    return reinterpret_cast<const wchar_t*>(s.c_str());
}

inline const wchar_t* as_wide(const char16_t* s) {
    return reinterpret_cast<const wchar_t*>(s);
}

// For the functions that fill a buffer the caller sized.
inline wchar_t* as_wide_buffer(std::u16string& s) {
    return reinterpret_cast<wchar_t*>(s.data());
}

// A NUL-terminated copy of a view.
inline std::wstring wide_copy(std::u16string_view s) {
    return std::wstring(reinterpret_cast<const wchar_t*>(s.data()), s.size());
}

inline std::u16string from_wide(const wchar_t* s) {
    return s ? std::u16string(reinterpret_cast<const char16_t*>(s)) : std::u16string();
}

inline std::u16string from_wide(const wchar_t* s, std::size_t n) {
    return std::u16string(reinterpret_cast<const char16_t*>(s), n);
}

inline std::u16string from_wide(std::wstring_view s) {
    return from_wide(s.data(), s.size());
}

}  // namespace nv
