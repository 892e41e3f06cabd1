#include "notes/records.h"

#include <cmath>

#include "base/json.h"
#include "base/text.h"

namespace nv {

double line_amount(const Item& item) {
    return item.quantity * item.price;
}

double note_total(const DeliveryNote& note) {
    double total = 0.0;
    for (const Item& item : note.items) total += line_amount(item);
    return total;
}

int64_t line_cents(const Item& item) {
    // Hundredths of a unit times cents is ten-thousandths of a yuan: rounded to the cent in
    // integers, so that no binary fraction decides a half cent.
    auto hundredths = [](double v) {
        return std::isfinite(v) && std::fabs(v) < 1e15
                   ? static_cast<__int128>(std::llround(v * 100))
                   : __int128{0};
    };
    __int128 product = hundredths(item.quantity) * hundredths(item.price);
    __int128 cents = (product >= 0 ? product + 50 : product - 50) / 100;
    return static_cast<int64_t>(cents);
}

int64_t note_cents(const DeliveryNote& note) {
    int64_t total = 0;
    for (const Item& item : note.items) total += line_cents(item);
    return total;
}

std::u16string money_text(double amount) {
    return format_fixed_u16(amount, 2);
}

std::u16string quantity_text(double quantity) {
    return number_text(quantity);
}

}  // namespace nv
