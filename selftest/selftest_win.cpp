#include "selftest/selftest_win.h"

#include <windows.h>

#include <cstdio>
#include <iterator>
#include <memory>
#include <string>

#include "base/files.h"
#include "base/text.h"
#include "base/wide_win.h"
#include "selftest/selftest.h"

namespace nv {

void run_selftest_beside_exe(const DataCaller& who) {
    wchar_t module[MAX_PATH * 4];
    DWORD n = GetModuleFileNameW(nullptr, module, static_cast<DWORD>(std::size(module)));
    std::u16string path = from_wide(module, n);
    std::size_t slash = path.find_last_of(u"\\/");
    std::u16string folder = slash == std::u16string::npos ? u"." : path.substr(0, slash);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(open_file(folder + u"\\selftest.txt", "wb"),
                                                      &std::fclose);
    if (!f)
        return;  // no file, no calls
    run_selftest(who, [&f](const std::u16string& line) {
        std::string bytes = utf16_to_utf8(line);
        bytes.push_back('\n');
        std::fwrite(bytes.data(), 1, bytes.size(), f.get());
        std::fflush(f.get());
    });
}

}  // namespace nv
