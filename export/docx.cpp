#include "export/docx.h"

#include "base/text.h"
#include "export/zip.h"

namespace nv {

const std::array<ExportColumn, 11> kExportColumns = {{
    {u"序号", 500, false},
    {u"商品名称", 2000, false},
    {u"型号", 1200, false},
    {u"长度", 650, false},
    {u"瓦数", 750, false},
    {u"显示模式", 1000, false},
    {u"感应", 1150, false},
    {u"数量", 650, true},
    {u"单位", 600, true},
    {u"单价", 950, true},
    {u"小计", 1050, true},
}};

std::array<std::u16string, 11> export_cells(const Item& item, std::size_t index) {
    return {format_int(static_cast<int64_t>(index) + 1),
            item.product,
            item.model,
            item.length,
            item.wattage,
            item.brightness,
            item.sensor_mode,
            quantity_text(item.quantity),
            item.unit,
            money_text(item.price),
            money_text(line_amount(item))};
}

std::string xml_escape(std::u16string_view text) {
    // Characters that XML 1.0 does not allow (C0 controls other than tab and line feed -- the
    // carriage return is dropped on purpose --, unpaired surrogates, U+FFFE and U+FFFF) are left
    // out: one of them makes a word processor refuse the whole document.
    auto high = [](char16_t c) { return c >= 0xD800 && c <= 0xDBFF; };
    auto low = [](char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; };
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        switch (c) {
            case u'&':
                out += u"&amp;";
                break;
            case u'<':
                out += u"&lt;";
                break;
            case u'>':
                out += u"&gt;";
                break;
            case u'"':
                out += u"&quot;";
                break;
            default:
                if (high(c) && i + 1 < text.size() && low(text[i + 1])) {
                    out.push_back(c);
                    out.push_back(text[++i]);
                } else if ((c >= 0x20 || c == u'\t' || c == u'\n') && !high(c) && !low(c) &&
                           c != 0xFFFE && c != 0xFFFF) {
                    out.push_back(c);
                }
        }
    }
    return utf16_to_utf8(out);
}

std::string docx_paragraph(std::u16string_view text, int half_points, std::string_view align,
                           bool bold, bool keep_next) {
    std::string p = "<w:p><w:pPr>";
    if (keep_next)
        p += "<w:keepNext/>";
    p += "<w:jc w:val=\"";
    p += align;
    p += "\"/><w:spacing w:after=\"60\"/></w:pPr><w:r><w:rPr><w:rFonts w:ascii=\"Arial\" "
         "w:eastAsia=\"宋体\"/><w:sz w:val=\"";
    p += std::to_string(half_points);
    p += "\"/>";
    if (bold)
        p += "<w:b/>";
    p += "</w:rPr><w:t xml:space=\"preserve\">";
    p += xml_escape(text);
    p += "</w:t></w:r></w:p>";
    return p;
}

std::string docx_table_row(const std::array<std::u16string, 11>& cells, bool header,
                           bool keep_next) {
    std::string row = "<w:tr><w:trPr><w:cantSplit/>";
    if (header)
        row += "<w:tblHeader/>";
    row += "</w:trPr>";
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const ExportColumn& col = kExportColumns[i];
        row += "<w:tc><w:tcPr><w:tcW w:w=\"";
        row += std::to_string(col.width_twips);
        row += "\" w:type=\"dxa\"/></w:tcPr>";
        row +=
            docx_paragraph(cells[i], 16, col.right_aligned ? "right" : "left", header, keep_next);
        row += "</w:tc>";
    }
    row += "</w:tr>";
    return row;
}

namespace {

std::string table(const DeliveryNote& note) {
    std::string t =
        "<w:tbl><w:tblPr><w:tblW w:w=\"10500\" w:type=\"dxa\"/><w:tblLayout w:type=\"fixed\"/>"
        "<w:tblBorders>";
    for (const char* side : {"top", "left", "bottom", "right", "insideH", "insideV"}) {
        t += "<w:";
        t += side;
        t += " w:val=\"single\" w:sz=\"4\" w:color=\"333333\"/>";
    }
    t += "</w:tblBorders></w:tblPr><w:tblGrid>";
    for (const ExportColumn& col : kExportColumns) {
        t += "<w:gridCol w:w=\"" + std::to_string(col.width_twips) + "\"/>";
    }
    t += "</w:tblGrid>";
    std::array<std::u16string, 11> titles;
    for (std::size_t i = 0; i < titles.size(); ++i) titles[i] = kExportColumns[i].title;
    t += docx_table_row(titles, true, false);
    for (std::size_t i = 0; i < note.items.size(); ++i) {
        t += docx_table_row(export_cells(note.items[i], i), false, i + 1 == note.items.size());
    }
    t += "</w:tbl>";
    return t;
}

}  // namespace

std::string build_docx(const DeliveryNote& note, std::u16string_view company) {
    std::string body;
    body += docx_paragraph(company, 30, "center", true, false);
    body += docx_paragraph(u"送货单", 28, "center", true, false);
    body += docx_paragraph(u"单号：" + note.number, 20, "left", false, false);
    body += docx_paragraph(u"日期：" + note.date, 20, "right", false, false);
    body += docx_paragraph(u"客户：" + note.customer, 20, "left", false, false);
    body += docx_paragraph(u"项目：" + note.project, 20, "left", false, false);
    body += docx_paragraph(u"联系人：" + note.contact + u"  " + note.contact_phone, 20, "left",
                           false, false);
    body += docx_paragraph(u"地址：" + note.address, 20, "left", false, false);
    body += table(note);
    body += docx_paragraph(u"合计：¥" + money_text(note_total(note)), 22, "right", true, true);
    if (!note.remark.empty()) {
        body += docx_paragraph(u"备注：" + note.remark, 20, "left", false, true);
    }
    body +=
        docx_paragraph(u"收货人：____________    送货人：____________", 20, "left", false, true);
    body += docx_paragraph(u"送货日期：____年____月____日", 18, "right", false, false);
    body +=
        "<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\" w:orient=\"portrait\"/><w:pgMar "
        "w:top=\"703\" w:right=\"703\" w:bottom=\"703\" w:left=\"703\"/></w:sectPr>";

    std::vector<ZipEntry> parts;
    parts.push_back(
        {"[Content_Types].xml",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types "
         "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Default "
         "Extension=\"rels\" "
         "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/><Default "
         "Extension=\"xml\" ContentType=\"application/xml\"/><Override "
         "PartName=\"/word/document.xml\" "
         "ContentType=\"application/"
         "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></Types>"});
    parts.push_back(
        {"_rels/.rels",
         "<?xml version=\"1.0\"?><Relationships "
         "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
         "Id=\"rId1\" "
         "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
         "officeDocument\" Target=\"word/document.xml\"/></Relationships>"});
    parts.push_back({"word/document.xml",
                     "<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:document "
                     "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
                     "<w:body>" +
                         body + "</w:body></w:document>"});
    return build_zip(parts);
}

}  // namespace nv
