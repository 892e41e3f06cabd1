#include "print/page_layout.h"

#include <gtest/gtest.h>

#include "base/text.h"
#include "fakes/print_fixture.h"

namespace nv {
namespace {

// The settings start-up seeds (margins 8/8/5/5, row 6.0 mm: 11 rows) at 300 dpi.
PageDevice Seeded() {
    PageDevice d;
    d.settings = fixture::seeded_print_settings();
    return d;
}

PrintJob Job(std::size_t items) {
    PrintJob j;
    j.company = u"澄岚映辉照明科技有限公司";
    j.number = u"SHD20261206090000";
    j.customer = u"广州天河灯饰";
    j.date = u"2026-12-06";
    j.remark = u"轻放";
    for (std::size_t i = 0; i < items; ++i) {
        Item it;
        it.product = u"LED灯带";
        it.quantity = 2.5;
        it.price = 35;
        j.items.push_back(it);
        j.total += 87.5;
    }
    return j;
}

int32_t FixedHeight(PageFont) {
    return 30;
}

std::vector<PageText> Texts(const PageLayout& p) {
    std::vector<PageText> out;
    for (const PageOp& op : p.ops)
        if (auto* t = std::get_if<PageText>(&op))
            out.push_back(*t);
    return out;
}

const PageText* Find(const std::vector<PageText>& texts, std::u16string_view text) {
    for (const PageText& t : texts)
        if (t.text == text)
            return &t;
    return nullptr;
}

TEST(PageLayout, TwentyThreeItemsMakeThreePagesWithRunningNumbersAndTheFooterLast) {
    PageDevice d = Seeded();
    PrintJob job = Job(23);
    ASSERT_EQ(rows_per_page(d.settings), 11);
    ASSERT_EQ(page_count(job.items.size(), 11), 3u);
    std::size_t next = 0;
    const std::size_t expected_next[] = {11, 22, 23};
    for (int page = 0; page < 3; ++page) {
        PageLayout p = layout_page(d, job, next, page == 2, FixedHeight);
        auto texts = Texts(p);
        EXPECT_EQ(p.next_item, expected_next[page]);
        EXPECT_NE(Find(texts, format_fixed_u16(static_cast<double>(next + 1), 0)), nullptr);
        EXPECT_NE(Find(texts, u"合计：¥2012.50"), nullptr) << page;  // the whole note's total
        EXPECT_EQ(Find(texts, u"收货人") != nullptr, page == 2);
        EXPECT_EQ(Find(texts, u"备注：轻放") != nullptr, page == 2);
        next = p.next_item;
    }
    EXPECT_EQ(page_count(0, 11), 1u);
}

// Positions from the millimetre formulas at 300 dpi: X(8) = 94, X(233) = 2752, the table head
// at Y(40.5) = 478 to 478 + Y(5.4) = 542, a row Y(6.0) = 71 high.
TEST(PageLayout, PositionsFollowTheMillimetreFormulas) {
    PageLayout p = layout_page(Seeded(), Job(1), 0, true, FixedHeight);
    auto texts = Texts(p);
    const PageText* company = Find(texts, u"澄岚映辉照明科技有限公司");
    ASSERT_NE(company, nullptr);
    EXPECT_EQ(company->box, (PageRect{94, 59, 2752, 130}));
    const PageText* title = Find(texts, u"送  货  单");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->box.top, 155);  // Y(13.1)
    const PageText* no = Find(texts, u"序号");
    ASSERT_NE(no, nullptr);
    EXPECT_EQ(no->box, (PageRect{94, 478, 94 + 132, 542}));  // X(225 mm × 0.0497) = 132
    const PageText* last_head = Find(texts, u"小计");
    ASSERT_NE(last_head, nullptr);
    EXPECT_EQ(last_head->box.right, 2752);  // the last column ends at the right edge
    const PageText* first_cell = Find(texts, u"1");
    ASSERT_NE(first_cell, nullptr);
    EXPECT_EQ(first_cell->box, (PageRect{96, 543, 94 + 132 - 2, 542 + 71 - 1}));
    const PageText* total = Find(texts, u"合计：¥87.50");
    ASSERT_NE(total, nullptr);
    EXPECT_EQ(total->box.top, 613 + 12);  // Y(1.0) below the last row
    // The date: right aligned at R − 1, vertically centred by the font's character height.
    int dates = 0;
    for (const PageOp& op : p.ops) {
        if (auto* at = std::get_if<PageTextAt>(&op)) {
            ++dates;
            EXPECT_EQ(at->text, u"日期：2026-12-06");
            EXPECT_EQ(at->x, 2751);
            EXPECT_EQ(at->top, 253 + (48 - 30) / 2);  // T = Y(21.4), h = Y(4.1)
        }
    }
    EXPECT_EQ(dates, 1);
    // The title rule uses the DC's pen; every table rule the solid black one.
    ASSERT_TRUE(std::holds_alternative<PageLine>(p.ops[2]));
    EXPECT_FALSE(std::get<PageLine>(p.ops[2]).table_pen);
}

TEST(PageLayout, EmptyFieldsAndANoteWithoutItems) {
    PrintJob job;
    PageLayout p = layout_page(Seeded(), job, 0, true, FixedHeight);
    auto texts = Texts(p);
    EXPECT_EQ(p.next_item, 0u);
    for (const char16_t* t :
         {u"澄岚映辉", u"单号：", u"客户：", u"项目：-", u"联系人：-", u"地址：-", u"合计：¥0.00",
          u"送货人", u"送货日期：____年____月____日"})
        EXPECT_NE(Find(texts, t), nullptr) << static_cast<int>(t[0]);
    EXPECT_EQ(Find(texts, u"备注："), nullptr);  // an empty remark draws nothing
    // Without rows the twelve vertical rules span the head only.
    int verticals = 0;
    for (const PageOp& op : p.ops) {
        if (auto* l = std::get_if<PageLine>(&op); l && l->x1 == l->x2) {
            ++verticals;
            EXPECT_EQ(l->y1, 478);
            EXPECT_EQ(l->y2, 542);
        }
    }
    EXPECT_EQ(verticals, 12);
}

TEST(PageLayout, CellTextsAndEllipsisColumns) {
    PageLayout p = layout_page(Seeded(), Job(1), 0, false, FixedHeight);
    auto texts = Texts(p);
    const PageText* quantity = Find(texts, u"2");  // 2.5 printed as "%.0f"
    ASSERT_NE(quantity, nullptr);
    const PageText* product = Find(texts, u"LED灯带");
    ASSERT_NE(product, nullptr);
    EXPECT_TRUE(product->align & text_align::kEllipsis);
    EXPECT_FALSE(quantity->align & text_align::kEllipsis);
    EXPECT_NE(Find(texts, u"¥35.00"), nullptr);
    EXPECT_NE(Find(texts, u"¥87.50"), nullptr);  // the exact product
}

TEST(PageFonts, HeightsScaleByTruncatedHundredthsOfAPoint) {
    EXPECT_EQ(page_font_height(PageFont::Heading, 1.0, 300), -56);  // 13.5 pt: 56.25
    EXPECT_EQ(page_font_height(PageFont::Heading, 1.2, 300), -68);  // 16.2 pt: 67.5 rounds up
    EXPECT_EQ(page_font_height(PageFont::TableBody, 1.0, 300), -31);
}

}  // namespace
}  // namespace nv
