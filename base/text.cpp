#include "base/text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>

namespace nv {

std::size_t utf8_decode_one(const unsigned char* p, const unsigned char* end, uint32_t& cp) {
    unsigned c = *p;
    cp = 0xFFFD;
    if (c < 0x80) {
        cp = c;
        return 1;
    }
    unsigned need;
    uint32_t v;
    uint32_t min;
    if (c >= 0xC2 && c <= 0xDF) {
        need = 1, v = c & 0x1F, min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        need = 2, v = c & 0x0F, min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        need = 3, v = c & 0x07, min = 0x10000;
    } else {
        return 1;
    }
    if (static_cast<std::size_t>(end - p) <= need)  // sequence cut off by the end
        return 1;
    for (unsigned i = 1; i <= need; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 1;
        v = (v << 6) | (p[i] & 0x3F);
    }
    if (v < min || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF))
        return 1;
    cp = v;
    return need + 1;
}

std::u16string utf8_to_utf16(std::string_view in) {
    std::u16string out;
    out.resize(in.size());  // never more units than bytes
    char16_t* o = out.data();
    const auto* p = reinterpret_cast<const unsigned char*>(in.data());
    const unsigned char* end = p + in.size();
    while (p < end) {
        // Runs of ASCII (keys, digits, most of an answer) eight bytes at a time.
        while (end - p >= 8) {
            uint64_t w;
            std::memcpy(&w, p, 8);
            if (w & 0x8080808080808080ull)
                break;
            for (int k = 0; k < 8; ++k) o[k] = static_cast<char16_t>(p[k]);
            p += 8;
            o += 8;
        }
        if (p == end)
            break;
        uint32_t cp;
        p += utf8_decode_one(p, end, cp);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            *o++ = static_cast<char16_t>(0xD800 + (cp >> 10));
            *o++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            *o++ = static_cast<char16_t>(cp);
        }
    }
    out.resize(static_cast<std::size_t>(o - out.data()));
    return out;
}

