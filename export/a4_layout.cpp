#include "export/a4_layout.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "base/cents.h"
#include "base/text.h"
#include "export/docx.h"

namespace nv {

namespace {

constexpr int32_t kLeft = 70, kRight = 1121, kTextWidth = 1051, kTop = 70, kBottom = 1614;

// The columns of a document's table, in twips of a 10,500-twip row, and the caption that starts
// each page after the first.
struct A4Table {
    std::vector<ExportColumn> columns;
    std::u16string caption;
};

class A4Flow {
public:
    A4Flow(const TextWidth& width, A4Table table) : width_(width), table_(std::move(table)) {
        for (const ExportColumn& c : table_.columns)
            widths_.push_back(c.width_twips * kTextWidth / 10500);
    }

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

    void table_row(const std::vector<std::u16string>& cells, bool title_row, int32_t reserve) {
        std::vector<std::vector<std::u16string>> lines(cells.size());
        std::size_t count = 1;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            lines[i] = wrap_text(cells[i], widths_[i] - 10, PageFont::A4Body, width_);
            count = std::max(count, lines[i].size());
        }
        const auto L = static_cast<int32_t>(count);
        // The last item goes to a new page together with the footer, unless the two could not
        // share any page.
        if (reserve > 0 && y_ + 10 + 22 * L + reserve > kBottom &&
            reserve + 10 + 22 * L < kBottom - 150) {
            finish_page();
            text_line(table_.caption, text_align::kCenter);
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
                int32_t right = i + 1 == cells.size() ? kRight : x + widths_[i];
                for (auto [x1, y1, x2, y2] :
                     {std::array{x, y_, right, y_}, std::array{right, y_, right, y_ + h},
                      std::array{right, y_ + h, x, y_ + h}, std::array{x, y_ + h, x, y_}})
                    ops_.emplace_back(PageLine{x1, y1, x2, y2, false});
                uint32_t align =
                    !title_row && table_.columns[i].right_aligned ? text_align::kRight : 0u;
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
    std::vector<std::u16string> titles() const {
        std::vector<std::u16string> t;
        for (const ExportColumn& c : table_.columns) t.push_back(c.title);
        return t;
    }

    void caption() {
        for (std::u16string& line :
             wrap_text(table_.caption, kTextWidth, PageFont::A4Body, width_)) {
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
    A4Table table_;
    std::vector<int32_t> widths_;
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
    A4Flow flow(width, {{kExportColumns.begin(), kExportColumns.end()}, u"送货单（续页）"});
    flow.title_line(company);
    flow.title_line(u"送货单");
    flow.text_line(u"单号：" + note.number, 0);
    flow.text_line(u"日期：" + note.date, text_align::kRight);
    flow.text_line(u"客户：" + note.customer, 0);
    flow.text_line(u"项目：" + note.project, 0);
    flow.text_line(u"联系人：" + note.contact + u"  " + note.contact_phone, 0);
    flow.text_line(u"地址：" + note.address, 0);
    flow.gap(10);
    std::vector<std::u16string> titles;
    for (const ExportColumn& c : kExportColumns) titles.push_back(c.title);
    flow.table_row(titles, true, 0);
    int32_t reserve = 110;
    if (!note.remark.empty()) {
        reserve +=
            26 *
            static_cast<int32_t>(
                wrap_text(u"备注：" + note.remark, kTextWidth, PageFont::A4Body, width).size());
    }
    for (std::size_t i = 0; i < note.items.size(); ++i) {
        std::array<std::u16string, 11> cells = export_cells(note.items[i], i);
        flow.table_row({cells.begin(), cells.end()}, false,
                       i + 1 == note.items.size() ? reserve : 0);
    }
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

std::u16string grouped_money(int64_t cents) {
    std::u16string plain = format_cents<char16_t>(cents);
    std::size_t point = plain.find(u'.');
    std::size_t first = plain[0] == u'-' ? 1 : 0;
    for (std::size_t at = point; at > first + 3; at -= 3) plain.insert(at - 3, 1, u',');
    return plain;
}

std::vector<std::vector<PageOp>> layout_statement(const Statement& statement,
                                                  std::u16string_view company,
                                                  const TextWidth& width) {
    static const std::vector<ExportColumn> kColumns = {
        {u"送货单号", 2100, false}, {u"日期", 1150, false}, {u"商品名称", 1700, false},
        {u"型号", 1200, false},     {u"数量", 850, true},   {u"单位", 650, false},
        {u"单价", 1200, true},      {u"金额", 1650, true}};
    A4Flow flow(width, {kColumns, u"对账单（续页）"});
    const StatementQuery& q = statement.query;
    flow.title_line(company);
    flow.title_line(u"对账单");
    flow.text_line(u"客户：" + q.customer, 0);
    flow.text_line(u"对账期间：" + statement_period(q), 0);
    flow.text_line(u"状态：" + (q.status.empty() ? std::u16string(u"全部") : q.status) +
                       u"    送货单：" + format_int(static_cast<int64_t>(statement.notes.size())) +
                       u" 张",
                   0);
    flow.gap(10);
    std::vector<std::u16string> titles;
    for (const ExportColumn& c : kColumns) titles.push_back(c.title);
    flow.table_row(titles, true, 0);
    for (std::size_t n = 0; n < statement.notes.size(); ++n) {
        const DeliveryNote& note = statement.notes[n];
        for (const Item& it : note.items) {
            flow.table_row(
                {note.number, note.date, it.product, it.model, quantity_text(it.quantity), it.unit,
                 format_fixed_u16(it.price, 2), grouped_money(line_cents(it))},
                false, 0);
        }
        // The subtotal closes each note; the last one stays with the totals and signatures.
        flow.table_row(
            {note.number, u"", u"小计", u"", u"", u"", u"", grouped_money(note_cents(note))}, false,
            n + 1 == statement.notes.size() ? 190 : 0);
    }
    flow.gap(12);
    flow.text_line(u"合计：¥" + grouped_money(statement.total_cents), text_align::kRight);
    flow.text_line(u"大写：" + capital_amount(statement.total_cents).value_or(u""),
                   text_align::kRight);
    flow.gap(20);
    flow.text_line(u"供货单位（签章）：________________    客户（签章）：________________", 0);
    flow.text_line(u"日期：____年____月____日          日期：____年____月____日", 0);
    flow.finish_page();
    std::vector<std::vector<PageOp>> pages = flow.take_pages();
    const auto total = static_cast<int64_t>(pages.size());
    for (int64_t p = 0; p < total; ++p) {
        pages[static_cast<std::size_t>(p)].emplace_back(
            PageText{PageFont::A4Body,
                     {kLeft, 1630, kRight, 1654},
                     u"第 " + format_int(p + 1) + u" 页 / 共 " + format_int(total) + u" 页",
                     text_align::kCenter});
    }
    return pages;
}

}  // namespace nv
