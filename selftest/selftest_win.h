// The self-test as "--selftest" runs it: its lines go to selftest.txt beside the executable.
#pragma once

#include <string_view>

#include "notes/note_service.h"

namespace nv {

// Does nothing when selftest.txt cannot be opened.
void run_selftest_beside_exe(const DataCaller& who);

}  // namespace nv
