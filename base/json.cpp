#include "base/json.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "base/text.h"

namespace nv {

// The parsed text and its nodes. The nodes live in a first block sized from the text (about one
// node per ten bytes, what service answers hold) and, when that is not enough, in further blocks
// of a fixed size; blocks never move, so the list grows without copying and without holding two
// copies at the peak. One large first block also keeps the allocator from handing the memory
// back to the system and faulting it in again on the next parse.
class JsonDocument {
public:
    struct Node {
        uint32_t offset;  // strings and numbers: where their text starts
        uint32_t length;  // strings and numbers: text length; containers: children
        uint32_t next;    // the node after this one's subtree
        uint8_t kind;
        uint8_t flags;
        uint16_t unused;
    };
    static constexpr uint8_t kEscaped = 1;  // a string holding a backslash
    static constexpr uint8_t kTrue = 2;     // a boolean true
    static constexpr uint8_t kStrict = 4;   // (on the root) read strictly

    std::string text;

    explicit JsonDocument(std::size_t text_size)
        : first_size_(static_cast<uint32_t>(std::min<std::size_t>(text_size / 10 + 64, 1u << 28))),
          first_(new Node[first_size_]) {}

    const Node& node(uint32_t at) const {
        if (at < first_size_)
            return first_[at];
        at -= first_size_;
        return more_[at >> kShift][at & kMask];
    }
    Node& node(uint32_t at) {
        return const_cast<Node&>(static_cast<const JsonDocument*>(this)->node(at));
    }
    uint32_t count() const { return count_; }

    uint32_t add(JsonKind kind, std::size_t offset, std::size_t length, uint8_t flags = 0) {
        uint32_t at = count_;
        if (at >= first_size_ && ((at - first_size_) & kMask) == 0)
            more_.push_back(std::unique_ptr<Node[]>(new Node[kMask + 1]));
        ++count_;
        Node& n = node(at);
        n.offset = static_cast<uint32_t>(offset);
        n.length = static_cast<uint32_t>(length);
        n.next = at + 1;
        n.kind = static_cast<uint8_t>(kind);
        n.flags = flags;
        n.unused = 0;
        return at;
    }

