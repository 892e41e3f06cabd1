// The export commands of the main window: the selected note as an A4 PDF or Word document.
#pragma once

#include "notes/records.h"

namespace nv {

// `note` is the selected note, or null when none is selected. Reports through message boxes
// and the main window's status bar.
void RunExportCommand(const DeliveryNote* note, bool pdf);

}  // namespace nv
