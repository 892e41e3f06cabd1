#include <windows.h>

#include <vector>

#include "app/profile.h"

namespace nv {

namespace {
std::wstring Wide(std::u16string_view s) {
    return std::wstring(reinterpret_cast<const wchar_t*>(s.data()), s.size());
}
}  // namespace

std::u16string profile_read(std::u16string_view path, std::u16string_view section,
                            std::u16string_view key, std::u16string_view fallback,
                            std::size_t buffer_chars) {
    std::vector<wchar_t> buf(buffer_chars ? buffer_chars : 1, L'\0');
    DWORD n = GetPrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(),
                                       Wide(fallback).c_str(), buf.data(),
                                       static_cast<DWORD>(buf.size()), Wide(path).c_str());
    return std::u16string(reinterpret_cast<const char16_t*>(buf.data()), n);
}

void profile_write(std::u16string_view path, std::u16string_view section, std::u16string_view key,
                   std::u16string_view value) {
    WritePrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(), Wide(value).c_str(),
                               Wide(path).c_str());
}

}  // namespace nv
