// The unattended data-service check behind "--selftest": list, create a recognisable test
// note, read it back, build its print payload, delete it, and try a wrong login. One line per
// step; no step stops the run.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace nv {

// `write_line` receives each line (without its line feed), at most 2047 characters.
void run_selftest(std::u16string_view base_url, std::u16string_view user_id,
                  const std::function<void(const std::u16string&)>& write_line);

}  // namespace nv
