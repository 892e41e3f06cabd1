#include "base/pinyin.h"

#include <vector>

namespace nv {

namespace {

#include "base/pinyin_table.inc"

int digit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 36;
    return c == '-' ? 62 : 63;
}

bool is_ascii_letter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

char32_t lower(char32_t c) {
    return c >= U'A' && c <= U'Z' ? c + 32 : c;
}

}  // namespace

uint32_t pinyin_initials(char32_t c) {
    std::size_t at;
    if (c >= 0x3400 && c <= 0x4DBF)
        at = c - 0x3400;
    else if (c >= 0x4E00 && c <= 0x9FFF)
        at = (0x4DBF - 0x3400 + 1) + (c - 0x4E00);
    else
        return 0;
    return kPinyinSets[digit(kPinyinIndex[2 * at]) * 64 + digit(kPinyinIndex[2 * at + 1])];
}

bool is_pinyin_query(std::u16string_view query) {
    if (query.empty())
        return false;
    for (char16_t c : query) {
        if (!is_ascii_letter(c))
            return false;
    }
    return true;
}

bool pinyin_match(std::u16string_view text, std::u16string_view query) {
    if (!is_pinyin_query(query) || text.empty())
        return false;
    // The text by code point: a character outside the Basic Multilingual Plane is one
    // character that matches nothing, never two halves.
    std::vector<char32_t> chars;
    chars.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            chars.push_back(0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else {
            chars.push_back(c);
        }
    }
    auto matches = [&](char32_t c, char16_t q) {
        if (c < 0x80)
            return c == q;  // ASCII text matches only itself
        uint32_t set = pinyin_initials(c);
        return (set >> (lower(q) - U'a') & 1) != 0;
    };
    if (query.size() > chars.size())
        return false;
    for (std::size_t start = 0; start + query.size() <= chars.size(); ++start) {
        std::size_t k = 0;
        while (k < query.size() && matches(chars[start + k], query[k])) ++k;
        if (k == query.size())
            return true;
    }
    return false;
}

}  // namespace nv
