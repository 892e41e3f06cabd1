// The application's name and version as the windows, the log, the about box and the updater
// show and compare them. The version comes from the build (the project's version).
#pragma once

#include "base/version.h"

namespace nv {

inline constexpr char16_t kBuiltInVersion[] = NV_VERSION_U16;
inline constexpr char16_t kAppTitle[] = u"澄岚映辉 · 电脑客户端";

}  // namespace nv
