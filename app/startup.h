// The decisions of start-up, apart from its Win32 wiring: which switch was given and what
// config.ini holds once it has been loaded and seeded.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "notes/session.h"

namespace nv {

// Whether any argument after the program name is exactly `name`: the whole argument, code unit
// by code unit, so that neither letter case nor an ignorable character such as a soft hyphen
// makes another argument match.
[[nodiscard]] bool has_switch(const std::vector<std::u16string>& args, std::u16string_view name);

// The login session from config.ini, then the defaults pass: the server and the thirteen print
// keys are written with their seeded texts when missing or empty, never over a value.
LoginSession load_config(std::u16string_view ini);

}  // namespace nv
