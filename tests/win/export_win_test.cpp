// The export's file writing under Wine: the destination is either replaced by the complete new
// file or left byte for byte as it was, and no temporary file of ours remains.
#include "export/export_win.h"

#include <windows.h>

#include <gtest/gtest.h>
#include <string>

#include "base/files.h"
#include "base/handles_win.h"
#include "base/text.h"
#include "base/wide_win.h"
#include "export/export_names.h"

namespace {

std::u16string Temp(const wchar_t* name) {
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    std::wstring p = std::wstring(dir) + name;
    SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(p.c_str());
    return nv::from_wide(p);
}

std::string Read(const std::u16string& path) {
    std::string bytes;
    EXPECT_TRUE(nv::read_file(path, 1 << 28, bytes));
    return bytes;
}

nv::DeliveryNote Note(int items) {
    nv::DeliveryNote n;
    n.number = u"SHD-EXPORT";
    n.customer = u"导出客户";
    for (int i = 0; i < items; ++i) {
        nv::Item it;
        it.product = u"LED灯带";
        it.quantity = 2;
        it.price = 3.5;
        n.items.push_back(it);
    }
    return n;
}

bool NoTemporaryFile(const std::u16string& dest) {
    return !nv::file_exists(nv::export_temp_path(dest, GetCurrentProcessId()));
}

TEST(ExportWin, PdfAndDocxReplaceTheDestinationWhole) {
    std::u16string dest = Temp(L"nv_export.pdf");
    ASSERT_TRUE(nv::replace_file(dest, "old content"));
    std::u16string error;
    ASSERT_TRUE(nv::ExportFile(Note(60), u"澄岚映辉", dest, true, error))
        << nv::utf16_to_utf8(error);
    std::string pdf = Read(dest);
    EXPECT_EQ(pdf.rfind("%PDF-", 0), 0u);
    EXPECT_NE(pdf.find("/Count 2"), std::string::npos);  // 60 rows: two A4 pages
    EXPECT_TRUE(NoTemporaryFile(dest));
    std::u16string docx = Temp(L"nv_export.docx");
    ASSERT_TRUE(nv::ExportFile(Note(1), u"澄岚映辉", docx, false, error));
    EXPECT_EQ(Read(docx).rfind("PK", 0), 0u);
}

TEST(ExportWin, FailuresLeaveTheDestinationAndNoTemporaryFile) {
    const std::string original = "the customer's earlier copy";
    std::u16string error;
    {  // another program holds the destination open without sharing
        std::u16string dest = Temp(L"nv_export_held.pdf");
        ASSERT_TRUE(nv::replace_file(dest, original));
        nv::UniqueHandle held(CreateFileW(nv::as_wide(dest), GENERIC_READ, 0, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held);
        EXPECT_FALSE(nv::ExportFile(Note(1), u"c", dest, true, error));
        EXPECT_EQ(error, u"保存失败，请检查磁盘空间，或关闭正在打开的同名文件");
        held.reset();
        EXPECT_TRUE(Read(dest) == original);
        EXPECT_TRUE(NoTemporaryFile(dest));
    }
    {  // a read-only destination
        std::u16string dest = Temp(L"nv_export_readonly.pdf");
        ASSERT_TRUE(nv::replace_file(dest, original));
        SetFileAttributesW(nv::as_wide(dest), FILE_ATTRIBUTE_READONLY);
        EXPECT_FALSE(nv::ExportFile(Note(1), u"c", dest, true, error));
        EXPECT_EQ(error, u"保存失败，请检查磁盘空间，或关闭正在打开的同名文件");
        SetFileAttributesW(nv::as_wide(dest), FILE_ATTRIBUTE_NORMAL);
        EXPECT_TRUE(Read(dest) == original);
        EXPECT_TRUE(NoTemporaryFile(dest));
    }
    {  // a folder that cannot be written (here: one that does not exist)
        std::u16string dest = Temp(L"nv_no_such_folder\\x.pdf");
        EXPECT_FALSE(nv::ExportFile(Note(1), u"c", dest, true, error));
        EXPECT_EQ(error, u"无法创建导出文件，请检查保存位置或关闭同名文件");
    }
    {  // a stale temporary file of the same name: refused, both files left as they were
        std::u16string dest = Temp(L"nv_export_stale.pdf");
        ASSERT_TRUE(nv::replace_file(dest, original));
        std::u16string stale = nv::export_temp_path(dest, GetCurrentProcessId());
        ASSERT_TRUE(nv::replace_file(stale, "stale"));
        EXPECT_FALSE(nv::ExportFile(Note(1), u"c", dest, true, error));
        EXPECT_EQ(error, u"无法创建导出文件，请检查保存位置或关闭同名文件");
        EXPECT_TRUE(Read(dest) == original);
        EXPECT_TRUE(Read(stale) == "stale");
        DeleteFileW(nv::as_wide(stale));
    }
}

}  // namespace
