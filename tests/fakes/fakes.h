// Fakes of the platform seams for the core unit tests (linked instead of the *_win.cpp files).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/clock.h"

namespace nv::fake {

// The time local_now() returns until set again.
void set_local_now(const LocalTime& t);

// An in-memory config.ini: profile_read / profile_write work on it and every read's key is
// recorded in order.
void profile_clear();
void profile_set(std::u16string_view path, std::u16string_view section, std::u16string_view key,
                 std::u16string_view value);
const std::vector<std::u16string>& profile_reads();

}  // namespace nv::fake
