// Print settings: paper, margins, calibration offsets, row height, font scale, copies and
// rendering mode, read once at start-up from section "print" of config.ini; and rows per page,
// which the page layout, the print job and the preview all derive from them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace nv {

struct PrintSettings {
    std::u16string printer_name = u"EPSON LQ-735K";
    double width_mm = 241.0;
    double height_mm = 139.5;
    int32_t port = 17801;  // kept with the settings; nothing prints through it
    double margin_left_mm = 5.0;
    double margin_right_mm = 5.0;
    double margin_top_mm = 4.0;
    double margin_bottom_mm = 3.0;
    double offset_x_mm = 0.0;  // calibration: positive moves the print right
    double offset_y_mm = 0.0;  // calibration: positive moves the print down
    double row_mm = 8.5;       // height of one item row
    double font_scale = 1.0;
    int32_t copies = 1;
    bool raster = true;  // one bitmap per page; false draws straight on the printer
};

// The built-in defaults.
PrintSettings default_print_settings();

// Reads section "print" of the INI file at `config_path` over the built-in defaults. A missing
// or empty key keeps its default; a non-empty text is converted as wcstod / wcstol do (so "abc"
// gives 0). A row height or font scale of zero or below (or no number at all) would divide by
// zero or draw nothing, so such a value falls back to the built-in default.
PrintSettings load_print_settings(std::u16string_view config_path);

// Item rows that fit on one page of the form, at least 1.
int rows_per_page(const PrintSettings& s);

}  // namespace nv
