#include <windows.h>

#include <vector>

#include "base/profile.h"
#include "base/wide_win.h"

namespace nv {

std::u16string profile_read(std::u16string_view path, std::u16string_view section,
                            std::u16string_view key, std::u16string_view fallback,
                            std::size_t buffer_chars) {
    std::vector<wchar_t> buf(buffer_chars ? buffer_chars : 1, L'\0');
    DWORD n = GetPrivateProfileStringW(wide_copy(section).c_str(), wide_copy(key).c_str(),
                                       wide_copy(fallback).c_str(), buf.data(),
                                       static_cast<DWORD>(buf.size()), wide_copy(path).c_str());
    return from_wide(buf.data(), n);
}

void profile_write(std::u16string_view path, std::u16string_view section, std::u16string_view key,
                   std::u16string_view value) {
    WritePrivateProfileStringW(wide_copy(section).c_str(), wide_copy(key).c_str(),
                               wide_copy(value).c_str(), wide_copy(path).c_str());
}

}  // namespace nv
