// JSON values shared by both service clients: a value tree, a lenient recursive-descent parser
// over UTF-16 text, accessors with defaults, the number text rule and string escaping.
//
// There is no serialiser: request bodies are assembled from fixed templates, escaped text
// (json_escape) and numbers written by number_text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nv {

enum class JsonKind : uint32_t {
    Null = 0,
    Boolean = 1,
    Number = 2,
    String = 3,
    Array = 4,
    Object = 5
};

struct JsonMember;

// Only the field that belongs to the kind is meaningful; the others keep their empty state.
// A value owns its subtree; members keep document order, duplicates included.
struct JsonValue {
    JsonKind kind = JsonKind::Null;
    bool flag = false;
    double number = 0.0;
    std::u16string text;
    std::vector<JsonValue> elements;
    std::vector<JsonMember> members;
};

struct JsonMember {
    std::u16string key;
    JsonValue value;
};

// Deepest nesting of arrays and objects the parser accepts. Service answers are a few levels
// deep; the limit keeps hostile input from exhausting the stack (the parser recurses once per
// level) and fails such a parse cleanly instead.
inline constexpr int kJsonMaxDepth = 512;

// Resets `out` to null, then reads exactly one value from the start of `text`. Whatever follows
// that value is not examined. Returns false when no value could be read; `out` then holds a
// partial tree that the caller must discard.
[[nodiscard]] bool json_parse(std::u16string_view text, JsonValue& out);

// The first member named `key` of an object, or nullptr (not an object, or no such member).
const JsonValue* json_find(const JsonValue& value, std::u16string_view key);

// A number member as is; a string member through wcstod (the default when nothing converts);
// anything else, or no member, gives `fallback`.
double json_number(const JsonValue& value, std::u16string_view key, double fallback);

// A string member as is; a number member by number_text; anything else gives `fallback`.
std::u16string json_text(const JsonValue& value, std::u16string_view key,
                         std::u16string_view fallback);

// "%.0f" for integral values within the signed 64-bit range, else "%.2f".
// For magnitudes whose "%.2f" text would not fit the 64-character buffer the text is made in
// (beyond about 10^61): the shortest round-trip scientific form such as 1.5e+70, which is still
// a valid JSON number and still readable.
std::u16string number_text(double value);

// Escapes text for use between the quotes of a JSON string.
std::u16string json_escape(std::u16string_view text);

}  // namespace nv
