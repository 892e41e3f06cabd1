// The spooler layer on Windows, the preview's page bitmaps, and native print with the real
// spooler.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "base/handles_win.h"
#include "print/print_job.h"

namespace nv {

// The spooler and GDI calls the print job makes.
const Spooler& WindowsSpooler();

// Draws one page into a white 24-bit top-down bitmap of the printable area, made compatible
// with `printer_dc`. Null when the memory context or the bitmap cannot be made.
UniqueBitmap RenderPageBitmap(HDC printer_dc, const PrintSettings& working, const DeviceCaps& caps,
                              const PrintJob& job, std::size_t first, bool last, std::size_t& next);

struct PreviewPages {
    std::vector<UniqueBitmap> pages;
    int32_t width = 0, height = 0;  // HORZRES × VERTRES of every page
    std::u16string info;            // the info line above the page
};

// Every page as the printer will receive it, rendered with the printer's own device context,
// resolution and printable area. False with the message (UTF-8) when the printer cannot be set
// up, the note has too many pages for the preview, or a bitmap cannot be made.
[[nodiscard]] bool RenderPreview(std::string_view payload, PreviewPages& out, std::string& message);

}  // namespace nv
