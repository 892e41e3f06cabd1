#include "print/payload.h"

#include <gtest/gtest.h>

#include "base/text.h"

namespace nv {
namespace {

DeliveryNote SampleNote() {
    DeliveryNote n;
    n.number = u"SHD20250102030405";
    n.customer = u"澄岚映辉照明";
    n.project = u"万科城市花园";
    n.contact = u"王先生";
    n.contact_phone = u"13800138000";
    n.date = u"2025-01-02";
    n.address = u"深圳市南山区";
    Item a;
    a.product = u"LED灯带";
    a.model = u"NV-2835";
    a.length = u"5m";
    a.wattage = u"12W";
    a.brightness = u"单亮";
    a.sensor_mode = u"无";
    a.unit = u"卷";
    a.quantity = 3;
    a.price = 12.5;
    Item b = a;
    b.quantity = 2.5;
    b.price = 12;
    n.items = {a, b};
    return n;
}

TEST(PayloadWriter, LinesInOrderWithFormattedNumbers) {
    std::string p = write_payload(SampleNote(), u"澄岚");
    EXPECT_EQ(
        p, utf16_to_utf8(u"COMPANY\t澄岚\nNO\tSHD20250102030405\nCUSTOMER\t澄岚映辉照明\n"
                         u"PROJECT\t万科城市花园\nCONTACT\t王先生  13800138000\nDATE\t2025-01-02\n"
                         u"ADDRESS\t深圳市南山区\n"
                         u"ITEM\tLED灯带\tNV-2835\t5m\t12W\t单亮\t无\t3\t卷\t12.50\n"
                         u"ITEM\tLED灯带\tNV-2835\t5m\t12W\t单亮\t无\t2.50\t卷\t12.00\n"));
}

TEST(PayloadWriter, EmptyFieldsStillWriteTheirLinesButNoRemark) {
    DeliveryNote n;
    n.contact_phone = u"139";
    std::string p = write_payload(n, u"");
    EXPECT_EQ(p, "COMPANY\t\nNO\t\nCUSTOMER\t\nPROJECT\t\nCONTACT\t  139\nDATE\t\nADDRESS\t\n");
}

TEST(PayloadRoundTrip, ValuesWithLineBreaksAndTabsPrintBackWhole) {
    DeliveryNote n = SampleNote();
    n.remark = u"第一行\r\n第二行";
    n.items[0].product = u"LED\t灯带";
    n.customer = u"A\nB";
    PrintJob job = read_payload(write_payload(n, u"公司"));
    EXPECT_EQ(job.customer, u"A B");
    EXPECT_EQ(job.project, u"万科城市花园");
    EXPECT_EQ(job.address, u"深圳市南山区");
    EXPECT_EQ(job.remark, u"第一行  第二行");
    ASSERT_EQ(job.items.size(), 2u);
    EXPECT_EQ(job.items[0].product, u"LED 灯带");
    EXPECT_EQ(job.items[0].model, u"NV-2835");
    EXPECT_EQ(job.items[0].sensor_mode, u"无");
    EXPECT_EQ(job.items[0].quantity, 3);
    EXPECT_EQ(job.items[0].unit, u"卷");
    EXPECT_EQ(job.items[0].price, 12.5);
    EXPECT_EQ(job.items[1].quantity, 2.5);
    EXPECT_EQ(job.total, 3 * 12.5 + 2.5 * 12);
    EXPECT_EQ(job.contact, u"王先生  13800138000");
    EXPECT_EQ(job.company, u"公司");
    EXPECT_EQ(job.copies, 0);
}

TEST(PayloadReader, LenientLineHandling) {
    PrintJob job = read_payload(
        "NO\tA1\r\n\r\n\nREMARK\t\nCOPIES\t2x\nNO\tA2\nITEM\nITEM\ta\tb\tc\td\te\tf\t4\tg\t1."
        "5\tx\ty\n"
        "item\tlower\nCUSTOMER\tc1\tc2\nPROJECT\nCOMPANY\tlast line without LF");
    EXPECT_EQ(job.number, u"A2");  // a later line replaces the earlier one
    EXPECT_EQ(job.remark, u"");
    EXPECT_EQ(job.copies, 2);
    EXPECT_EQ(job.customer, u"c1");
    EXPECT_EQ(job.project, u"");
    EXPECT_EQ(job.company, u"last line without LF");
    ASSERT_EQ(job.items.size(), 2u);  // "item" is not a key
    EXPECT_EQ(job.items[0].product, u"");
    EXPECT_EQ(job.items[0].quantity, 0);
    EXPECT_EQ(job.items[0].price, 0);
    EXPECT_EQ(job.items[1].unit, u"g");
    EXPECT_EQ(job.items[1].price, 1.5);
    EXPECT_EQ(job.total, 6.0);
}

TEST(PayloadReader, EmptyAndMalformedInput) {
    PrintJob empty = read_payload("");
    EXPECT_TRUE(empty.items.empty());
    EXPECT_EQ(empty.total, 0);
    EXPECT_EQ(empty.copies, 0);
    EXPECT_EQ(empty.company, u"");
    PrintJob bad = read_payload("COMPANY\t\xFF\xFE\nITEM\tx\tx\tx\tx\tx\tx\tabc\tu\t-\n");
    EXPECT_EQ(bad.company, u"\uFFFD\uFFFD");
    ASSERT_EQ(bad.items.size(), 1u);
    EXPECT_EQ(bad.items[0].quantity, 0);
}

}  // namespace
}  // namespace nv
