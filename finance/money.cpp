#include "finance/money.h"

namespace nv {

AmountParse parse_amount(std::u16string_view text) {
    // Guard before each digit: beyond this the next digit could overflow 64 bits.
    constexpr int64_t kGuard = 9'999'999'999'999;
    int64_t value = 0;
    bool point = false;
    int decimals = 0;
    int digits = 0;
    if (text.empty())
        return {true, 0};
    for (char16_t c : text) {
        if (c == u'.') {
            if (point || digits == 0)
                return {};
            point = true;
        } else if (c >= u'0' && c <= u'9') {
            if (point && ++decimals > 2)
                return {};
            if (value > kGuard)
                return {};
            value = value * 10 + (c - u'0');
            ++digits;
        } else {
            return {};
        }
    }
    if (digits == 0)
        return {};
    if (!point) {
        value *= 100;
    } else if (decimals == 0) {
        return {};  // "1."
    } else if (decimals == 1) {
        value *= 10;
    }
    if (value > kMaxAmountCents)
        return {};
    return {true, value};
}

std::u16string format_amount(int64_t cents) {
    // Amounts are never negative in this module; a negative one is still written as its sign
    // and magnitude rather than as garbage ("-0.-5").
    bool neg = cents < 0;
    uint64_t v = neg ? 0 - static_cast<uint64_t>(cents) : static_cast<uint64_t>(cents);
    uint64_t whole = v / 100;
    auto frac = static_cast<unsigned>(v % 100);
    char16_t buf[32];
    char16_t* p = buf + 32;
    *--p = static_cast<char16_t>(u'0' + frac % 10);
    *--p = static_cast<char16_t>(u'0' + frac / 10);
    *--p = u'.';
    do {
        *--p = static_cast<char16_t>(u'0' + whole % 10);
        whole /= 10;
    } while (whole != 0);
    if (neg)
        *--p = u'-';
    return std::u16string(p, static_cast<std::size_t>(buf + 32 - p));
}

bool finance_selftest() {
    struct Case {
        const char16_t* text;
        bool accepted;
        int64_t cents;
    };
    static const Case kParse[] = {
        {u"12.34", true, 1234},
        {u"0.01", true, 1},
        {u"12", true, 1200},
        {u"12.3", true, 1230},
        {u"", true, 0},
        {u"999999999999.99", true, 99'999'999'999'999},
        {u"12.345", false, 0},
        {u"-1", false, 0},
        {u"nan", false, 0},
        {u"1e2", false, 0},
        {u"1.", false, 0},
        {u".1", false, 0},
        {u"999999999999999999999999", false, 0},
    };
    for (const Case& c : kParse) {
        AmountParse r = parse_amount(c.text);
        if (r.accepted != c.accepted)
            return false;
        if (c.accepted && r.cents != c.cents)
            return false;
    }
    return format_amount(1234) == u"12.34" && format_amount(1) == u"0.01";
}

}  // namespace nv
