#include "print/page_render_win.h"

#include <array>
#include <variant>

#include "base/handles_win.h"
#include "base/wide_win.h"

namespace nv {

namespace {

UINT DrawFlags(uint32_t align) {
    UINT f = DT_NOPREFIX;
    if (align & text_align::kCenter)
        f |= DT_CENTER;
    if (align & text_align::kRight)
        f |= DT_RIGHT;
    if (align & text_align::kVCenter)
        f |= DT_VCENTER;
    if (align & text_align::kBottom)
        f |= DT_BOTTOM;
    if (align & text_align::kSingleLine)
        f |= DT_SINGLELINE;
    if (align & text_align::kEllipsis)
        f |= DT_END_ELLIPSIS;
    if (align & text_align::kWordBreak)
        f |= DT_WORDBREAK;
    return f;
}

class PageFonts {
public:
    PageFonts(HDC dc, const PageDevice& device, const PageFontMaker& make) {
        int32_t dpi_y = device.dpi_y >= 1 ? device.dpi_y : GetDeviceCaps(dc, LOGPIXELSY);
        for (int i = 0; i < kPageFontCount; ++i) {
            auto f = static_cast<PageFont>(i);
            fonts_[static_cast<std::size_t>(i)].reset(
                make(f, page_font_height(f, device.settings.font_scale, dpi_y)));
        }
    }
    HFONT get(PageFont f) const {
        auto i = static_cast<std::size_t>(f);
        return i < fonts_.size() ? fonts_[i].get() : nullptr;
    }

private:
    std::array<UniqueFont, kPageFontCount> fonts_;
};

}  // namespace

HFONT MakePageFont(PageFont font, int height) {
    return CreateFontW(height, 0, 0, 0, page_font_weight(font), 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0,
                       0, L"宋体");
}

UniqueBitmap MakePageBitmap(HDC dc, int width, int height, void** bits) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    *bits = nullptr;
    UniqueBitmap bitmap(CreateDIBSection(dc, &bi, DIB_RGB_COLORS, bits, nullptr, 0));
    return bitmap && *bits ? std::move(bitmap) : UniqueBitmap();
}

void DrawOps(HDC dc, const std::vector<PageOp>& ops, const std::function<HFONT(PageFont)>& font,
             HPEN table_pen) {
    for (const PageOp& op : ops) {
        if (const auto* t = std::get_if<PageText>(&op)) {
            SelectObject(dc, font(t->font));
            RECT r{t->box.left, t->box.top, t->box.right, t->box.bottom};
            std::wstring text = wide_copy(t->text);
            DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DrawFlags(t->align));
        } else if (const auto* a = std::get_if<PageTextAt>(&op)) {
            SelectObject(dc, font(a->font));
            RECT clip{a->clip.left, a->clip.top, a->clip.right, a->clip.bottom};
            std::wstring text = wide_copy(a->text);
            UINT previous = SetTextAlign(dc, TA_RIGHT | TA_TOP);
            ExtTextOutW(dc, a->x, a->top, ETO_CLIPPED, &clip, text.c_str(),
                        static_cast<UINT>(text.size()), nullptr);
            SetTextAlign(dc, previous);
        } else if (const auto* l = std::get_if<PageLine>(&op)) {
            if (l->table_pen)
                SelectObject(dc, table_pen);
            MoveToEx(dc, l->x1, l->y1, nullptr);
            LineTo(dc, l->x2, l->y2);
        }
    }
}

std::size_t RenderPage(HDC dc, const PageDevice& device, const PrintJob& job,
                       std::size_t first_item, bool last_page, const PageFontMaker& make_font) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    PageFonts fonts(dc, device, make_font);
    UniquePen table_pen(CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
    // Restores the DC's font and pen when the page is done, before the objects above are freed:
    // the guards hold what was selected before, whichever page fonts could be made.
    SelectGuard font_restore(dc, GetCurrentObject(dc, OBJ_FONT));
    SelectGuard pen_restore(dc, GetCurrentObject(dc, OBJ_PEN));

    auto char_height = [&](PageFont f) {
        SelectObject(dc, fonts.get(f));
        TEXTMETRICW tm{};
        return GetTextMetricsW(dc, &tm) ? static_cast<int32_t>(tm.tmHeight) : 0;
    };
    PageLayout page = layout_page(device, job, first_item, last_page, char_height);
    DrawOps(
        dc, page.ops, [&fonts](PageFont f) { return fonts.get(f); }, table_pen.get());
    return page.next_item;
}

}  // namespace nv
