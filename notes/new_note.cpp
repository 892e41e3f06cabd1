// New notes take their number and date from the local clock. Kept apart from the other record
// functions so that programs without a clock (the native nvdoc) need not link one.
#include "base/clock.h"
#include "base/text.h"
#include "notes/records.h"

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

}  // namespace nv
