// Pinyin initials: the table against the Unicode Han Database, and matching by them.
#include "base/pinyin.h"

#include <gtest/gtest.h>
#include <string>

namespace nv {
namespace {

std::string Letters(char32_t c) {
    std::string out;
    for (int i = 0; i < 26; ++i) {
        if (pinyin_initials(c) >> i & 1)
            out += static_cast<char>('a' + i);
    }
    return out;
}

TEST(PinyinTable, HeteronymsAndASampleAsTheSourceDataGivesThem) {
    // From Unihan_Readings.txt (Unicode 15.0): every reading's initial is kept.
    struct {
        char32_t c;
        const char* letters;
    } sample[] = {{U'长', "cz"},    {U'行', "hx"},      {U'重', "ctz"},  {U'乐', "ly"},
                  {U'万', "mw"},    {U'广', "agy"},     {U'州', "z"},    {U'天', "t"},
                  {U'灯', "d"},     {U'中', "z"},       {U'城', "c"},    {U'\u3400', "q"},
                  {U'\u4db5', "c"}, {U'\u9fa5', "y"},   {U'\u9fff', ""}, {U'a', ""},
                  {U'。', ""},      {U'\U00020000', ""}};
    for (const auto& s : sample) EXPECT_EQ(Letters(s.c), s.letters) << static_cast<int>(s.c);
}

TEST(PinyinMatch, InitialsOfConsecutiveCharactersInAnyCase) {
    const std::u16string shop = u"广州天河灯饰批发中心";
    for (const char16_t* q : {u"gzth", u"GZTH", u"th", u"g", u"zx", u"pfzx", u"GzTh"})
        EXPECT_TRUE(pinyin_match(shop, q)) << static_cast<int>(q[0]);
    for (const char16_t* q : {u"gt", u"gzthx", u"guangzhou", u"", u"g z", u"gz1", u"广"})
        EXPECT_FALSE(pinyin_match(shop, q));
    // ASCII text matches only itself, case-sensitively as the search compares it; any other
    // character (punctuation, a character outside the table) matches nothing.
    EXPECT_TRUE(pinyin_match(u"LED灯带", u"LEDdd"));
    EXPECT_FALSE(pinyin_match(u"LED灯带", u"leddd"));
    EXPECT_TRUE(pinyin_match(u"万科·城市花园", u"wk"));
    EXPECT_FALSE(pinyin_match(u"万科·城市花园", u"wkc"));
    EXPECT_FALSE(pinyin_match(u"\U00020000\U00020000", u"aa"));
    EXPECT_FALSE(pinyin_match(u"", u"a"));
    // Long texts: the match at the far end is found, a miss costs one pass.
    std::u16string long_text(1998, u'中');
    EXPECT_TRUE(pinyin_match(long_text + u"天河", u"zzth"));
    EXPECT_FALSE(pinyin_match(long_text + u"天河", u"htz"));
    EXPECT_TRUE(is_pinyin_query(u"abcXYZ"));
    EXPECT_FALSE(is_pinyin_query(u"ab1"));
}

}  // namespace
}  // namespace nv