    std::string_view span(uint32_t at) const {
        const Node& n = node(at);
        return std::string_view(text).substr(n.offset, n.length);
    }

private:
    static constexpr unsigned kShift = 16;
    static constexpr uint32_t kMask = (uint32_t{1} << kShift) - 1;
    uint32_t first_size_;
    std::unique_ptr<Node[]> first_;
    std::vector<std::unique_ptr<Node[]>> more_;
    uint32_t count_ = 0;
};

namespace {

using Node = JsonDocument::Node;

bool is_ws(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool is_number_char(char c) {
    return (c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-';
}

// Eight bytes at once: does any of them equal `b`?
inline uint64_t has_byte(uint64_t x, uint64_t b) {
    uint64_t y = x ^ (b * 0x0101010101010101ULL);
    return (y - 0x0101010101010101ULL) & ~y & 0x8080808080808080ULL;
}

class Parser {
public:
    Parser(JsonDocument& doc, bool strict, int max_depth)
        : doc_(doc),
          s_(doc.text.data()),
          n_(doc.text.size()),
          strict_(strict),
          max_depth_(max_depth) {}

    bool document() {
        if (!value(0))
            return false;
        if (!strict_)
            return true;  // what follows the value is not examined
        ws();
        return i_ == n_;
    }

private:
    void ws() {
        while (i_ < n_ && is_ws(s_[i_])) ++i_;
    }

    bool literal(std::string_view word) {
        if (n_ - i_ < word.size() || std::memcmp(s_ + i_, word.data(), word.size()) != 0)
            return false;
        i_ += word.size();
        return true;
    }

    bool value(int depth) {
        ws();
        if (i_ >= n_)
            return false;
        switch (s_[i_]) {
            case '{':
                return container(depth + 1, true);
            case '[':
                return container(depth + 1, false);
            case '"':
                return string();
            case 't':
                doc_.add(JsonKind::Boolean, i_, 0, JsonDocument::kTrue);
                return literal("true");
            case 'f':
                doc_.add(JsonKind::Boolean, i_, 0);
                return literal("false");
            case 'n':
                doc_.add(JsonKind::Null, i_, 0);
                return literal("null");
            default:
                return strict_ ? strict_number() : lenient_number();
        }
    }

    bool container(int depth, bool object) {
        if (depth > max_depth_)
            return false;
        uint32_t at = doc_.add(object ? JsonKind::Object : JsonKind::Array, i_, 0);
        const char close = object ? '}' : ']';
        ++i_;
        ws();
        if (i_ >= n_)
            return false;
        uint32_t count = 0;
        if (s_[i_] == close) {
            ++i_;
        } else {
            for (;;) {
                if (object) {
                    ws();
                    if (i_ >= n_ || s_[i_] != '"' || !string())
                        return false;
                    ws();
                    if (i_ >= n_ || s_[i_] != ':')
                        return false;
                    ++i_;
                }
                if (!value(depth))
                    return false;
                ++count;
                ws();
                if (i_ >= n_)
                    return false;
                if (s_[i_] == ',') {
                    ++i_;
                    continue;
                }
                if (s_[i_] != close)
                    return false;
                ++i_;
                break;
            }
        }
        JsonDocument::Node& n = doc_.node(at);
        n.length = count;
        n.next = doc_.count();
        return true;
    }

    // The string's text stays where it is; only its end is found here (and, read strictly,
    // its escapes and characters checked).
    bool string() {
        std::size_t start = ++i_;
        uint8_t flags = 0;
        for (;;) {
            // Plain runs eight bytes at a time.
            while (n_ - i_ >= 8) {
                uint64_t x;
                std::memcpy(&x, s_ + i_, 8);
                uint64_t stop = has_byte(x, '"') | has_byte(x, '\\');
                if (strict_)
                    stop |= (x - 0x2020202020202020ULL) & ~x & 0x8080808080808080ULL;
                if (stop)
                    break;
                i_ += 8;
            }
            while (i_ < n_ && s_[i_] != '"' && s_[i_] != '\\' &&
                   !(strict_ && static_cast<unsigned char>(s_[i_]) < 0x20))
                ++i_;
            if (i_ >= n_)
                return false;
            if (s_[i_] == '"')
                break;
            if (s_[i_] != '\\')
                return false;  // a control character, read strictly
            flags = JsonDocument::kEscaped;
            ++i_;
            if (i_ >= n_)
                return false;
            if (!(strict_ ? strict_escape() : lenient_escape()))
                return false;
        }
        doc_.add(JsonKind::String, start, i_ - start, flags);
        ++i_;  // closing quote
        return true;
    }

    bool strict_escape() {
        char e = s_[i_++];
        if (e == 'u') {
            if (n_ - i_ < 4)
                return false;
            for (int k = 0; k < 4; ++k) {
                char c = s_[i_++];
                bool hex =
                    (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
                if (!hex)
                    return false;
            }
            return true;
        }
        return e == '"' || e == '\\' || e == '/' || e == 'b' || e == 'f' || e == 'n' || e == 'r' ||
               e == 't';
    }

    // A lenient escape moves on by UTF-16 units, as the text would be read once converted:
    // "\u" takes the next four units whatever they are (a closing quote included), and a high
    // surrogate takes a following "\u" low surrogate with it.
    struct Units {
        std::array<char16_t, 8> unit{};
        int count = 0;
    };

    // Reads `want` more units from the text into `out` (at most one unit beyond, when the last
    // character gives two). False when the text ends first.
    bool take_units(int want, Units& out, bool& split) {
        split = false;
        const auto* p = reinterpret_cast<const unsigned char*>(s_);
        const auto* end = p + n_;
        int got = 0;
        while (got < want) {
            if (i_ >= n_)
                return false;
            uint32_t cp;
            std::size_t bytes = utf8_decode_one(p + i_, end, cp);
            int units = cp >= 0x10000 ? 2 : 1;
            char16_t first = units == 2 ? 0xD800 : static_cast<char16_t>(cp);
            out.unit[static_cast<std::size_t>(out.count++)] = first;
            i_ += bytes;
            got += units;
            if (units == 2 && got > want)
                split = true;  // its low half follows as a plain unit
            else if (units == 2)
                out.unit[static_cast<std::size_t>(out.count++)] = 0xDC00;
        }
        return true;
    }

    bool lenient_escape() {
        if (s_[i_] != 'u') {
            // One unit stands for itself (or for a control character): step over the whole
            // character it belongs to.
            uint32_t cp;
            i_ += utf8_decode_one(reinterpret_cast<const unsigned char*>(s_) + i_,
                                  reinterpret_cast<const unsigned char*>(s_) + n_, cp);
            return true;
        }
        ++i_;
        Units hex;
        bool split;
        if (!take_units(4, hex, split))
            return false;
        char16_t unit = static_cast<char16_t>(
            wcstoul16_like(std::u16string_view(hex.unit.data(), std::min(hex.count, 4))));
        if (split || unit < 0xD800 || unit > 0xDBFF)
            return true;
        // A low surrogate escape may follow: six more units, read only when they are one.
        std::size_t save = i_;
        Units pair;
        bool pair_split;
        if (n_ - i_ >= 2 && s_[i_] == '\\' && s_[i_ + 1] == 'u') {
            i_ += 2;
            if (take_units(4, pair, pair_split)) {
                char16_t low = static_cast<char16_t>(
                    wcstoul16_like(std::u16string_view(pair.unit.data(), std::min(pair.count, 4))));
                if (low >= 0xDC00 && low <= 0xDFFF)
                    return true;
            }
        }
        i_ = save;
        return true;
    }

    bool lenient_number() {
        std::size_t start = i_;
        if (s_[i_] == '-' || s_[i_] == '+')
            ++i_;
        while (i_ < n_ && is_number_char(s_[i_])) ++i_;
        if (i_ == start)
            return false;
        doc_.add(JsonKind::Number, start, i_ - start);
        return true;
    }

    bool strict_number() {
        std::size_t start = i_;
        auto digit = [&] { return i_ < n_ && s_[i_] >= '0' && s_[i_] <= '9'; };
        if (i_ < n_ && s_[i_] == '-')
            ++i_;
        if (!digit())
            return false;
        if (s_[i_] == '0') {
            ++i_;
        } else {
            while (digit()) ++i_;
        }
        if (i_ < n_ && s_[i_] == '.') {
            ++i_;
            if (!digit())
                return false;
            while (digit()) ++i_;
        }
        if (i_ < n_ && (s_[i_] == 'e' || s_[i_] == 'E')) {
            ++i_;
            if (i_ < n_ && (s_[i_] == '+' || s_[i_] == '-'))
                ++i_;
            if (!digit())
                return false;
            while (digit()) ++i_;
        }
        doc_.add(JsonKind::Number, start, i_ - start);
        return true;
    }

    JsonDocument& doc_;
    const char* s_;
    std::size_t n_;
    std::size_t i_ = 0;
    bool strict_;
    int max_depth_;
};

// Plain decimals such as 120, -3 or 35.50 are converted exactly without the general conversion:
// an integer mantissa below 2^53 divided by a power of ten up to 10^22 is correctly rounded.
// Anything else goes through wcstod, as far as it converts.
double token_to_double(std::string_view t) {
    static constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    std::size_t i = 0;
    bool neg = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+'))
        neg = t[i++] == '-';
    uint64_t mantissa = 0;
    int digits = 0, decimals = 0;
    bool point = false;
    for (; i < t.size(); ++i) {
        char c = t[i];
        if (c >= '0' && c <= '9') {
            mantissa = mantissa * 10 + static_cast<uint64_t>(c - '0');
            ++digits;
            decimals += point;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (i == t.size() && digits > 0 && digits <= 15 && decimals <= 22) {
        double v = static_cast<double>(mantissa) / kPow10[decimals];
        return neg ? -v : v;
    }
    return wcstod_like(ascii_to_u16(t));
}

// A lenient string's text: the UTF-16 of its bytes, then its escapes read unit by unit.
std::u16string decode_lenient(std::string_view raw, bool escaped) {
    std::u16string units = utf8_to_utf16(raw);
    if (!escaped)
        return units;
    std::u16string out;
    out.reserve(units.size());
    const char16_t* p = units.data();
    const char16_t* end = p + units.size();
    while (p != end) {
        char16_t c = *p++;
        if (c != u'\\') {
            out.push_back(c);
            continue;
        }
        if (p == end)
            break;  // cannot happen: the parser saw a character after every backslash
        c = *p++;
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
                std::size_t left = static_cast<std::size_t>(end - p);
                auto unit = static_cast<char16_t>(
                    wcstoul16_like(std::u16string_view(p, std::min<std::size_t>(left, 4))));
                p += std::min<std::size_t>(left, 4);
                if (unit >= 0xD800 && unit <= 0xDBFF && end - p >= 6 && p[0] == u'\\' &&
                    p[1] == u'u') {
                    auto low = static_cast<char16_t>(wcstoul16_like(std::u16string_view(p + 2, 4)));
                    if (low >= 0xDC00 && low <= 0xDFFF) {
                        out.push_back(unit);
                        out.push_back(low);
                        p += 6;
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
    return out;
}

// A strictly read string's UTF-8 (its escapes were checked by the parser).
std::string decode_strict(std::string_view raw, bool escaped) {
    if (!escaped)
        return std::string(raw);
    auto hex4 = [](std::string_view h) {
        uint32_t v = 0;
        for (char c : h)
            v = v * 16 + static_cast<uint32_t>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
        return v;
    };
    std::string out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        char c = raw[i];
        if (c != '\\') {
            out.push_back(c);
            continue;
        }
        char e = raw[++i];
        switch (e) {
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
                uint32_t cp = hex4(raw.substr(i + 1, 4));
                i += 4;
                if (cp >= 0xD800 && cp <= 0xDBFF && i + 6 < raw.size() && raw[i + 1] == '\\' &&
                    raw[i + 2] == 'u') {
                    uint32_t low = hex4(raw.substr(i + 3, 4));
                    if (low >= 0xDC00 && low <= 0xDFFF) {
                        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                        i += 6;
                    }
                }
                if (cp >= 0xD800 && cp <= 0xDFFF)
                    cp = 0xFFFD;  // a lone surrogate
                append_utf8(out, cp);
                break;
            }
            default:  // '"', '\\' and '/'
                out.push_back(e);
                break;
        }
    }
    return out;
}

bool parse_into(std::string text, JsonValue& out, bool strict, int max_depth,
                std::shared_ptr<JsonDocument>& doc) {
    doc = std::make_shared<JsonDocument>(text.size());
    doc->text = std::move(text);
    // Offsets are 32-bit: service answers and request bodies are far smaller.
    if (doc->text.size() >= std::numeric_limits<uint32_t>::max())
        return false;
    if (!Parser(*doc, strict, max_depth).document())
        return false;
    if (strict)
        doc->node(0).flags |= JsonDocument::kStrict;
    return true;
}

}  // namespace

bool json_parse(std::string text, JsonValue& out) {
    out = JsonValue{};
    std::shared_ptr<JsonDocument> doc;
    if (!parse_into(std::move(text), out, false, kJsonMaxDepth, doc))
        return false;
    out = JsonValue(std::move(doc), 0);
    return true;
}

bool json_parse_strict(std::string text, JsonValue& out, int max_depth) {
    out = JsonValue{};
    std::shared_ptr<JsonDocument> doc;
    if (!parse_into(std::move(text), out, true, max_depth, doc))
        return false;
    out = JsonValue(std::move(doc), 0);
    return true;
}

JsonKind JsonValue::kind() const {
    return doc_ ? static_cast<JsonKind>(doc_->node(at_).kind) : JsonKind::Null;
}

bool JsonValue::flag() const {
    return doc_ && (doc_->node(at_).flags & JsonDocument::kTrue) != 0 &&
           kind() == JsonKind::Boolean;
}

double JsonValue::number() const {
    return kind() == JsonKind::Number ? token_to_double(doc_->span(at_)) : 0.0;
}

std::u16string JsonValue::text() const {
    if (kind() != JsonKind::String)
        return {};
    return decode_lenient(doc_->span(at_), (doc_->node(at_).flags & JsonDocument::kEscaped) != 0);
}

std::string JsonValue::text_utf8() const {
    if (kind() != JsonKind::String)
        return {};
    return decode_strict(doc_->span(at_), (doc_->node(at_).flags & JsonDocument::kEscaped) != 0);
}

std::string_view JsonValue::token() const {
    JsonKind k = kind();
    return k == JsonKind::Number || k == JsonKind::String ? doc_->span(at_) : std::string_view();
}

std::size_t JsonValue::size() const {
    JsonKind k = kind();
    return k == JsonKind::Array || k == JsonKind::Object ? doc_->node(at_).length : 0;
}

JsonValue::Elements JsonValue::elements() const {
    return Elements(*this);
}

JsonValue::Members JsonValue::members() const {
    return Members(*this);
}

JsonValue::Elements::iterator JsonValue::Elements::begin() const {
    if (parent_.kind() != JsonKind::Array)
        return end();
    return iterator(JsonValue(parent_.doc_, parent_.at_ + 1));
}

JsonValue::Elements::iterator JsonValue::Elements::end() const {
    uint32_t next = parent_.doc_ ? parent_.doc_->node(parent_.at_).next : 0;
    if (parent_.kind() != JsonKind::Array)
        next = parent_.at_ + 1;  // begin() is end() then; nothing is visited
    return iterator(JsonValue(parent_.doc_, next));
}

JsonValue::Elements::iterator& JsonValue::Elements::iterator::operator++() {
    current_.at_ = current_.doc_->node(current_.at_).next;
    return *this;
}

JsonValue JsonValue::Elements::operator[](std::size_t index) const {
    auto it = begin();
    for (std::size_t i = 0; i < index; ++i) ++it;
    return *it;
}

JsonValue::Members::iterator JsonValue::Members::begin() const {
    if (parent_.kind() != JsonKind::Object)
        return end();
    return iterator(parent_, parent_.at_ + 1);
}

JsonValue::Members::iterator JsonValue::Members::end() const {
    uint32_t next =
        parent_.kind() == JsonKind::Object ? parent_.doc_->node(parent_.at_).next : parent_.at_ + 1;
    return iterator(parent_, next);
}

JsonMember JsonValue::Members::iterator::operator*() const {
    return JsonMember(JsonValue(parent_.doc_, key_at_ + 1), key_at_);
}

std::u16string JsonValue::Members::iterator::key() const {
    return decode_lenient(parent_.doc_->span(key_at_),
                          (parent_.doc_->node(key_at_).flags & JsonDocument::kEscaped) != 0);
}

JsonValue::Members::iterator& JsonValue::Members::iterator::operator++() {
    key_at_ = parent_.doc_->node(key_at_ + 1).next;
    return *this;
}

std::u16string JsonMember::key() const {
    const JsonDocument& d = *value_.doc_;
    return decode_lenient(d.span(key_at_), (d.node(key_at_).flags & JsonDocument::kEscaped) != 0);
}

std::string JsonMember::key_utf8() const {
    const JsonDocument& d = *value_.doc_;
    return decode_strict(d.span(key_at_), (d.node(key_at_).flags & JsonDocument::kEscaped) != 0);
}

std::optional<JsonValue> JsonValue::find_utf8(std::string_view key) const {
    if (kind() != JsonKind::Object)
        return std::nullopt;
    const JsonDocument& d = *doc_;
    for (uint32_t k = at_ + 1; k != d.node(at_).next; k = d.node(k + 1).next) {
        bool escaped = (d.node(k).flags & JsonDocument::kEscaped) != 0;
        if (escaped ? decode_strict(d.span(k), true) == key : d.span(k) == key)
            return JsonValue(doc_, k + 1);
    }
    return std::nullopt;
}

namespace {

// The node of the first member named `key`, or 0 (never a member's node: 0 is the root).
uint32_t find_member(const JsonDocument& d, uint32_t object, std::u16string_view key) {
    bool ascii_key = true;
    for (char16_t c : key) ascii_key = ascii_key && c < 0x80;
    for (uint32_t k = object + 1; k != d.node(object).next; k = d.node(k + 1).next) {
        std::string_view raw = d.span(k);
        bool escaped = (d.node(k).flags & JsonDocument::kEscaped) != 0;
        bool match;
        if (ascii_key && !escaped) {
            // Compared as they stand: an ASCII key equals only the same ASCII bytes.
            match = raw.size() == key.size();
            for (std::size_t i = 0; match && i < raw.size(); ++i)
                match = static_cast<unsigned char>(raw[i]) == key[i];
        } else {
            match = decode_lenient(raw, escaped) == key;
        }
        if (match)
            return k + 1;
    }
    return 0;
}

}  // namespace

std::optional<JsonValue> json_find(const JsonValue& value, std::u16string_view key) {
    if (value.kind() != JsonKind::Object)
        return std::nullopt;
    uint32_t at = find_member(*value.doc_, value.at_, key);
    if (at == 0)
        return std::nullopt;
    return JsonValue(value.doc_, at);
}

// The two accessors below look members up in place: no value handle is made for them.
double json_number(const JsonValue& value, std::u16string_view key, double fallback) {
    if (value.kind() != JsonKind::Object)
        return fallback;
    const JsonDocument& d = *value.doc_;
    uint32_t at = find_member(d, value.at_, key);
    if (at == 0)
        return fallback;
    const JsonDocument::Node& n = d.node(at);
    if (n.kind == static_cast<uint8_t>(JsonKind::Number))
        return token_to_double(d.span(at));
    if (n.kind == static_cast<uint8_t>(JsonKind::String)) {
        std::size_t used = 0;
        double v =
            wcstod_like(decode_lenient(d.span(at), (n.flags & JsonDocument::kEscaped) != 0), &used);
        return used == 0 ? fallback : v;
    }
    return fallback;
}

std::u16string json_text(const JsonValue& value, std::u16string_view key,
                         std::u16string_view fallback) {
    if (value.kind() != JsonKind::Object)
        return std::u16string(fallback);
    const JsonDocument& d = *value.doc_;
    uint32_t at = find_member(d, value.at_, key);
    if (at != 0) {
        const JsonDocument::Node& n = d.node(at);
        if (n.kind == static_cast<uint8_t>(JsonKind::String))
            return decode_lenient(d.span(at), (n.flags & JsonDocument::kEscaped) != 0);
        if (n.kind == static_cast<uint8_t>(JsonKind::Number))
            return number_text(token_to_double(d.span(at)));
    }
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
