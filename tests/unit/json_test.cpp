// The parse rules themselves are pinned by tests/e2e/json_record.sh over hundreds of inputs;
// these cover the accessors, the strict reading of request bodies and the UTF-16 views.
#include "base/json.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace nv {
namespace {

using namespace std::string_literals;

JsonValue Parse(const std::string& text, bool expect_ok = true) {
    JsonValue v;
    EXPECT_EQ(json_parse(text, v), expect_ok) << text;
    return v;
}

bool Strict(const std::string& text, int depth = 64) {
    JsonValue v;
    return json_parse_strict(text, v, depth);
}

TEST(JsonParse, TreeInDocumentOrderDuplicatesKeptFirstFound) {
    JsonValue o = Parse(R"({"a":[1,[2,3],{"k":4}],"b":true,"a":2})");
    std::vector<std::u16string> keys;
    for (const JsonMember& m : o.members()) keys.push_back(m.key());
    EXPECT_EQ(keys, (std::vector<std::u16string>{u"a", u"b", u"a"}));
    EXPECT_EQ(o.size(), 3u);
    std::optional<JsonValue> a = json_find(o, u"a");
    ASSERT_TRUE(a && a->kind() == JsonKind::Array);
    std::vector<JsonKind> kinds;
    for (const JsonValue& e : a->elements()) kinds.push_back(e.kind());
    EXPECT_EQ(kinds, (std::vector<JsonKind>{JsonKind::Number, JsonKind::Array, JsonKind::Object}));
    EXPECT_EQ(a->elements()[1].size(), 2u);
    EXPECT_TRUE(json_find(o, u"b")->flag());
    EXPECT_FALSE(json_find(o, u"A"));  // keys are case-sensitive
    // A value outlives the value it came from: it shares the document.
    JsonValue inner;
    {
        JsonValue doc = Parse(R"({"x":{"y":"送货单"}})");
        inner = *json_find(doc, u"x");
    }
    EXPECT_EQ(json_text(inner, u"y", u""), u"送货单");
}

TEST(JsonParse, LenientEscapesCountUtf16Units) {
    // "\u" takes the next four UTF-16 units whatever they are: here 中, 文, a, b.
    EXPECT_EQ(Parse("\"\\u中文ab\"").text(), std::u16string(1, u'\0'));
    // ...and a closing quote among them does not end the string.
    EXPECT_EQ(Parse("\"\\u12\",\" x\"").text(), std::u16string(1, u'\x12'));
    // A character of two units counts two: the low half is then a plain unit.
    std::u16string split = Parse("\"\\u123😀\"").text();
    ASSERT_EQ(split.size(), 2u);
    EXPECT_EQ(split[0], 0x123);
    EXPECT_EQ(split[1], 0xDE00);
    EXPECT_EQ(Parse("\"\\uD83D\\uDE00\"").text(), u"\U0001F600");
    EXPECT_EQ(Parse("\"\\uD83Dx\"").text(), u"\xD83Dx"s);
    EXPECT_EQ(Parse("\"\\q\\/\"").text(), u"q/");
    EXPECT_EQ(Parse("\"a\nb\"").text(), u"a\nb");  // raw control characters are kept
    EXPECT_EQ(Parse("[\"\xE4\xB8\", \"\xFF\"]").elements()[0].text(), u"\xFFFD\xFFFD");
    Parse("\"\\u12", false);
}

TEST(JsonParse, StrictReadingOfRequestBodies) {
    for (const char* ok :
         {"0", "-0.5e+3", " [1, 2.50, -3E2] ", "{\"a\":{}}", "\"\"", "null", "[false,null,\"x\"]"})
        EXPECT_TRUE(Strict(ok)) << ok;
    for (const char* bad :
         {"",      " ",        "[1,]",    "{\"a\":1,}",  "[1 2]",  "01",      "+1",
          ".5",    "1.",       "1e",      "-",           "NaN",    "1.5e3x",  "[] []",
          "truex", "\"a\tb\"", "\"\\x\"", "\"\\u12G4\"", "\"open", "{\"a\":1"})
        EXPECT_FALSE(Strict(bad)) << bad;
    EXPECT_TRUE(Strict("[[[1]]]", 3));
    EXPECT_FALSE(Strict("[[[[1]]]]", 3));
    JsonValue v;
    ASSERT_TRUE(json_parse_strict(
        R"({"price":35.10,"big":123456789012345678901234567890,"s":"a\"b\\c\/\n\u00e9\ud83d\ude00","lone":"\ud800x","k\u0065y":1})",
        v, 64));
    EXPECT_EQ(v.find_utf8("price")->token(), "35.10");
    EXPECT_EQ(v.find_utf8("big")->token(), "123456789012345678901234567890");
    EXPECT_EQ(v.find_utf8("s")->text_utf8(), "a\"b\\c/\n\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(v.find_utf8("lone")->text_utf8(), "\xEF\xBF\xBDx");
    EXPECT_TRUE(v.find_utf8("key"));  // keys are compared decoded
    EXPECT_FALSE(v.find_utf8("missing"));
}

