// The finance window ("NVNativeFinance"): tenant switcher, the sections 记账凭证, 最近凭证,
// 租户管理 and 分片管理, and a status line. Modal towards its owner.
#pragma once

#include <windows.h>

#include <string_view>

namespace nv {

// Signs in to the finance service when the session is not valid for `base_url`, then runs the
// window until it is closed. Returns at once when the sign-in is cancelled.
void RunFinanceWindow(HWND owner, std::u16string_view base_url);

}  // namespace nv
