// The product's name and version as the windows, the log and the about box show them.
#pragma once

namespace nv {

inline constexpr char16_t kBuiltInVersion[] = u"1.2.10";
inline constexpr char16_t kAppTitle[] = u"澄岚映辉 · 电脑客户端";

}  // namespace nv
