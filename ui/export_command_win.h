// The export commands of the main window: the selected note as an A4 PDF or Word document.
#pragma once

#include "notes/records.h"
#include "ui/ui_win.h"

namespace nv {

// `note` is the selected note, or null when none is selected. Boxes tell the user what went
// wrong; a written export is also reported to `report`.
void RunExportCommand(const DeliveryNote* note, bool pdf, const StatusSink& report);

}  // namespace nv
