// The A4 pages of the PDF export as drawing lists: one flowing layout of title block, header
// lines, a bordered item table whose rows wrap and may split across pages, the total, the
// remark and the signature lines, in pixels of a 1191 x 1684 page (A4 at 144 pixels per inch).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "notes/records.h"
#include "notes/statement.h"
#include "print/page_layout.h"

namespace nv {

inline constexpr int kA4MaxPages = 500;

// The width in pixels of a text in one of the two fonts (PageFont::A4Body: 宋体 at −17 px,
// PageFont::A4Title: 宋体 bold at −30 px).
using TextWidth = std::function<int32_t(PageFont, std::u16string_view)>;

// Character-by-character wrapping: a carriage return is skipped, a line feed ends the line, a
// character that would make a non-empty line wider than `max_width` starts a new one. An empty
// text gives one empty line.
std::vector<std::u16string> wrap_text(std::u16string_view text, int32_t max_width, PageFont font,
                                      const TextWidth& width);

// Every page of the note. Throws std::runtime_error("pages") for a note that needs more than
// 500 pages.
std::vector<std::vector<PageOp>> layout_a4(const DeliveryNote& note, std::u16string_view company,
                                           const TextWidth& width);

// Whole cents with thousands separators: 1067000 → "10,670.00".
std::u16string grouped_money(int64_t cents);

// Every page of a statement of account: title, customer, period and status, one table of the
// item lines grouped by note with each note's subtotal, the total in figures and in capital
// numerals, the signature lines of both parties on the last page, and "第 N 页 / 共 M 页" at the
// foot of every page. Throws std::runtime_error("pages") beyond 500 pages.
std::vector<std::vector<PageOp>> layout_statement(const Statement& statement,
                                                  std::u16string_view company,
                                                  const TextWidth& width);

}  // namespace nv
