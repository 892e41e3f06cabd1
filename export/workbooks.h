// The workbook of 导出 Excel: the notes the main window lists, as sheet 明细 (a row per item
// line) and sheet 送货单 (a row per note). Amounts in whole cents (see line_cents).
#pragma once

#include <vector>

#include "export/xlsx.h"
#include "notes/records.h"

namespace nv {

std::vector<XlsxSheet> notes_workbook(const std::vector<DeliveryNote>& notes);

}  // namespace nv
