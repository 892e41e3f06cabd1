#include <windows.h>

#include <string>

#include "app/files.h"

namespace nv {

std::FILE* open_file(std::u16string_view path, const char* mode) {
    std::wstring wpath(reinterpret_cast<const wchar_t*>(path.data()), path.size());
    std::wstring wmode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(wpath.c_str(), wmode.c_str());
}

bool create_utf16_file(std::u16string_view path) {
    std::wstring wpath(reinterpret_cast<const wchar_t*>(path.data()), path.size());
    HANDLE f = CreateFileW(wpath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    static const unsigned char kBom[] = {0xFF, 0xFE};
    DWORD written = 0;
    WriteFile(f, kBom, sizeof kBom, &written, nullptr);
    CloseHandle(f);
    return true;
}

}  // namespace nv
