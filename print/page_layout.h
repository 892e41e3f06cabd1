// One page of a delivery note on the dot-matrix form, as a drawing list: every text, rule and
// font in device units, worked out in millimetres from the print settings and the device's
// resolution. The printer, the raster bitmap and the preview all play the same list, so the
// page looks the same in each; the layout itself never touches a device and is tested exactly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "print/payload.h"
#include "print/print_settings.h"

namespace nv {

// The seven fonts of the form page, all of face "宋体"; then the two of the A4 export pages
// (whose sizes the export sets itself).
enum class PageFont : uint8_t {
    Heading,
    Title,
    Fields,
    TableHead,
    TableBody,
    Total,
    Footer,
    A4Body,
    A4Title
};
inline constexpr int kPageFontCount = 7;  // the form page's fonts

// The font's height in device units (negative: a character height, as GDI takes it):
// −MulDiv(trunc(font_scale × size in hundredths of a point), dpi_y, 7200).
int32_t page_font_height(PageFont font, double font_scale, int32_t dpi_y);
// 400 or 700.
int32_t page_font_weight(PageFont font);

// How a text sits in its box; the executor turns these into DrawText flags (never with prefix
// processing).
namespace text_align {
inline constexpr uint32_t kCenter = 1u << 0;      // horizontally centred (else left)
inline constexpr uint32_t kRight = 1u << 1;       // right aligned
inline constexpr uint32_t kVCenter = 1u << 2;     // vertically centred (else top)
inline constexpr uint32_t kBottom = 1u << 3;      // aligned to the bottom
inline constexpr uint32_t kSingleLine = 1u << 4;  // one line, clipped at the box
inline constexpr uint32_t kEllipsis = 1u << 5;    // cut with "…" at the end when too long
inline constexpr uint32_t kWordBreak = 1u << 6;   // wrapped at word breaks
}  // namespace text_align

struct PageRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const PageRect&, const PageRect&) = default;
};

// A text in a box.
struct PageText {
    PageFont font;
    PageRect box;
    std::u16string text;
    uint32_t align;
};

// A text right aligned at (x, top), clipped to `clip` (the date of the header).
struct PageTextAt {
    PageFont font;
    int32_t x;
    int32_t top;
    PageRect clip;
    std::u16string text;
};

// A rule. Before the table the device context's current pen draws it; from the table on, a
// solid black pen one unit wide.
struct PageLine {
    int32_t x1, y1, x2, y2;
    bool table_pen;
};

using PageOp = std::variant<PageText, PageTextAt, PageLine>;

// The device a page is laid out for: its resolution and the working copy of the settings (whose
// width and height the printer set-up may have reduced to the printable area).
struct PageDevice {
    int32_t dpi_x = 300;
    int32_t dpi_y = 300;
    PrintSettings settings;
};

// The one measurement the layout needs: a font's character height in device units.
using CharHeight = std::function<int32_t(PageFont)>;

struct PageLayout {
    std::vector<PageOp> ops;
    std::size_t next_item = 0;  // the item after the last one on this page
};

// Lays out the page that starts with item `first_item`; the footer (remark, signatures, date
// line) only when `last_page`. The running numbers count over the whole note.
PageLayout layout_page(const PageDevice& device, const PrintJob& job, std::size_t first_item,
                       bool last_page, const CharHeight& char_height);

// max(1, ceil(items / rows per page)).
std::size_t page_count(std::size_t items, int rows_per_page);

}  // namespace nv
