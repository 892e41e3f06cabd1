// The decisions of the desktop windows, kept out of the window procedures so that they are
// tested without a window: search matching, list cells, status and about texts, reading the
// editor's item row and date, and the save checks.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "notes/records.h"

namespace nv {

// The search text with leading and trailing ASCII spaces removed (tabs, U+3000 and the like
// are kept).
std::u16string trim_ascii_spaces(std::u16string_view text);

// Whether `filter` (already trimmed) occurs, case-sensitively, in the number, customer,
// project, address, contact, phone or status; a filter of ASCII letters alone also matches the
// pinyin initials of the customer, project or address ("gzth"). An empty filter matches every
// note.
bool note_matches(const DeliveryNote& note, std::u16string_view filter);

// Indices of the notes that match, in order.
std::vector<int> filter_notes(const std::vector<DeliveryNote>& notes, std::u16string_view search);

// The ten cells of a main-list row.
std::array<std::u16string, 10> note_row_cells(const DeliveryNote& note);

// "共 %d 单（筛选后）· 合计 ¥%.2f · 打印机：%s（%s）"; "-" for an empty printer name.
std::u16string summary_text(int rows, double sum, std::u16string_view printer,
                            std::u16string_view paper_label);

std::u16string about_text(std::u16string_view printer, std::u16string_view paper_label,
                          std::u16string_view username, std::u16string_view base_url,
                          std::u16string_view config_path);

std::u16string delete_question(const DeliveryNote& note);

// The ten cells of an editor item row.
std::array<std::u16string, 10> item_row_cells(const Item& item);

// "合计：¥%.2f" over the items.
std::u16string total_label(const std::vector<Item>& items);

// The nine texts of the editor's item input row, in box order.
struct ItemInput {
    std::u16string product, model, length, wattage, brightness, sensor_mode, quantity, unit, price;
};

struct [[nodiscard]] ItemRead {
    bool ok = false;
    std::u16string message;  // the refusal to show: "请填写商品名称", "数量必须大于 0", ...
    Item item;
};

// Quantity and price are read as decimal numbers from their leading characters (3abc is 3, abc
// and 0x10 are 0). The quantity must be above zero as it will be sent: 0.004 goes out as 0.00
// and is refused. A quantity or price too large for a double is refused. Prices may be 0 or
// negative. An empty unit becomes 个.
ItemRead read_item_input(const ItemInput& in);

// The texts an item puts back into the input row.
ItemInput item_to_input(const Item& item);

// A stored date as the date picker takes it: "%d-%d-%d" with year >= 1970, month 1-12 and
// day 1-31. False when the date does not read so (the picker then shows today).
[[nodiscard]] bool parse_note_date(std::u16string_view date, int& year, int& month, int& day);

// "%04d-%02d-%02d"
std::u16string format_note_date(int year, int month, int day);

// The editor's checks before a save, in their order: a new note whose number is empty gets a
// new number (which stays even when the next check fails); then an empty customer is refused.
// Returns the message to show, or empty when the note may be sent.
std::u16string prepare_for_save(DeliveryNote& note, bool is_new);

// What Enter does in the editor, by where the focus is. It never saves or closes the editor:
// an open drop-down or date picker takes its highlighted entry and closes, as in any dialog;
// the item input row adds the item; a focused button is clicked; anywhere else it does nothing.
enum class EnterFocus { OpenDropDown, ItemInputRow, Button, Other };
enum class EnterAction { PassToControl, AddItem, ClickButton, Ignore };
EnterAction editor_enter_action(EnterFocus focus);

// The row the note list's context menu is for. From the keyboard (Shift+F10 or the Menu key)
// it is the selected row; from the mouse, the row under the pointer. -1: none, so only
// "新增送货单(&N)" is offered.
int context_menu_row(bool from_keyboard, int selected_row, int row_under_pointer);

// The command a key pressed in the main window stands for, as its menu labels show: F5 refresh
// (2001), Ctrl+N new note (2002), Ctrl+P print (2004); 0 for any other key. `key` is the
// virtual-key code (letters as their capitals).
int main_window_shortcut(uint32_t key, bool ctrl);

// The main window's placement in section "window" of config.ini: read at start-up (the restored
// size; the window always opens maximised), written from its outer rectangle on close.
struct Placement {
    int left = 100;
    int top = 80;
    int width = 1360;
    int height = 820;
};
Placement read_placement(std::u16string_view ini);
void write_placement(std::u16string_view ini, int left, int top, int right, int bottom);

}  // namespace nv
