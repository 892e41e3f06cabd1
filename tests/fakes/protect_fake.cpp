#include "base/protect.h"

namespace nv {

// Stands for the platform's sealing: a marker, the bytes turned (so that they are not plain),
// and a sum over them, so that a damaged value is refused as the platform refuses it.
std::optional<std::string> protect_for_user(std::string_view plain) {
    std::string sealed = "SEALED";
    unsigned sum = 0;
    for (char c : plain) {
        sealed.push_back(static_cast<char>(c ^ 0x5A));
        sum = sum * 31 + static_cast<unsigned char>(c);
    }
    sealed.push_back(static_cast<char>(sum & 0xFF));
    return sealed;
}

std::optional<std::string> unprotect_for_user(std::string_view sealed) {
    if (sealed.size() < 7 || sealed.substr(0, 6) != "SEALED")
        return std::nullopt;
    std::string plain;
    unsigned sum = 0;
    for (char c : sealed.substr(6, sealed.size() - 7)) {
        plain.push_back(static_cast<char>(c ^ 0x5A));
        sum = sum * 31 + static_cast<unsigned char>(plain.back());
    }
    if (static_cast<char>(sum & 0xFF) != sealed.back())
        return std::nullopt;
    return plain;
}

}  // namespace nv
