// Fakes of the platform seams for the core unit tests (linked instead of the *_win.cpp files).
#pragma once

#include "app/clock.h"

namespace nv::fake {

// The time local_now() returns until set again.
void set_local_now(const LocalTime& t);

}  // namespace nv::fake