TEST(JsonParse, DepthIsLimited) {
    auto nested = [](int depth) {
        return std::string(static_cast<std::size_t>(depth), '[') +
               std::string(static_cast<std::size_t>(depth), ']');
    };
    Parse(nested(kJsonMaxDepth));
    Parse(nested(kJsonMaxDepth + 1), false);
    Parse(std::string(1'000'000, '['), false);  // fails cleanly instead of exhausting the stack
}

TEST(JsonAccessors, MemberAsTextAndNumberWithDefaults) {
    JsonValue o = Parse(R"({"i":3,"f":3.14159,"b":true,"n":null,"s":"12.5","w":"abc",)"
                        R"("lead":"  7x","arr":[1],"obj":{},"e":1.5e3,"t":1-2})");
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
    EXPECT_EQ(json_number(o, u"e", -1), 1500);
    EXPECT_EQ(json_number(o, u"t", -1), 1);
    JsonValue arr = Parse(R"([{"a":1}])");
    EXPECT_FALSE(json_find(arr, u"a"));  // not an object
    EXPECT_EQ(json_number(arr, u"a", 9), 9);
    EXPECT_EQ(JsonValue().kind(), JsonKind::Null);
    EXPECT_TRUE(JsonValue().elements().empty());
}

TEST(JsonNumberText, IntegralFractionalAndOutOfRangeValues) {
    EXPECT_EQ(number_text(12), u"12");
    EXPECT_EQ(number_text(12.5), u"12.50");
    EXPECT_EQ(number_text(0.1), u"0.10");
    EXPECT_EQ(number_text(2.675), u"2.67");  // the double just below 2.675, rounded exactly
    EXPECT_EQ(number_text(9007199254740993.0), u"9007199254740992");
    EXPECT_EQ(number_text(-9223372036854775808.0), u"-9223372036854775808");
    EXPECT_EQ(number_text(9223372036854775808.0), u"9223372036854775808.00");
    EXPECT_EQ(number_text(std::numeric_limits<double>::quiet_NaN()), u"nan");
    std::u16string fits = number_text(9e59);  // the widest text the 64-character buffer holds
    EXPECT_EQ(fits.size(), 63u);
    EXPECT_EQ(number_text(2e60), u"2e+60");
    EXPECT_EQ(number_text(-1.5e70), u"-1.5e+70");
}

TEST(JsonEscape, ControlCharactersQuotesAndBackslashes) {
    EXPECT_EQ(json_escape(u"\"\\\t\u0001"), u"\\\"\\\\\\t\\u0001");
    EXPECT_EQ(json_escape(u"a/b"), u"a/b");
    EXPECT_EQ(json_escape(u"\n\r\u001f\u0008"), u"\\n\\r\\u001f\\u0008");
}

}  // namespace
}  // namespace nv
