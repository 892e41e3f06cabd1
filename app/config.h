// config.ini: the settings and the remembered sign-in, read and written key by key through the
// profile-string functions.
#pragma once

#include <string>
#include <string_view>

#include "app/app_state.h"

namespace nv {

// Our choice of the built-in data-service address; config.ini's app/server overrides it.
inline constexpr char16_t kDefaultServer[] = u"https://data.norvane.cn";

// One key; a missing or empty value gives `fallback`. Values are read into a buffer of 2048
// characters with U+0001 as the sentinel default.
std::u16string config_lookup(std::u16string_view path, std::u16string_view section,
                             std::u16string_view key, std::u16string_view fallback);
void config_write(std::u16string_view path, std::u16string_view section, std::u16string_view key,
                  std::u16string_view value);

// The login session from config.ini, then the defaults pass: the server and the thirteen print
// keys are written back when missing or empty. Existing values are never overwritten.
LoginSession config_load(std::u16string_view path);

// A decimal integer from the leading characters of a window-placement value (0 when none).
int config_int(std::u16string_view path, std::u16string_view section, std::u16string_view key,
               std::u16string_view fallback);

}  // namespace nv
