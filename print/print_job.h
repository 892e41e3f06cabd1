// The printer set-up and the print job, over a thin layer of spooler and GDI calls. The steps,
// messages, log lines and failure paths live here, in portable code: natively they are tested
// with a scripted spooler, on Windows the layer is the real one (printer_win.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "print/payload.h"
#include "print/print_settings.h"
#include "print/print_setup.h"

namespace nv {

// Opaque handles of the layer (a printer handle, a device context); 0 is none.
using SpoolHandle = uintptr_t;

struct DeviceCaps {
    int32_t dpi_x = 0, dpi_y = 0;      // LOGPIXELSX, LOGPIXELSY
    int32_t horzres = 0, vertres = 0;  // printable area in dots
    int32_t physical_width = 0, physical_height = 0;
    int32_t offset_x = 0, offset_y = 0;
};

// What the job asks of the spooler and GDI. Every function reports failure as the Win32 calls
// do (0, a non-positive result, false); last_error() is GetLastError.
struct Spooler {
    std::function<SpoolHandle(std::u16string_view printer)> open_printer;
    std::function<void(SpoolHandle printer)> close_printer;
    // DocumentProperties with no buffers: the size of the device mode.
    std::function<int32_t(SpoolHandle printer, std::u16string_view name)> devmode_size;
    // The default device mode into `devmode` (sized by the caller); true on IDOK.
    std::function<bool(SpoolHandle printer, std::u16string_view name, std::string& devmode)>
        read_devmode;
    // Deletes any form of that name, then adds it; false when adding failed.
    std::function<bool(SpoolHandle printer, const DevModeValues& v)> install_form;
    // Applies the values to `devmode` and lets the driver validate it; returns the validation
    // result and the paper width and length the buffer then holds.
    struct Validated {
        int32_t result = 0;
        int32_t paper_width = 0, paper_length = 0;
    };
    std::function<Validated(SpoolHandle printer, std::u16string_view name, std::string& devmode,
                            const DevModeValues& v)>
        apply_devmode;
    std::function<SpoolHandle(std::u16string_view name, const std::string& devmode)> create_dc;
    std::function<void(SpoolHandle dc)> delete_dc;
    std::function<DeviceCaps(SpoolHandle dc)> caps;
    std::function<int32_t(SpoolHandle dc, std::u16string_view document)> start_doc;
    std::function<int32_t(SpoolHandle dc)> start_page;
    std::function<int32_t(SpoolHandle dc)> end_page;
    std::function<int32_t(SpoolHandle dc)> end_doc;
    std::function<void(SpoolHandle dc)> abort_doc;
    // Draws one page (Part of the layout) on the printer, straight or through a bitmap of the
    // printable area; false when the bitmap or its transfer failed. `next` receives the item
    // after the last one drawn.
    std::function<bool(SpoolHandle dc, const PrintSettings& working, const DeviceCaps& caps,
                       const PrintJob& job, std::size_t first, bool last, bool raster,
                       std::size_t& next)>
        render_page;
    std::function<uint32_t()> last_error;
    // The size of the device-mode structure whose form name and paper fields the job writes
    // (sizeof(DEVMODEW)): a driver reporting a smaller buffer is refused.
    int32_t devmode_min_size = 0;
};

// An open printer and its device context, closed by the layer when the owner ends.
class PrinterSession {
public:
    explicit PrinterSession(const Spooler& spooler) : spooler_(&spooler) {}
    ~PrinterSession() { close(); }
    PrinterSession(const PrinterSession&) = delete;
    PrinterSession& operator=(const PrinterSession&) = delete;
    void close();

    SpoolHandle printer = 0;
    SpoolHandle dc = 0;
    DeviceCaps caps;
    PrintSettings working;  // the settings reduced to the printable area

private:
    const Spooler* spooler_;
};

struct [[nodiscard]] PrintResult {
    bool ok = false;
    int32_t pages = 0;
    std::string message;  // UTF-8
};

// Opens the configured printer, installs the form, prepares the device mode, creates the
// device context and checks the printable area. On failure the session is closed and the
// message says why.
[[nodiscard]] bool printer_setup(const Spooler& spooler, const PrintSettings& settings,
                                 int32_t job_copies, PrinterSession& session, std::string& message);

// Every page of the job, raster or vector as the settings say.
PrintResult print_job(const Spooler& spooler, const PrintJob& job, const PrintSettings& settings);

// Reads the payload, refuses an empty one, prints it with `settings` and logs the two lines.
PrintResult native_print(const Spooler& spooler, std::string_view payload,
                         const PrintSettings& settings);

}  // namespace nv
