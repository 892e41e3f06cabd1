// Exact money amounts of the finance module: whole numbers of cents, parsed strictly from the
// text the user typed and written back with two decimals. No floating point touches them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/cents.h"

namespace nv {

// Largest amount one field may hold: 999 999 999 999.99.
inline constexpr int64_t kMaxAmountCents = kMaxCents;

struct [[nodiscard]] AmountParse {
    bool accepted = false;
    int64_t cents = 0;  // 0 whenever the text is rejected
};

// Digits, at most one "." after at least one digit, at most two decimals; empty text is 0.
// No sign, exponent, blanks, separators or full-width digits. One pass, no allocation.
AmountParse parse_amount(std::u16string_view text);

// Whole part without leading zeros, ".", two digits of cents: 1234 → "12.34", 5 → "0.05".
std::u16string format_amount(int64_t cents);

// The parser and formatter checks run by "--finance-selftest"; true when all pass.
[[nodiscard]] bool finance_selftest();

}  // namespace nv
