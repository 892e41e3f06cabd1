// A JSON document read strictly from UTF-8 text (RFC 8259: one value, nothing but white space
// after it). The document owns the text and a flat list of compact nodes; strings are decoded in
// place inside the text, and a number keeps its token exactly as written, so an amount can be
// read in exact cents without passing through a double.
#pragma once

#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "net/json.h"

namespace nv {

class JsonDocument;

// A view of one value of a document (or of nothing: a missing member converts to false). Valid
// while its document lives and is not parsed again.
class JsonRef {
public:
    JsonRef() = default;
    explicit operator bool() const { return doc_ != nullptr; }
    JsonKind kind() const;
    bool boolean() const;
    // A string's decoded UTF-8 text or a number's token as written; "" for anything else.
    std::string_view text() const;
    // The elements of an array or the members of an object.
    std::size_t size() const;
    // The first member named `key`; nothing when this is not an object or has no such member.
    JsonRef find(std::string_view key) const;

    // Iterates the elements of an array or the members of an object; for members, key() of the
    // iterator names the member.
    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = JsonRef;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = JsonRef;
        JsonRef operator*() const;
        std::string_view key() const;
        Iterator& operator++();
        bool operator==(const Iterator& o) const { return at_ == o.at_; }
        bool operator!=(const Iterator& o) const { return at_ != o.at_; }

    private:
        friend class JsonRef;
        Iterator(const JsonDocument* doc, uint32_t at, bool members)
            : doc_(doc), at_(at), members_(members) {}
        const JsonDocument* doc_;
        uint32_t at_;
        bool members_;
    };
    Iterator begin() const;
    Iterator end() const;

private:
    friend class JsonDocument;
    JsonRef(const JsonDocument* doc, uint32_t at) : doc_(doc), at_(at) {}
    const JsonDocument* doc_ = nullptr;
    uint32_t at_ = 0;
};

class JsonDocument {
public:
    // Reads `text` strictly; false (and an empty document) for anything that is not exactly one
    // valid JSON value nested at most `max_depth` levels. A lone surrogate escape decodes to
    // U+FFFD; bytes that are not UTF-8 are kept as they are (a caller that needs UTF-8 checks
    // the text first).
    [[nodiscard]] bool parse(std::string text, int max_depth = kJsonMaxDepth);
    JsonRef root() const { return nodes_.empty() ? JsonRef() : JsonRef(this, 0); }
    // Bytes the document holds (text and nodes), for the memory benchmarks.
    std::size_t footprint() const { return text_.capacity() + nodes_.capacity() * sizeof(Node); }

private:
    friend class JsonRef;
    friend class JsonRef::Iterator;
    friend class DocumentParser;
    // 16 bytes each, in document order. A container's `length` counts its children (members
    // as key and value pairs counted once); `next` is the node after its whole subtree.
    struct Node {
        JsonKind kind;
        uint32_t offset;
        uint32_t length;
        uint32_t next;
    };
    std::string text_;
    std::vector<Node> nodes_;
};

}  // namespace nv
