// Fuzzes the JSON parser with arbitrary UTF-16 text (the fuzzer's bytes taken two at a time)
// and runs every accessor and the number text rule over whatever tree it builds; and the strict
// document parser with the bytes as UTF-8, walking every node it reads.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "net/json.h"
#include "net/json_document.h"

namespace {

int g_depth = 0;

void Walk(const nv::JsonValue& v) {
    if (++g_depth > nv::kJsonMaxDepth + 1)
        std::abort();  // the parser broke its depth limit
    switch (v.kind) {
        case nv::JsonKind::Number: {
            std::u16string t = nv::number_text(v.number);
            if (t.empty() || t.size() > 63)
                std::abort();
            break;
        }
        case nv::JsonKind::String:
            (void)nv::json_escape(v.text);
            break;
        case nv::JsonKind::Array:
            for (const auto& e : v.elements) Walk(e);
            break;
        case nv::JsonKind::Object:
            for (const auto& m : v.members) {
                const nv::JsonValue* first = nv::json_find(v, m.key);
                if (!first)
                    std::abort();
                (void)nv::json_number(v, m.key, 0.0);
                (void)nv::json_text(v, m.key, u"");
                Walk(m.value);
            }
            (void)nv::json_find(v, u"missing");
            break;
        default:
            break;
    }
    --g_depth;
}

void WalkDocument(nv::JsonRef v, std::size_t text_size) {
    if (v.text().size() > text_size)
        std::abort();  // decoded text never grows
    std::size_t count = 0;
    for (auto it = v.begin(); it != v.end(); ++it) {
        if (v.kind() == nv::JsonKind::Object && !v.find(it.key()))
            std::abort();
        WalkDocument(*it, text_size);
        ++count;
    }
    if (count != v.size())
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::u16string text(size / 2, u'\0');
    std::memcpy(text.data(), data, text.size() * 2);
    nv::JsonValue v;
    bool ok = nv::json_parse(text, v);
    // Also the same bytes read as Latin-1, which reaches the ASCII grammar far more often.
    nv::JsonValue w;
    std::u16string narrow(data, data + size);
    ok = nv::json_parse(narrow, w) || ok;
    g_depth = 0;
    Walk(v);
    g_depth = 0;
    Walk(w);
    nv::JsonDocument doc;
    if (doc.parse(std::string(reinterpret_cast<const char*>(data), size)))
        WalkDocument(doc.root(), size);
    return 0;
}
