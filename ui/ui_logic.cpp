#include "ui/ui_logic.h"

#include <cmath>

#include "base/app_identity.h"
#include "base/config.h"
#include "base/json.h"
#include "base/pinyin.h"
#include "base/text.h"

namespace nv {

std::u16string trim_ascii_spaces(std::u16string_view text) {
    while (!text.empty() && text.front() == u' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
    return std::u16string(text);
}

bool note_matches(const DeliveryNote& n, std::u16string_view filter) {
    if (filter.empty())
        return true;
    for (const std::u16string* field : {&n.number, &n.customer, &n.project, &n.address, &n.contact,
                                        &n.contact_phone, &n.status}) {
        if (field->find(filter) != std::u16string::npos)
            return true;
    }
    // Letters alone are also initials of the customer, project or address ("gzth").
    if (is_pinyin_query(filter)) {
        for (const std::u16string* field : {&n.customer, &n.project, &n.address}) {
            if (pinyin_match(*field, filter))
                return true;
        }
    }
    return false;
}

std::vector<int> filter_notes(const std::vector<DeliveryNote>& notes, std::u16string_view search) {
    std::u16string filter = trim_ascii_spaces(search);
    std::vector<int> shown;
    shown.reserve(notes.size());
    for (std::size_t i = 0; i < notes.size(); ++i) {
        if (note_matches(notes[i], filter))
            shown.push_back(static_cast<int>(i));
    }
    return shown;
}

std::array<std::u16string, 10> note_row_cells(const DeliveryNote& n) {
    return {n.number,
            n.customer,
            n.project,
            n.address,
            n.contact,
            n.contact_phone,
            n.date,
            n.status,
            u"¥" + money_text(note_total(n)),
            format_int(static_cast<int64_t>(n.items.size()))};
}

std::u16string summary_text(int rows, double sum, std::u16string_view printer,
                            std::u16string_view paper_label) {
    return u"共 " + format_int(rows) + u" 单（筛选后）· 合计 ¥" + format_fixed_u16(sum, 2) +
           u" · 打印机：" + (printer.empty() ? u"-" : std::u16string(printer)) + u"（" +
           std::u16string(paper_label) + u"）";
}

std::u16string about_text(std::u16string_view printer, std::u16string_view paper_label,
                          std::u16string_view username, std::u16string_view base_url,
                          std::u16string_view config_path) {
    return u"澄岚映辉 · 电脑客户端  v" + std::u16string(kBuiltInVersion) +
           u"\n\n纯 Win32 原生界面（无浏览器内核）\n" + u"打印机：" +
           (printer.empty() ? u"-" : std::u16string(printer)) + u"  " +
           std::u16string(paper_label) + u"\n账号：" +
           (username.empty() ? u"-" : std::u16string(username)) + u"\n服务器：" +
           std::u16string(base_url) + u"\n配置：" + std::u16string(config_path);
}

std::u16string delete_question(const DeliveryNote& n) {
    return u"确定删除送货单 " + n.number + u"（" + n.customer + u"）？\n此操作不可恢复。";
}

std::array<std::u16string, 10> item_row_cells(const Item& it) {
    return {it.product,
            it.model,
            it.length,
            it.wattage,
            it.brightness,
            it.sensor_mode,
            quantity_text(it.quantity),
            it.unit,
            money_text(it.price),
            money_text(line_amount(it))};
}

std::u16string total_label(const std::vector<Item>& items) {
    double total = 0.0;
    for (const Item& it : items) total += line_amount(it);
    return u"合计：¥" + money_text(total);
}

ItemRead read_item_input(const ItemInput& in) {
    ItemRead r;
    if (in.product.empty()) {
        r.message = u"请填写商品名称";
        return r;
    }
    r.item.product = in.product;
    r.item.model = in.model;
    r.item.length = in.length;
    r.item.wattage = in.wattage;
    r.item.brightness = in.brightness;
    r.item.sensor_mode = in.sensor_mode;
    r.item.quantity = read_decimal(in.quantity);
    r.item.price = read_decimal(in.price);
    r.item.unit = in.unit.empty() ? u"个" : in.unit;
    if (!std::isfinite(r.item.quantity) || !(read_decimal(quantity_text(r.item.quantity)) > 0.0)) {
        r.message = u"数量必须大于 0";
        return r;
    }
    if (!std::isfinite(r.item.price)) {
        r.message = u"单价必须是有效的数字";
        return r;
    }
    r.ok = true;
    return r;
}

ItemInput item_to_input(const Item& it) {
    return {it.product,
            it.model,
            it.length,
            it.wattage,
            it.brightness,
            it.sensor_mode,
            quantity_text(it.quantity),
            it.unit.empty() ? u"个" : it.unit,
            money_text(it.price)};
}

bool parse_note_date(std::u16string_view date, int& year, int& month, int& day) {
    int parts[3];
    std::size_t at = 0;
    for (int k = 0; k < 3; ++k) {
        if (k > 0) {
            if (at >= date.size() || date[at] != u'-')
                return false;
            ++at;
        }
        std::size_t used = 0;
        parts[k] = wcstol_like(date.substr(at), &used);
        if (used == 0)
            return false;
        at += used;
    }
    year = parts[0];
    month = parts[1];
    day = parts[2];
    return year >= 1970 && month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

std::u16string format_note_date(int year, int month, int day) {
    auto two = [](int v) {
        std::u16string s = format_int(v);
        return s.size() < 2 ? u"0" + s : s;
    };
    std::u16string y = format_int(year);
    while (y.size() < 4) y.insert(y.begin(), u'0');
    return y + u"-" + two(month) + u"-" + two(day);
}

std::u16string prepare_for_save(DeliveryNote& note, bool is_new) {
    if (is_new && note.number.empty())
        note.number = new_note_number();
    if (note.customer.empty())
        return u"客户名称不能为空";
    return u"";
}

EnterAction editor_enter_action(EnterFocus focus) {
    switch (focus) {
        case EnterFocus::OpenDropDown:
            return EnterAction::PassToControl;
        case EnterFocus::ItemInputRow:
            return EnterAction::AddItem;
        case EnterFocus::Button:
            return EnterAction::ClickButton;
        case EnterFocus::Other:
            break;
    }
    return EnterAction::Ignore;
}

int context_menu_row(bool from_keyboard, int selected_row, int row_under_pointer) {
    int row = from_keyboard ? selected_row : row_under_pointer;
    return row < 0 ? -1 : row;
}

int main_window_shortcut(uint32_t key, bool ctrl) {
    constexpr uint32_t kF5 = 0x74;
    if (key == kF5 && !ctrl)
        return 2001;
    if (ctrl && key == 'N')
        return 2002;
    if (ctrl && key == 'P')
        return 2004;
    return 0;
}

Placement read_placement(std::u16string_view ini) {
    Placement p;
    p.width = config_int(ini, u"window", u"width", u"1360");
    p.height = config_int(ini, u"window", u"height", u"820");
    p.left = config_int(ini, u"window", u"left", u"100");
    p.top = config_int(ini, u"window", u"top", u"80");
    return p;
}

void write_placement(std::u16string_view ini, int left, int top, int right, int bottom) {
    config_write(ini, u"window", u"left", format_int(left));
    config_write(ini, u"window", u"top", format_int(top));
    config_write(ini, u"window", u"width", format_int(static_cast<int64_t>(right) - left));
    config_write(ini, u"window", u"height", format_int(static_cast<int64_t>(bottom) - top));
}

}  // namespace nv
