#include "ui/ui_logic.h"

#include <gtest/gtest.h>

#include "base/app_identity.h"
#include "fakes/fakes.h"

namespace nv {
namespace {

DeliveryNote Note(std::u16string customer, std::u16string date = u"2026-12-06",
                  std::u16string remark = u"") {
    DeliveryNote n;
    n.number = u"SHD1";
    n.customer = std::move(customer);
    n.project = u"万科城市花园";
    n.address = u"深圳";
    n.contact = u"王";
    n.contact_phone = u"13800138000";
    n.date = std::move(date);
    n.status = u"待送达";
    n.remark = std::move(remark);
    return n;
}

TEST(Search, TrimsAsciiSpacesOnlyAndMatchesSevenFieldsCaseSensitively) {
    EXPECT_EQ(trim_ascii_spaces(u"  照明 "), u"照明");
    EXPECT_EQ(trim_ascii_spaces(u"\t照明\u3000"), u"\t照明\u3000");
    std::vector<DeliveryNote> notes = {Note(u"澄岚映辉照明"), Note(u"ABC 灯饰"),
                                       Note(u"x", u"2026-照明", u"照明备注")};
    notes[1].status = u"已送达";
    EXPECT_EQ(filter_notes(notes, u"  照明  "), (std::vector<int>{0}));
    EXPECT_EQ(filter_notes(notes, u"照明"), (std::vector<int>{0}));  // date and remark not searched
    EXPECT_TRUE(filter_notes(notes, u"abc").empty());
    EXPECT_EQ(filter_notes(notes, u"已送达"), (std::vector<int>{1}));
    EXPECT_EQ(filter_notes(notes, u"   ").size(), 3u);
    EXPECT_TRUE(filter_notes(notes, u"\t照明").empty());
    EXPECT_EQ(filter_notes(notes, u"138001").size(), 3u);
    Item lamp;
    lamp.product = u"照明灯";
    notes[2].items.push_back(lamp);
    EXPECT_EQ(filter_notes(notes, u"照明灯").size(), 0u);  // items not searched
    // Letters alone also match the initials of the customer, project or address.
    notes[1].contact = u"张三";
    EXPECT_EQ(filter_notes(notes, u" CLYH "), (std::vector<int>{0}));
    EXPECT_EQ(filter_notes(notes, u"wkc").size(), 3u);  // 万科城市花园
    EXPECT_EQ(filter_notes(notes, u"sz").size(), 3u);   // 深圳
    EXPECT_TRUE(filter_notes(notes, u"zs").empty());    // the contact is not looked up so
    EXPECT_TRUE(filter_notes(notes, u"wk c").empty());  // mixed queries: the text as it is
}

TEST(Texts, ListCellsSummaryAndAbout) {
    DeliveryNote n = Note(u"c");
    auto empty = note_row_cells(n);
    EXPECT_EQ(empty[8], u"¥0.00");
    EXPECT_EQ(empty[9], u"0");
    Item it;
    it.quantity = 2.5;
    it.price = 35;
    n.items = {it, it};
    auto cells = note_row_cells(n);
    EXPECT_EQ(cells[0], u"SHD1");
    EXPECT_EQ(cells[6], u"2026-12-06");
    EXPECT_EQ(cells[8], u"¥175.00");
    EXPECT_EQ(cells[9], u"2");
    EXPECT_EQ(summary_text(3, 1234.5, u"EPSON LQ-735K", u"241.0×139.5mm"),
              u"共 3 单（筛选后）· 合计 ¥1234.50 · 打印机：EPSON LQ-735K（241.0×139.5mm）");
    EXPECT_EQ(summary_text(0, 0, u"", u"x"), u"共 0 单（筛选后）· 合计 ¥0.00 · 打印机：-（x）");
    EXPECT_EQ(about_text(u"P", u"L", u"", u"http://s", u"C:\\c.ini"),
              u"澄岚映辉 · 电脑客户端  v" + std::u16string(kBuiltInVersion) +
                  u"\n\n纯 Win32 原生界面（无浏览器内核）\n打印机：P  L\n"
                  u"账号：-\n服务器：http://s\n配置：C:\\c.ini");
    EXPECT_EQ(delete_question(n), u"确定删除送货单 SHD1（c）？\n此操作不可恢复。");
}

TEST(ItemInputRow, QuantityUnitAndProductRules) {
    ItemInput in{u"LED灯带", u"M", u"5m", u"12W", u"单亮", u"无", u"3abc", u"", u"12.5"};
    ItemRead r = read_item_input(in);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.item.quantity, 3);
    EXPECT_EQ(r.item.unit, u"个");
    EXPECT_EQ(r.item.price, 12.5);
    // Hexadecimal, inf and nan are not decimal numbers; 0.004 would go out as 0.00.
    for (const char16_t* q :
         {u"abc", u"0", u"-1", u"", u"nan", u"0x10", u"inf", u"1e999", u"0.004"}) {
        in.quantity = q;
        EXPECT_EQ(read_item_input(in).message, u"数量必须大于 0") << static_cast<int>(q[0]);
    }
    in.quantity = u"0.005";  // goes out as 0.01
    EXPECT_TRUE(read_item_input(in).ok);
    in.quantity = u"2";
    in.price = u"-3";  // 0 and negative prices are allowed
    EXPECT_TRUE(read_item_input(in).ok);
    in.price = u"1e999";
    EXPECT_EQ(read_item_input(in).message, u"单价必须是有效的数字");
    in.price = u"inf";  // not a number at all: reads as 0
    EXPECT_EQ(read_item_input(in).item.price, 0.0);
    in.price = u"0x10";
    EXPECT_EQ(read_item_input(in).item.price, 0.0);
    in.product = u"";
    EXPECT_EQ(read_item_input(in).message, u"请填写商品名称");
    Item it;
    it.quantity = 2.5;
    it.price = 3;
    ItemInput back = item_to_input(it);
    EXPECT_EQ(back.quantity, u"2.50");
    EXPECT_EQ(back.unit, u"个");
    EXPECT_EQ(back.price, u"3.00");
    it.quantity = 2;
    EXPECT_EQ(item_row_cells(it)[6], u"2");
    EXPECT_EQ(item_row_cells(it)[9], u"6.00");
    EXPECT_EQ(total_label({}), u"合计：¥0.00");
    EXPECT_EQ(total_label({it, it}), u"合计：¥12.00");
}

TEST(DatePicker, ReadsYearMonthDayFrom1970On) {
    int y, m, d;
    ASSERT_TRUE(parse_note_date(u"2026-12-06", y, m, d));
    EXPECT_EQ(y * 10000 + m * 100 + d, 20261206);
    EXPECT_TRUE(parse_note_date(u"2026-3-1", y, m, d));
    EXPECT_TRUE(parse_note_date(u"2026-02-31", y, m, d));  // the day is only checked against 1-31
    EXPECT_FALSE(parse_note_date(u"1969-12-31", y, m, d));
    EXPECT_FALSE(parse_note_date(u"2026/12/06", y, m, d));
    EXPECT_FALSE(parse_note_date(u"2026-13-01", y, m, d));
    EXPECT_FALSE(parse_note_date(u"", y, m, d));
    EXPECT_FALSE(parse_note_date(u"2026-12", y, m, d));
    EXPECT_EQ(format_note_date(2026, 3, 1), u"2026-03-01");
}

TEST(SaveChecks, NumberIsGeneratedBeforeTheCustomerIsChecked) {
    fake::set_local_now({2026, 12, 6, 10, 0, 1});
    DeliveryNote n;
    EXPECT_EQ(prepare_for_save(n, true), u"客户名称不能为空");
    EXPECT_EQ(n.number, u"SHD20261206100001");  // kept although the save is refused
    n.customer = u"c";
    n.number = u"MINE";
    EXPECT_EQ(prepare_for_save(n, true), u"");
    EXPECT_EQ(n.number, u"MINE");
    DeliveryNote old;
    old.customer = u"c";
    EXPECT_EQ(prepare_for_save(old, false), u"");
    EXPECT_EQ(old.number, u"");  // an existing note's number is never touched
}

}  // namespace
}  // namespace nv
