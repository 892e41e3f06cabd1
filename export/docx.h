// The Word export: one delivery note as an A4 portrait WordprocessingML document, written piece
// by fixed piece and packed into a stored zip container.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "notes/records.h"

namespace nv {

// One column of the export table, shared by the DOCX and the A4 PDF pages.
struct ExportColumn {
    const char16_t* title;
    int width_twips;
    bool right_aligned;
};
extern const std::array<ExportColumn, 11> kExportColumns;

// The eleven cell texts of item row `index` (0-based) of a note.
std::array<std::u16string, 11> export_cells(const Item& item, std::size_t index);

// "&" "<" ">" and the double quote as entities, tab and line feed kept, every other control
// character dropped; the result in UTF-8.
std::string xml_escape(std::u16string_view text);

// A paragraph of text in `half_points`, aligned "left", "center" or "right".
std::string docx_paragraph(std::u16string_view text, int half_points, std::string_view align,
                           bool bold, bool keep_next);

// A table row of the eleven cells; the header row repeats on every page.
std::string docx_table_row(const std::array<std::u16string, 11>& cells, bool header,
                           bool keep_next);

// The bytes of the .docx file.
std::string build_docx(const DeliveryNote& note, std::u16string_view company);

}  // namespace nv
