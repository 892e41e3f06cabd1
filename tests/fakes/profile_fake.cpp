#include <map>
#include <string>
#include <tuple>

#include "base/profile.h"
#include "fakes/fakes.h"

namespace nv {

namespace {
using Key = std::tuple<std::u16string, std::u16string, std::u16string>;
std::map<Key, std::u16string> g_values;
}  // namespace

void fake::profile_clear() {
    g_values.clear();
}

void fake::profile_set(std::u16string_view path, std::u16string_view section,
                       std::u16string_view key, std::u16string_view value) {
    g_values[Key(path, section, key)] = value;
}

std::u16string profile_read(std::u16string_view path, std::u16string_view section,
                            std::u16string_view key, std::u16string_view fallback,
                            std::size_t buffer_chars) {
    auto it = g_values.find(Key(path, section, key));
    std::u16string v(it == g_values.end() ? fallback : std::u16string_view(it->second));
    if (buffer_chars == 0)
        return {};
    if (v.size() > buffer_chars - 1)
        v.resize(buffer_chars - 1);
    return v;
}

void profile_write(std::u16string_view path, std::u16string_view section, std::u16string_view key,
                   std::u16string_view value) {
    fake::profile_set(path, section, key, value);
}

}  // namespace nv
