// Renders the preview of a print payload with the client's own preview renderer and writes one
// page as a 24-bit BMP, so that a test can compare it with what the printer received.
//   render_preview.exe CONFIG.INI PAYLOAD PAGE OUT.BMP      (PAGE counts from 1)
#include <windows.h>

#include <cstdio>
#include <string>

#include "base/files.h"
#include "base/log.h"
#include "base/text.h"
#include "base/wide_win.h"
#include "print/print_settings.h"
#include "print/printer_win.h"
#include "win/tools/bmp_file.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 5)
        return 2;
    nv::app_print_settings() = nv::load_print_settings(nv::from_wide(argv[1]));
    std::string payload;
    if (!nv::read_file(nv::from_wide(argv[2]), 1 << 24, payload))
        return 3;
    nv::PreviewPages pages;
    std::string message;
    if (!nv::RenderPreview(payload, pages, message)) {
        std::fprintf(stderr, "render_preview: %s\n", message.c_str());
        return 1;
    }
    std::size_t page = static_cast<std::size_t>(_wtoi(argv[3]));
    if (page < 1 || page > pages.pages.size())
        return 4;
    DIBSECTION dib{};
    if (GetObjectW(pages.pages[page - 1].get(), sizeof dib, &dib) != sizeof dib)
        return 5;
    std::string bytes = BmpFile(dib.dsBm.bmBits, pages.width, pages.height);
    return nv::replace_file(nv::from_wide(argv[4]), bytes) ? 0 : 6;
}
