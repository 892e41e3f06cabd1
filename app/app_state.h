// Process-wide state that start-up prepares and the windows share.
#pragma once

#include <string>

namespace nv {

inline constexpr char16_t kBuiltInVersion[] = u"1.2.10";
inline constexpr char16_t kAppTitle[] = u"澄岚映辉 · 电脑客户端";

// The signed-in user of the data service, loaded from config.ini at start-up.
struct LoginSession {
    std::u16string base_url;
    std::u16string user_id;
    std::u16string username;
    std::u16string company;
    std::u16string account;
    bool remember = false;
};

}  // namespace nv
