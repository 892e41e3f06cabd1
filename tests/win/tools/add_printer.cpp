// Adds the printer "EPSON LQ-735K" (or argv[1]) to the Wine prefix on the CUPS queue argv[2]:
// the driver of the queue's own Wine printer, the port "|lp -s -d QUEUE" and the WinPrint
// processor. Wine names its printers after CUPS queues, which cannot hold a space, so the
// client's default printer name needs a printer of its own. Exit 0 when it exists afterwards.
#include <windows.h>

#include <winspool.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/handles_win.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 3)
        return 2;
    std::wstring name = argv[1], queue = argv[2];
    HANDLE raw = nullptr;
    if (OpenPrinterW(name.data(), &raw, nullptr)) {
        nv::UniquePrinter existing(raw);
        return 0;
    }
    if (!OpenPrinterW(queue.data(), &raw, nullptr)) {
        std::fprintf(stderr, "add_printer: no printer for the queue (%lu)\n", GetLastError());
        return 1;
    }
    nv::UniquePrinter q(raw);
    DWORD needed = 0;
    GetPrinterW(q.get(), 2, nullptr, 0, &needed);
    std::vector<BYTE> buf(needed ? needed : 1);
    if (!GetPrinterW(q.get(), 2, buf.data(), needed, &needed))
        return 1;
    auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buf.data());
    std::wstring port = L"|lp -s -d " + queue;
    PRINTER_INFO_2W add{};
    add.pPrinterName = name.data();
    add.pPortName = port.data();
    add.pDriverName = info->pDriverName;
    add.pPrintProcessor = const_cast<wchar_t*>(L"WinPrint");
    add.pDatatype = const_cast<wchar_t*>(L"RAW");
    add.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    nv::UniquePrinter added(AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&add)));
    if (!added) {
        std::fprintf(stderr, "add_printer: AddPrinterW failed (%lu)\n", GetLastError());
        return 1;
    }
    return 0;
}
