// The delivery note (送货单), its item lines and the signed-in user, as every part of the
// program holds them in memory. Wire, payload and document forms live with their writers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace nv {

inline constexpr char16_t kStatusPending[] = u"待送达";
inline constexpr char16_t kStatusDelivered[] = u"已送达";

struct Item {
    std::u16string product;
    std::u16string model;
    std::u16string length;      // free text
    std::u16string wattage;     // free text
    std::u16string brightness;  // display mode: single or double bright
    std::u16string sensor_mode;
    std::u16string unit;
    double quantity = 0.0;  // fractional quantities are allowed
    double price = 0.0;     // unit price in yuan
};

struct DeliveryNote {
    int32_t id = 0;  // 0 until the data service stores the note
    std::u16string number;
    std::u16string customer;
    std::u16string project;
    std::u16string address;
    std::u16string contact;
    std::u16string contact_phone;
    std::u16string date;  // "yyyy-mm-dd"
    std::u16string status;
    std::u16string remark;
    std::vector<Item> items;
};

struct User {
    std::u16string id;  // sent as the user's identifier on every data-service call
    std::u16string username;
    std::u16string phone;
    std::u16string enterprise_name;
    // The data-service session a login answer carries; empty from a service without sessions.
    std::u16string token;
};

// "SHD" + local yyyymmddhhmmss. No sequence: two notes made in the same second share it.
std::u16string new_note_number();
// Local date as "yyyy-mm-dd".
std::u16string today_date();
// A note as the editor starts it: new number, today's date, status to be delivered.
DeliveryNote new_note();

// quantity × unit price, unrounded.
double line_amount(const Item& item);
// Sum of the line amounts in list order, unrounded; 0 for no items.
double note_total(const DeliveryNote& note);

// In whole cents, for documents that add amounts up: a line is quantity × unit price rounded
// half away from zero to the cent (as the printed note shows it), quantity and price taken to
// the hundredth as they are written; a note's total is the sum of its lines.
int64_t line_cents(const Item& item);
int64_t note_cents(const DeliveryNote& note);
// "%.2f"; callers add the currency sign and labels.
std::u16string money_text(double amount);
// The JSON number text rule: "%.0f" when integral, else "%.2f".
std::u16string quantity_text(double quantity);

}  // namespace nv
