// The export commands of the main window: the selected note as an A4 PDF or Word document.
#pragma once

#include <vector>

#include "notes/records.h"
#include "ui/ui_win.h"

namespace nv {

// `note` is the selected note, or null when none is selected. Boxes tell the user what went
// wrong; a written export is also reported to `report`.
void RunExportCommand(const DeliveryNote* note, bool pdf, const StatusSink& report);

// 导出 Excel（当前列表）: the notes the list shows now as a workbook; an empty list says so and
// writes nothing.
void RunExcelExportCommand(const std::vector<DeliveryNote>& notes, const StatusSink& report);

}  // namespace nv
