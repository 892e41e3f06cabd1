// JSON values shared by both service clients and the reference server: one parser over UTF-8
// text, read leniently for service answers or strictly for request bodies; values that view the
// parsed document; accessors with defaults, the number text rule and string escaping.
//
// A parsed document owns its text and a list of compact nodes (16 bytes each) in document order.
// Strings stay in the text as they were sent and are decoded when read; a number keeps its
// token, converted when read. A JsonValue is a small handle (the document and a node index):
// copying one shares the document, which lives as long as any value of it.
//
// There is no serialiser: request bodies are assembled from fixed templates, escaped text
// (json_escape) and numbers written by number_text.
#pragma once

#include <cstdint>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace nv {

enum class JsonKind : uint32_t {
    Null = 0,
    Boolean = 1,
    Number = 2,
    String = 3,
    Array = 4,
    Object = 5
};

class JsonDocument;
class JsonMember;

// Deepest nesting of arrays and objects a service answer may have. Answers are a few levels
// deep; the limit keeps hostile input from exhausting the stack (the parser recurses once per
// level) and fails such a parse cleanly instead.
inline constexpr int kJsonMaxDepth = 512;

class JsonValue {
public:
    JsonValue() = default;  // null

    JsonKind kind() const;
    bool flag() const;               // a boolean's value
    double number() const;           // a number's value; 0 for anything else
    std::u16string text() const;     // a string's text; empty for anything else
    std::string text_utf8() const;   // strictly read documents: a string's decoded UTF-8
    std::string_view token() const;  // a number's token or a string's undecoded text
    std::size_t size() const;        // elements of an array, members of an object

    // The elements of an array (nothing for other kinds), in document order.
    class Elements;
    Elements elements() const;
    // The members of an object (nothing for other kinds), in document order, duplicates kept.
    class Members;
    Members members() const;

    // The first member whose key is `key` (UTF-8; for strictly read documents).
    std::optional<JsonValue> find_utf8(std::string_view key) const;

private:
    friend class JsonDocument;
    friend class JsonMember;
    friend bool json_parse(std::string text, JsonValue& out);
    friend bool json_parse_strict(std::string text, JsonValue& out, int max_depth);
    friend std::optional<JsonValue> json_find(const JsonValue& value, std::u16string_view key);
    friend double json_number(const JsonValue& value, std::u16string_view key, double fallback);
    friend std::u16string json_text(const JsonValue& value, std::u16string_view key,
                                    std::u16string_view fallback);
    JsonValue(std::shared_ptr<const JsonDocument> doc, uint32_t at)
        : doc_(std::move(doc)), at_(at) {}
    std::shared_ptr<const JsonDocument> doc_;
    uint32_t at_ = 0;
};

class JsonValue::Elements {
public:
    class iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = JsonValue;
        using difference_type = std::ptrdiff_t;
        using pointer = const JsonValue*;
        using reference = const JsonValue&;
        const JsonValue& operator*() const { return current_; }
        const JsonValue* operator->() const { return &current_; }
        iterator& operator++();
        bool operator==(const iterator& o) const { return current_.at_ == o.current_.at_; }
        bool operator!=(const iterator& o) const { return !(*this == o); }

    private:
        friend class Elements;
        explicit iterator(JsonValue v) : current_(std::move(v)) {}
        JsonValue current_;
    };
    iterator begin() const;
    iterator end() const;
    std::size_t size() const { return parent_.size(); }
    bool empty() const { return size() == 0; }
    JsonValue operator[](std::size_t index) const;  // walks from the first element

private:
    friend class JsonValue;
    explicit Elements(const JsonValue& parent) : parent_(parent) {}
    JsonValue parent_;
};

// One member of an object: its key (decoded when asked for) and its value.
class JsonMember {
public:
    std::u16string key() const;
    std::string key_utf8() const;  // strictly read documents: the decoded UTF-8 key
    const JsonValue& value() const { return value_; }
    JsonMember(JsonValue value, uint32_t key_at) : value_(std::move(value)), key_at_(key_at) {}

private:
    JsonValue value_;
    uint32_t key_at_;
};

class JsonValue::Members {
public:
    class iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = JsonMember;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = JsonMember;
        JsonMember operator*() const;
        std::u16string key() const;
        iterator& operator++();
        bool operator==(const iterator& o) const { return key_at_ == o.key_at_; }
        bool operator!=(const iterator& o) const { return !(*this == o); }

    private:
        friend class Members;
        iterator(const JsonValue& parent, uint32_t key_at) : parent_(parent), key_at_(key_at) {}
        JsonValue parent_;
        uint32_t key_at_;
    };
    iterator begin() const;
    iterator end() const;
    std::size_t size() const { return parent_.size(); }
    bool empty() const { return size() == 0; }

private:
    friend class JsonValue;
    explicit Members(const JsonValue& parent) : parent_(parent) {}
    JsonValue parent_;
};

// Reads a service answer (UTF-8, as received) leniently: exactly one value from the start of
// `text`, whatever follows it unexamined. Numbers are any run of digits, '.', 'e', 'E', '+' and
// '-', read as far as they convert; an unknown escape stands for its character; control
// characters and lone surrogate escapes are kept. `out` is null first; false when no value
// could be read (`out` then holds nothing useful).
[[nodiscard]] bool json_parse(std::string text, JsonValue& out);

// Reads a request body strictly (RFC 8259): one value and nothing but white space after it, at
// most `max_depth` levels deep. A lone surrogate escape decodes to U+FFFD; bytes that are not
// UTF-8 are kept as they are (a caller that needs UTF-8 checks the text first).
[[nodiscard]] bool json_parse_strict(std::string text, JsonValue& out, int max_depth);

// The first member named `key` of an object; nothing when `value` is not an object or has no
// such member.
std::optional<JsonValue> json_find(const JsonValue& value, std::u16string_view key);

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
