// The profile-string functions of config.ini, as the core sees them. On Windows these are
// GetPrivateProfileStringW / WritePrivateProfileStringW (profile_win.cpp); native tests link an
// in-memory fake.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace nv {

// Reads `key` of `section` from the INI file at `path`. Returns `fallback` when the key is
// missing, else its value; either is cut to `buffer_chars` − 1 characters, as the system
// function does with a buffer of that size.
std::u16string profile_read(std::u16string_view path, std::u16string_view section,
                            std::u16string_view key, std::u16string_view fallback,
                            std::size_t buffer_chars);

// Writes one key. The result of the write is not checked by any caller.
void profile_write(std::u16string_view path, std::u16string_view section, std::u16string_view key,
                   std::u16string_view value);

}  // namespace nv
