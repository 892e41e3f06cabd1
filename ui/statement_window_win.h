// The statement window (对账单): a customer of the loaded notes, a period and a status; the
// matching notes with their sum, exported as an A4 PDF or a workbook. Modal over its owner.
#pragma once

#include <windows.h>

#include <vector>

#include "notes/recall.h"
#include "notes/records.h"
#include "ui/ui_win.h"

namespace nv {

void RunStatementWindow(HWND owner, const std::vector<DeliveryNote>& notes, const Recall& recall,
                        const StatusSink& report);

}  // namespace nv
