// Native stand-ins of the file functions: plain C files under the UTF-8 form of the path.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "base/files.h"
#include "base/text.h"
#include "fakes/fakes.h"

namespace nv {

std::FILE* open_file(std::u16string_view path, const char* mode) {
    return std::fopen(utf16_to_utf8(path).c_str(), mode);
}

bool file_exists(std::u16string_view path) {
    std::FILE* f = open_file(path, "rb");
    if (f)
        std::fclose(f);
    return f != nullptr;
}

bool create_utf16_file(std::u16string_view path) {
    if (file_exists(path))
        return false;
    std::FILE* f = open_file(path, "wb");
    if (!f)
        return false;
    bool ok = std::fputs("\xFF\xFE", f) >= 0;
    return std::fclose(f) == 0 && ok;
}

bool read_file(std::u16string_view path, std::size_t limit, std::string& bytes) {
    std::FILE* f = open_file(path, "rb");
    if (!f)
        return false;
    bytes.clear();
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        if (bytes.size() + n > limit)
            break;
        bytes.append(buf, n);
    }
    bool ok = n == 0 && !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool move_file(std::u16string_view from, std::u16string_view to) {
    std::string target = utf16_to_utf8(to);
    std::remove(target.c_str());  // as the Windows runtime's rename, which does not replace
    return std::rename(utf16_to_utf8(from).c_str(), target.c_str()) == 0;
}

bool replace_file(std::u16string_view path, std::string_view bytes) {
    std::string target = utf16_to_utf8(path);
    std::string temp = target + ".tmp";
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    // The Windows runtime's rename does not replace an existing file.
    std::remove(target.c_str());
    if (!ok || std::rename(temp.c_str(), target.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

namespace fake {

std::string temp_path(std::string_view name) {
    // The start time of the run tells runs apart, so that two at once do not share files.
    static const std::string run =
        std::to_string(std::chrono::steady_clock::now().time_since_epoch().count() % 1000000007);
    return (std::filesystem::temp_directory_path() / ("norvane-" + run + "-" + std::string(name)))
        .string();
}

}  // namespace fake

}  // namespace nv
