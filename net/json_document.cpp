#include "net/json_document.h"

#include <limits>

namespace nv {

class DocumentParser {
public:
    DocumentParser(std::string& text, std::vector<JsonDocument::Node>& nodes, int max_depth)
        : s_(text.data()), n_(text.size()), nodes_(nodes), max_depth_(max_depth) {}

    bool document() {
        if (!value(0))
            return false;
        ws();
        return i_ == n_;
    }

private:
    using Node = JsonDocument::Node;

    void ws() {
        while (i_ < n_ && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n' || s_[i_] == '\r'))
            ++i_;
    }

    bool literal(std::string_view word) {
        if (std::string_view(s_ + i_, n_ - i_).substr(0, word.size()) != word)
            return false;
        i_ += word.size();
        return true;
    }

    uint32_t add(JsonKind kind, std::size_t offset, std::size_t length) {
        auto at = static_cast<uint32_t>(nodes_.size());
        nodes_.push_back(
            Node{kind, static_cast<uint32_t>(offset), static_cast<uint32_t>(length), at + 1});
        return at;
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
                add(JsonKind::Boolean, i_, 1);
                return literal("true");
            case 'f':
                add(JsonKind::Boolean, i_, 0);
                return literal("false");
            case 'n':
                add(JsonKind::Null, i_, 0);
                return literal("null");
            default:
                return number();
        }
    }

    bool container(int depth, bool object) {
        if (depth > max_depth_)
            return false;
        uint32_t at = add(object ? JsonKind::Object : JsonKind::Array, i_, 0);
        char close = object ? '}' : ']';
        ++i_;
        ws();
        uint32_t count = 0;
        if (i_ < n_ && s_[i_] == close) {
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
        nodes_[at].length = count;
        nodes_[at].next = static_cast<uint32_t>(nodes_.size());
        return true;
    }

    int hex4() {
        if (n_ - i_ < 4)
            return -1;
        int v = 0;
        for (int k = 0; k < 4; ++k) {
            char c = s_[i_++];
            int d = (c >= '0' && c <= '9')   ? c - '0'
                    : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                    : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                             : -1;
            if (d < 0)
                return -1;
            v = v * 16 + d;
        }
        return v;
    }

    void put_utf8(std::size_t& w, uint32_t cp) {
        if (cp < 0x80) {
            s_[w++] = static_cast<char>(cp);
        } else if (cp < 0x800) {
            s_[w++] = static_cast<char>(0xC0 | (cp >> 6));
            s_[w++] = static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            s_[w++] = static_cast<char>(0xE0 | (cp >> 12));
            s_[w++] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            s_[w++] = static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            s_[w++] = static_cast<char>(0xF0 | (cp >> 18));
            s_[w++] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            s_[w++] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            s_[w++] = static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    // The decoded text is never longer than its escaped form, so it is written over the source
    // from the string's first byte on.
    bool string() {
        ++i_;  // opening quote
        std::size_t start = i_;
        while (i_ < n_ && s_[i_] != '"' && s_[i_] != '\\' &&
               static_cast<unsigned char>(s_[i_]) >= 0x20)
            ++i_;
        std::size_t w = i_;
        while (i_ < n_) {
            char c = s_[i_++];
            if (c == '"') {
                add(JsonKind::String, start, w - start);
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20)
                return false;
            if (c != '\\') {
                s_[w++] = c;
                continue;
            }
            if (i_ >= n_)
                return false;
            char e = s_[i_++];
            switch (e) {
                case '"':
                case '\\':
                case '/':
                    s_[w++] = e;
                    break;
                case 'b':
                    s_[w++] = '\b';
                    break;
                case 'f':
                    s_[w++] = '\f';
                    break;
                case 'n':
                    s_[w++] = '\n';
                    break;
                case 'r':
                    s_[w++] = '\r';
                    break;
                case 't':
                    s_[w++] = '\t';
                    break;
                case 'u': {
                    int unit = hex4();
                    if (unit < 0)
                        return false;
                    auto cp = static_cast<uint32_t>(unit);
                    if (cp >= 0xD800 && cp <= 0xDBFF && n_ - i_ >= 6 && s_[i_] == '\\' &&
                        s_[i_ + 1] == 'u') {
                        std::size_t save = i_;
                        i_ += 2;
                        int low = hex4();
                        if (low >= 0xDC00 && low <= 0xDFFF)
                            cp = 0x10000 + ((cp - 0xD800) << 10) +
                                 (static_cast<uint32_t>(low) - 0xDC00);
                        else
                            i_ = save;
                    }
                    if (cp >= 0xD800 && cp <= 0xDFFF)
                        cp = 0xFFFD;  // a lone surrogate
                    put_utf8(w, cp);
                    break;
                }
                default:
                    return false;
            }
        }
        return false;
    }

    bool number() {
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
        add(JsonKind::Number, start, i_ - start);
        return true;
    }

    char* s_;
    std::size_t n_;
    std::size_t i_ = 0;
    std::vector<JsonDocument::Node>& nodes_;
    int max_depth_;
};

bool JsonDocument::parse(std::string text, int max_depth) {
    text_ = std::move(text);
    nodes_.clear();
    // Offsets are 32-bit; service answers and request bodies are far smaller.
    bool ok = text_.size() < std::numeric_limits<uint32_t>::max() &&
              DocumentParser(text_, nodes_, max_depth).document();
    if (!ok) {
        text_.clear();
        nodes_.clear();
    }
    return ok;
}

JsonKind JsonRef::kind() const {
    return doc_ ? doc_->nodes_[at_].kind : JsonKind::Null;
}

bool JsonRef::boolean() const {
    return doc_ && doc_->nodes_[at_].kind == JsonKind::Boolean && doc_->nodes_[at_].length != 0;
}

std::string_view JsonRef::text() const {
    if (!doc_)
        return {};
    const auto& node = doc_->nodes_[at_];
    if (node.kind != JsonKind::String && node.kind != JsonKind::Number)
        return {};
    return std::string_view(doc_->text_).substr(node.offset, node.length);
}

std::size_t JsonRef::size() const {
    if (!doc_)
        return 0;
    const auto& node = doc_->nodes_[at_];
    return node.kind == JsonKind::Array || node.kind == JsonKind::Object ? node.length : 0;
}

JsonRef JsonRef::find(std::string_view key) const {
    if (kind() != JsonKind::Object)
        return {};
    for (auto it = begin(); it != end(); ++it)
        if (it.key() == key)
            return *it;
    return {};
}

JsonRef::Iterator JsonRef::begin() const {
    JsonKind k = kind();
    if (k != JsonKind::Array && k != JsonKind::Object)
        return end();
    return Iterator(doc_, at_ + 1, k == JsonKind::Object);
}

JsonRef::Iterator JsonRef::end() const {
    return Iterator(doc_, doc_ ? doc_->nodes_[at_].next : 0, kind() == JsonKind::Object);
}

JsonRef JsonRef::Iterator::operator*() const {
    return JsonRef(doc_, members_ ? at_ + 1 : at_);
}

std::string_view JsonRef::Iterator::key() const {
    return members_ ? JsonRef(doc_, at_).text() : std::string_view();
}

JsonRef::Iterator& JsonRef::Iterator::operator++() {
    at_ = doc_->nodes_[members_ ? at_ + 1 : at_].next;
    return *this;
}

}  // namespace nv
