#include "server/json.h"

#include <cstring>

namespace srv {

const JValue* JValue::find(std::string_view key) const {
    if (kind != Object)
        return nullptr;
    for (const auto& [k, v] : members) {
        if (k == key)
            return &v;
    }
    return nullptr;
}

namespace {

constexpr int kMaxDepth = 64;

class Parser {
public:
    explicit Parser(std::string_view t) : s_(t) {}

    bool document(JValue& out) {
        if (!value(out, 0))
            return false;
        ws();
        return i_ == s_.size();
    }

private:
    void ws() {
        while (i_ < s_.size() &&
               (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n' || s_[i_] == '\r'))
            ++i_;
    }
    bool lit(std::string_view w) {
        if (s_.substr(i_, w.size()) != w)
            return false;
        i_ += w.size();
        return true;
    }
    bool value(JValue& out, int depth) {
        ws();
        if (i_ >= s_.size())
            return false;
        char c = s_[i_];
        if (c == '{')
            return object(out, depth + 1);
        if (c == '[')
            return array(out, depth + 1);
        if (c == '"') {
            out.kind = JValue::String;
            return string(out.text);
        }
        if (c == 't') {
            out.kind = JValue::Bool;
            out.flag = true;
            return lit("true");
        }
        if (c == 'f') {
            out.kind = JValue::Bool;
            return lit("false");
        }
        if (c == 'n')
            return lit("null");
        return number(out);
    }
    bool object(JValue& out, int depth) {
        if (depth > kMaxDepth)
            return false;
        out.kind = JValue::Object;
        ++i_;
        ws();
        if (i_ < s_.size() && s_[i_] == '}') {
            ++i_;
            return true;
        }
        for (;;) {
            ws();
            if (i_ >= s_.size() || s_[i_] != '"')
                return false;
            auto& m = out.members.emplace_back();
            if (!string(m.first))
                return false;
            ws();
            if (i_ >= s_.size() || s_[i_] != ':')
                return false;
            ++i_;
            if (!value(m.second, depth))
                return false;
            ws();
            if (i_ >= s_.size())
                return false;
            if (s_[i_] == ',') {
                ++i_;
                continue;
            }
            if (s_[i_] == '}') {
                ++i_;
                return true;
            }
            return false;
        }
    }
    bool array(JValue& out, int depth) {
        if (depth > kMaxDepth)
            return false;
        out.kind = JValue::Array;
        ++i_;
        ws();
        if (i_ < s_.size() && s_[i_] == ']') {
            ++i_;
            return true;
        }
        for (;;) {
            if (!value(out.elements.emplace_back(), depth))
                return false;
            ws();
            if (i_ >= s_.size())
                return false;
            if (s_[i_] == ',') {
                ++i_;
                continue;
            }
            if (s_[i_] == ']') {
                ++i_;
                return true;
            }
            return false;
        }
    }
    static void utf8(std::string& out, uint32_t cp) {
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    bool hex4(uint32_t& v) {
        if (i_ + 4 > s_.size())
            return false;
        v = 0;
        for (int k = 0; k < 4; ++k) {
            char c = s_[i_++];
            v <<= 4;
            if (c >= '0' && c <= '9')
                v |= static_cast<uint32_t>(c - '0');
            else if (c >= 'a' && c <= 'f')
                v |= static_cast<uint32_t>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                v |= static_cast<uint32_t>(c - 'A' + 10);
            else
                return false;
        }
        return true;
    }
    bool string(std::string& out) {
        ++i_;
        while (i_ < s_.size()) {
            char c = s_[i_++];
            if (c == '"')
                return true;
            if (static_cast<unsigned char>(c) < 0x20)
                return false;
            if (c != '\\') {
                out.push_back(c);
                continue;
            }
            if (i_ >= s_.size())
                return false;
            char e = s_[i_++];
            switch (e) {
                case '"':
                    out.push_back('"');
                    break;
                case '\\':
                    out.push_back('\\');
                    break;
                case '/':
                    out.push_back('/');
                    break;
                case 'b':
                    out.push_back('\b');
                    break;
                case 'f':
                    out.push_back('\f');
                    break;
                case 'n':
                    out.push_back('\n');
                    break;
                case 'r':
                    out.push_back('\r');
                    break;
                case 't':
                    out.push_back('\t');
                    break;
                case 'u': {
                    uint32_t cp;
                    if (!hex4(cp))
                        return false;
                    if (cp >= 0xD800 && cp <= 0xDBFF && s_.substr(i_, 2) == "\\u") {
                        std::size_t save = i_;
                        i_ += 2;
                        uint32_t lo;
                        if (hex4(lo) && lo >= 0xDC00 && lo <= 0xDFFF) {
                            cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
                        } else {
                            i_ = save;
                        }
                    }
                    if (cp >= 0xD800 && cp <= 0xDFFF)
                        cp = 0xFFFD;  // lone surrogate
                    utf8(out, cp);
                    break;
                }
                default:
                    return false;
            }
        }
        return false;
    }
    bool number(JValue& out) {
        std::size_t start = i_;
        auto digit = [&] { return i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9'; };
        if (i_ < s_.size() && s_[i_] == '-')
            ++i_;
        if (!digit())
            return false;
        if (s_[i_] == '0') {
            ++i_;
        } else {
            while (digit()) ++i_;
        }
        if (i_ < s_.size() && s_[i_] == '.') {
            ++i_;
            if (!digit())
                return false;
            while (digit()) ++i_;
        }
        if (i_ < s_.size() && (s_[i_] == 'e' || s_[i_] == 'E')) {
            ++i_;
            if (i_ < s_.size() && (s_[i_] == '+' || s_[i_] == '-'))
                ++i_;
            if (!digit())
                return false;
            while (digit()) ++i_;
        }
        out.kind = JValue::Number;
        out.text.assign(s_.substr(start, i_ - start));
        return true;
    }

    std::string_view s_;
    std::size_t i_ = 0;
};

}  // namespace

std::optional<JValue> parse_json(std::string_view text) {
    JValue v;
    Parser p(text);
    if (!p.document(v))
        return std::nullopt;
    return v;
}

void put_string(std::string& out, std::string_view s) {
    static const char kHex[] = "0123456789abcdef";
    out.push_back('"');
    std::size_t run = 0;  // start of the pending run of characters that need no escape
    for (std::size_t i = 0; i < s.size(); ++i) {
        auto u = static_cast<unsigned char>(s[i]);
        if (u >= 0x20 && s[i] != '"' && s[i] != '\\')
            continue;
        out.append(s.data() + run, i - run);
        run = i + 1;
        char c = s[i];
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                out += "\\u00";
                out.push_back(kHex[u >> 4]);
                out.push_back(kHex[u & 15]);
        }
    }
    out.append(s.data() + run, s.size() - run);
    out.push_back('"');
}

void JsonOut::comma() {
    if (after_key_) {
        after_key_ = false;
        return;
    }
    if (!first_.empty()) {
        if (!first_.back())
            out_.push_back(',');
        first_.back() = false;
    }
}
JsonOut& JsonOut::begin_object() {
    comma();
    out_.push_back('{');
    first_.push_back(true);
    return *this;
}
JsonOut& JsonOut::end_object() {
    out_.push_back('}');
    first_.pop_back();
    return *this;
}
JsonOut& JsonOut::begin_array() {
    comma();
    out_.push_back('[');
    first_.push_back(true);
    return *this;
}
JsonOut& JsonOut::end_array() {
    out_.push_back(']');
    first_.pop_back();
    return *this;
}
JsonOut& JsonOut::key(std::string_view k) {
    comma();
    put_string(out_, k);
    out_.push_back(':');
    after_key_ = true;
    return *this;
}
JsonOut& JsonOut::str(std::string_view s) {
    comma();
    put_string(out_, s);
    return *this;
}
JsonOut& JsonOut::raw_number(std::string_view token) {
    comma();
    out_ += token;
    return *this;
}
JsonOut& JsonOut::num(int64_t v) {
    comma();
    out_ += std::to_string(v);
    return *this;
}
JsonOut& JsonOut::boolean(bool b) {
    comma();
    out_ += b ? "true" : "false";
    return *this;
}
JsonOut& JsonOut::null() {
    comma();
    out_ += "null";
    return *this;
}

}  // namespace srv
