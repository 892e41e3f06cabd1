// Files by UTF-16 path (the C runtime's _wfopen and the kernel's file functions on Windows).
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace nv {

std::FILE* open_file(std::u16string_view path, const char* mode);

[[nodiscard]] bool file_exists(std::u16string_view path);

// Creates `path` holding only the UTF-16 little-endian byte-order mark, unless it exists.
// Returns true only when it created the file and wrote the mark.
[[nodiscard]] bool create_utf16_file(std::u16string_view path);

// The whole file, refused (false) when it cannot be read or holds more than `limit` bytes.
[[nodiscard]] bool read_file(std::u16string_view path, std::size_t limit, std::string& bytes);

// Moves a complete file onto `to`, replacing what is there.
[[nodiscard]] bool move_file(std::u16string_view from, std::u16string_view to);

// Writes `bytes` to a temporary file beside `path` and moves it over `path`, so that a reader
// sees either the old or the new content, never a half-written file.
[[nodiscard]] bool replace_file(std::u16string_view path, std::string_view bytes);

}  // namespace nv
