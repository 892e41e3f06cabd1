#include "print/page_layout.h"

#include <array>
#include <cmath>

#include "base/text.h"

namespace nv {

namespace {

using namespace text_align;

constexpr uint32_t kCentred = kCenter | kVCenter | kSingleLine;
constexpr uint32_t kLeftEllipsis = kVCenter | kSingleLine | kEllipsis;
constexpr uint32_t kRightEllipsis = kRight | kVCenter | kSingleLine | kEllipsis;
constexpr uint32_t kRightCentred = kRight | kVCenter | kSingleLine;
constexpr uint32_t kBottomCentred = kCenter | kBottom | kSingleLine;
constexpr uint32_t kTopCentred = kCenter | kSingleLine;
constexpr uint32_t kBottomRight = kRight | kBottom | kSingleLine;

struct Column {
    const char16_t* title;
    double share;
    bool ellipsis;
};

constexpr std::array<Column, 11> kColumns = {{
    {u"序号", 0.0497, false},
    {u"商品名称", 0.152, true},
    {u"型号", 0.0967, true},
    {u"长度", 0.069, false},
    {u"瓦数", 0.069, false},
    {u"显示模式", 0.0967, true},
    {u"感应", 0.1105, true},
    {u"数量", 0.0608, false},
    {u"单位", 0.0608, false},
    {u"单价", 0.1105, false},
    {u"小计", 0.1243, false},
}};

// MulDiv: a × b / c rounded to the nearest integer, halves away from zero.
int32_t mul_div(int64_t a, int64_t b, int64_t c) {
    int64_t p = a * b;
    int64_t q = (p >= 0 ? p + c / 2 : p - c / 2) / c;
    return static_cast<int32_t>(q);
}

std::u16string money(double v) {
    return u"¥" + format_fixed_u16(v, 2);
}

std::u16string or_dash(const std::u16string& s) {
    return s.empty() ? u"-" : s;
}

}  // namespace

int32_t page_font_height(PageFont font, double font_scale, int32_t dpi_y) {
    static constexpr int32_t kSizes[kPageFontCount] = {1350, 1200, 825, 750, 750, 975, 750};
    double scaled = std::trunc(font_scale * kSizes[static_cast<int>(font)]);
    // A scale far out of range would overflow the multiplication; no page can use it anyway.
    if (!(scaled > -1e7 && scaled < 1e7))
        scaled = 0;
    return -mul_div(static_cast<int64_t>(scaled), dpi_y, 7200);
}

int32_t page_font_weight(PageFont font) {
    switch (font) {
        case PageFont::Heading:
        case PageFont::Title:
        case PageFont::TableHead:
        case PageFont::Total:
            return 700;
        default:
            return 400;
    }
}

std::size_t page_count(std::size_t items, int rows_per_page) {
    std::size_t per = rows_per_page < 1 ? 1 : static_cast<std::size_t>(rows_per_page);
    std::size_t pages = (items + per - 1) / per;
    return pages < 1 ? 1 : pages;
}

PageLayout layout_page(const PageDevice& device, const PrintJob& job, std::size_t first_item,
                       bool last_page, const CharHeight& char_height) {
    const PrintSettings& s = device.settings;
    auto X = [&](double mm) { return static_cast<int32_t>(std::lround(device.dpi_x * mm / 25.4)); };
    auto Y = [&](double mm) { return static_cast<int32_t>(std::lround(device.dpi_y * mm / 25.4)); };

    PageLayout page;
    auto text = [&](PageFont f, PageRect box, std::u16string t, uint32_t align) {
        page.ops.emplace_back(PageText{f, box, std::move(t), align});
    };
    auto line = [&](int32_t x1, int32_t y1, int32_t x2, int32_t y2, bool table_pen) {
        page.ops.emplace_back(PageLine{x1, y1, x2, y2, table_pen});
    };

    const int32_t L = X(s.offset_x_mm + s.margin_left_mm);
    const int32_t R = X(s.width_mm - s.margin_right_mm + s.offset_x_mm);
    const double W = s.width_mm - s.margin_right_mm - s.margin_left_mm;
    const double y0 = s.offset_y_mm + s.margin_top_mm;

    text(PageFont::Heading, {L, Y(y0), R, Y(y0 + 6.0)},
         job.company.empty() ? u"澄岚映辉" : job.company, kCentred);

    const double y1 = y0 + 8.1;
    text(PageFont::Title, {L, Y(y1), R, Y(y1 + 5.3)}, u"送  货  单", kBottomCentred);
    line(L, Y(y1 + 5.6), R, Y(y1 + 5.6), false);

    const double y2 = y1 + 8.3;
    const int32_t T = Y(y2);
    const int32_t h = Y(4.1);
    const int32_t M = X(W * 0.55 + s.offset_x_mm + s.margin_left_mm);
    const int32_t g = X(2.0);
    const std::u16string left_rows[] = {u"单号：" + job.number, u"客户：" + job.customer,
                                        u"项目：" + or_dash(job.project),
                                        u"联系人：" + or_dash(job.contact)};
    for (int32_t k = 0; k < 4; ++k)
        text(PageFont::Fields, {L, T + k * h, M - g, T + (k + 1) * h}, left_rows[k], kLeftEllipsis);
    int32_t date_top = T + std::max((h - char_height(PageFont::Fields)) / 2, 0);
    page.ops.emplace_back(
        PageTextAt{PageFont::Fields, R - 1, date_top, {M, T, R, T + h}, u"日期：" + job.date});
    text(PageFont::Fields, {M, T + h, R, T + 2 * h}, u"地址：" + or_dash(job.address),
         kRightEllipsis);

    const double y3 = y2 + 19.1;
    const int32_t H = Y(y3);
    const int32_t B = H + Y(5.4);
    std::array<int32_t, 12> x{};
    x[0] = L;
    for (std::size_t i = 0; i < kColumns.size(); ++i) x[i + 1] = x[i] + X(W * kColumns[i].share);
    x[11] = R;  // the last column absorbs the rounding
    for (std::size_t i = 0; i < kColumns.size(); ++i)
        text(PageFont::TableHead, {x[i], H, x[i + 1], B}, kColumns[i].title, kCentred);
    line(L, H, R, H, true);
    line(L, B, R, B, true);

    const int rows_max = rows_per_page(s);
    std::size_t index = first_item;
    int32_t y = B;
    for (int drawn = 0; index < job.items.size() && drawn < rows_max; ++drawn, ++index) {
        const Item& it = job.items[index];
        const int32_t bottom = y + Y(s.row_mm);
        const std::u16string cells[] = {
            format_fixed_u16(static_cast<double>(index + 1), 0),
            it.product,
            it.model,
            it.length,
            it.wattage,
            it.brightness,
            it.sensor_mode,
            format_fixed_u16(it.quantity, 0),
            it.unit,
            money(it.price),
            money(it.price * it.quantity),
        };
        for (std::size_t i = 0; i < kColumns.size(); ++i) {
            text(PageFont::TableBody, {x[i] + 2, y + 1, x[i + 1] - 2, bottom - 1}, cells[i],
                 kColumns[i].ellipsis ? kCentred | kEllipsis : kCentred);
        }
        line(L, bottom, R, bottom, true);
        y = bottom;
    }
    for (int32_t edge : x) line(edge, H, edge, y, true);

    const int32_t t = y + Y(1.0);
    text(PageFont::Total, {L, t, R, t + Y(5.0)}, u"合计：" + money(job.total), kRightCentred);

    if (last_page) {
        int32_t sy = t + Y(5.0);
        if (!job.remark.empty()) {
            text(PageFont::Footer, {L, sy, R, sy + Y(8.0)}, u"备注：" + job.remark, kWordBreak);
            sy += Y(8.0);
        }
        const int32_t S = sy + Y(2.6);
        const int32_t N = L + (R - L) / 2;
        const int32_t sign_width = X(21.2);
        for (auto [bx, label] : {std::pair{L, u"收货人"}, std::pair{N, u"送货人"}}) {
            line(bx, S + Y(4.0), bx + sign_width, S + Y(4.0), true);
            text(PageFont::Footer, {bx, S + Y(4.2), bx + sign_width, S + Y(7.6)}, label,
                 kTopCentred);
        }
        text(PageFont::Footer, {N + X(20.0), S, R, S + Y(4.5)}, u"送货日期：____年____月____日",
             kBottomRight);
    }
    page.next_item = index;
    return page;
}

}  // namespace nv
