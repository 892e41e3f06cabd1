// The export on Windows: the A4 PDF drawn with GDI, and the file written safely.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "notes/records.h"
#include "notes/statement.h"

namespace nv {

// The PDF of a note: every A4 page drawn into one 1191 x 1684 bitmap, encoded page by page
// (only encoded pages are kept). Throws std::runtime_error("bitmap") when the canvas cannot be
// made and ("pages") for a note of more than 500 pages.
std::string RenderNotePdf(const DeliveryNote& note, std::u16string_view company);

// The statement's A4 PDF, drawn and encoded the same way.
std::string RenderStatementPdf(const Statement& statement, std::u16string_view company);

// Builds the PDF or DOCX and puts it at `path` through a temporary file beside it: either the
// destination is replaced by the complete new file, or it is left as it was and no temporary
// file remains. False with the message to show.
[[nodiscard]] bool ExportFile(const DeliveryNote& note, std::u16string_view company,
                              std::u16string_view path, bool pdf, std::u16string& error);

// The workbook of the listed notes (sheets 明细 and 送货单), written the same way.
[[nodiscard]] bool ExportWorkbook(const std::vector<DeliveryNote>& notes, std::u16string_view path,
                                  std::u16string& error);

// `content` put at `path` through a temporary file beside it, as ExportFile does.
[[nodiscard]] bool WriteExportFile(std::u16string_view path, const std::string& content,
                                   std::u16string& error);

}  // namespace nv
