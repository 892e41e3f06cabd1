// Exact money amounts in whole cents, read from decimal text and written back with two
// decimals. The finance window reads what the user typed, the server reads the number text of
// a request; both follow the same rule, so an amount the client accepts is one the server
// stores to the cent. No floating point touches them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nv {

// Largest amount: 999 999 999 999.99.
inline constexpr int64_t kMaxCents = 99'999'999'999'999;

// Digits, at most one "." after at least one digit, then one or two decimals; at most
// kMaxCents. No sign, exponent, blanks, separators or full-width digits; empty text is refused
// too. One pass, no allocation. Instantiated for char (UTF-8) and char16_t.
template <class Char>
std::optional<int64_t> parse_cents(std::basic_string_view<Char> text);

// Whole part without leading zeros, ".", two digits of cents: 1234 → "12.34", 5 → "0.05"; a
// negative amount as its sign and magnitude. Instantiated for char and char16_t.
template <class Char>
std::basic_string<Char> format_cents(int64_t cents);

// The amount in Chinese capital numerals as a cheque or a statement writes it:
// 10670.00 → "人民币壹万零陆佰柒拾元整", 100.05 → "人民币壹佰元零伍分", 0.50 → "人民币伍角";
// a negative amount with 负 after 人民币. Nothing for an amount beyond ±kMaxCents.
std::optional<std::u16string> capital_amount(int64_t cents);

}  // namespace nv
