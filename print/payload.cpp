#include "print/payload.h"

#include "base/json.h"
#include "base/text.h"

namespace nv {

namespace {

void append_value(std::u16string& out, std::u16string_view value) {
    for (char16_t c : value) out.push_back(c == u'\t' || c == u'\r' || c == u'\n' ? u' ' : c);
}

void append_line(std::u16string& out, std::u16string_view key, std::u16string_view value) {
    out += key;
    out.push_back(u'\t');
    append_value(out, value);
    out.push_back(u'\n');
}

}  // namespace

std::string write_payload(const DeliveryNote& note, std::u16string_view company) {
    std::u16string text;
    append_line(text, u"COMPANY", company);
    append_line(text, u"NO", note.number);
    append_line(text, u"CUSTOMER", note.customer);
    append_line(text, u"PROJECT", note.project);
    std::u16string contact = note.contact;
    if (!note.contact_phone.empty())
        contact += u"  " + note.contact_phone;
    append_line(text, u"CONTACT", contact);
    append_line(text, u"DATE", note.date);
    append_line(text, u"ADDRESS", note.address);
    if (!note.remark.empty())
        append_line(text, u"REMARK", note.remark);
    for (const Item& item : note.items) {
        text += u"ITEM";
        for (const std::u16string* field : {&item.product, &item.model, &item.length, &item.wattage,
                                            &item.brightness, &item.sensor_mode}) {
            text.push_back(u'\t');
            append_value(text, *field);
        }
        text.push_back(u'\t');
        text += number_text(item.quantity);
        text.push_back(u'\t');
        append_value(text, item.unit);
        text.push_back(u'\t');
        text += format_fixed_u16(item.price, 2);
        text.push_back(u'\n');
    }
    return utf16_to_utf8(text);
}

PrintJob read_payload(std::string_view bytes) {
    PrintJob job;
    std::u16string text = utf8_to_utf16(bytes);
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t nl = text.find(u'\n', pos);
        if (nl == std::u16string::npos)
            nl = text.size();
        std::u16string_view line(text.data() + pos, nl - pos);
        pos = nl + 1;
        if (!line.empty() && line.back() == u'\r')
            line.remove_suffix(1);
        if (line.empty())
            continue;

        std::vector<std::u16string_view> fields;
        std::size_t start = 0;
        for (;;) {
            std::size_t tab = line.find(u'\t', start);
            if (tab == std::u16string_view::npos) {
                fields.push_back(line.substr(start));
                break;
            }
            fields.push_back(line.substr(start, tab - start));
            start = tab + 1;
        }
        auto field = [&fields](std::size_t i) {
            return i < fields.size() ? std::u16string(fields[i]) : std::u16string();
        };
        std::u16string_view key = fields[0];
        if (key == u"COMPANY")
            job.company = field(1);
        else if (key == u"NO")
            job.number = field(1);
        else if (key == u"CUSTOMER")
            job.customer = field(1);
        else if (key == u"PROJECT")
            job.project = field(1);
        else if (key == u"CONTACT")
            job.contact = field(1);
        else if (key == u"DATE")
            job.date = field(1);
        else if (key == u"ADDRESS")
            job.address = field(1);
        else if (key == u"REMARK")
            job.remark = field(1);
        else if (key == u"COPIES")
            job.copies = wcstol_like(field(1));
        else if (key == u"ITEM") {
            Item item;
            item.product = field(1);
            item.model = field(2);
            item.length = field(3);
            item.wattage = field(4);
            item.brightness = field(5);
            item.sensor_mode = field(6);
            item.quantity = wcstod_like(field(7));
            item.unit = field(8);
            item.price = wcstod_like(field(9));
            job.items.push_back(std::move(item));
        }
    }
    for (const Item& item : job.items) job.total += item.price * item.quantity;
    return job;
}

}  // namespace nv
