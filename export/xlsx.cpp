#include "export/xlsx.h"

#include <algorithm>
#include <charconv>

#include "base/cents.h"
#include "export/docx.h"
#include "export/zip.h"

namespace nv {

namespace {

constexpr char kMain[] = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr char kRelations[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr char kXmlHead[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

// Cell formats of styles.xml, by position.
enum Style { kPlain = 0, kBold = 1, kMoneyStyle = 2, kDateStyle = 3 };

std::string column_name(std::size_t column) {  // 0 → A, 26 → AA
    std::string name;
    for (std::size_t n = column + 1; n > 0; n = (n - 1) / 26)
        name.insert(name.begin(), static_cast<char>('A' + (n - 1) % 26));
    return name;
}

std::string number_text(double value) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

void append_cell(std::string& out, std::size_t column, std::size_t row, const XlsxCell& cell,
                 bool header) {
    std::string ref = column_name(column) + std::to_string(row);
    std::optional<int64_t> serial;
    if (cell.kind == XlsxCell::kDate)
        serial = xlsx_date_serial(cell.text);
    switch (cell.kind) {
        case XlsxCell::kNumber:
            out += "<c r=\"" + ref + "\"><v>" + number_text(cell.number) + "</v></c>";
            return;
        case XlsxCell::kMoney:
            out += "<c r=\"" + ref + "\" s=\"2\"><v>" + format_cents<char>(cell.cents) + "</v></c>";
            return;
        case XlsxCell::kDate:
            if (serial) {
                out += "<c r=\"" + ref + "\" s=\"3\"><v>" + std::to_string(*serial) + "</v></c>";
                return;
            }
            break;
        case XlsxCell::kText:
            break;
    }
    if (cell.text.empty() && !header)
        return;
    out += "<c r=\"" + ref + "\" t=\"inlineStr\"" + (header ? " s=\"1\"" : "") +
           "><is><t xml:space=\"preserve\">" + xml_escape(cell.text) + "</t></is></c>";
}

std::string sheet_xml(const XlsxSheet& sheet) {
    std::size_t columns = sheet.header.size();
    for (const auto& row : sheet.rows) columns = std::max(columns, row.size());
    std::string last =
        column_name(columns ? columns - 1 : 0) + std::to_string(sheet.rows.size() + 1);
    // Column widths that fit the longest text of each column (a wide character counts as two).
    std::vector<std::size_t> widths(columns, 4);
    auto widen = [&](std::size_t c, std::size_t w) { widths[c] = std::max(widths[c], w); };
    for (std::size_t c = 0; c < sheet.header.size(); ++c)
        widen(c, xlsx_text_width(sheet.header[c]) + 4);  // room for the filter button
    for (const auto& row : sheet.rows) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            const XlsxCell& cell = row[c];
            std::size_t w = cell.kind == XlsxCell::kText    ? xlsx_text_width(cell.text)
                            : cell.kind == XlsxCell::kDate  ? 10
                            : cell.kind == XlsxCell::kMoney ? format_cents<char>(cell.cents).size()
                                                            : number_text(cell.number).size();
            widen(c, w);
        }
    }
    std::string out = kXmlHead;
    out += std::string("<worksheet xmlns=\"") + kMain + "\"><dimension ref=\"A1:" + last +
           "\"/><sheetViews><sheetView workbookViewId=\"0\"><pane ySplit=\"1\" "
           "topLeftCell=\"A2\" activePane=\"bottomLeft\" state=\"frozen\"/></sheetView>"
           "</sheetViews><sheetFormatPr defaultRowHeight=\"15\"/><cols>";
    for (std::size_t c = 0; c < columns; ++c) {
        std::string n = std::to_string(c + 1);
        out += "<col min=\"" + n + "\" max=\"" + n + "\" width=\"" +
               std::to_string(std::min<std::size_t>(widths[c] + 2, 80)) + "\" customWidth=\"1\"/>";
    }
    out += "</cols><sheetData><row r=\"1\">";
    for (std::size_t c = 0; c < sheet.header.size(); ++c)
        append_cell(out, c, 1, XlsxCell::Text(sheet.header[c]), true);
    out += "</row>";
    for (std::size_t r = 0; r < sheet.rows.size(); ++r) {
        std::string n = std::to_string(r + 2);
        out += "<row r=\"" + n + "\">";
        for (std::size_t c = 0; c < sheet.rows[r].size(); ++c)
            append_cell(out, c, r + 2, sheet.rows[r][c], false);
        out += "</row>";
    }
    out += "</sheetData><autoFilter ref=\"A1:" + last + "\"/></worksheet>";
    return out;
}

const char kStyles[] =
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"yyyy-mm-dd\"/></numFmts>"
    "<fonts count=\"2\"><font><sz val=\"11\"/><name val=\"宋体\"/></font>"
    "<font><b/><sz val=\"11\"/><name val=\"宋体\"/></font></fonts>"
    "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
    "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
    "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
    "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/>"
    "</cellStyleXfs><cellXfs count=\"4\">"
    "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
    "<xf numFmtId=\"0\" fontId=\"1\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyFont=\"1\"/>"
    "<xf numFmtId=\"2\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
    "applyNumberFormat=\"1\"/>"
    "<xf numFmtId=\"164\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
    "applyNumberFormat=\"1\"/></cellXfs>"
    "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/>"
    "</cellStyles></styleSheet>";

}  // namespace

std::optional<int64_t> xlsx_date_serial(std::u16string_view date) {
    if (date.size() != 10 || date[4] != u'-' || date[7] != u'-')
        return std::nullopt;
    int parts[3] = {0, 0, 0};
    const std::size_t starts[3] = {0, 5, 8}, lengths[3] = {4, 2, 2};
    for (int p = 0; p < 3; ++p) {
        for (std::size_t i = starts[p]; i < starts[p] + lengths[p]; ++i) {
            if (date[i] < u'0' || date[i] > u'9')
                return std::nullopt;
            parts[p] = parts[p] * 10 + (date[i] - u'0');
        }
    }
    int y = parts[0], m = parts[1], d = parts[2];
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    if (m < 1 || m > 12 || d < 1 || d > kDays[m - 1] + (m == 2 && leap))
        return std::nullopt;
    // Days from the civil date (Howard Hinnant's algorithm), then from 1899-12-30.
    int yy = y - (m <= 2);
    int era = yy / 400;
    int yoe = yy - era * 400;
    int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    int64_t days = static_cast<int64_t>(era) * 146097 + doe - 719468;  // since 1970-01-01
    int64_t serial = days + 25569;
    if (serial < 61)  // before 1900-03-01 the serials carry the 1900 leap-year mistake
        return std::nullopt;
    return serial;
}

std::size_t xlsx_text_width(std::u16string_view text) {
    std::size_t width = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c >= 0xDC00 && c <= 0xDFFF)
            continue;  // the second half of a pair counts with the first
        bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
                    (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
                    (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
                    (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0xD800 && c <= 0xDBFF);
        width += wide ? 2 : 1;
    }
    return width;
}

std::optional<std::string> build_xlsx(const std::vector<XlsxSheet>& sheets, std::u16string& error) {
    for (const XlsxSheet& sheet : sheets) {
        if (sheet.rows.size() + 1 > kXlsxMaxRows) {
            error = u"工作表「" + sheet.name +
                    u"」超过 1048576 行，电子表格无法容纳，请缩小范围后再导出";
            return std::nullopt;
        }
    }
    std::string types =
        std::string(kXmlHead) +
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/"
        "content-types\"><Default Extension=\"rels\" ContentType=\"application/"
        "vnd.openxmlformats-package.relationships+xml\"/><Default Extension=\"xml\" "
        "ContentType=\"application/xml\"/><Override PartName=\"/xl/workbook.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml."
        "sheet.main+xml\"/><Override PartName=\"/xl/styles.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml."
        "styles+xml\"/>";
    std::string workbook = std::string(kXmlHead) + "<workbook xmlns=\"" + kMain + "\" xmlns:r=\"" +
                           kRelations + "\"><sheets>";
    std::string names;
    std::string relations = std::string(kXmlHead) +
                            "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/"
                            "2006/relationships\">";
    std::vector<ZipEntry> entries;
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        std::string n = std::to_string(i + 1);
        std::string part = "xl/worksheets/sheet" + n + ".xml";
        types += "<Override PartName=\"/" + part +
                 "\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml."
                 "worksheet+xml\"/>";
        std::string name = xml_escape(sheets[i].name);
        workbook += "<sheet name=\"" + name + "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"/>";
        std::size_t columns = std::max<std::size_t>(sheets[i].header.size(), 1);
        names += "<definedName name=\"_xlnm._FilterDatabase\" localSheetId=\"" + std::to_string(i) +
                 "\" hidden=\"1\">'" + name + "'!$A$1:$" + column_name(columns - 1) + "$" +
                 std::to_string(sheets[i].rows.size() + 1) + "</definedName>";
        relations += "<Relationship Id=\"rId" + n + "\" Type=\"" + kRelations +
                     "/worksheet\" Target=\"worksheets/sheet" + n + ".xml\"/>";
        entries.push_back({part, sheet_xml(sheets[i])});
    }
    types += "</Types>";
    workbook += "</sheets><definedNames>" + names + "</definedNames></workbook>";
    relations += "<Relationship Id=\"rId" + std::to_string(sheets.size() + 1) + "\" Type=\"" +
                 kRelations + "/styles\" Target=\"styles.xml\"/></Relationships>";
    std::string root_relations =
        std::string(kXmlHead) +
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"" +
        kRelations + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";
    entries.insert(entries.begin(), {{"[Content_Types].xml", types},
                                     {"_rels/.rels", root_relations},
                                     {"xl/workbook.xml", workbook},
                                     {"xl/_rels/workbook.xml.rels", relations},
                                     {"xl/styles.xml", std::string(kXmlHead) + kStyles}});
    return build_zip(entries);
}

}  // namespace nv
