// The print payload: how a delivery note travels to the printing code. UTF-8 text, one
// KEY TAB VALUE line per header field and one ITEM line (nine TAB-led fields) per item.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "notes/records.h"

namespace nv {

// What the reader makes of a payload: the note's printed fields, the items and their total.
struct [[nodiscard]] PrintJob {
    std::u16string company;
    std::u16string number;
    std::u16string customer;
    std::u16string project;
    std::u16string contact;  // contact and phone, as one text
    std::u16string date;
    std::u16string address;
    std::u16string remark;
    std::vector<Item> items;
    double total = 0.0;  // sum of unit price × quantity
    int32_t copies = 0;  // 0 when the payload names no count
};

// Values are written as they stand, except that a TAB, carriage return or line feed inside a
// value is written as one space: unescaped, it would split or shift the fields when read back.
std::string write_payload(const DeliveryNote& note, std::u16string_view company);

// Never fails: malformed input gives empty or zero fields.
PrintJob read_payload(std::string_view bytes);

}  // namespace nv
