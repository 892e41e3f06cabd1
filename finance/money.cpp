#include "finance/money.h"

#include "base/cents.h"

namespace nv {

AmountParse parse_amount(std::u16string_view text) {
    if (text.empty())
        return {true, 0};  // an empty field is no amount
    std::optional<int64_t> cents = parse_cents(text);
    return cents ? AmountParse{true, *cents} : AmountParse{};
}

std::u16string format_amount(int64_t cents) {
    return format_cents<char16_t>(cents);
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
