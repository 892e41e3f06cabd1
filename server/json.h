// Writing JSON answers. (Requests are read with the project's JSON document parser.)
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace srv {

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
