#include "net/json.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <string>

namespace nv {
namespace {

using namespace std::string_literals;

JsonValue Parse(std::u16string_view text, bool expect_ok = true) {
    JsonValue v;
    EXPECT_EQ(json_parse(text, v), expect_ok) << std::string(text.begin(), text.end());
    return v;
}

bool Fails(std::u16string_view text) {
    JsonValue v;
    return !json_parse(text, v);
}

TEST(JsonParse, EmptyAndBlankTextFailButContainersBetweenBlanksParse) {
    EXPECT_TRUE(Fails(u""));
    EXPECT_TRUE(Fails(u" \t\r\n "));
    JsonValue a = Parse(u" \t[ ]\n");
    EXPECT_EQ(a.kind, JsonKind::Array);
    EXPECT_TRUE(a.elements.empty());
    JsonValue o = Parse(u"{}");
    EXPECT_EQ(o.kind, JsonKind::Object);
    EXPECT_TRUE(o.members.empty());
    // Only the four JSON blanks are whitespace: a vertical tab starts a (failed) number.
    EXPECT_TRUE(Fails(u"\v1"));
}

TEST(JsonParse, DuplicateKeysKeepDocumentOrderAndTheFirstWins) {
    JsonValue o = Parse(u"{\"a\":1,\"b\":true,\"a\":2}");
    ASSERT_EQ(o.members.size(), 3u);
    EXPECT_EQ(o.members[0].key, u"a");
    EXPECT_EQ(o.members[1].key, u"b");
    EXPECT_EQ(o.members[2].key, u"a");
    EXPECT_EQ(o.members[2].value.number, 2.0);
    EXPECT_EQ(json_number(o, u"a", -1), 1.0);
    EXPECT_EQ(json_find(o, u"A"), nullptr);  // keys are case-sensitive
}

TEST(JsonParse, MalformedContainersFail) {
    EXPECT_TRUE(Fails(u"[1,]"));
    EXPECT_TRUE(Fails(u"{\"a\":1,}"));
    EXPECT_TRUE(Fails(u"[1 2]"));
    EXPECT_TRUE(Fails(u"{\"a\" 1}"));
    EXPECT_TRUE(Fails(u"{a:1}"));
    EXPECT_TRUE(Fails(u"[1"));
    EXPECT_TRUE(Fails(u"{\"a\":1"));
    EXPECT_TRUE(Fails(u"{\"a\""));
    EXPECT_TRUE(Fails(u"["));
    EXPECT_TRUE(Fails(u"x"));
}

TEST(JsonParse, NumbersFollowTheLenientTokenRule) {
    struct Case {
        const char16_t* text;
        double value;
    } cases[] = {
        {u"-", 0.0},
        {u"+5", 5.0},
        {u"1.5e3", 1500.0},
        {u".5", 0.5},
        {u"1-2", 1.0},
        {u"-12.25", -12.25},
        {u"0", 0.0},
        {u"1e", 1.0},
        {u"+-5", 0.0},
        {u"1E+2", 100.0},
        {u"1e400", std::numeric_limits<double>::infinity()},
        {u"1e-400", 0.0},
        {u"12345678901234567890", 12345678901234567890.0},
    };
    for (const Case& c : cases) {
        JsonValue v = Parse(c.text);
        EXPECT_EQ(v.kind, JsonKind::Number);
        EXPECT_EQ(v.number, c.value)
            << std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text));
    }
    // The token 1-2 is consumed whole: nothing is left to break the array.
    JsonValue a = Parse(u"[1-2,3]");
    ASSERT_EQ(a.elements.size(), 2u);
    EXPECT_EQ(a.elements[0].number, 1.0);
    EXPECT_EQ(a.elements[1].number, 3.0);
}

TEST(JsonParse, LiteralsAreCheckedInFullButTheirFollowerIsNot) {
    JsonValue t = Parse(u"truex");
    EXPECT_EQ(t.kind, JsonKind::Boolean);
    EXPECT_TRUE(t.flag);
    EXPECT_FALSE(Parse(u"false").flag);
    EXPECT_EQ(Parse(u"null").kind, JsonKind::Null);
    EXPECT_TRUE(Fails(u"[truex]"));
    EXPECT_TRUE(Fails(u"tru"));
    EXPECT_TRUE(Fails(u"nul"));
    EXPECT_TRUE(Fails(u"fals3"));
    // Text after the top-level value is never examined.
    EXPECT_EQ(Parse(u"{\"a\":1} trailing junk").members.size(), 1u);
}

TEST(JsonParse, StringsKeepRawControlCharactersAndDecodeEscapes) {
    EXPECT_EQ(Parse(u"\"a\nb\"").text, u"a\nb");
    EXPECT_EQ(Parse(u"\"\\\"\\\\\\/\\b\\f\\n\\r\\t\"").text, u"\"\\/\b\f\n\r\t");
    EXPECT_EQ(Parse(u"\"\\q\"").text, u"q");
    EXPECT_EQ(Parse(u"\"\\u00e9\"").text, u"\u00e9");
    EXPECT_EQ(Parse(u"\"\\u00E9\"").text, u"\u00e9");
    EXPECT_EQ(Parse(u"\"送货单\"").text, u"送货单");
    std::u16string pair = Parse(u"\"\\uD83D\\uDE00\"").text;
    ASSERT_EQ(pair.size(), 2u);
    EXPECT_EQ(pair[0], 0xD83D);
    EXPECT_EQ(pair[1], 0xDE00);
    std::u16string lone = Parse(u"\"\\uD83Dx\"").text;
    ASSERT_EQ(lone.size(), 2u);
    EXPECT_EQ(lone[0], 0xD83D);
    // A high surrogate followed by an escape that is not a low surrogate keeps both units.
    std::u16string two = Parse(u"\"\\uD83D\\u0041\"").text;
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[1], u'A');
    // The four characters after \u are converted up to the first non-hex one.
    EXPECT_EQ(Parse(u"\"\\u4zzzB\"").text, std::u16string(1, char16_t(4)) + u"B");
    EXPECT_TRUE(Fails(u"\"\\u12\""));  // fewer than four characters before the end
    EXPECT_TRUE(Fails(u"\"\\u12"));
    EXPECT_TRUE(Fails(u"\"abc"));
    EXPECT_TRUE(Fails(u"\"abc\\"));
}

