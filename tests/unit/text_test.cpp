#include "base/text.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace nv {
namespace {

TEST(Utf, RoundTripsChineseAndAstralText) {
    std::string utf8 = "送货单 LED\xF0\x9F\x98\x80!";
    std::u16string u16 = utf8_to_utf16(utf8);
    EXPECT_EQ(u16, u"送货单 LED\U0001F600!");
    EXPECT_EQ(utf16_to_utf8(u16), utf8);
    // Long ASCII runs are taken eight bytes at a time: the character after one, and a bad
    // byte inside the next eight, still convert as they stand.
    EXPECT_EQ(utf8_to_utf16("abcdefghij送abcdefg\xFFxyz"), u"abcdefghij送abcdefg\uFFFDxyz");
}

TEST(Utf, MalformedInputBecomesReplacementCharacters) {
    EXPECT_EQ(utf8_to_utf16("a\xFF"
                            "b"),
              u"a\uFFFDb");
    EXPECT_EQ(utf8_to_utf16("\xE9\x80"), u"\uFFFD\uFFFD");            // cut off by the end
    EXPECT_EQ(utf8_to_utf16("\xC0\xAF"), u"\uFFFD\uFFFD");            // overlong
    EXPECT_EQ(utf8_to_utf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
    std::u16string lone = u"x";
    lone.push_back(0xDC00);
    EXPECT_EQ(utf16_to_utf8(lone), "x\xEF\xBF\xBD");
}

TEST(Wcstod, ConvertsLikeTheRuntimeInTheClassicLocale) {
    std::size_t used = 0;
    EXPECT_EQ(wcstod_like(u"  12.5abc", &used), 12.5);
    EXPECT_EQ(used, 6u);
    EXPECT_EQ(wcstod_like(u"abc", &used), 0.0);
    EXPECT_EQ(used, 0u);
    EXPECT_EQ(wcstod_like(u"-", &used), 0.0);
    EXPECT_EQ(used, 0u);
    EXPECT_EQ(wcstod_like(u"+.5e1", &used), 5.0);
    EXPECT_EQ(used, 5u);
    EXPECT_EQ(wcstod_like(u"1e+", &used), 1.0);
    EXPECT_EQ(used, 1u);
    EXPECT_EQ(wcstod_like(u"0x1p4", &used), 16.0);
    EXPECT_EQ(used, 5u);
    EXPECT_EQ(wcstod_like(u"0xg", &used), 0.0);
    EXPECT_EQ(used, 1u);
    EXPECT_TRUE(std::isinf(wcstod_like(u"-Infinity", &used)));
    EXPECT_EQ(used, 9u);
    EXPECT_TRUE(std::isnan(wcstod_like(u"nan(123)", &used)));
    EXPECT_EQ(used, 8u);
    EXPECT_EQ(wcstod_like(u"1e999"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(wcstod_like(u"-1e999"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(wcstod_like(u"0.000001e-999"), 0.0);
    EXPECT_EQ(wcstod_like(u"1,5"), 1.0);  // the classic locale's point only
    EXPECT_EQ(wcstod_like(u"０"), 0.0);   // full-width digits are not digits
}

// What a person types into a quantity or price box: decimal numbers only.
TEST(ReadDecimal, DecimalNumbersOnly) {
    std::size_t used = 0;
    EXPECT_EQ(read_decimal(u" 3abc", &used), 3.0);
    EXPECT_EQ(used, 2u);
    EXPECT_EQ(read_decimal(u"-2.5e1x"), -25.0);
    EXPECT_EQ(read_decimal(u".5"), 0.5);
    EXPECT_EQ(read_decimal(u"0x10", &used), 0.0);  // hexadecimal is not decimal
    EXPECT_EQ(used, 1u);
    for (const char16_t* text : {u"inf", u"-Infinity", u"nan", u"NAN(1)", u"abc", u"", u"+"}) {
        EXPECT_EQ(read_decimal(text, &used), 0.0) << static_cast<int>(text[0]);
        EXPECT_EQ(used, 0u);
    }
    EXPECT_TRUE(std::isinf(read_decimal(u"1e999")));  // the caller refuses it
}

TEST(OnOneLine, ControlCharactersBecomeSpaces) {
    EXPECT_EQ(on_one_line(u"a\r\nb\tc\x7F\x01"
                          u"d 照明"),
              u"a  b c  d 照明");
}

TEST(Utf8Check, WellFormedOnly) {
    EXPECT_TRUE(is_utf8("plain [app] 澄岚 \xEF\xBF\xBD"));
    EXPECT_FALSE(is_utf8("caf\xE9"));
    EXPECT_FALSE(is_utf8("\xC0\xAF"));
}

TEST(Wcstoul16, StopsAtTheFirstNonHexDigit) {
    EXPECT_EQ(wcstoul16_like(u"00e9"), 0xE9u);
    EXPECT_EQ(wcstoul16_like(u"D83D"), 0xD83Du);
    EXPECT_EQ(wcstoul16_like(u"12zz"), 0x12u);
    EXPECT_EQ(wcstoul16_like(u"zzzz"), 0u);
    EXPECT_EQ(wcstoul16_like(u" 0x4"), 0x4u);
    EXPECT_EQ(static_cast<uint16_t>(wcstoul16_like(u"-001")), 0xFFFFu);
}

TEST(FormatFixed, MatchesPrintfRounding) {
    EXPECT_EQ(format_fixed(0.125, 2), "0.12");  // exactly representable: round half to even
    EXPECT_EQ(format_fixed(0.375, 2), "0.38");
    EXPECT_EQ(format_fixed(1.005, 2), "1.00");  // the double is just below 1.005
    EXPECT_EQ(format_fixed(241.0, 1), "241.0");
    EXPECT_EQ(format_fixed(-0.0, 0), "-0");
    EXPECT_EQ(format_fixed(1e300, 2).size(), 304u);
    EXPECT_EQ(format_int(-42), u"-42");
}

}  // namespace
}  // namespace nv
