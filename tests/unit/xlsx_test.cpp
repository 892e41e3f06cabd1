// The spreadsheet writer: dates as serial numbers, widths of CJK text, the row limit, and the
// workbook of the list export in whole cents.
#include "export/xlsx.h"

#include <gtest/gtest.h>

#include "export/workbooks.h"

namespace nv {
namespace {

TEST(Xlsx, DatesBecomeSerialNumbersAndOtherTextsStayText) {
    EXPECT_EQ(xlsx_date_serial(u"2026-12-03"), 46359);
    EXPECT_EQ(xlsx_date_serial(u"1900-03-01"), 61);
    EXPECT_EQ(xlsx_date_serial(u"2024-02-29"), 45351);
    for (const char16_t* bad : {u"2023-02-29", u"2026-13-01", u"2026-12-3", u"1900-02-28", u"",
                                u"2026/12/03", u"２０２６-12-03"})
        EXPECT_EQ(xlsx_date_serial(bad), std::nullopt);
    EXPECT_EQ(xlsx_text_width(u"LED灯带"), 7u);
    EXPECT_EQ(xlsx_text_width(u"\U00020000a"), 3u);
}

TEST(Xlsx, TooManyRowsAreRefusedBeforeAnythingIsWritten) {
    // The header and 1,048,576 rows: one row too many.
    XlsxSheet big{u"明细", {u"a"}, std::vector<std::vector<XlsxCell>>(kXlsxMaxRows)};
    std::u16string error;
    EXPECT_EQ(build_xlsx({big}, error), std::nullopt);
    EXPECT_NE(error.find(u"1048576"), std::u16string::npos);
}

TEST(Xlsx, TheListWorkbookSumsLinesInCentsRoundedHalfAwayFromZero) {
    DeliveryNote n;
    n.number = u"SHD1";
    n.date = u"2026-12-03";
    Item a;
    a.quantity = 0.5;
    a.price = 0.05;  // 0.025 → 0.03
    Item b;
    b.quantity = 3;
    b.price = -0.35;  // a discount line: -1.05
    n.items = {a, b};
    std::vector<XlsxSheet> book = notes_workbook({n, DeliveryNote{}});
    ASSERT_EQ(book.size(), 2u);
    EXPECT_EQ(book[0].rows.size(), 2u);  // a note without items has no line
    EXPECT_EQ(book[0].rows[0][14].cents, 3);
    EXPECT_EQ(book[0].rows[1][14].cents, -105);
    EXPECT_EQ(book[1].rows[0][9].cents, -102);
    EXPECT_EQ(book[1].rows.size(), 2u);
    std::u16string error;
    std::optional<std::string> bytes = build_xlsx(book, error);
    ASSERT_TRUE(bytes);
    EXPECT_NE(bytes->find("<c r=\"O2\" s=\"2\"><v>0.03</v></c>"), std::string::npos);
    EXPECT_NE(bytes->find("<c r=\"B2\" s=\"3\"><v>46359</v></c>"), std::string::npos);
}

}  // namespace
}  // namespace nv
