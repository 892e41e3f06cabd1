// The export commands of the main window: the selected note as an A4 PDF or Word document.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "notes/records.h"
#include "ui/ui_win.h"

namespace nv {

// What a save dialog offers: its file type filter, the extension it adds and its title.
struct SaveKind {
    const wchar_t* filter;
    const wchar_t* extension;
    const wchar_t* title;
};

// The save dialog of every export, with `proposed` as the name; empty when it was cancelled.
std::u16string AskForSavePath(HWND owner, std::u16string_view proposed, const SaveKind& kind);

// The company a document carries: the service's name when it answers, else the stored one
// (the wait cursor shows meanwhile).
std::u16string DocumentCompany();

// `note` is the selected note, or null when none is selected. Boxes tell the user what went
// wrong; a written export is also reported to `report`.
void RunExportCommand(const DeliveryNote* note, bool pdf, const StatusSink& report);

// 导出 Excel（当前列表）: the notes the list shows now as a workbook; an empty list says so and
// writes nothing.
void RunExcelExportCommand(const std::vector<DeliveryNote>& notes, const StatusSink& report);

}  // namespace nv
