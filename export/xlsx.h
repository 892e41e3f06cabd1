// The spreadsheet export: a workbook of sheets with a bold, frozen header row and an autofilter
// on it, written as SpreadsheetML parts in the project's stored zip container.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nv {

// One cell. Texts are strings; numbers, money and dates are stored as numbers, so that a
// spreadsheet sums, sorts and filters them: money as two decimals in a "0.00" format, a date
// "yyyy-mm-dd" as its serial number in a date format (a text that is no such date stays text).
struct XlsxCell {
    enum Kind { kText, kNumber, kMoney, kDate } kind = kText;
    std::u16string text;  // kText, kDate
    double number = 0;    // kNumber
    int64_t cents = 0;    // kMoney

    static XlsxCell Text(std::u16string t) { return {kText, std::move(t)}; }
    static XlsxCell Number(double n) { return {kNumber, {}, n}; }
    static XlsxCell Money(int64_t c) { return {kMoney, {}, 0, c}; }
    static XlsxCell Date(std::u16string d) { return {kDate, std::move(d)}; }
};

struct XlsxSheet {
    std::u16string name;
    std::vector<std::u16string> header;
    std::vector<std::vector<XlsxCell>> rows;
};

// What one sheet holds at most, the header row included.
inline constexpr std::size_t kXlsxMaxRows = 1048576;

// The days since 1899-12-30 of a "yyyy-mm-dd" date from 1900-03-01 on; nothing for any other
// text.
std::optional<int64_t> xlsx_date_serial(std::u16string_view date);

// The display width of a text in a spreadsheet column: a CJK or other wide character counts
// as two.
std::size_t xlsx_text_width(std::u16string_view text);

// The bytes of the .xlsx file; nothing, with `error` set, when a sheet has more rows than a
// spreadsheet holds.
std::optional<std::string> build_xlsx(const std::vector<XlsxSheet>& sheets, std::u16string& error);

}  // namespace nv
