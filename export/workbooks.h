// The workbook of 导出 Excel: the notes the main window lists, as sheet 明细 (a row per item
// line) and sheet 送货单 (a row per note). Amounts in whole cents (see line_cents).
#pragma once

#include <vector>

#include "export/xlsx.h"
#include "notes/records.h"
#include "notes/statement.h"

namespace nv {

std::vector<XlsxSheet> notes_workbook(const std::vector<DeliveryNote>& notes);

// The statement as a workbook: the same two sheets for its notes, sheet 送货单 ending with a
// row 合计 of the statement's total.
std::vector<XlsxSheet> statement_workbook(const Statement& statement);

}  // namespace nv
