// Statements of account: which notes, their sums in cents, and the A4 pages.
#include "notes/statement.h"

#include <gtest/gtest.h>

#include "base/text.h"
#include "export/a4_layout.h"

namespace nv {
namespace {

DeliveryNote Note(std::u16string number, std::u16string date, std::u16string customer,
                  std::u16string status, int items) {
    DeliveryNote n;
    n.number = std::move(number);
    n.date = std::move(date);
    n.customer = std::move(customer);
    n.status = std::move(status);
    for (int i = 0; i < items; ++i) {
        Item it;
        it.product = u"LED灯带";
        it.quantity = 2.5;
        it.price = 35.01;  // 87.525 → 87.53
        n.items.push_back(it);
    }
    return n;
}

TEST(Statement, ThePeriodTheCustomerAndTheStatusChooseTheNotes) {
    EXPECT_EQ(previous_month({2026, 12, 7}),
              (std::pair<std::u16string, std::u16string>{u"2026-11-01", u"2026-11-30"}));
    EXPECT_EQ(previous_month({2026, 1, 15}).first, u"2025-12-01");
    EXPECT_EQ(previous_month({2024, 3, 1}).second, u"2024-02-29");
    std::vector<DeliveryNote> notes = {Note(u"B", u"2026-11-30", u"甲", u"已送达", 1),
                                       Note(u"A", u"2026-11-30", u"甲", u"待送达", 2),
                                       Note(u"C", u"2026-11-01", u"甲", u"待送达", 0),
                                       Note(u"D", u"2026-12-01", u"甲", u"待送达", 1),
                                       Note(u"E", u"2026-11-15", u"甲乙", u"待送达", 1)};
    std::u16string error;
    auto s = make_statement(notes, {u"甲", u"2026-11-01", u"2026-11-30", u""}, error);
    ASSERT_TRUE(s);
    std::vector<std::u16string> numbers;
    for (const auto& n : s->notes) numbers.push_back(n.number);
    EXPECT_EQ(numbers, (std::vector<std::u16string>{u"C", u"A", u"B"}));
    EXPECT_EQ(s->total_cents, 3 * 8753);
    s = make_statement(notes, {u"甲", u"2026-11-01", u"2026-11-30", u"待送达"}, error);
    EXPECT_EQ(s->notes.size(), 2u);
    s = make_statement(notes, {u"丙", u"2026-11-01", u"2026-11-30", u""}, error);
    EXPECT_TRUE(s && s->notes.empty());
    EXPECT_FALSE(make_statement(notes, {u"甲", u"2026-11-30", u"2026-11-01", u""}, error));
    EXPECT_EQ(error, u"结束日期早于开始日期，请重新选择对账期间");
    EXPECT_FALSE(make_statement(notes, {u"甲", u"2026-02-30", u"2026-03-01", u""}, error));
}

int32_t Fixed(PageFont font, std::u16string_view text) {
    int32_t w = 0;
    for (char16_t c : text) w += (c < 0x80 ? 9 : 17) * (font == PageFont::A4Title ? 2 : 1);
    return w;
}

TEST(Statement, PagesCarrySubtotalsTotalsInFiguresAndWordsAndTheirNumbers) {
    std::vector<DeliveryNote> notes;
    for (int i = 0; i < 30; ++i)
        notes.push_back(
            Note(u"SHD" + std::u16string(1, u'A' + i % 26) + std::u16string(1, u'0' + i / 26),
                 u"2026-11-02", u"甲", u"待送达", 4));
    std::u16string error;
    Statement s = *make_statement(notes, {u"甲", u"2026-11-01", u"2026-11-30", u""}, error);
    EXPECT_EQ(s.total_cents, 120 * 8753);
    auto pages = layout_statement(s, u"澄岚映辉照明科技有限公司", Fixed);
    ASSERT_GE(pages.size(), 3u);
    std::u16string all;
    for (std::size_t p = 0; p < pages.size(); ++p) {
        std::u16string page;
        for (const PageOp& op : pages[p])
            if (auto* t = std::get_if<PageText>(&op))
                page += t->text + u"\n";
        EXPECT_NE(page.find(u"第 " + format_int(static_cast<int64_t>(p + 1)) + u" 页 / 共 " +
                            format_int(static_cast<int64_t>(pages.size())) + u" 页"),
                  std::u16string::npos);
        EXPECT_EQ(page.find(u"供货单位（签章）") != std::u16string::npos, p + 1 == pages.size());
        all += page;
    }
    EXPECT_NE(all.find(u"350.12"), std::u16string::npos);  // a note's subtotal: 4 × 87.53
    EXPECT_NE(all.find(u"合计：¥10,503.60"), std::u16string::npos);
    EXPECT_NE(all.find(u"大写：人民币壹万零伍佰零叁元陆角"), std::u16string::npos);
    EXPECT_EQ(grouped_money(-123456789), u"-1,234,567.89");
    EXPECT_EQ(grouped_money(99), u"0.99");
}

}  // namespace
}  // namespace nv
