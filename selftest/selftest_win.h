// The self-test as "--selftest" runs it: its lines go to selftest.txt beside the executable.
#pragma once

#include <string_view>

namespace nv {

// Does nothing when selftest.txt cannot be opened.
void run_selftest_beside_exe(std::u16string_view base_url, std::u16string_view user_id);

}  // namespace nv
