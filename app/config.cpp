#include "app/config.h"

#include "app/profile.h"
#include "app/text.h"

namespace nv {

namespace {

constexpr char16_t kSentinel[] = u"\u0001";
constexpr std::size_t kBufferChars = 2048;

struct Default {
    const char16_t* section;
    const char16_t* key;
    const char16_t* value;
};

constexpr Default kWrittenDefaults[] = {
    {u"app", u"server", kDefaultServer},
    {u"print", u"printer", u"EPSON LQ-735K"},
    {u"print", u"width_mm", u"241"},
    {u"print", u"height_mm", u"139.5"},
    {u"print", u"margin_left_mm", u"8"},
    {u"print", u"margin_right_mm", u"8"},
    {u"print", u"margin_top_mm", u"5"},
    {u"print", u"margin_bottom_mm", u"5"},
    {u"print", u"offset_x_mm", u"0"},
    {u"print", u"offset_y_mm", u"0"},
    {u"print", u"row_mm", u"6.0"},
    {u"print", u"font_scale", u"1"},
    {u"print", u"copies", u"1"},
    {u"print", u"port", u"17801"},
};

bool missing(const std::u16string& v) { return v.empty() || v == kSentinel; }

}  // namespace

std::u16string config_lookup(std::u16string_view path, std::u16string_view section,
                             std::u16string_view key, std::u16string_view fallback) {
    std::u16string v = profile_read(path, section, key, kSentinel, kBufferChars);
    return missing(v) ? std::u16string(fallback) : v;
}

void config_write(std::u16string_view path, std::u16string_view section, std::u16string_view key,
                  std::u16string_view value) {
    profile_write(path, section, key, value);
}

LoginSession config_load(std::u16string_view path) {
    LoginSession s;
    s.base_url = config_lookup(path, u"app", u"server", kDefaultServer);
    s.user_id = config_lookup(path, u"session", u"userId", u"");
    s.username = config_lookup(path, u"session", u"username", u"");
    s.company = config_lookup(path, u"session", u"company", u"");
    s.account = config_lookup(path, u"session", u"account", u"");
    s.remember = config_lookup(path, u"session", u"remember", u"0") == u"1";
    for (const Default& d : kWrittenDefaults) {
        if (missing(profile_read(path, d.section, d.key, kSentinel, kBufferChars)))
            profile_write(path, d.section, d.key, d.value);
    }
    return s;
}

int config_int(std::u16string_view path, std::u16string_view section, std::u16string_view key,
               std::u16string_view fallback) {
    return wcstol_like(config_lookup(path, section, key, fallback));
}

}  // namespace nv
