// Fuzzes the strict amount parser: whatever it accepts must lie within the field's range and
// come back as the same cents through the formatter, and a rejection must leave 0.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "finance/money.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Bytes as characters, plus a few non-ASCII characters to reach the rejection paths.
    std::u16string text;
    for (size_t i = 0; i < size; ++i) {
        uint8_t b = data[i];
        text.push_back(b >= 0xF0 ? static_cast<char16_t>(0xFF10 + (b & 0x0F)) : b);
    }
    nv::AmountParse r = nv::parse_amount(text);
    if (!r.accepted) {
        if (r.cents != 0)
            std::abort();
        return 0;
    }
    if (r.cents < 0 || r.cents > nv::kMaxAmountCents)
        std::abort();
    std::u16string formatted = nv::format_amount(r.cents);
    nv::AmountParse back = nv::parse_amount(formatted);
    if (!back.accepted || back.cents != r.cents)
        std::abort();
    if (nv::format_amount(back.cents) != formatted)
        std::abort();
    return 0;
}
