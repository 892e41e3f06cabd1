// Fuzzes the JSON parser with arbitrary UTF-16 text (the fuzzer's bytes taken two at a time)
// and runs every accessor and the number text rule over whatever tree it builds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "net/json.h"

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
    return 0;
}
