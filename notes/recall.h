// What the editor proposes: the customers and products of the notes the main window holds,
// most recently used first, and what taking one of them fills in. Computed once per load of
// the notes (every save and delete reloads them); no service call of its own.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "notes/records.h"

namespace nv {

// The header boxes a customer fills, and the item boxes a product fills. As inputs they hold
// what the user typed; fill_customer and fill_product only write into empty ones.
struct CustomerBoxes {
    std::u16string project, contact, phone, address;
};
struct ProductBoxes {
    std::u16string model, length, wattage, brightness, sensor_mode, unit, price;
};

class Recall {
public:
    static constexpr std::size_t kMaxProposals = 10;

    void load(const std::vector<DeliveryNote>& notes);

    // Names that start with `typed` or match it by pinyin initials, most recent first, at
    // most kMaxProposals. Nothing for an empty text.
    std::vector<std::u16string> customers(std::u16string_view typed) const;
    // Every customer, most recent first.
    std::vector<std::u16string> all_customers() const;
    std::vector<std::u16string> products(std::u16string_view typed) const;

    // From the customer's latest note, into the boxes that are still empty. False when the
    // name is not a known customer.
    bool fill_customer(std::u16string_view customer, CustomerBoxes& boxes) const;
    // From the latest item of that product (of `customer` when there is one, else of any):
    // the empty boxes, and the unit also when it is still the default 个; the price is the one
    // this customer last paid (left empty when never). The quantity is never touched.
    bool fill_product(std::u16string_view product, std::u16string_view customer,
                      ProductBoxes& boxes) const;

private:
    struct Use {
        std::u16string date;
        int32_t id = 0;
        bool newer_than(const Use& other) const;
    };
    struct Entry {
        std::u16string name;
        Use last;
        std::size_t note = 0;  // the note of the latest use
        std::size_t item = 0;  // for a product, its item in that note
    };
    static std::vector<std::u16string> propose(const std::vector<Entry>& entries,
                                               std::u16string_view typed);
    static void remember(std::vector<Entry>& entries,
                         std::unordered_map<std::u16string, std::size_t>& at, Entry entry);

    std::vector<DeliveryNote> notes_;
    std::vector<Entry> customers_;  // most recent first
    std::vector<Entry> products_;   // most recent first
    // (customer, product) -> the latest item of that product in that customer's notes.
    std::unordered_map<std::u16string, Entry> bought_;
};

}  // namespace nv
