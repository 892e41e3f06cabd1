#include "notes/records.h"

#include <gtest/gtest.h>

#include "fakes/fakes.h"

namespace nv {
namespace {

TEST(NoteNumberAndDate, ComeFromTheLocalClock) {
    fake::set_local_now({2025, 1, 2, 3, 4, 5});
    EXPECT_EQ(new_note_number(), u"SHD20250102030405");
    EXPECT_EQ(today_date(), u"2025-01-02");
    fake::set_local_now({2026, 12, 31, 23, 59, 9});
    EXPECT_EQ(new_note_number(), u"SHD20261231235909");
    EXPECT_EQ(today_date(), u"2026-12-31");
}

Item MakeItem(double quantity, double price) {
    Item item;
    item.product = u"LED灯带";
    item.quantity = quantity;
    item.price = price;
    return item;
}

TEST(Totals, LineAmountsAndNoteTotalAreUnroundedProducts) {
    EXPECT_EQ(line_amount(MakeItem(1.5, 10)), 15.0);
    EXPECT_EQ(money_text(line_amount(MakeItem(1.5, 10))), u"15.00");
    EXPECT_EQ(quantity_text(1.5), u"1.50");
    EXPECT_EQ(quantity_text(3), u"3");

    DeliveryNote note;
    EXPECT_EQ(note_total(note), 0.0);
    EXPECT_EQ(money_text(note_total(note)), u"0.00");
    note.items = {MakeItem(0.1, 1), MakeItem(0.2, 1)};
    EXPECT_EQ(note_total(note), 0.1 + 0.2);  // not rounded to 0.3 on the way
    EXPECT_EQ(money_text(note_total(note)), u"0.30");
    // Negative quantities and prices are not rejected here; they enter the total as they are.
    note.items = {MakeItem(2, 35), MakeItem(-1, 35), MakeItem(1, -0.5)};
    EXPECT_EQ(note_total(note), 34.5);
    EXPECT_EQ(money_text(-0.5), u"-0.50");
    EXPECT_EQ(money_text(1234567.125), u"1234567.12");
}

}  // namespace
}  // namespace nv
