// The generic input dialog of the finance module ("NVNativeForm"): one label and one input per
// field, "确定" and "取消". It stays open, showing the submit check's message, until the check
// accepts or the user cancels.
#pragma once

#include <windows.h>

#include <string_view>
#include <vector>

#include "finance/finance_model.h"

namespace nv {

// Returns whether the check accepted. The fields then hold what the user left in the inputs;
// password values are wiped and emptied whatever the outcome.
[[nodiscard]] bool RunFormDialog(HWND owner, std::u16string_view title, std::vector<Field>& fields,
                                 const FormSubmit& submit);

}  // namespace nv
