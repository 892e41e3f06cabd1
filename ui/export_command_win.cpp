#include "ui/export_command_win.h"

#include <windows.h>

#include <commdlg.h>

#include <string>

#include "base/process_win.h"
#include "base/wide_win.h"
#include "export/export_names.h"
#include "export/export_win.h"
#include "notes/session.h"
#include "ui/ui_win.h"

namespace nv {

namespace {

constexpr SaveKind kPdf{L"PDF 文档 (*.pdf)\0*.pdf\0", L"pdf", L"导出 PDF · A4 纵向"};
constexpr SaveKind kWord{L"Word 文档 (*.docx)\0*.docx\0", L"docx", L"导出 Word · A4 纵向"};
constexpr SaveKind kExcel{L"Excel 工作簿 (*.xlsx)\0*.xlsx\0", L"xlsx", L"导出 Excel（当前列表）"};

}  // namespace

std::u16string AskForSavePath(HWND owner, std::u16string_view proposed, const SaveKind& kind) {
    std::u16string buffer(proposed);
    buffer.resize(32768, u'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = kind.filter;
    ofn.lpstrFile = as_wide_buffer(buffer);
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrDefExt = kind.extension;
    ofn.lpstrTitle = kind.title;
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;  // 0x80A
    if (!GetSaveFileNameW(&ofn))
        return {};
    return from_wide(ofn.lpstrFile);
}

std::u16string DocumentCompany() {
    const LoginSession& session = login_session();
    std::optional<std::u16string> fresh = fresh_company(session, ShowBusyCursor);
    return export_company(session.company, fresh.has_value(), fresh.value_or(u""));
}

void RunExportCommand(const DeliveryNote* note, bool pdf, const StatusSink& report) {
    HWND main = process().main_window;
    if (!note) {
        MessageBoxW(main, L"请先选中一张送货单", L"导出", MB_OK | MB_ICONINFORMATION);
        return;
    }
    std::u16string path = AskForSavePath(main, export_file_name(note->number), pdf ? kPdf : kWord);
    if (path.empty())
        return;
    std::u16string company = DocumentCompany();
    std::u16string error;
    bool ok = false;
    {
        WaitCursor wait;
        EnableWindow(main, FALSE);
        UpdateWindow(main);
        ok = ExportFile(*note, company, path, pdf, error);
        EnableWindow(main, TRUE);
    }
    if (!ok) {
        MessageBoxU(main, error, L"导出失败", MB_OK | MB_ICONERROR);
        return;
    }
    report(u"已导出：" + path);
    MessageBoxU(main, u"已保存 A4 纵向文档：\n" + path, L"导出完成", MB_OK | MB_ICONINFORMATION);
}

void RunExcelExportCommand(const std::vector<DeliveryNote>& notes, const StatusSink& report) {
    HWND main = process().main_window;
    if (notes.empty()) {
        MessageBoxW(main, L"当前列表没有送货单，未导出", L"导出", MB_OK | MB_ICONINFORMATION);
        return;
    }
    std::u16string path = AskForSavePath(main, list_export_file_name(today_date()), kExcel);
    if (path.empty())
        return;
    std::u16string error;
    bool ok = false;
    {
        WaitCursor wait;
        EnableWindow(main, FALSE);
        UpdateWindow(main);
        ok = ExportWorkbook(notes, path, error);
        EnableWindow(main, TRUE);
    }
    if (!ok) {
        MessageBoxU(main, error, L"导出失败", MB_OK | MB_ICONERROR);
        return;
    }
    report(u"已导出：" + path);
    MessageBoxU(main, u"已保存 Excel 工作簿：\n" + path, L"导出完成", MB_OK | MB_ICONINFORMATION);
}

}  // namespace nv
