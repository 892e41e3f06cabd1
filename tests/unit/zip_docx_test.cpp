#include <cstring>
#include <gtest/gtest.h>
#include <string>

#include "base/text.h"
#include "export/docx.h"
#include "export/zip.h"

namespace nv {
namespace {

uint32_t Le32(const std::string& s, std::size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s[at + i]);
    return v;
}
uint32_t Le16(const std::string& s, std::size_t at) {
    return static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8;
}

TEST(Crc32, KnownValues) {
    EXPECT_EQ(crc32(""), 0u);
    EXPECT_EQ(crc32("abc"), 0x352441C2u);
    EXPECT_EQ(crc32("123456789"), 0xCBF43926u);
}

TEST(Zip, EmptyListIsTheBareEndRecord) {
    std::string z = build_zip({});
    ASSERT_EQ(z.size(), 22u);
    EXPECT_EQ(Le32(z, 0), 0x06054B50u);
    for (std::size_t i = 4; i < 22; ++i) EXPECT_EQ(z[i], 0) << i;
}

TEST(Zip, HeadersOffsetsAndFixedTimeStamp) {
    std::string z = build_zip({{"a.txt", "abc"}, {"empty", ""}, {"b/c", "xyz"}});
    // Local header of the first entry.
    EXPECT_EQ(Le32(z, 0), 0x04034B50u);
    EXPECT_EQ(Le16(z, 4), 20u);
    EXPECT_EQ(Le16(z, 8), 0u);
    EXPECT_EQ(Le16(z, 10), 0u);
    EXPECT_EQ(Le16(z, 12), 0x21u);
    EXPECT_EQ(Le32(z, 14), 0x352441C2u);
    EXPECT_EQ(Le32(z, 18), 3u);
    EXPECT_EQ(Le32(z, 22), 3u);
    EXPECT_EQ(Le16(z, 26), 5u);
    EXPECT_EQ(z.substr(30, 8), "a.txtabc");
    // The empty entry: CRC 0, sizes 0, next local header right after its name.
    const std::size_t second = 38;
    EXPECT_EQ(Le32(z, second), 0x04034B50u);
    EXPECT_EQ(Le32(z, second + 14), 0u);
    EXPECT_EQ(Le32(z, second + 18), 0u);
    EXPECT_EQ(Le32(z, second + 30 + 5), 0x04034B50u);
    // End record: three entries, the directory's size and offset.
    const std::size_t end = z.size() - 22;
    EXPECT_EQ(Le32(z, end), 0x06054B50u);
    EXPECT_EQ(Le16(z, end + 8), 3u);
    EXPECT_EQ(Le16(z, end + 10), 3u);
    const uint32_t dir_size = Le32(z, end + 12);
    const uint32_t dir_off = Le32(z, end + 16);
    EXPECT_EQ(dir_off + dir_size, end);
    EXPECT_EQ(dir_size, 3 * 46 + 5 + 5 + 3u);
    // Central header of the third entry points back at its local header.
    const std::size_t third_dir = dir_off + 46 + 5 + 46 + 5;
    EXPECT_EQ(Le32(z, third_dir), 0x02014B50u);
    EXPECT_EQ(Le16(z, third_dir + 14), 0x21u);
    EXPECT_EQ(Le32(z, third_dir + 42), second + 30 + 5);
    EXPECT_EQ(z.substr(third_dir + 46, 3), "b/c");
}

TEST(Zip, RefusesWhatTheFormatCannotHold) {
    EXPECT_THROW(build_zip({{std::string(70000, 'n'), "x"}}), std::length_error);
    EXPECT_THROW(build_zip(std::vector<ZipEntry>(70000, ZipEntry{"a", ""})), std::length_error);
}

TEST(DocxPieces, XmlEscapingKeepsTabAndLineFeedAndDropsOtherControls) {
    EXPECT_EQ(xml_escape(u"A&B<C>\"D'"), "A&amp;B&lt;C&gt;&quot;D'");
    EXPECT_EQ(xml_escape(u"1\r\n2\t3\u0001\u001f"), "1\n2\t3");
    EXPECT_EQ(xml_escape(u"宋体"), "宋体");
    // What XML 1.0 forbids is dropped; a proper surrogate pair is kept.
    std::u16string bad = u"a\uFFFEb\uFFFFc";
    bad += {char16_t{0xD800}, u'd', char16_t{0xDC00}, u'e'};
    bad += u"\U0001F4A1";
    EXPECT_EQ(xml_escape(bad), "abcde\xF0\x9F\x92\xA1");
    EXPECT_EQ(xml_escape(std::u16string(1, char16_t{0xDBFF})), "");
}

// The document.xml part of a built DOCX (the third stored entry).
std::string DocumentXml(const std::string& docx) {
    std::size_t at = docx.find("word/document.xml<?xml");  // the local header's name
    EXPECT_NE(at, std::string::npos);
    uint32_t size = Le32(docx, at - 30 + 18);
    return docx.substr(at + 17, size);
}

TEST(Docx, BodyOrderTotalsAndKeepWithNextOnTheLastItemRowOnly) {
    DeliveryNote n;
    n.number = u"SHD1";
    n.customer = u"A&B <C> \"D\"";
    n.date = u"2025-01-02";
    n.remark = u"第一行\r\n第二行";
    Item it;
    it.product = u"灯";
    it.quantity = 2;
    it.price = 3.5;
    n.items = {it, it, it};
    std::string xml = DocumentXml(build_docx(n, u"澄岚映辉"));
    EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:document xmlns:w=", 0), 0u);
    EXPECT_NE(xml.find("客户：A&amp;B &lt;C&gt; &quot;D&quot;"), std::string::npos);
    EXPECT_NE(xml.find("备注：第一行\n第二行"), std::string::npos);
    EXPECT_NE(xml.find("合计：¥21.00"), std::string::npos);
    EXPECT_NE(xml.find("联系人：  </w:t>"), std::string::npos);
    std::size_t rows[5], at = 0;
    for (auto& r : rows) at = r = xml.find("<w:tr>", at + 1);
    EXPECT_EQ(xml.find("<w:tr>", rows[3] + 1), std::string::npos);
    auto keeps = [&](std::size_t from, std::size_t to) {
        return xml.substr(from, to - from).find("<w:keepNext/>") != std::string::npos;
    };
    std::size_t tbl_end = xml.find("</w:tbl>");
    EXPECT_FALSE(keeps(rows[0], rows[1]));  // header
    EXPECT_FALSE(keeps(rows[1], rows[2]));
    EXPECT_FALSE(keeps(rows[2], rows[3]));
    EXPECT_TRUE(keeps(rows[3], tbl_end));
    const char* order[] = {"澄岚映辉",
                           "送货单",
                           "单号：SHD1",
                           "日期：2025-01-02",
                           "客户：",
                           "项目：",
                           "联系人：",
                           "地址：",
                           "<w:tbl>",
                           "合计：",
                           "备注：",
                           "收货人：____________    送货人：____________",
                           "送货日期：____年____月____日",
                           "<w:sectPr><w:pgSz w:w=\"11906\" "
                           "w:h=\"16838\" w:orient=\"portrait\"/><w:pgMar w:top=\"703\" "
                           "w:right=\"703\" w:bottom=\"703\" w:left=\"703\"/></w:sectPr>"};
    std::size_t pos = 0;
    for (const char* piece : order) {
        std::size_t found = xml.find(piece, pos);
        EXPECT_NE(found, std::string::npos) << piece;
        pos = found;
    }
}

TEST(Docx, NoItemsAndNoRemark) {
    DeliveryNote n;
    std::string docx = build_docx(n, u"");
    std::string xml = DocumentXml(docx);
    EXPECT_EQ(xml.find("备注"), std::string::npos);
    std::size_t first = xml.find("<w:tr>");
    EXPECT_NE(xml.find("<w:tblHeader/>", first), std::string::npos);
    EXPECT_EQ(xml.find("<w:tr>", first + 1), std::string::npos);
    EXPECT_NE(xml.find("合计：¥0.00"), std::string::npos);
    // The package entries in their fixed order.
    EXPECT_EQ(docx.find("[Content_Types].xml"), 30u);
    EXPECT_LT(docx.find("_rels/.rels<?xml"), docx.find("word/document.xml<?xml"));
    // Same note, same bytes.
    EXPECT_EQ(build_docx(n, u""), docx);
}

}  // namespace
}  // namespace nv
