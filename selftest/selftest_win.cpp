#include <windows.h>

#include <cstdio>
#include <string>

#include "app/files.h"
#include "app/shell_win.h"
#include "app/text.h"
#include "selftest/selftest.h"

namespace nv {

void run_selftest_beside_exe(const std::u16string& base_url, const std::u16string& user_id) {
    wchar_t module[MAX_PATH * 4];
    DWORD n = GetModuleFileNameW(nullptr, module, static_cast<DWORD>(std::size(module)));
    std::u16string path(reinterpret_cast<const char16_t*>(module), n);
    std::size_t slash = path.find_last_of(u"\\/");
    std::u16string folder = slash == std::u16string::npos ? u"." : path.substr(0, slash);
    std::FILE* f = open_file(folder + u"\\selftest.txt", "wb");
    if (!f) return;  // no file, no calls
    run_selftest(base_url, user_id, [f](const std::u16string& line) {
        std::string bytes = utf16_to_utf8(line);
        bytes.push_back('\n');
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fflush(f);
    });
    std::fclose(f);
}

}  // namespace nv
