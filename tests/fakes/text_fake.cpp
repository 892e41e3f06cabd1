#include "base/text.h"

namespace nv {

// Native tests stand for a Latin-1 (code page 1252 without its 0x80-0x9F extras) system.
std::u16string ansi_to_utf16(std::string_view bytes) {
    std::u16string out;
    for (char c : bytes) out.push_back(static_cast<unsigned char>(c));
    return out;
}

}  // namespace nv
