// Plays a page's drawing list onto any device context: the printer, a raster bitmap or a
// preview bitmap, all at the printer's resolution.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <vector>

#include "base/handles_win.h"
#include "print/page_layout.h"

namespace nv {

// A white-to-be 24-bit top-down DIB section of `width` × `height`, compatible with `dc`, its
// pixel rows (blue, green, red; each padded to 4 bytes) at *bits. Null when it cannot be made.
UniqueBitmap MakePageBitmap(HDC dc, int width, int height, void** bits);

// Rows of such a bitmap are this many bytes apart.
constexpr int PageBitmapStride(int width) {
    return (width * 3 + 3) & ~3;
}

// Plays a drawing list on `dc` with the fonts `font` hands out; rules of the table are drawn
// with `table_pen`, the others with the device context's current pen. The caller restores the
// device context's font and pen.
void DrawOps(HDC dc, const std::vector<PageOp>& ops, const std::function<HFONT(PageFont)>& font,
             HPEN table_pen);

// Makes the page font of one kind at a height in device pixels; null when it cannot be made.
using PageFontMaker = std::function<HFONT(PageFont font, int height)>;
HFONT MakePageFont(PageFont font, int height);  // 宋体 at the kind's weight

// Lays out the page for `device` (measuring with `dc`) and draws it on `dc`; returns the
// index of the item after the last one drawn. Every font and pen made here is freed, and the
// device context's previous font and pen are selected back, also when a font could not be made.
std::size_t RenderPage(HDC dc, const PageDevice& device, const PrintJob& job,
                       std::size_t first_item, bool last_page,
                       const PageFontMaker& make_font = MakePageFont);

}  // namespace nv
