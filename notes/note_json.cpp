#include "notes/note_json.h"

#include <cmath>

namespace nv {

namespace {

// Truncation toward zero to 32 bits; values that do not fit, and NaN, give 0 instead of the
// undefined conversion.
int32_t to_int32(double v) {
    if (!(v > -2147483649.0 && v < 2147483648.0))
        return 0;
    return static_cast<int32_t>(v);
}

Item item_from_json(const JsonValue& e) {
    Item item;
    item.product = json_text(e, u"product", u"");
    item.model = json_text(e, u"model", u"");
    item.length = json_text(e, u"length", u"");
    item.wattage = json_text(e, u"wattage", u"");
    item.brightness = json_text(e, u"brightness", u"");
    item.sensor_mode = json_text(e, u"sensorMode", u"");
    item.unit = json_text(e, u"unit", u"");
    item.quantity = json_number(e, u"quantity", 0.0);
    item.price = json_number(e, u"price", 0.0);
    return item;
}

}  // namespace

DeliveryNote note_from_json(const JsonValue& e) {
    DeliveryNote note;
    note.id = to_int32(json_number(e, u"id", 0.0));
    note.number = json_text(e, u"no", u"");
    note.customer = json_text(e, u"customer", u"");
    note.project = json_text(e, u"project", u"");
    note.address = json_text(e, u"address", u"");
    note.contact = json_text(e, u"contact", u"");
    note.contact_phone = json_text(e, u"contactPhone", u"");
    note.remark = json_text(e, u"remark", u"");
    note.status = json_text(e, u"status", kStatusPending);
    note.date = json_text(e, u"date", u"");
    if (note.date.size() >= 10)
        note.date.resize(10);
    std::optional<JsonValue> items = json_find(e, u"items");
    if (items && items->kind() == JsonKind::Array) {
        note.items.reserve(items->size());
        for (const JsonValue& it : items->elements()) note.items.push_back(item_from_json(it));
    }
    return note;
}

}  // namespace nv
