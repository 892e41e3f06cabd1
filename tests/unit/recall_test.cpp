// What the editor offers for the customer and product boxes: the order, the matching, and that
// nothing the user typed is overwritten.
#include "notes/recall.h"

#include <gtest/gtest.h>

namespace nv {
namespace {

DeliveryNote Note(int32_t id, std::u16string date, std::u16string customer,
                  std::vector<Item> items = {}) {
    DeliveryNote n;
    n.id = id;
    n.date = std::move(date);
    n.customer = std::move(customer);
    n.project = u"项目" + n.customer;
    n.contact = u"王工";
    n.contact_phone = u"138";
    n.address = u"地址" + n.date;
    n.items = std::move(items);
    return n;
}

Item Product(std::u16string product, std::u16string unit, double price) {
    Item it;
    it.product = std::move(product);
    it.model = u"M-" + it.product;
    it.unit = std::move(unit);
    it.price = price;
    it.quantity = 5;
    return it;
}

TEST(Recall, MostRecentFirstByDateByPrefixOrInitialsAtMostTen) {
    std::vector<DeliveryNote> notes = {
        Note(3, u"2026-12-01", u"广州天河灯饰批发中心"), Note(9, u"2026-11-01", u"广州番禺照明"),
        Note(2, u"2026-12-05", u"佛山照明城"), Note(8, u"2026-12-01", u"广东中山古镇灯具"),
        Note(1, u"2026-10-01", u"广州天河灯饰批发中心")};
    for (int i = 0; i < 12; ++i)
        notes.push_back(Note(20 + i, u"2025-01-01", u"广" + std::u16string(1, u'a' + i)));
    Recall r;
    r.load(notes);
    // The same date: the later note first. A name once, at its latest use.
    EXPECT_EQ(r.customers(u"广州"),
              (std::vector<std::u16string>{u"广州天河灯饰批发中心", u"广州番禺照明"}));
    EXPECT_EQ(r.customers(u"gz"),
              (std::vector<std::u16string>{u"广东中山古镇灯具", u"广州天河灯饰批发中心",
                                           u"广州番禺照明"}));
    EXPECT_EQ(r.customers(u"GZTH"), std::vector<std::u16string>{u"广州天河灯饰批发中心"});
    EXPECT_EQ(r.customers(u"zm"), (std::vector<std::u16string>{u"佛山照明城", u"广州番禺照明"}));
    EXPECT_EQ(r.customers(u"广").size(), Recall::kMaxProposals);
    EXPECT_EQ(r.customers(u"广")[0], u"广东中山古镇灯具");  // the same date: the later note
    EXPECT_TRUE(r.customers(u"").empty());
    EXPECT_TRUE(r.customers(u"深圳").empty());
}

TEST(Recall, TakingFillsOnlyWhatIsStillEmpty) {
    std::vector<DeliveryNote> notes = {
        Note(5, u"2026-12-05", u"甲", {Product(u"LED灯带", u"卷", 35)}),
        Note(4, u"2026-12-04", u"乙", {Product(u"LED灯带", u"米", 30), Product(u"筒灯", u"", 12)}),
        Note(2, u"2026-11-01", u"甲", {Product(u"LED灯带", u"卷", 33)})};
    Recall r;
    r.load(notes);
    CustomerBoxes typed{u"", u"", u"", u"我填的地址"};
    ASSERT_TRUE(r.fill_customer(u"甲", typed));
    EXPECT_EQ(typed.project, u"项目甲");
    EXPECT_EQ(typed.address, u"我填的地址");  // typed first: kept
    EXPECT_EQ(typed.contact, u"王工");
    EXPECT_FALSE(r.fill_customer(u"丙", typed));
    // This customer's latest line and price; another customer's line without a price.
    ProductBoxes mine{u"", u"", u"", u"", u"", u"个", u""};
    ASSERT_TRUE(r.fill_product(u"LED灯带", u"甲", mine));
    EXPECT_EQ(mine.unit, u"卷");
    EXPECT_EQ(mine.price, u"35.00");
    EXPECT_EQ(mine.model, u"M-LED灯带");
    ProductBoxes other{u"自填型号", u"", u"", u"", u"", u"支", u""};
    ASSERT_TRUE(r.fill_product(u"筒灯", u"甲", other));
    EXPECT_EQ(other.model, u"自填型号");
    EXPECT_EQ(other.unit, u"支");  // changed by the user: kept
    EXPECT_EQ(other.price, u"");   // 甲 never bought it
    ProductBoxes fresh{u"", u"", u"", u"", u"", u"个", u""};
    ASSERT_TRUE(r.fill_product(u"LED灯带", u"新客户", fresh));
    EXPECT_EQ(fresh.unit, u"卷");  // the latest of any customer
    EXPECT_EQ(fresh.price, u"");
    EXPECT_EQ(r.products(u"LED"), std::vector<std::u16string>{u"LED灯带"});
    EXPECT_EQ(r.products(u"td"), std::vector<std::u16string>{u"筒灯"});
}

}  // namespace
}  // namespace nv
