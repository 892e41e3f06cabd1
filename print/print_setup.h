// The arithmetic of the printer set-up and the preview, apart from the spooler calls: the
// custom form, the device-mode values, the printable area and the preview's limits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "print/print_settings.h"

namespace nv {

// "NV_" + lround(width × 10) + "x" + lround(height × 10), e.g. NV_2410x1395.
std::u16string custom_form_name(const PrintSettings& s);

// The values written into the printer's default device mode.
struct DevModeValues {
    static constexpr uint32_t kFieldsAdded = 0x1010F;  // orientation, paper size/length/width,
                                                       // copies, form name
    static constexpr int16_t kPaperUser = 256;
    static constexpr int16_t kPortrait = 1;
    std::u16string form_name;
    int16_t paper_width = 0;   // tenths of a millimetre
    int16_t paper_length = 0;  // tenths of a millimetre
    int16_t copies = 1;
    // The custom form in thousandths of a millimetre.
    int32_t form_width_um = 0;
    int32_t form_height_um = 0;
};

// The job's copy count when above 0, else the settings' when above 0, else 1.
DevModeValues devmode_values(const PrintSettings& s, int32_t job_copies);

// The working copy reduced to what the device can print: width and height shrink so that the
// right and bottom content edges land on the last printable column and row.
PrintSettings reduce_to_printable(const PrintSettings& s, int32_t horzres, int32_t vertres,
                                  int32_t dpi_x, int32_t dpi_y);

// Whether a page (the fixed bands and one item row) fits the reduced working copy.
[[nodiscard]] bool printable_area_fits(const PrintSettings& s);

// At most 128 pages and 128 MiB of 24-bit page bitmaps in all.
[[nodiscard]] bool preview_within_limits(std::size_t pages, int32_t horzres, int32_t vertres);

// printer + " · 可打印区域 %.1f × %.1f mm · " + "位图打印" or "矢量打印".
std::u16string preview_info_line(std::u16string_view printer, int32_t horzres, int32_t vertres,
                                 int32_t dpi_x, int32_t dpi_y, bool raster);

}  // namespace nv
