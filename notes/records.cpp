#include "notes/records.h"


#include "app/clock.h"
#include "app/text.h"
#include "net/json.h"

namespace nv {

namespace {

// printf("%0Nd"): at least `width` digits, zero-padded.
void put_digits(std::u16string& out, int value, int width) {
    std::u16string digits = format_int(value);
    if (value >= 0 && digits.size() < static_cast<std::size_t>(width))
        out.append(static_cast<std::size_t>(width) - digits.size(), u'0');
    out += digits;
}

}  // namespace

std::u16string new_note_number() {
    LocalTime t = local_now();
    std::u16string s = u"SHD";
    put_digits(s, t.year, 4);
    put_digits(s, t.month, 2);
    put_digits(s, t.day, 2);
    put_digits(s, t.hour, 2);
    put_digits(s, t.minute, 2);
    put_digits(s, t.second, 2);
    return s;
}

std::u16string today_date() {
    LocalTime t = local_now();
    std::u16string s;
    put_digits(s, t.year, 4);
    s.push_back(u'-');
    put_digits(s, t.month, 2);
    s.push_back(u'-');
    put_digits(s, t.day, 2);
    return s;
}

DeliveryNote new_note() {
    DeliveryNote note;
    note.number = new_note_number();
    note.date = today_date();
    note.status = kStatusPending;
    return note;
}

double line_amount(const Item& item) { return item.quantity * item.price; }

double note_total(const DeliveryNote& note) {
    double total = 0.0;
    for (const Item& item : note.items) total += line_amount(item);
    return total;
}

std::u16string money_text(double amount) { return format_fixed_u16(amount, 2); }

std::u16string quantity_text(double quantity) { return number_text(quantity); }

}  // namespace nv
