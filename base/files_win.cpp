#include <windows.h>

#include <string>

#include "base/files.h"
#include "base/handles_win.h"
#include "base/wide_win.h"

namespace nv {

std::FILE* open_file(std::u16string_view path, const char* mode) {
    std::wstring wmode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(wide_copy(path).c_str(), wmode.c_str());
}

bool file_exists(std::u16string_view path) {
    DWORD attr = GetFileAttributesW(wide_copy(path).c_str());
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool create_utf16_file(std::u16string_view path) {
    UniqueHandle f(CreateFileW(wide_copy(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f)
        return false;
    static const unsigned char kBom[] = {0xFF, 0xFE};
    DWORD written = 0;
    return WriteFile(f.get(), kBom, sizeof kBom, &written, nullptr) && written == sizeof kBom;
}

bool read_file(std::u16string_view path, std::size_t limit, std::string& bytes) {
    UniqueHandle f(CreateFileW(wide_copy(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f)
        return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(f.get(), &size) || size.QuadPart < 0 ||
        static_cast<unsigned long long>(size.QuadPart) > limit)
        return false;
    bytes.assign(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() &&
        (!ReadFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
         read != bytes.size()))
        return false;
    return true;
}

bool move_file(std::u16string_view from, std::u16string_view to) {
    return MoveFileExW(wide_copy(from).c_str(), wide_copy(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool replace_file(std::u16string_view path, std::string_view bytes) {
    std::wstring target = wide_copy(path);
    std::wstring temp = target + L".tmp";
    {
        UniqueHandle f(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!f)
            return false;
        DWORD written = 0;
        if (!WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                       nullptr) ||
            written != bytes.size() || !FlushFileBuffers(f.get())) {
            f.reset();
            DeleteFileW(temp.c_str());
            return false;
        }
    }
    if (!MoveFileExW(temp.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace nv
