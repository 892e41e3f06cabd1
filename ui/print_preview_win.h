// The print preview and the print command: nothing is printed without a preview.
#pragma once

#include <windows.h>

#include <string_view>

#include "notes/records.h"

namespace nv {

LRESULT CALLBACK WndProcPreview(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam);

// Modal; true when the user pressed "确认打印". A preview that cannot be rendered shows
// "打印预览失败" and returns false.
[[nodiscard]] bool RunPreviewWindow(std::string_view payload);

// Refreshes the company name, previews the note and prints it when confirmed; the outcome goes
// to the main window's status bar. True when the note was sent to the printer.
[[nodiscard]] bool RunPrintCommand(const DeliveryNote& note);

}  // namespace nv
