// Opening files by UTF-16 path (the C runtime's _wfopen on Windows).
#pragma once

#include <cstdio>
#include <string_view>

namespace nv {

std::FILE* open_file(std::u16string_view path, const char* mode);

// Creates `path` holding only the UTF-16 little-endian byte-order mark, unless it exists.
// Returns true when it created the file.
bool create_utf16_file(std::u16string_view path);

}  // namespace nv
