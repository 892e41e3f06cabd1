// Fuzzes the JSON parser with arbitrary bytes, read leniently as a service answer and strictly
// as a request body, and runs every accessor and the number text rule over whatever it reads.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/json.h"

namespace {

void Walk(const nv::JsonValue& v, int depth, std::size_t text_size) {
    if (depth > nv::kJsonMaxDepth + 1)
        std::abort();  // the parser broke its depth limit
    if (v.token().size() > text_size)
        std::abort();
    switch (v.kind()) {
        case nv::JsonKind::Number: {
            std::u16string t = nv::number_text(v.number());
            if (t.empty() || t.size() > 63)
                std::abort();
            break;
        }
        case nv::JsonKind::String:
            (void)nv::json_escape(v.text());
            (void)v.text_utf8();
            break;
        case nv::JsonKind::Array: {
            std::size_t count = 0;
            for (const nv::JsonValue& e : v.elements()) {
                Walk(e, depth + 1, text_size);
                ++count;
            }
            if (count != v.size())
                std::abort();
            break;
        }
        case nv::JsonKind::Object: {
            std::size_t count = 0;
            for (const nv::JsonMember& m : v.members()) {
                std::u16string key = m.key();
                if (!nv::json_find(v, key))
                    std::abort();
                (void)nv::json_number(v, key, 0.0);
                (void)nv::json_text(v, key, u"");
                (void)v.find_utf8(m.key_utf8());
                Walk(m.value(), depth + 1, text_size);
                ++count;
            }
            if (count != v.size())
                std::abort();
            (void)nv::json_find(v, u"missing");
            break;
        }
        default:
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    nv::JsonValue lenient;
    if (nv::json_parse(text, lenient))
        Walk(lenient, 0, size);
    nv::JsonValue strict;
    if (nv::json_parse_strict(text, strict, 64))
        Walk(strict, 0, size);
    return 0;
}
