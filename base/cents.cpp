#include "base/cents.h"

#include <string>

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

std::optional<std::u16string> capital_amount(int64_t cents) {
    if (cents > kMaxCents || cents < -kMaxCents)
        return std::nullopt;
    static constexpr char16_t kDigits[] = u"零壹贰叁肆伍陆柒捌玖";
    static constexpr char16_t kUnits[] = u"\0拾佰仟";
    std::u16string out = u"人民币";
    if (cents < 0)
        out += u"负";
    int64_t magnitude = cents < 0 ? -cents : cents;
    int64_t yuan = magnitude / 100;
    int jiao = static_cast<int>(magnitude / 10 % 10), fen = static_cast<int>(magnitude % 10);
    if (yuan > 0) {
        std::string digits = std::to_string(yuan);
        bool zero = false;  // zeros wait for a digit after them: one 零 for a run of them
        for (std::size_t i = 0; i < digits.size(); ++i) {
            int d = digits[i] - '0';
            std::size_t pos = digits.size() - 1 - i;
            if (d == 0) {
                zero = true;
            } else {
                if (zero)
                    out += u'零';
                zero = false;
                out += kDigits[d];
                if (pos % 4)
                    out += kUnits[pos % 4];
            }
            // 万 and 亿 close their group of four digits unless all four are zeros.
            int64_t scale = pos == 8 ? 100000000 : pos == 4 ? 10000 : 0;
            if (scale && yuan / scale % 10000 != 0)
                out += pos == 8 ? u'亿' : u'万';
        }
        out += u'元';
    }
    if (jiao == 0 && fen == 0)
        return out + (yuan == 0 ? u"零元整" : u"整");
    if (jiao > 0) {
        out += kDigits[jiao];
        out += u'角';
    }
    if (fen > 0) {
        if (jiao == 0 && yuan > 0)
            out += u'零';
        out += kDigits[fen];
        out += u'分';
    }
    return out;
}

}  // namespace nv
