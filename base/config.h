// config.ini: the settings and the remembered sign-in, read and written key by key through the
// profile-string functions.
#pragma once

#include <string>
#include <string_view>

namespace nv {

// One key; a missing or empty value gives `fallback`. Values are read into a buffer of 2048
// characters with U+0001 as the sentinel default.
std::u16string config_lookup(std::u16string_view path, std::u16string_view section,
                             std::u16string_view key, std::u16string_view fallback);

// Whether the key is missing or empty (what a lookup would replace by its fallback).
bool config_missing(std::u16string_view path, std::u16string_view section, std::u16string_view key);

// One key. Line breaks and other control characters in the value become spaces: a value from
// the service (a company name, say) must never add lines or keys to the file.
void config_write(std::u16string_view path, std::u16string_view section, std::u16string_view key,
                  std::u16string_view value);

// A decimal integer from the leading characters of the value (0 when none).
int config_int(std::u16string_view path, std::u16string_view section, std::u16string_view key,
               std::u16string_view fallback);

// The profile functions keep a file in UTF-16 only when it starts with the UTF-16 byte-order
// mark; in any other file they use the ANSI code page, and a Chinese company or user name
// becomes question marks on a system whose code page is not Chinese. So config.ini is created
// holding just that mark, and a file without it (written by an administrator or an older
// version) is rewritten once as UTF-16LE with the mark, every key and value kept: decoded as
// UTF-8 when it is valid UTF-8 (a UTF-8 mark is dropped), else in the ANSI code page.
enum class ConfigFile { Created, AlreadyUtf16, Converted, Failed };
[[nodiscard]] ConfigFile prepare_config_file(std::u16string_view path);

// The UTF-16LE bytes, with the mark, of an INI file's bytes that lack it.
std::string ini_bytes_as_utf16(std::string_view bytes);

}  // namespace nv
