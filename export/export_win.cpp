#include "export/export_win.h"

#include <windows.h>

#include <functional>
#include <stdexcept>

#include "base/handles_win.h"
#include "base/wide_win.h"
#include "export/a4_layout.h"
#include "export/docx.h"
#include "export/export_names.h"
#include "export/pdf_writer.h"
#include "export/workbooks.h"
#include "export/xlsx.h"
#include "print/page_render_win.h"

namespace nv {

namespace {

UniqueFont SongFont(int height, int weight) {
    return UniqueFont(
        CreateFontW(height, 0, 0, 0, weight, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"宋体"));
}

}  // namespace

namespace {

// The A4 pages a layout function makes, drawn one after the other into one bitmap and encoded.
std::string RenderA4Pdf(
    const std::function<std::vector<std::vector<PageOp>>(const TextWidth&)>& layout) {
    WindowDc screen(nullptr);
    UniqueDc canvas(CreateCompatibleDC(screen.get()));
    if (!canvas)
        throw std::runtime_error("bitmap");
    void* bits = nullptr;
    UniqueBitmap bitmap = MakePageBitmap(canvas.get(), kPdfPageWidth, kPdfPageHeight, &bits);
    if (!bitmap || !bits)
        throw std::runtime_error("bitmap");
    UniqueFont body = SongFont(-17, FW_NORMAL);
    UniqueFont title = SongFont(-30, FW_BOLD);
    HDC dc = canvas.get();
    SelectGuard selected(dc, bitmap.get());
    SelectGuard font(dc, body.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    auto font_of = [&](PageFont f) { return f == PageFont::A4Title ? title.get() : body.get(); };
    auto width = [&](PageFont f, std::u16string_view text) {
        SelectObject(dc, font_of(f));
        SIZE size{};
        std::wstring w = wide_copy(text);
        GetTextExtentPoint32W(dc, w.c_str(), static_cast<int>(w.size()), &size);
        return static_cast<int32_t>(size.cx);
    };
    std::vector<std::vector<PageOp>> pages = layout(width);

    const int stride = PageBitmapStride(kPdfPageWidth);  // 3576 bytes
    std::string rgb(kPdfPageBytes, '\0');
    std::vector<std::string> encoded;
    encoded.reserve(pages.size());
    for (const std::vector<PageOp>& page : pages) {
        PatBlt(dc, 0, 0, kPdfPageWidth, kPdfPageHeight, WHITENESS);
        DrawOps(dc, page, font_of, nullptr);
        GdiFlush();
        const auto* src = static_cast<const unsigned char*>(bits);
        char* out = rgb.data();
        for (int y = 0; y < kPdfPageHeight; ++y) {
            const unsigned char* row = src + static_cast<std::size_t>(y) * stride;
            for (int x = 0; x < kPdfPageWidth; ++x) {
                *out++ = static_cast<char>(row[3 * x + 2]);  // the DIB holds blue, green, red
                *out++ = static_cast<char>(row[3 * x + 1]);
                *out++ = static_cast<char>(row[3 * x]);
            }
        }
        encoded.push_back(run_length_encode(rgb));
    }
    return write_pdf(std::move(encoded));
}

}  // namespace

std::string RenderNotePdf(const DeliveryNote& note, std::u16string_view company) {
    return RenderA4Pdf([&](const TextWidth& width) { return layout_a4(note, company, width); });
}

std::string RenderStatementPdf(const Statement& statement, std::u16string_view company) {
    return RenderA4Pdf(
        [&](const TextWidth& width) { return layout_statement(statement, company, width); });
}

bool ExportFile(const DeliveryNote& note, std::u16string_view company, std::u16string_view path,
                bool pdf, std::u16string& error) {
    std::string content;
    try {
        content = pdf ? RenderNotePdf(note, company) : build_docx(note, company);
    } catch (...) {
        error = u"生成导出文档失败，请检查单据内容或分批导出";
        return false;
    }
    return WriteExportFile(path, content, error);
}

bool ExportWorkbook(const std::vector<DeliveryNote>& notes, std::u16string_view path,
                    std::u16string& error) {
    std::optional<std::string> book;
    try {
        book = build_xlsx(notes_workbook(notes), error);
    } catch (...) {
        error = u"生成导出文档失败，请检查单据内容或分批导出";
        return false;
    }
    return book && WriteExportFile(path, *book, error);
}

bool WriteExportFile(std::u16string_view path, const std::string& content, std::u16string& error) {
    std::wstring temp = wide_copy(export_temp_path(path, GetCurrentProcessId()));
    constexpr wchar_t kSaveFailed[] = L"保存失败，请检查磁盘空间，或关闭正在打开的同名文件";
    {
        UniqueHandle file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            error = u"无法创建导出文件，请检查保存位置或关闭同名文件";
            return false;
        }
        DWORD written = 0;
        if (content.size() >= 0xFFFFFFFFu ||
            !WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written,
                       nullptr) ||
            written != content.size()) {
            file.reset();
            DeleteFileW(temp.c_str());
            error = from_wide(kSaveFailed);
            return false;
        }
    }
    // A read-only destination is not replaced: Windows refuses that move, Wine would not.
    std::wstring destination = wide_copy(path);
    DWORD attributes = GetFileAttributesW(destination.c_str());
    bool read_only =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (read_only || !MoveFileExW(temp.c_str(), destination.c_str(),
                                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temp.c_str());
        error = from_wide(kSaveFailed);
        return false;
    }
    return true;
}

}  // namespace nv
