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

// Two sets of defaults exist on purpose. The built-in values above (the members' initialisers)
// are what a key that is missing or empty at load time leaves in place. The seeded texts below
// are what start-up writes into config.ini for every key that is missing, before the settings
// are loaded; so on a fresh configuration the seeded texts take effect, and an administrator
// sees every key in the file to adjust.
struct SeededPrintKey {
    const char16_t* key;
    const char16_t* text;
};
inline constexpr SeededPrintKey kSeededPrintKeys[] = {
    {u"printer", u"EPSON LQ-735K"},
    {u"width_mm", u"241"},
    {u"height_mm", u"139.5"},
    {u"margin_left_mm", u"8"},
    {u"margin_right_mm", u"8"},
    {u"margin_top_mm", u"5"},
    {u"margin_bottom_mm", u"5"},
    {u"offset_x_mm", u"0"},
    {u"offset_y_mm", u"0"},
    {u"row_mm", u"6.0"},
    {u"font_scale", u"1"},
    {u"copies", u"1"},
    {u"port", u"17801"},
};

// The record with the built-in values.
PrintSettings builtin_print_settings();

// The process-wide record: loaded once at start-up, read-only afterwards; each print or
// preview works on a copy.
PrintSettings& app_print_settings();

// The paper as the status bar and the about box show it: "%.1f×%.1fmm", at most 63 characters.
std::u16string paper_label(const PrintSettings& s);

// Reads section "print" of the INI file at `config_path` over the built-in defaults. A missing
// or empty key keeps its built-in value; a non-empty text is converted as wcstod / wcstol do (so
// "abc" gives 0). A row height or font scale that is not a finite number above zero (0, -1,
// "abc", "inf", "nan") would divide by zero, draw nothing or fill a page with one row, so such
// a value falls back to the built-in value.
PrintSettings load_print_settings(std::u16string_view config_path);

// Item rows that fit on one page of the form, at least 1.
int rows_per_page(const PrintSettings& s);

}  // namespace nv
