#include "base/config.h"

#include "base/files.h"
#include "base/profile.h"
#include "base/text.h"

namespace nv {

namespace {

constexpr char16_t kSentinel[] = u"\u0001";
constexpr std::size_t kBufferChars = 2048;
// config.ini is a few kilobytes; anything past this is not ours to convert.
constexpr std::size_t kMaxConfigBytes = 16u << 20;

bool missing(const std::u16string& v) {
    return v.empty() || v == kSentinel;
}

}  // namespace

std::u16string config_lookup(std::u16string_view path, std::u16string_view section,
                             std::u16string_view key, std::u16string_view fallback) {
    std::u16string v = profile_read(path, section, key, kSentinel, kBufferChars);
    return missing(v) ? std::u16string(fallback) : v;
}

bool config_missing(std::u16string_view path, std::u16string_view section,
                    std::u16string_view key) {
    return missing(profile_read(path, section, key, kSentinel, kBufferChars));
}

void config_write(std::u16string_view path, std::u16string_view section, std::u16string_view key,
                  std::u16string_view value) {
    profile_write(path, section, key, on_one_line(value));
}

int config_int(std::u16string_view path, std::u16string_view section, std::u16string_view key,
               std::u16string_view fallback) {
    return wcstol_like(config_lookup(path, section, key, fallback));
}

std::string ini_bytes_as_utf16(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    std::u16string text = is_utf8(bytes) ? utf8_to_utf16(bytes) : ansi_to_utf16(bytes);
    std::string out = "\xFF\xFE";
    out.reserve(2 + text.size() * 2);
    for (char16_t c : text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

ConfigFile prepare_config_file(std::u16string_view path) {
    if (!file_exists(path))
        return create_utf16_file(path) ? ConfigFile::Created : ConfigFile::Failed;
    std::string bytes;
    if (!read_file(path, kMaxConfigBytes, bytes))
        return ConfigFile::Failed;
    // Big-endian UTF-16 is also read by the profile functions; leave it as it is.
    if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF")
        return ConfigFile::AlreadyUtf16;
    return replace_file(path, ini_bytes_as_utf16(bytes)) ? ConfigFile::Converted
                                                         : ConfigFile::Failed;
}

}  // namespace nv
