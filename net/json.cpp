#include "net/json.h"

#include <array>
#include <charconv>
#include <cmath>
#include <deque>

#include "base/text.h"

namespace nv {

namespace {

class Parser {
public:
    explicit Parser(std::u16string_view text) : p_(text.data()), end_(text.data() + text.size()) {}

    // Children are collected on per-depth scratch lists that keep their capacity, then moved
    // into a list of exactly the right size: one allocation per container instead of a chain
    // of regrowths, and no slack left in the tree.
    // A deque: growing it for a deeper level keeps references to the shallower lists valid.
    std::deque<std::vector<JsonMember>> member_scratch_;
    std::deque<std::vector<JsonValue>> element_scratch_;

    bool value(JsonValue& out, int depth) {
        skip_ws();
        if (p_ == end_)
            return false;
        switch (*p_) {
            case u'{':
                return object(out, depth + 1);
            case u'[':
                return array(out, depth + 1);
            case u'"':
                out.kind = JsonKind::String;
                return string(out.text);
            case u't':
                out.kind = JsonKind::Boolean;
                out.flag = true;
                return literal(u"true");
            case u'f':
                out.kind = JsonKind::Boolean;
                return literal(u"false");
            case u'n':
                return literal(u"null");
            default:
                return number(out);
        }
    }

private:
    void skip_ws() {
        while (p_ != end_ && (*p_ == u' ' || *p_ == u'\t' || *p_ == u'\n' || *p_ == u'\r')) ++p_;
    }

    bool literal(std::u16string_view word) {
        if (static_cast<std::size_t>(end_ - p_) < word.size())
            return false;
        if (std::u16string_view(p_, word.size()) != word)
            return false;
        p_ += word.size();
        return true;
    }

    bool object(JsonValue& out, int depth) {
        if (depth > kJsonMaxDepth)
            return false;
        out.kind = JsonKind::Object;
        ++p_;
        skip_ws();
        if (p_ == end_)
            return false;
        if (*p_ == u'}') {
            ++p_;
            return true;
        }
        if (member_scratch_.size() < static_cast<std::size_t>(depth))
            member_scratch_.resize(depth);
        std::vector<JsonMember>& scratch = member_scratch_[depth - 1];
        scratch.clear();
        bool ok = false;
        for (;;) {
            skip_ws();
            if (p_ == end_ || *p_ != u'"')
                break;
            JsonMember& m = scratch.emplace_back();
            if (!string(m.key))
                break;
            skip_ws();
            if (p_ == end_ || *p_ != u':')
                break;
            ++p_;
            if (!value(m.value, depth))
                break;
            skip_ws();
            if (p_ == end_)
                break;
            if (*p_ == u',') {
                ++p_;
                continue;
            }
            if (*p_ == u'}') {
                ++p_;
                ok = true;
            }
            break;
        }
        out.members.reserve(scratch.size());
        for (JsonMember& m : scratch) out.members.push_back(std::move(m));
        scratch.clear();
        return ok;
    }

    bool array(JsonValue& out, int depth) {
        if (depth > kJsonMaxDepth)
            return false;
        out.kind = JsonKind::Array;
        ++p_;
        skip_ws();
        if (p_ == end_)
            return false;
        if (*p_ == u']') {
            ++p_;
            return true;
        }
        if (element_scratch_.size() < static_cast<std::size_t>(depth))
            element_scratch_.resize(depth);
        std::vector<JsonValue>& scratch = element_scratch_[depth - 1];
        scratch.clear();
        bool ok = false;
        for (;;) {
            if (!value(scratch.emplace_back(), depth))
                break;
            skip_ws();
            if (p_ == end_)
                break;
            if (*p_ == u',') {
                ++p_;
                skip_ws();
                continue;
            }
            if (*p_ == u']') {
                ++p_;
                ok = true;
            }
            break;
        }
        out.elements.reserve(scratch.size());
        for (JsonValue& v : scratch) out.elements.push_back(std::move(v));
        scratch.clear();
        return ok;
    }

    bool string(std::u16string& out) {
        ++p_;  // opening quote
        for (;;) {
            // Copy the run of plain characters in one go.
            const char16_t* run = p_;
            while (p_ != end_ && *p_ != u'"' && *p_ != u'\\') ++p_;
            if (p_ != run)
                out.append(run, static_cast<std::size_t>(p_ - run));
            if (p_ == end_)
                return false;
            if (*p_ == u'"') {
                ++p_;
                return true;
            }
            ++p_;  // backslash
            if (p_ == end_)
                return false;
            char16_t c = *p_++;
            switch (c) {
                case u'b':
                    out.push_back(u'\b');
                    break;
                case u'f':
                    out.push_back(u'\f');
                    break;
                case u'n':
                    out.push_back(u'\n');
                    break;
                case u'r':
                    out.push_back(u'\r');
                    break;
                case u't':
                    out.push_back(u'\t');
                    break;
                case u'u': {
                    if (end_ - p_ < 4)
                        return false;
                    auto unit = static_cast<char16_t>(wcstoul16_like(std::u16string_view(p_, 4)));
                    p_ += 4;
                    if (unit >= 0xD800 && unit <= 0xDBFF && end_ - p_ >= 6 && p_[0] == u'\\' &&
                        p_[1] == u'u') {
                        auto low =
                            static_cast<char16_t>(wcstoul16_like(std::u16string_view(p_ + 2, 4)));
                        if (low >= 0xDC00 && low <= 0xDFFF) {
                            out.push_back(unit);
                            out.push_back(low);
                            p_ += 6;
                            break;
                        }
                    }
                    out.push_back(unit);
                    break;
                }
                default:  // '"', '\\', '/' and any unknown escape stand for themselves
                    out.push_back(c);
                    break;
            }
        }
    }

