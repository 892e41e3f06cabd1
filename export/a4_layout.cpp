#include "export/a4_layout.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "export/docx.h"

namespace nv {

namespace {

constexpr int32_t kLeft = 70, kRight = 1121, kTextWidth = 1051, kTop = 70, kBottom = 1614;

std::array<int32_t, 11> column_widths() {
    std::array<int32_t, 11> w{};
    for (std::size_t i = 0; i < w.size(); ++i)
        w[i] = kExportColumns[i].width_twips * kTextWidth / 10500;
    return w;
}

class A4Flow {
public:
    explicit A4Flow(const TextWidth& width) : width_(width) {}

    void text_line(std::u16string_view text, uint32_t align) {
        for (std::u16string& line : wrap_text(text, kTextWidth, PageFont::A4Body, width_)) {
            if (y_ + 26 > kBottom)
                finish_page();
            ops_.emplace_back(
                PageText{PageFont::A4Body, {kLeft, y_, kRight, y_ + 24}, std::move(line), align});
            y_ += 26;
        }
    }

    void title_line(std::u16string_view text) {
        for (std::u16string& line : wrap_text(text, kTextWidth, PageFont::A4Title, width_)) {
            ops_.emplace_back(PageText{PageFont::A4Title,
                                       {kLeft, y_, kRight, y_ + 40},
                                       std::move(line),
                                       text_align::kCenter});
            y_ += 42;
        }
    }

    void gap(int32_t pixels) { y_ += pixels; }

    void table_row(const std::array<std::u16string, 11>& cells, bool title_row, int32_t reserve) {
        static const std::array<int32_t, 11> kWidths = column_widths();
        std::array<std::vector<std::u16string>, 11> lines;
        std::size_t count = 1;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            lines[i] = wrap_text(cells[i], kWidths[i] - 10, PageFont::A4Body, width_);
            count = std::max(count, lines[i].size());
        }
        const auto L = static_cast<int32_t>(count);
        // The last item goes to a new page together with the footer, unless the two could not
        // share any page.
        if (reserve > 0 && y_ + 10 + 22 * L + reserve > kBottom &&
            reserve + 10 + 22 * L < kBottom - 150) {
            finish_page();
            text_line(u"送货单（续页）", text_align::kCenter);
            table_row(titles(), true, 0);
        }
        for (int32_t k = 0; k < L;) {
            if (y_ + 32 > kBottom) {
                finish_page();
                caption();
                table_row(titles(), true, 0);
            }
            int32_t n = std::min(std::max((1604 - y_) / 22, 1), L - k);
            int32_t h = 22 * n + 10;
            int32_t x = kLeft;
            for (std::size_t i = 0; i < cells.size(); ++i) {
                int32_t right = i + 1 == cells.size() ? kRight : x + kWidths[i];
                for (auto [x1, y1, x2, y2] :
                     {std::array{x, y_, right, y_}, std::array{right, y_, right, y_ + h},
                      std::array{right, y_ + h, x, y_ + h}, std::array{x, y_ + h, x, y_}})
                    ops_.emplace_back(PageLine{x1, y1, x2, y2, false});
                uint32_t align =
                    !title_row && kExportColumns[i].right_aligned ? text_align::kRight : 0u;
                for (int32_t j = 0; j < n; ++j) {
                    auto line = static_cast<std::size_t>(k + j);
                    if (line >= lines[i].size())
                        break;
                    ops_.emplace_back(
                        PageText{PageFont::A4Body,
                                 {x + 5, y_ + 22 * j + 5, right - 5, y_ + 22 * j + 27},
                                 lines[i][line],
                                 align});
                }
                x = right;
            }
            y_ += h;
            k += n;
        }
    }

    void finish_page() {
        pages_.push_back(std::move(ops_));
        ops_.clear();
        if (pages_.size() > kA4MaxPages)
            throw std::runtime_error("pages");
        y_ = kTop;
    }

    std::vector<std::vector<PageOp>> take_pages() { return std::move(pages_); }

private:
    static std::array<std::u16string, 11> titles() {
        std::array<std::u16string, 11> t;
        for (std::size_t i = 0; i < t.size(); ++i) t[i] = kExportColumns[i].title;
        return t;
    }

    void caption() {
        for (std::u16string& line :
             wrap_text(u"送货单（续页）", kTextWidth, PageFont::A4Body, width_)) {
            if (y_ + 26 > kBottom)
                finish_page();
            ops_.emplace_back(PageText{PageFont::A4Body,
                                       {kLeft, y_, kRight, y_ + 24},
                                       std::move(line),
                                       text_align::kCenter});
            y_ += 26;
        }
    }

    const TextWidth& width_;
    std::vector<std::vector<PageOp>> pages_;
    std::vector<PageOp> ops_;
    int32_t y_ = kTop;
};

}  // namespace

std::vector<std::u16string> wrap_text(std::u16string_view text, int32_t max_width, PageFont font,
                                      const TextWidth& width) {
    std::vector<std::u16string> lines;
    std::u16string current;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c == u'\r')
            continue;
        if (c == u'\n') {
            lines.push_back(std::move(current));
            current.clear();
            continue;
        }
        // A character beyond the basic plane is a surrogate pair: its halves stay together.
        std::size_t units = c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() &&
                                    text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF
                                ? 2
                                : 1;
        std::u16string_view piece = text.substr(i, units);
        i += units - 1;
        if (!current.empty() && width(font, current + std::u16string(piece)) > max_width) {
            lines.push_back(std::move(current));
            current.clear();
        }
        current += piece;
    }
    lines.push_back(std::move(current));
    return lines;
}

std::vector<std::vector<PageOp>> layout_a4(const DeliveryNote& note, std::u16string_view company,
                                           const TextWidth& width) {
    A4Flow flow(width);
    flow.title_line(company);
    flow.title_line(u"送货单");
    flow.text_line(u"单号：" + note.number, 0);
    flow.text_line(u"日期：" + note.date, text_align::kRight);
    flow.text_line(u"客户：" + note.customer, 0);
    flow.text_line(u"项目：" + note.project, 0);
    flow.text_line(u"联系人：" + note.contact + u"  " + note.contact_phone, 0);
    flow.text_line(u"地址：" + note.address, 0);
    flow.gap(10);
    std::array<std::u16string, 11> titles;
    for (std::size_t i = 0; i < titles.size(); ++i) titles[i] = kExportColumns[i].title;
    flow.table_row(titles, true, 0);
    int32_t reserve = 110;
    if (!note.remark.empty()) {
        reserve +=
            26 *
            static_cast<int32_t>(
                wrap_text(u"备注：" + note.remark, kTextWidth, PageFont::A4Body, width).size());
    }
    for (std::size_t i = 0; i < note.items.size(); ++i)
        flow.table_row(export_cells(note.items[i], i), false,
                       i + 1 == note.items.size() ? reserve : 0);
    flow.gap(12);
    flow.text_line(u"合计：¥" + money_text(note_total(note)), text_align::kRight);
    if (!note.remark.empty())
        flow.text_line(u"备注：" + note.remark, 0);
    flow.gap(20);
    flow.text_line(u"收货人：____________    送货人：____________", 0);
    flow.text_line(u"送货日期：____年____月____日", text_align::kRight);
    flow.finish_page();
    return flow.take_pages();
}

}  // namespace nv
