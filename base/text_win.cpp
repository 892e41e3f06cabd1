#include <windows.h>

#include "base/text.h"
#include "base/wide_win.h"

namespace nv {

std::u16string ansi_to_utf16(std::string_view bytes) {
    if (bytes.empty())
        return {};
    int n =
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::u16string out(static_cast<std::size_t>(n > 0 ? n : 0), u'\0');
    if (n > 0)
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()),
                            as_wide_buffer(out), n);
    return out;
}

}  // namespace nv