std::string utf16_to_utf8(std::u16string_view in) {
    std::string out;
    out.reserve(in.size() * 3);
    for (std::size_t i = 0; i < in.size(); ++i) {
        uint32_t c = in[i];
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 &&
            in[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (in[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        append_utf8(out, c);
    }
    return out;
}

void append_utf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

std::u16string ascii_to_u16(std::string_view in) {
    return std::u16string(in.begin(), in.end());
}

std::string format_fixed(double value, int precision) {
    // The longest fixed text of a double is 309 integer digits, a sign, a point and the
    // decimals.
    std::array<char, 400> buf;
    auto r = std::to_chars(buf.data(), buf.data() + buf.size(), value, std::chars_format::fixed,
                           precision);
    return std::string(buf.data(), r.ptr);
}

std::u16string format_fixed_u16(double value, int precision) {
    return ascii_to_u16(format_fixed(value, precision));
}

std::u16string format_int(int64_t value) {
    std::array<char, 24> buf;
    auto r = std::to_chars(buf.data(), buf.data() + buf.size(), value);
    return ascii_to_u16(std::string_view(buf.data(), static_cast<std::size_t>(r.ptr - buf.data())));
}

namespace {

bool is_c_space(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

// The C library's number prefix: leading white space, then one optional sign. Moves i past both
// and tells whether the sign was a minus.
bool skip_space_and_sign(std::u16string_view s, std::size_t& i) {
    while (i < s.size() && is_c_space(s[i])) ++i;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
        return s[i++] == u'-';
    return false;
}

bool is_hex(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

char16_t lower(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? c + 32 : c;
}

bool starts_with_nocase(std::u16string_view s, std::size_t at, std::string_view word) {
    if (s.size() - at < word.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (lower(s[at + i]) != static_cast<char16_t>(word[i]))
            return false;
    }
    return true;
}

// Narrows the ASCII run of number characters starting at `at` into `out`.
void narrow_number_run(std::u16string_view s, std::size_t at, bool hex, std::string& out) {
    out.clear();
    for (std::size_t i = at; i < s.size(); ++i) {
        char16_t c = s[i];
        bool ok = (c >= u'0' && c <= u'9') || c == u'.' || c == u'+' || c == u'-' ||
                  (hex ? (is_hex(c) || c == u'p' || c == u'P') : (c == u'e' || c == u'E'));
        if (!ok)
            break;
        out.push_back(static_cast<char>(c));
    }
}

// from_chars reports result_out_of_range without a value; strtod gives HUGE_VAL on overflow
// and 0 on underflow. Decide which one by the decimal magnitude of the first significant digit.
double out_of_range_value(std::string_view token) {
    bool point = false, found = false;
    long long int_digits = 0, frac_zeros = 0;
    std::size_t i = 0;
    for (; i < token.size(); ++i) {
        char c = token[i];
        if (c == '.') {
            point = true;
        } else if (c >= '0' && c <= '9') {
            if (!point) {
                if (found || c != '0')
                    found = true, ++int_digits;
            } else if (!found) {
                if (c == '0')
                    ++frac_zeros;
                else
                    found = true;
            }
        } else {
            break;
        }
    }
    long long exp10 = 0;
    if (i < token.size() && (token[i] == 'e' || token[i] == 'E')) {
        bool neg = false;
        ++i;
        if (i < token.size() && (token[i] == '+' || token[i] == '-'))
            neg = token[i++] == '-';
        for (; i < token.size() && token[i] >= '0' && token[i] <= '9'; ++i)
            if (exp10 < 1000000000)
                exp10 = exp10 * 10 + (token[i] - '0');
        if (neg)
            exp10 = -exp10;
    }
    long long magnitude = int_digits > 0 ? int_digits - 1 : -(frac_zeros + 1);
    return (found && magnitude + exp10 >= 0) ? std::numeric_limits<double>::infinity() : 0.0;
}

}  // namespace

double wcstod_like(std::u16string_view s, std::size_t* consumed) {
    if (consumed)
        *consumed = 0;
    std::size_t i = 0;
    bool neg = skip_space_and_sign(s, i);
    double v = 0.0;
    std::size_t end = 0;
    if (starts_with_nocase(s, i, "inf")) {
        end = i + (starts_with_nocase(s, i, "infinity") ? 8 : 3);
        v = std::numeric_limits<double>::infinity();
    } else if (starts_with_nocase(s, i, "nan")) {
        end = i + 3;
        if (end < s.size() && s[end] == u'(') {
            std::size_t j = end + 1;
            while (j < s.size() && (is_hex(s[j]) || (s[j] >= u'g' && s[j] <= u'z') ||
                                    (s[j] >= u'G' && s[j] <= u'Z') || s[j] == u'_'))
                ++j;
            if (j < s.size() && s[j] == u')')
                end = j + 1;
        }
        v = std::numeric_limits<double>::quiet_NaN();
    } else {
        bool hex = i + 2 < s.size() && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X') &&
                   (is_hex(s[i + 2]) || (s[i + 2] == u'.' && i + 3 < s.size() && is_hex(s[i + 3])));
        std::string token;
        narrow_number_run(s, hex ? i + 2 : i, hex, token);
        if (!token.empty() && (token[0] == '+' || token[0] == '-'))
            token.clear();
        auto r = std::from_chars(token.data(), token.data() + token.size(), v,
                                 hex ? std::chars_format::hex : std::chars_format::general);
        if (r.ec == std::errc::invalid_argument) {
            if (hex) {  // "0x" followed by nothing usable: the "0" alone converts
                end = i + 1;
                v = 0.0;
            } else {
                return 0.0;
            }
        } else {
            if (r.ec == std::errc::result_out_of_range)
                v = out_of_range_value(token);
            end = (hex ? i + 2 : i) + static_cast<std::size_t>(r.ptr - token.data());
        }
    }
    if (consumed)
        *consumed = end;
    return neg ? -v : v;
}

double read_decimal(std::u16string_view s, std::size_t* consumed) {
    if (consumed)
        *consumed = 0;
    std::size_t i = 0;
    bool neg = skip_space_and_sign(s, i);
    std::string token;
    narrow_number_run(s, i, false, token);
    if (!token.empty() && (token[0] == '+' || token[0] == '-'))
        return 0.0;
    double v = 0.0;
    auto r =
        std::from_chars(token.data(), token.data() + token.size(), v, std::chars_format::general);
    if (r.ec == std::errc::invalid_argument)
        return 0.0;
    if (r.ec == std::errc::result_out_of_range)
        v = out_of_range_value(token);
    if (consumed)
        *consumed = i + static_cast<std::size_t>(r.ptr - token.data());
    return neg ? -v : v;
}

uint32_t wcstoul16_like(std::u16string_view s) {
    std::size_t i = 0;
    bool neg = skip_space_and_sign(s, i);
    if (i + 2 < s.size() && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X') &&
        is_hex(s[i + 2]))
        i += 2;
    uint32_t v = 0;
    for (; i < s.size() && is_hex(s[i]); ++i) {
        char16_t c = s[i];
        uint32_t d = c <= u'9' ? c - u'0' : lower(c) - u'a' + 10;
        if (v > (0xFFFFFFFFu - d) / 16) {
            v = 0xFFFFFFFFu;  // saturates like ULONG_MAX
            neg = false;
            break;
        }
        v = v * 16 + d;
    }
    return neg ? static_cast<uint32_t>(0u - v) : v;
}

int32_t wcstol_like(std::u16string_view s, std::size_t* consumed) {
    if (consumed)
        *consumed = 0;
    std::size_t i = 0;
    bool neg = skip_space_and_sign(s, i);
    std::size_t start = i;
    int64_t v = 0;
    for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i) {
        if (v <= int64_t{1} << 32)
            v = v * 10 + (s[i] - u'0');
    }
    if (i == start)
        return 0;
    if (consumed)
        *consumed = i;
    if (neg)
        v = -v;
    if (v > INT32_MAX)
        return INT32_MAX;
    if (v < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(v);
}

void wipe(std::u16string& text) {
    volatile char16_t* p = text.data();
    for (std::size_t i = 0; i < text.size(); ++i) p[i] = 0;
}

void wipe(std::string& bytes) {
    volatile char* p = bytes.data();
    for (std::size_t i = 0; i < bytes.size(); ++i) p[i] = 0;
}

std::u16string on_one_line(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) {
        if (c < 0x20 || c == 0x7F)
            c = u' ';
    }
    return out;
}

bool is_utf8(std::string_view bytes) {
    // The decoder marks every malformed byte with U+FFFD; a U+FFFD that was really in the text
    // is the three bytes EF BF BD, so count those and compare.
    std::size_t genuine = 0;
    for (std::size_t at = bytes.find("\xEF\xBF\xBD"); at != std::string_view::npos;
         at = bytes.find("\xEF\xBF\xBD", at + 3))
        ++genuine;
    std::u16string text = utf8_to_utf16(bytes);
    std::size_t marks = 0;
    for (char16_t c : text) marks += c == 0xFFFD;
    return marks == genuine;
}

}  // namespace nv