TEST(JsonParse, DepthIsLimited) {
    auto nested = [](int depth) {
        return std::u16string(static_cast<std::size_t>(depth), u'[') +
               std::u16string(static_cast<std::size_t>(depth), u']');
    };
    EXPECT_FALSE(Fails(nested(kJsonMaxDepth)));
    EXPECT_TRUE(Fails(nested(kJsonMaxDepth + 1)));
    // Far deeper input fails cleanly instead of exhausting the stack.
    EXPECT_TRUE(Fails(std::u16string(1'000'000, u'[')));
    std::u16string objects;
    for (int i = 0; i < 100'000; ++i) objects += u"{\"a\":";
    EXPECT_TRUE(Fails(objects));
}

TEST(JsonAccessors, MemberAsTextAndNumberWithDefaults) {
    JsonValue o = Parse(
        u"{\"i\":3,\"f\":3.14159,\"b\":true,\"n\":null,\"s\":\"12.5\",\"w\":\"abc\","
        u"\"lead\":\"  7x\",\"arr\":[1],\"obj\":{}}");
    EXPECT_EQ(json_text(o, u"i", u"d"), u"3");
    EXPECT_EQ(json_text(o, u"f", u"d"), u"3.14");
    EXPECT_EQ(json_text(o, u"b", u"d"), u"d");
    EXPECT_EQ(json_text(o, u"n", u"d"), u"d");
    EXPECT_EQ(json_text(o, u"arr", u"d"), u"d");
    EXPECT_EQ(json_text(o, u"missing", u"d"), u"d");
    EXPECT_EQ(json_text(o, u"s", u"d"), u"12.5");
    EXPECT_EQ(json_number(o, u"s", -1), 12.5);
    EXPECT_EQ(json_number(o, u"w", -1), -1);
    EXPECT_EQ(json_number(o, u"lead", -1), 7);
    EXPECT_EQ(json_number(o, u"b", -1), -1);
    EXPECT_EQ(json_number(o, u"obj", -1), -1);
    EXPECT_EQ(json_number(o, u"missing", -1), -1);
    JsonValue arr = Parse(u"[{\"a\":1}]");
    EXPECT_EQ(json_find(arr, u"a"), nullptr);  // not an object
    EXPECT_EQ(json_number(arr, u"a", 9), 9);
}

TEST(JsonNumberText, IntegralFractionalAndOutOfRangeValues) {
    EXPECT_EQ(number_text(12), u"12");
    EXPECT_EQ(number_text(12.5), u"12.50");
    EXPECT_EQ(number_text(0.1), u"0.10");
    EXPECT_EQ(number_text(-3), u"-3");
    EXPECT_EQ(number_text(2.675), u"2.67");  // the double just below 2.675, rounded exactly
    EXPECT_EQ(number_text(0.005), u"0.01");
    EXPECT_EQ(number_text(-0.5), u"-0.50");
    EXPECT_EQ(number_text(9007199254740993.0), u"9007199254740992");
    EXPECT_EQ(number_text(-9223372036854775808.0), u"-9223372036854775808");
    // 2^63 is outside the signed 64-bit range: "%.2f".
    EXPECT_EQ(number_text(9223372036854775808.0), u"9223372036854775808.00");
    EXPECT_EQ(number_text(1e30), u"1000000000000000019884624838656.00");
    EXPECT_EQ(number_text(std::numeric_limits<double>::quiet_NaN()), u"nan");
    EXPECT_EQ(number_text(std::numeric_limits<double>::infinity()), u"inf");
    // The widest text that still fits the 64-character buffer: 60 digits, ".00".
    std::u16string fits = number_text(9e59);
    EXPECT_EQ(fits.size(), 63u);
    EXPECT_EQ(fits.substr(fits.size() - 3), u".00");
    // Beyond it the shortest scientific form, still a JSON number that parses back.
    EXPECT_EQ(number_text(2e60), u"2e+60");  // 61 digits and ".00": 64 characters
    EXPECT_EQ(number_text(-1.5e70), u"-1.5e+70");
    EXPECT_EQ(number_text(1.7976931348623157e308), u"1.7976931348623157e+308");
    JsonValue back = Parse(number_text(-1.5e70));
    EXPECT_EQ(back.number, -1.5e70);
}

TEST(JsonEscape, ControlCharactersQuotesAndBackslashes) {
    EXPECT_EQ(json_escape(u"\"\\\t\u0001"), u"\\\"\\\\\\t\\u0001");
    EXPECT_EQ(json_escape(u"a/b"), u"a/b");
    EXPECT_EQ(json_escape(u"\n\r\u001f\u0008"), u"\\n\\r\\u001f\\u0008");
    EXPECT_EQ(json_escape(u"照明\U0001F600"), u"照明\U0001F600");
    // Escaped text reads back unchanged.
    std::u16string tricky = u"line1\nline2\t\"q\"\\ \u0000\u007f"s;
    tricky.push_back(0xD800);  // lone surrogate passes through
    JsonValue v = Parse(u"\"" + json_escape(tricky) + u"\"");
    EXPECT_EQ(v.text, tricky);
}

}  // namespace
}  // namespace nv
