// The delivery-note editor: header fields, the item list and the item input row, on a working
// copy that only "保存并关闭" and "打印" send to the data service.
#pragma once

#include <windows.h>

#include "notes/records.h"

namespace nv {

LRESULT CALLBACK WndProcEdit(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam);

// Modal over the main window; true when the note was saved at least once.
[[nodiscard]] bool RunEditor(const DeliveryNote& note, bool is_new);

}  // namespace nv
