#include "net/json_document.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace nv {
namespace {

bool Reads(const std::string& text, int depth = kJsonMaxDepth) {
    JsonDocument doc;
    return doc.parse(text, depth);
}

TEST(JsonDocument, OnlyExactlyOneStrictValueIsRead) {
    for (const char* ok : {"0", "-0.5e+3", " [1, 2.50, -3E2] ", "{\"a\":{}}", "\"\"", "null",
                           "true", "[false,null,\"x\"]"})
        EXPECT_TRUE(Reads(ok)) << ok;
    for (const char* bad :
         {"",         " ",           "[1,]",   "{\"a\":1,}", "[1 2]",   "{\"a\" 1}", "{a:1}",
          "01",       "+1",          ".5",     "1.",         "1e",      "-",         "NaN",
          "Infinity", "1.5e3x",      "[] []",  "tru",        "nul",     "'x'",       "\"a\tb\"",
          "\"\\x\"",  "\"\\u12G4\"", "\"open", "[",          "{\"a\":1"})
        EXPECT_FALSE(Reads(bad)) << bad;
    EXPECT_TRUE(Reads("[[[1]]]", 3));
    EXPECT_FALSE(Reads("[[[[1]]]]", 3));
    EXPECT_FALSE(Reads(std::string(100000, '[')));  // fails cleanly, no stack overflow
}

TEST(JsonDocument, NumbersKeepTheirTokenAndStringsAreDecoded) {
    JsonDocument doc;
    ASSERT_TRUE(doc.parse(R"({"price":35.10,"big":123456789012345678901234567890,)"
                          R"("s":"a\"b\\c\/\n\u00e9\u4e2d\ud83d\ude00","lone":"\ud800x",)"
                          R"("raw":"送货单"})"));
    JsonRef root = doc.root();
    EXPECT_EQ(root.find("price").text(), "35.10");
    EXPECT_EQ(root.find("price").kind(), JsonKind::Number);
    EXPECT_EQ(root.find("big").text(), "123456789012345678901234567890");
    EXPECT_EQ(root.find("s").text(), "a\"b\\c/\n\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80");
    EXPECT_EQ(root.find("lone").text(), "\xEF\xBF\xBDx");
    EXPECT_EQ(root.find("raw").text(), "送货单");
    EXPECT_FALSE(root.find("missing"));
    EXPECT_EQ(root.find("missing").kind(), JsonKind::Null);
    EXPECT_EQ(root.find("price").find("x").text(), "");
}

TEST(JsonDocument, ChildrenInDocumentOrderWithDuplicatesAndTheFirstFound) {
    JsonDocument doc;
    ASSERT_TRUE(doc.parse(R"({"a":[1,[2,3],{"k":4}],"b":true,"a":false})"));
    JsonRef root = doc.root();
    std::vector<std::string> keys;
    for (auto it = root.begin(); it != root.end(); ++it) keys.emplace_back(it.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"a", "b", "a"}));
    EXPECT_EQ(root.size(), 3u);
    JsonRef a = root.find("a");
    ASSERT_EQ(a.kind(), JsonKind::Array);
    std::vector<JsonKind> kinds;
    for (JsonRef e : a) kinds.push_back(e.kind());
    EXPECT_EQ(kinds, (std::vector<JsonKind>{JsonKind::Number, JsonKind::Array, JsonKind::Object}));
    EXPECT_TRUE(root.find("b").boolean());
    EXPECT_EQ((*++a.begin()).size(), 2u);
}

}  // namespace
}  // namespace nv
