#include "print/print_settings.h"

#include <cmath>

#include "base/profile.h"
#include "base/text.h"

namespace nv {

PrintSettings builtin_print_settings() {
    return PrintSettings{};
}

PrintSettings& app_print_settings() {
    static PrintSettings s;
    return s;
}

std::u16string paper_label(const PrintSettings& s) {
    std::u16string label =
        format_fixed_u16(s.width_mm, 1) + u"×" + format_fixed_u16(s.height_mm, 1) + u"mm";
    if (label.size() > 63)
        label.resize(63);
    return label;
}

PrintSettings load_print_settings(std::u16string_view config_path) {
    constexpr std::u16string_view kSection = u"print";
    PrintSettings s = builtin_print_settings();
    const PrintSettings defaults = s;

    std::u16string printer = profile_read(config_path, kSection, u"printer", s.printer_name, 512);
    if (!printer.empty())
        s.printer_name = printer;

    auto read = [&](std::u16string_view key) {
        return profile_read(config_path, kSection, key, u"", 64);
    };
    auto number = [&](std::u16string_view key, double& field) {
        std::u16string text = read(key);
        if (!text.empty())
            field = wcstod_like(text);
    };
    auto integer = [&](std::u16string_view key, int32_t& field) {
        std::u16string text = read(key);
        if (!text.empty())
            field = wcstol_like(text);
    };

    number(u"width_mm", s.width_mm);
    number(u"height_mm", s.height_mm);
    integer(u"port", s.port);
    number(u"margin_left_mm", s.margin_left_mm);
    number(u"margin_right_mm", s.margin_right_mm);
    number(u"margin_top_mm", s.margin_top_mm);
    number(u"margin_bottom_mm", s.margin_bottom_mm);
    number(u"offset_x_mm", s.offset_x_mm);
    number(u"offset_y_mm", s.offset_y_mm);
    number(u"row_mm", s.row_mm);
    number(u"font_scale", s.font_scale);
    integer(u"copies", s.copies);
    int32_t raster = s.raster ? 1 : 0;
    integer(u"raster", raster);
    s.raster = raster != 0;

    auto usable = [](double v) { return std::isfinite(v) && v > 0.0; };
    if (!usable(s.row_mm))
        s.row_mm = defaults.row_mm;
    if (!usable(s.font_scale))
        s.font_scale = defaults.font_scale;
    return s;
}

int rows_per_page(const PrintSettings& s) {
    // Fixed vertical bands of the page: company line, title, header fields, gap; then the
    // table header and the footer.
    double top = s.offset_y_mm + s.margin_top_mm;
    double bottom_limit = s.height_mm - s.margin_bottom_mm + s.offset_y_mm;
    double rows =
        std::floor((bottom_limit - (top + 6.0 + 2.1 + 8.3 + 16.4 + 2.7) - 5.4 - 17.0) / s.row_mm);
    // Truncation to 32 bits; out-of-range or NaN quotients count as no rows.
    int n = (rows >= 1.0 && rows < 2147483648.0) ? static_cast<int>(rows) : 0;
    return n < 1 ? 1 : n;
}

}  // namespace nv
