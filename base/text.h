// Text and number conversions shared by the whole program.
//
// Inside the program text is UTF-16 (std::u16string, identical on Linux and Windows); bytes on
// the wire, in the log and in files are UTF-8 (std::string). Numbers are written with
// std::to_chars and read with the helpers below, so that the result never depends on the C
// runtime or the locale of the machine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace nv {

// UTF-8 to UTF-16. Malformed sequences become U+FFFD, one per offending byte.
std::u16string utf8_to_utf16(std::string_view in);
// UTF-16 to UTF-8. Unpaired surrogates become U+FFFD.
std::string utf16_to_utf8(std::u16string_view in);

// The character at p (p < end) as utf8_to_utf16 reads it: its code point, U+FFFD for a byte that
// does not start a well-formed sequence (then one byte is taken). Returns the bytes taken.
std::size_t utf8_decode_one(const unsigned char* p, const unsigned char* end, uint32_t& code_point);

// One code point (at most U+10FFFF, not a surrogate) appended as UTF-8.
void append_utf8(std::string& out, uint32_t code_point);
// Widens ASCII text (formatted numbers, fixed keys) to UTF-16.
std::u16string ascii_to_u16(std::string_view in);

// printf("%.Nf") without the C runtime: exact decimal rounding, "nan" / "inf" for those values.
std::string format_fixed(double value, int precision);
std::u16string format_fixed_u16(double value, int precision);
// printf("%d") for 64-bit integers.
std::u16string format_int(int64_t value);

// A decimal number from the leading characters of `text`, as a person types it into a quantity
// or price box: leading white space, an optional sign, digits with an optional decimal point,
// and an optional decimal exponent. Nothing else is a number here: "0x10" reads as 0 (then
// stops at "x"), "inf" and "nan" read as 0. *consumed receives the characters converted (0 when
// none, the result is then 0). A value beyond the range of a double comes back infinite, so the
// caller must still check std::isfinite.
double read_decimal(std::u16string_view text, std::size_t* consumed = nullptr);

// The standard wide-string-to-double conversion (wcstod) in the classic locale: leading
// white space, an optional sign, then a decimal or hexadecimal floating-point number, "inf",
// "infinity" or "nan". *consumed receives the number of characters converted, 0 when no
// conversion could be made (the result is then 0).
double wcstod_like(std::u16string_view text, std::size_t* consumed = nullptr);

// The standard wide-string-to-unsigned-long conversion (wcstoul) with base 16: leading white
// space, an optional sign, an optional "0x", then hex digits up to the first other character.
// A minus sign negates in unsigned arithmetic. The result is kept to 32 bits, as wide as an
// unsigned long on Windows. No digits gives 0.
uint32_t wcstoul16_like(std::u16string_view text);

// The standard wide-string-to-int conversion (wcstol with base 10, as _wtoi / wcstol with a
// 32-bit long do on Windows): leading white space, an optional sign, decimal digits up to the
// first other character; no digits gives 0; values beyond 32 bits saturate.
// *consumed receives the characters converted (0 when none).
int32_t wcstol_like(std::u16string_view text, std::size_t* consumed = nullptr);

// Overwrites text that held a password or token before it is released.
void wipe(std::u16string& text);
void wipe(std::string& bytes);

// The text with every C0 control character (line breaks and tabs included) and DEL replaced by
// a space: for values written into line-based files, where a line break would start a new line
// or key.
std::u16string on_one_line(std::u16string_view text);

// Whether `bytes` is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool is_utf8(std::string_view bytes);

// Text in the system's ANSI code page to UTF-16 (MultiByteToWideChar with CP_ACP on Windows;
// native tests link a fake).
std::u16string ansi_to_utf16(std::string_view bytes);

}  // namespace nv
