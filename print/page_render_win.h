// Plays a page's drawing list onto any device context: the printer, a raster bitmap or a
// preview bitmap, all at the printer's resolution.
#pragma once

#include <windows.h>

#include <cstddef>

#include "print/page_layout.h"

namespace nv {

// Lays out the page for `device` (measuring with `dc`) and draws it on `dc`; returns the
// index of the item after the last one drawn. Every font and pen made here is freed, and the
// device context's previous font and pen are selected back.
std::size_t RenderPage(HDC dc, const PageDevice& device, const PrintJob& job,
                       std::size_t first_item, bool last_page);

}  // namespace nv
