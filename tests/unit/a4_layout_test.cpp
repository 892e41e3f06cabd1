// The A4 export pages with a measurer of fixed advances, as 宋体 draws them: 17 pixels a Chinese
// character and 9 an ASCII one in the body font; 30 and 15 in the title font.
#include "export/a4_layout.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace nv {
namespace {

int32_t Fixed(PageFont font, std::u16string_view text) {
    int32_t w = 0;
    for (char16_t c : text)
        w += (c < 0x80 ? 9 : 17) * (font == PageFont::A4Title ? 2 : 1) -
             (font == PageFont::A4Title && c < 0x80 ? 3 : 0);
    return w;
}

DeliveryNote Note(std::size_t items, std::u16string product = u"LED灯带") {
    DeliveryNote n;
    n.number = u"SHD1";
    for (std::size_t i = 0; i < items; ++i) {
        Item it;
        it.product = product;
        it.quantity = 2;
        it.price = 3.5;
        n.items.push_back(it);
    }
    return n;
}

std::vector<const PageText*> Texts(const std::vector<PageOp>& page, std::u16string_view text) {
    std::vector<const PageText*> out;
    for (const PageOp& op : page)
        if (auto* t = std::get_if<PageText>(&op); t && t->text == text)
            out.push_back(t);
    return out;
}

// The top of the first row whose running number is `number`.
int32_t RowTop(const std::vector<PageOp>& page, std::u16string_view number) {
    auto found = Texts(page, number);
    return found.empty() ? -1 : found.front()->box.top - 5;
}

TEST(A4Layout, PageCountsFollowFromTheGeometry) {
    EXPECT_EQ(layout_a4(Note(0), u"澄岚", Fixed).size(), 1u);  // title row and footer only
    // 36 single-line rows leave room for the 110-pixel footer; a 37th moves to a new page with
    // the footer.
    EXPECT_EQ(layout_a4(Note(36), u"澄岚", Fixed).size(), 1u);
    auto two = layout_a4(Note(37), u"澄岚", Fixed);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(RowTop(two[1], u"37"), 128);
    EXPECT_EQ(Texts(two[1], u"送货单（续页）").size(), 1u);
    // 39 rows fill the first page, 46 a continuation page.
    auto three = layout_a4(Note(100), u"澄岚", Fixed);
    ASSERT_EQ(three.size(), 3u);
    EXPECT_EQ(RowTop(three[0], u"1"), 352);
    EXPECT_EQ(RowTop(three[0], u"39"), 352 + 38 * 32);
    EXPECT_EQ(RowTop(three[1], u"40"), 128);
    EXPECT_EQ(RowTop(three[2], u"86"), 128);
    EXPECT_TRUE(Texts(three[0], u"送货单（续页）").empty());
    EXPECT_EQ(Texts(three[2], u"送货日期：____年____月____日").size(), 1u);
}

TEST(A4Layout, AWrappedRowSplitsAcrossPages) {
    // 11 characters fit the product column (190 px): 110 characters make 10 lines.
    DeliveryNote n = Note(38);
    Item tall = n.items[0];
    tall.product = std::u16string(110, u'灯');
    n.items.push_back(tall);
    n.items.push_back(n.items[0]);
    auto pages = layout_a4(n, u"澄岚", Fixed);
    ASSERT_EQ(pages.size(), 2u);
    auto line = std::u16string(11, u'灯');
    EXPECT_EQ(Texts(pages[0], line).size(), 1u);   // one line left at the bottom of page 1
    EXPECT_EQ(Texts(pages[1], line).size(), 9u);   // the other nine under the titles
    EXPECT_EQ(Texts(pages[1], u"39").size(), 0u);  // the number stays with its first line
}

TEST(A4Layout, TheLastRowStaysWhenItCouldNotShareAnyPageWithTheFooter) {
    DeliveryNote n = Note(30);
    n.items.back().product = std::u16string(62 * 11, u'灯');  // 62 lines: 1374 + 110 >= 1464
    auto pages = layout_a4(n, u"澄岚", Fixed);
    EXPECT_EQ(RowTop(pages[0], u"30"), 352 + 29 * 32);  // not moved to a new page
    DeliveryNote m = Note(30);
    m.items.back().product = std::u16string(50 * 11, u'灯');  // 50 lines: fits a fresh page
    auto moved = layout_a4(m, u"澄岚", Fixed);
    EXPECT_EQ(RowTop(moved[0], u"30"), -1);
    EXPECT_EQ(RowTop(moved[1], u"30"), 128);
}

TEST(A4Layout, TextsRemarkAndCompanyLine) {
    DeliveryNote n = Note(1);
    n.remark = u"第一行\r\n第二行";
    n.contact = u"王";
    auto page = layout_a4(n, u"", Fixed)[0];
    auto title = Texts(page, u"送货单");
    ASSERT_EQ(title.size(), 1u);
    EXPECT_EQ(title[0]->box.top, 112);  // an empty company still takes its 42-pixel line
    EXPECT_EQ(Texts(page, u"备注：第一行").size(), 1u);
    EXPECT_EQ(Texts(page, u"第二行").size(), 1u);
    EXPECT_EQ(Texts(page, u"联系人：王  ").size(), 1u);  // the two blanks even without a phone
    EXPECT_EQ(Texts(page, u"合计：¥7.00").size(), 1u);
    auto cells = Texts(page, u"3.50");
    ASSERT_EQ(cells.size(), 1u);
    EXPECT_TRUE(cells[0]->align & text_align::kRight);
    EXPECT_EQ(wrap_text(u"", 100, PageFont::A4Body, Fixed).size(), 1u);
    EXPECT_EQ(wrap_text(u"ab\n\ncd", 100, PageFont::A4Body, Fixed),
              (std::vector<std::u16string>{u"ab", u"", u"cd"}));
    // A character beyond the basic plane (𠀀, a surrogate pair) at every place a line can end
    // is never split between its halves.
    for (std::size_t at = 0; at <= 12; ++at) {
        std::u16string text = std::u16string(at, u'a') + u"𠀀" + std::u16string(12, u'b');
        std::u16string joined;
        for (const std::u16string& line : wrap_text(text, 60, PageFont::A4Body, Fixed)) {
            ASSERT_FALSE(line.empty()) << at;
            EXPECT_FALSE(line.back() >= 0xD800 && line.back() <= 0xDBFF) << at;
            EXPECT_FALSE(line.front() >= 0xDC00 && line.front() <= 0xDFFF) << at;
            joined += line;
        }
        EXPECT_EQ(joined, text) << at;
    }
}

// With every text one pixel a character, every row is one line: 39 rows on the first page, 46
// on each continuation page, and the last row moves to a page of its own with the footer.
int32_t Narrow(PageFont, std::u16string_view text) {
    return static_cast<int32_t>(text.size());
}

TEST(A4Layout, MoreThanFiveHundredPagesAreRefused) {
    EXPECT_EQ(layout_a4(Note(39 + 46 * 498), u"澄岚", Narrow).size(), 500u);
    EXPECT_THROW(layout_a4(Note(39 + 46 * 499), u"澄岚", Narrow), std::runtime_error);
}

}  // namespace
}  // namespace nv
