// The print preview and the print command: nothing is printed without a preview.
#pragma once

#include <windows.h>

#include <string_view>

#include "notes/records.h"
#include "ui/ui_win.h"

namespace nv {

// Modal; true when the user pressed "确认打印". A preview that cannot be rendered shows
// "打印预览失败" and returns false.
[[nodiscard]] bool RunPreviewWindow(std::string_view payload);

// Refreshes the company name, previews the note and prints it when confirmed; `report` gets
// what happened (cancelled, sent, failed). True when the note was sent to the printer.
[[nodiscard]] bool RunPrintCommand(const DeliveryNote& note, const StatusSink& report);

}  // namespace nv
