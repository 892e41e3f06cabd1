// The unattended data-service check behind "--selftest": list, create a recognisable test
// note, read it back, build its print payload, delete it, and try a wrong login. One line per
// step; no step stops the run.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "notes/note_service.h"

namespace nv {

// `write_line` receives each line (without its line feed), at most 2047 characters.
// The calls are made for `who`, with the remembered session's token when there is one.
void run_selftest(const DataCaller& who,
                  const std::function<void(const std::u16string&)>& write_line);

}  // namespace nv
