#include <cstdio>
#include <string>

#include "app/files.h"
#include "app/text.h"

namespace nv {

std::FILE* open_file(std::u16string_view path, const char* mode) {
    return std::fopen(utf16_to_utf8(path).c_str(), mode);
}

bool create_utf16_file(std::u16string_view path) {
    std::string p = utf16_to_utf8(path);
    if (std::FILE* f = std::fopen(p.c_str(), "rb")) {
        std::fclose(f);
        return false;
    }
    std::FILE* f = std::fopen(p.c_str(), "wb");
    if (!f) return false;
    std::fputs("\xFF\xFE", f);
    std::fclose(f);
    return true;
}

}  // namespace nv
