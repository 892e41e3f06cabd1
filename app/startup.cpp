#include "app/startup.h"

#include "base/config.h"
#include "print/print_settings.h"

namespace nv {

bool has_switch(const std::vector<std::u16string>& args, std::u16string_view name) {
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == name)
            return true;
    }
    return false;
}

LoginSession load_config(std::u16string_view ini) {
    LoginSession s = read_login_session(ini);
    if (config_missing(ini, u"app", u"server"))
        config_write(ini, u"app", u"server", kDefaultServer);
    for (const SeededPrintKey& k : kSeededPrintKeys) {
        if (config_missing(ini, u"print", k.key))
            config_write(ini, u"print", k.key, k.text);
    }
    return s;
}

}  // namespace nv
