// Pinyin initials: find a Chinese text by the first letters of its characters' Mandarin
// readings, as users of input methods type them ("gzth" for 广州天河).
#pragma once

#include <cstdint>
#include <string_view>

namespace nv {

// The initial letters of the readings of a CJK Unified Ideograph (U+4E00-U+9FFF) or of
// Extension A (U+3400-U+4DBF), bit n standing for the letter 'a' + n; a character with
// several readings has several (长: c and z). 0 for every other character.
uint32_t pinyin_initials(char32_t c);

// A query that is looked up by initials: ASCII letters only, at least one.
bool is_pinyin_query(std::u16string_view query);

// Whether the letters of `query` (a pinyin query, any case) match consecutive characters of
// `text`: an ideograph by any of its initials, an ASCII character only by itself, exactly as
// the search compares it; any other character matches nothing.
bool pinyin_match(std::u16string_view text, std::u16string_view query);

}  // namespace nv
