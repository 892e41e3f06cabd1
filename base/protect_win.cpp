#include <windows.h>

#include <wincrypt.h>

#include "base/protect.h"

namespace nv {

namespace {

// The output blob of CryptProtectData / CryptUnprotectData, freed with LocalFree.
struct LocalBlob {
    DATA_BLOB blob{};
    LocalBlob() = default;
    LocalBlob(const LocalBlob&) = delete;
    LocalBlob& operator=(const LocalBlob&) = delete;
    ~LocalBlob() {
        if (blob.pbData)
            LocalFree(blob.pbData);
    }
    std::string bytes() const {
        return std::string(reinterpret_cast<const char*>(blob.pbData), blob.cbData);
    }
};

DATA_BLOB in_blob(std::string_view bytes) {
    DATA_BLOB in{};
    in.pbData = reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data()));
    in.cbData = static_cast<DWORD>(bytes.size());
    return in;
}

}  // namespace

std::optional<std::string> protect_for_user(std::string_view plain) {
    DATA_BLOB in = in_blob(plain);
    LocalBlob out;
    if (!CryptProtectData(&in, L"Norvane", nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                          &out.blob))
        return std::nullopt;
    return out.bytes();
}

std::optional<std::string> unprotect_for_user(std::string_view sealed) {
    DATA_BLOB in = in_blob(sealed);
    LocalBlob out;
    if (!CryptUnprotectData(&in, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                            &out.blob))
        return std::nullopt;
    std::string plain = out.bytes();
    SecureZeroMemory(out.blob.pbData, out.blob.cbData);
    return plain;
}

}  // namespace nv
