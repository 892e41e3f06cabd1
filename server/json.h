// JSON for the reference server: a strict parser that keeps every number's text (so amounts are
// read in exact cents, never through a double) and a small writer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace srv {

struct JValue {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    bool flag = false;
    std::string text;  // decoded UTF-8 of a string; the exact token of a number
    std::vector<JValue> elements;
    std::vector<std::pair<std::string, JValue>> members;

    const JValue* find(std::string_view key) const;
};

// Strict RFC 8259 parsing of a whole text (only white space may follow the value), at most
// 64 levels deep. Returns nothing on any error.
std::optional<JValue> parse_json(std::string_view text);

// Writes a JSON string (quoted and escaped). Invalid UTF-8 is passed through unchanged.
void put_string(std::string& out, std::string_view s);

// A tiny writer: objects and arrays are opened and closed by hand, commas are automatic.
class JsonOut {
public:
    explicit JsonOut(std::size_t reserve = 256) { out_.reserve(reserve); }
    JsonOut& begin_object();
    JsonOut& end_object();
    JsonOut& begin_array();
    JsonOut& end_array();
    JsonOut& key(std::string_view k);
    JsonOut& str(std::string_view s);
    JsonOut& raw_number(std::string_view token);  // already valid JSON number text
    JsonOut& num(int64_t v);
    JsonOut& boolean(bool b);
    JsonOut& null();
    std::string take() { return std::move(out_); }

private:
    void comma();
    std::string out_;
    std::vector<bool> first_;  // per open container: nothing written yet
    bool after_key_ = false;
};

}  // namespace srv
