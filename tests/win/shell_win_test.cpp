// Windows-side checks that need the real platform: the local clock seam and the resources that
// the build links into norvane.exe (looked up beside this test program).
#include <windows.h>

#include <gtest/gtest.h>
#include <string>

#include "base/clock.h"
#include "base/handles_win.h"
#include "base/wide_win.h"
#include "notes/records.h"

namespace {

std::wstring ExeBeside(const wchar_t* name) {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, n);
    return dir.substr(0, dir.find_last_of(L"\\/") + 1) + name;
}

struct Module {
    HMODULE handle;
    explicit Module(const std::wstring& path)
        : handle(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~Module() {
        if (handle)
            FreeLibrary(handle);
    }
};

TEST(Resources, ExecutableCarriesIconGroupOneAndTheManifest) {
    Module exe(ExeBeside(L"norvane.exe"));
    ASSERT_NE(exe.handle, nullptr);
    EXPECT_NE(FindResourceW(exe.handle, MAKEINTRESOURCEW(1), RT_GROUP_ICON), nullptr);
    HRSRC res = FindResourceW(exe.handle, MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(res, nullptr);
    auto* data = static_cast<const char*>(LockResource(LoadResource(exe.handle, res)));
    std::string manifest(data, SizeofResource(exe.handle, res));
    for (const char* needle :
         {"level=\"asInvoker\"", "Microsoft.Windows.Common-Controls", "version=\"6.0.0.0\"",
          "PerMonitorV2, PerMonitor", "<longPathAware", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
          "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) {
        EXPECT_NE(manifest.find(needle), std::string::npos) << needle;
    }
}

// Printing and the preview select fonts and pens into DCs page after page: a selected object
// must be put back before it is freed, and each owner frees exactly what it holds.
TEST(Raii, SelectGuardRestoresAndOwnersFree) {
    nv::UniqueDc dc(CreateCompatibleDC(nullptr));
    ASSERT_TRUE(dc);
    HGDIOBJ before = GetCurrentObject(dc.get(), OBJ_FONT);
    HFONT raw = nullptr;
    {
        nv::UniqueFont font(
            CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"SimSun"));
        raw = font.get();
        {
            nv::SelectGuard selected(dc.get(), font.get());
            EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_FONT), raw);
        }
        EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_FONT), before);
        EXPECT_EQ(GetObjectType(raw), static_cast<DWORD>(OBJ_FONT));
    }
    EXPECT_EQ(GetObjectType(raw), 0u);  // freed with its owner

    nv::UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    HANDLE h = event.get();
    nv::UniqueHandle moved(std::move(event));
    EXPECT_FALSE(event);
    DWORD flags = 0;
    EXPECT_TRUE(GetHandleInformation(h, &flags));
    moved.reset();
    EXPECT_FALSE(GetHandleInformation(h, &flags));
}

}  // namespace
