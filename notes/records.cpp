#include "notes/records.h"

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

std::u16string money_text(double amount) {
    return format_fixed_u16(amount, 2);
}

std::u16string quantity_text(double quantity) {
    return number_text(quantity);
}

}  // namespace nv
