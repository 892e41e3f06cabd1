// The application's name and version as the windows, the log, the about box and the updater
// show and compare them.
#pragma once

namespace nv {

inline constexpr char16_t kBuiltInVersion[] = u"1.2.10";
inline constexpr char16_t kAppTitle[] = u"澄岚映辉 · 电脑客户端";

}  // namespace nv
