#include "finance/money.h"

#include <gtest/gtest.h>
#include <string>

#include "base/cents.h"

namespace nv {
namespace {

void ExpectAccepted(std::u16string_view text, int64_t cents) {
    AmountParse r = parse_amount(text);
    EXPECT_TRUE(r.accepted) << std::string(text.begin(), text.end());
    EXPECT_EQ(r.cents, cents) << std::string(text.begin(), text.end());
}

void ExpectRejected(std::u16string_view text) {
    AmountParse r = parse_amount(text);
    EXPECT_FALSE(r.accepted) << std::string(text.begin(), text.end());
    EXPECT_EQ(r.cents, 0);
}

TEST(ParseAmount, AcceptsDigitsWithUpToTwoDecimals) {
    ExpectAccepted(u"12.34", 1234);
    ExpectAccepted(u"0.01", 1);
    ExpectAccepted(u"12", 1200);
    ExpectAccepted(u"12.3", 1230);
    ExpectAccepted(u"", 0);
    ExpectAccepted(u"0", 0);
    ExpectAccepted(u"0.00", 0);
    ExpectAccepted(u"007", 700);
}

TEST(ParseAmount, RejectsSignsExponentsBlanksAndStrayPoints) {
    for (const char16_t* t : {u"12.345", u"-1", u"+1", u"nan", u"1e2", u"1.", u".1", u".", u"1.2.3",
                              u" 12", u"12 ", u"1,000", u"１２", u"12a", u"0x10"}) {
        ExpectRejected(t);
    }
}

TEST(ParseAmount, UpperBoundAndOverflowGuard) {
    ExpectAccepted(u"999999999999.99", 99'999'999'999'999);
    ExpectAccepted(u"999999999999", 99'999'999'999'900);
    ExpectRejected(u"1000000000000");  // 10^12 × 100 is not below 10^14
    ExpectRejected(u"1000000000000.00");
    ExpectRejected(u"999999999999999999999999");
    ExpectRejected(std::u16string(400, u'9'));
    // Leading zeros keep the value at 0 and pass the guard.
    ExpectAccepted(std::u16string(18, u'0') + u"12", 1200);
    ExpectAccepted(u"0012.5", 1250);
    ExpectAccepted(std::u16string(1000, u'0') + u".05", 5);
}

TEST(FormatAmount, WholePartPointAndTwoDigitsOfCents) {
    EXPECT_EQ(format_amount(1234), u"12.34");
    EXPECT_EQ(format_amount(1), u"0.01");
    EXPECT_EQ(format_amount(5), u"0.05");
    EXPECT_EQ(format_amount(10), u"0.10");
    EXPECT_EQ(format_amount(100), u"1.00");
    EXPECT_EQ(format_amount(1200), u"12.00");
    EXPECT_EQ(format_amount(0), u"0.00");
    EXPECT_EQ(format_amount(99'999'999'999'999), u"999999999999.99");
    // Sums of many lines may pass the per-field limit and stay exact.
    EXPECT_EQ(format_amount(INT64_MAX), u"92233720368547758.07");
    EXPECT_EQ(format_amount(-5), u"-0.05");
    EXPECT_EQ(format_amount(INT64_MIN), u"-92233720368547758.08");
}

TEST(FormatAmount, RoundTripsEveryAcceptedTwoDecimalText) {
    for (int64_t cents : {0LL, 1LL, 99LL, 100LL, 101LL, 123456789LL, 99'999'999'999'999LL}) {
        AmountParse r = parse_amount(format_amount(cents));
        EXPECT_TRUE(r.accepted);
        EXPECT_EQ(r.cents, cents);
    }
}

TEST(CapitalAmount, ZerosInsideAndAtTheEndJiaoFenSignAndRange) {
    struct {
        int64_t cents;
        const char16_t* text;
    } cases[] = {
        {1067000, u"人民币壹万零陆佰柒拾元整"},
        {10005, u"人民币壹佰元零伍分"},
        {1000, u"人民币壹拾元整"},
        {0, u"人民币零元整"},
        {50, u"人民币伍角"},
        {5, u"人民币伍分"},
        {123456, u"人民币壹仟贰佰叁拾肆元伍角陆分"},
        {10000000000, u"人民币壹亿元整"},
        {10001000000, u"人民币壹亿零壹万元整"},
        {10000000100, u"人民币壹亿零壹元整"},
        {100100, u"人民币壹仟零壹元整"},
        {-2050, u"人民币负贰拾元伍角"},
        {kMaxCents, u"人民币玖仟玖佰玖拾玖亿玖仟玖佰玖拾玖万玖仟玖佰玖拾玖元玖角玖分"},
    };
    for (const auto& c : cases) EXPECT_EQ(capital_amount(c.cents), c.text) << c.cents;
    EXPECT_EQ(capital_amount(kMaxCents + 1), std::nullopt);
    EXPECT_EQ(capital_amount(-kMaxCents - 1), std::nullopt);
}

}  // namespace
}  // namespace nv
