#include "base/protect.h"

#include <algorithm>

#include "base/text.h"

namespace nv {

std::u16string seal_secret(std::u16string_view secret) {
    if (secret.empty())
        return {};
    std::string plain = utf16_to_utf8(secret);
    std::optional<std::string> sealed = protect_for_user(plain);
    std::fill(plain.begin(), plain.end(), '\0');
    if (!sealed)
        return {};
    static constexpr char16_t kHex[] = u"0123456789abcdef";
    std::u16string text;
    text.reserve(sealed->size() * 2);
    for (unsigned char c : *sealed) {
        text.push_back(kHex[c >> 4]);
        text.push_back(kHex[c & 15]);
    }
    return text;
}

std::u16string open_secret(std::u16string_view text) {
    if (text.empty() || text.size() % 2 != 0)
        return {};
    auto nibble = [](char16_t c) -> int {
        if (c >= u'0' && c <= u'9')
            return c - u'0';
        if (c >= u'a' && c <= u'f')
            return c - u'a' + 10;
        return -1;
    };
    std::string sealed;
    sealed.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        int hi = nibble(text[i]), lo = nibble(text[i + 1]);
        if (hi < 0 || lo < 0)
            return {};
        sealed.push_back(static_cast<char>(hi * 16 + lo));
    }
    std::optional<std::string> plain = unprotect_for_user(sealed);
    if (!plain || !is_utf8(*plain))
        return {};
    std::u16string secret = utf8_to_utf16(*plain);
    std::fill(plain->begin(), plain->end(), '\0');
    return secret;
}

}  // namespace nv
