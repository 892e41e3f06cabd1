// The delivery-note editor: header fields, the item list and the item input row, on a working
// copy that only "保存并关闭" and "打印" send to the data service.
#pragma once

#include <windows.h>

#include "notes/recall.h"
#include "notes/records.h"
#include "ui/ui_win.h"

namespace nv {

// Modal over `owner`; true when the note was saved at least once. A print from the editor
// reports its outcome to `report`. The customer and product boxes propose what `recall` holds.
[[nodiscard]] bool RunEditor(HWND owner, const DeliveryNote& note, bool is_new,
                             const StatusSink& report, const Recall& recall);

}  // namespace nv