    static bool number_char(char16_t c) {
        return (c >= u'0' && c <= u'9') || c == u'.' || c == u'e' || c == u'E' || c == u'+' ||
               c == u'-';
    }

    bool number(JsonValue& out) {
        const char16_t* start = p_;
        if (*p_ == u'-' || *p_ == u'+')
            ++p_;
        while (p_ != end_ && number_char(*p_)) ++p_;
        if (p_ == start)
            return false;
        out.kind = JsonKind::Number;
        out.number = to_double(start, p_);
        return true;
    }

    // Plain decimals such as 120, -3 or 35.50 are converted exactly without the general
    // conversion: an integer mantissa below 2^53 divided by a power of ten up to 10^22 is
    // correctly rounded. Anything else goes through wcstod.
    static double to_double(const char16_t* b, const char16_t* e) {
        static constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                            1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
        const char16_t* p = b;
        bool neg = false;
        if (*p == u'-' || *p == u'+')
            neg = *p++ == u'-';
        uint64_t mantissa = 0;
        int digits = 0, decimals = 0;
        bool point = false;
        for (; p != e; ++p) {
            if (*p >= u'0' && *p <= u'9') {
                mantissa = mantissa * 10 + static_cast<uint64_t>(*p - u'0');
                ++digits;
                decimals += point;
            } else if (*p == u'.' && !point) {
                point = true;
            } else {
                break;
            }
        }
        if (p == e && digits > 0 && digits <= 15 && decimals <= 22) {
            double v = static_cast<double>(mantissa) / kPow10[decimals];
            return neg ? -v : v;
        }
        return wcstod_like(std::u16string_view(b, static_cast<std::size_t>(e - b)));
    }

    const char16_t* p_;
    const char16_t* end_;
};

}  // namespace

bool json_parse(std::u16string_view text, JsonValue& out) {
    out = JsonValue{};
    Parser parser(text);
    return parser.value(out, 0);
}

const JsonValue* json_find(const JsonValue& value, std::u16string_view key) {
    if (value.kind != JsonKind::Object)
        return nullptr;
    for (const JsonMember& m : value.members) {
        if (m.key == key)
            return &m.value;
    }
    return nullptr;
}

double json_number(const JsonValue& value, std::u16string_view key, double fallback) {
    const JsonValue* m = json_find(value, key);
    if (!m)
        return fallback;
    if (m->kind == JsonKind::Number)
        return m->number;
    if (m->kind == JsonKind::String) {
        std::size_t used = 0;
        double v = wcstod_like(m->text, &used);
        return used == 0 ? fallback : v;
    }
    return fallback;
}

std::u16string json_text(const JsonValue& value, std::u16string_view key,
                         std::u16string_view fallback) {
    const JsonValue* m = json_find(value, key);
    if (m && m->kind == JsonKind::String)
        return m->text;
    if (m && m->kind == JsonKind::Number)
        return number_text(m->number);
    return std::u16string(fallback);
}

std::u16string number_text(double value) {
    // 2^63 is exact in a double; the range check keeps the conversion below defined.
    constexpr double kTwo63 = 9223372036854775808.0;
    if (value >= -kTwo63 && value < kTwo63 &&
        value == static_cast<double>(static_cast<int64_t>(value))) {
        return format_fixed_u16(value, 0);
    }
    std::array<char, 64> buf;  // 63 characters and the terminator, as the service expects
    auto r =
        std::to_chars(buf.data(), buf.data() + buf.size() - 1, value, std::chars_format::fixed, 2);
    if (r.ec != std::errc{}) {
        r = std::to_chars(buf.data(), buf.data() + buf.size(), value,
                          std::chars_format::scientific);
    }
    return ascii_to_u16(std::string_view(buf.data(), static_cast<std::size_t>(r.ptr - buf.data())));
}

std::u16string json_escape(std::u16string_view text) {
    static constexpr char16_t kHex[] = u"0123456789abcdef";
    std::u16string out;
    out.reserve(text.size() + 8);
    for (char16_t c : text) {
        switch (c) {
            case u'"':
                out += u"\\\"";
                break;
            case u'\\':
                out += u"\\\\";
                break;
            case u'\n':
                out += u"\\n";
                break;
            case u'\r':
                out += u"\\r";
                break;
            case u'\t':
                out += u"\\t";
                break;
            default:
                if (c < 0x20) {
                    out += u"\\u00";
                    out.push_back(kHex[c >> 4]);
                    out.push_back(kHex[c & 15]);
                } else {
                    out.push_back(c);
                }
        }
    }
    return out;
}

}  // namespace nv
