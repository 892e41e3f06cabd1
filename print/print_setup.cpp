#include "print/print_setup.h"

#include <algorithm>
#include <cmath>

#include "base/text.h"

namespace nv {

namespace {

int64_t round_mm(double v, double factor) {
    double r = std::round(v * factor);  // halves away from zero, as lround
    return std::isfinite(r) ? static_cast<int64_t>(std::clamp(r, -9.2e18, 9.2e18)) : 0;
}

// Device-mode fields are 16-bit; a paper beyond them is cut to the largest value the field
// holds rather than wrapped into a nonsense size.
int16_t to_short(int64_t v) {
    return static_cast<int16_t>(std::clamp<int64_t>(v, -32768, 32767));
}

int32_t to_int(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

std::u16string custom_form_name(const PrintSettings& s) {
    return u"NV_" + format_int(round_mm(s.width_mm, 10)) + u"x" +
           format_int(round_mm(s.height_mm, 10));
}

DevModeValues devmode_values(const PrintSettings& s, int32_t job_copies) {
    DevModeValues v;
    v.form_name = custom_form_name(s);
    v.paper_width = to_short(round_mm(s.width_mm, 10));
    v.paper_length = to_short(round_mm(s.height_mm, 10));
    int32_t copies = job_copies > 0 ? job_copies : (s.copies > 0 ? s.copies : 1);
    v.copies = to_short(copies);
    v.form_width_um = to_int(round_mm(s.width_mm, 1000));
    v.form_height_um = to_int(round_mm(s.height_mm, 1000));
    return v;
}

PrintSettings reduce_to_printable(const PrintSettings& s, int32_t horzres, int32_t vertres,
                                  int32_t dpi_x, int32_t dpi_y) {
    PrintSettings r = s;
    r.width_mm =
        std::min(r.width_mm, (horzres - 1) * 25.4 / dpi_x + s.margin_right_mm - s.offset_x_mm);
    r.height_mm =
        std::min(r.height_mm, (vertres - 1) * 25.4 / dpi_y + s.margin_bottom_mm - s.offset_y_mm);
    return r;
}

bool printable_area_fits(const PrintSettings& s) {
    bool wide = s.width_mm - s.margin_right_mm > s.offset_x_mm + s.margin_left_mm;
    bool tall =
        s.height_mm - s.margin_bottom_mm + s.offset_y_mm >=
        s.offset_y_mm + s.margin_top_mm + 6.0 + 2.1 + 8.3 + 16.4 + 2.7 + 5.4 + 17.0 + s.row_mm;
    return wide && tall;
}

bool preview_within_limits(std::size_t pages, int32_t horzres, int32_t vertres) {
    constexpr uint64_t kBudget = 0x8000000;  // 128 MiB of page bitmaps
    if (pages > 128)
        return false;
    if (pages == 0)
        return true;
    uint64_t stride = (3 * (static_cast<uint64_t>(horzres) + 1)) / 4 * 4;
    return static_cast<uint64_t>(vertres) * stride <= kBudget / pages;
}

std::u16string preview_info_line(std::u16string_view printer, int32_t horzres, int32_t vertres,
                                 int32_t dpi_x, int32_t dpi_y, bool raster) {
    return std::u16string(printer) + u" · 可打印区域 " +
           format_fixed_u16(horzres * 25.4 / dpi_x, 1) + u" × " +
           format_fixed_u16(vertres * 25.4 / dpi_y, 1) + u" mm · " +
           (raster ? u"位图打印" : u"矢量打印");
}

}  // namespace nv
