#include "notes/recall.h"

#include <algorithm>

#include "base/pinyin.h"
#include "base/text.h"

namespace nv {

namespace {

constexpr char16_t kDefaultUnit[] = u"个";

std::u16string bought_key(std::u16string_view customer, std::u16string_view product) {
    return std::u16string(customer) + u'\t' + std::u16string(product);
}

void fill(std::u16string& box, const std::u16string& value) {
    if (box.empty())
        box = value;
}

}  // namespace

bool Recall::Use::newer_than(const Use& other) const {
    return date != other.date ? date > other.date : id > other.id;
}

void Recall::remember(std::vector<Entry>& entries,
                      std::unordered_map<std::u16string, std::size_t>& at, Entry entry) {
    auto [it, added] = at.try_emplace(entry.name, entries.size());
    if (added)
        entries.push_back(std::move(entry));
    else if (entry.last.newer_than(entries[it->second].last))
        entries[it->second] = std::move(entry);
}

void Recall::load(const std::vector<DeliveryNote>& notes) {
    notes_ = notes;
    customers_.clear();
    products_.clear();
    bought_.clear();
    std::unordered_map<std::u16string, std::size_t> customer_at, product_at;
    for (std::size_t n = 0; n < notes_.size(); ++n) {
        const DeliveryNote& note = notes_[n];
        Use use{note.date, note.id};
        if (!note.customer.empty())
            remember(customers_, customer_at, Entry{note.customer, use, n, 0});
        for (std::size_t i = 0; i < note.items.size(); ++i) {
            const std::u16string& product = note.items[i].product;
            if (product.empty())
                continue;
            // A later line of the same note counts as the later use.
            Entry entry{product, use, n, i};
            remember(products_, product_at, entry);
            std::u16string key = bought_key(note.customer, product);
            auto found = bought_.find(key);
            if (found == bought_.end() || !found->second.last.newer_than(use))
                bought_[key] = entry;
        }
    }
    auto recent_first = [](const Entry& a, const Entry& b) { return a.last.newer_than(b.last); };
    std::stable_sort(customers_.begin(), customers_.end(), recent_first);
    std::stable_sort(products_.begin(), products_.end(), recent_first);
}

std::vector<std::u16string> Recall::propose(const std::vector<Entry>& entries,
                                            std::u16string_view typed) {
    std::vector<std::u16string> out;
    if (typed.empty())
        return out;
    bool initials = is_pinyin_query(typed);
    for (const Entry& e : entries) {
        std::u16string_view name = e.name;
        if (name.substr(0, typed.size()) == typed || (initials && pinyin_match(name, typed))) {
            out.push_back(e.name);
            if (out.size() == kMaxProposals)
                break;
        }
    }
    return out;
}

std::vector<std::u16string> Recall::customers(std::u16string_view typed) const {
    return propose(customers_, typed);
}

std::vector<std::u16string> Recall::all_customers() const {
    std::vector<std::u16string> out;
    for (const Entry& e : customers_) out.push_back(e.name);
    return out;
}

std::vector<std::u16string> Recall::products(std::u16string_view typed) const {
    return propose(products_, typed);
}

bool Recall::fill_customer(std::u16string_view customer, CustomerBoxes& boxes) const {
    for (const Entry& e : customers_) {
        if (e.name != customer)
            continue;
        const DeliveryNote& n = notes_[e.note];
        fill(boxes.project, n.project);
        fill(boxes.contact, n.contact);
        fill(boxes.phone, n.contact_phone);
        fill(boxes.address, n.address);
        return true;
    }
    return false;
}

bool Recall::fill_product(std::u16string_view product, std::u16string_view customer,
                          ProductBoxes& boxes) const {
    auto bought = bought_.find(bought_key(customer, product));
    const Entry* latest = bought != bought_.end() ? &bought->second : nullptr;
    if (!latest) {
        for (const Entry& e : products_) {
            if (e.name == product) {
                latest = &e;
                break;
            }
        }
    }
    if (!latest)
        return false;
    const Item& it = notes_[latest->note].items[latest->item];
    fill(boxes.model, it.model);
    fill(boxes.length, it.length);
    fill(boxes.wattage, it.wattage);
    fill(boxes.brightness, it.brightness);
    fill(boxes.sensor_mode, it.sensor_mode);
    if (boxes.unit.empty() || boxes.unit == kDefaultUnit)
        boxes.unit = it.unit.empty() ? boxes.unit : it.unit;
    if (bought != bought_.end())
        fill(boxes.price, format_fixed_u16(it.price, 2));
    return true;
}

}  // namespace nv
