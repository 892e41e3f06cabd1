// The print settings a fresh config.ini gives (the seeded texts): margins 8/8/5/5 and a 6.0 mm
// row, 11 rows per page of the 241 x 139.5 mm form.
#pragma once

#include "print/print_settings.h"

namespace nv::fixture {

inline PrintSettings seeded_print_settings() {
    PrintSettings s;
    s.margin_left_mm = s.margin_right_mm = 8;
    s.margin_top_mm = s.margin_bottom_mm = 5;
    s.row_mm = 6.0;
    return s;
}

}  // namespace nv::fixture
