#include "base/cents.h"

namespace nv {

template <class Char>
std::optional<int64_t> parse_cents(std::basic_string_view<Char> text) {
    // Guard before each digit: beyond this the next digit could overflow 64 bits.
    constexpr int64_t kGuard = 9'999'999'999'999;
    int64_t value = 0;
    bool point = false;
    int decimals = 0;
    int digits = 0;
    for (Char c : text) {
        if (c == Char('.')) {
            if (point || digits == 0)
                return std::nullopt;
            point = true;
        } else if (c >= Char('0') && c <= Char('9')) {
            if (point && ++decimals > 2)
                return std::nullopt;
            if (value > kGuard)
                return std::nullopt;
            value = value * 10 + (c - Char('0'));
            ++digits;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (!point) {
        value *= 100;
    } else if (decimals == 0) {
        return std::nullopt;  // "1."
    } else if (decimals == 1) {
        value *= 10;
    }
    if (value > kMaxCents)
        return std::nullopt;
    return value;
}

template <class Char>
std::basic_string<Char> format_cents(int64_t cents) {
    bool neg = cents < 0;
    uint64_t v = neg ? 0 - static_cast<uint64_t>(cents) : static_cast<uint64_t>(cents);
    uint64_t whole = v / 100;
    auto frac = static_cast<unsigned>(v % 100);
    Char buf[32];
    Char* p = buf + 32;
    *--p = static_cast<Char>('0' + frac % 10);
    *--p = static_cast<Char>('0' + frac / 10);
    *--p = Char('.');
    do {
        *--p = static_cast<Char>('0' + whole % 10);
        whole /= 10;
    } while (whole != 0);
    if (neg)
        *--p = Char('-');
    return std::basic_string<Char>(p, static_cast<std::size_t>(buf + 32 - p));
}

template std::optional<int64_t> parse_cents<char>(std::string_view);
template std::optional<int64_t> parse_cents<char16_t>(std::u16string_view);
template std::string format_cents<char>(int64_t);
template std::u16string format_cents<char16_t>(int64_t);

}  // namespace nv
