#include "server/json.h"

#include <cstring>

namespace srv {

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
