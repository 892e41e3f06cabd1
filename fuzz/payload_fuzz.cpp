// Fuzzes the print payload reader with arbitrary bytes, then writes what it read back out as a
// note and checks that every field survives the round trip (tabs and line breaks inside values
// become single spaces, nothing else changes).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "print/payload.h"

namespace {

std::u16string Flatten(std::u16string s) {
    for (char16_t& c : s) {
        if (c == u'\t' || c == u'\r' || c == u'\n')
            c = u' ';
    }
    return s;
}

void Same(const std::u16string& a, const std::u16string& b) {
    if (Flatten(a) != b)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    nv::PrintJob job =
        nv::read_payload(std::string_view(reinterpret_cast<const char*>(data), size));
    nv::DeliveryNote note;
    note.number = job.number;
    note.customer = job.customer;
    note.project = job.project;
    note.contact = job.contact;
    note.date = job.date;
    note.address = job.address;
    note.remark = job.remark;
    note.items = job.items;
    nv::PrintJob back = nv::read_payload(nv::write_payload(note, job.company));
    Same(job.company, back.company);
    Same(job.number, back.number);
    Same(job.customer, back.customer);
    Same(job.address, back.address);
    Same(job.remark, back.remark);
    if (back.items.size() != job.items.size())
        std::abort();
    for (std::size_t i = 0; i < job.items.size(); ++i) {
        Same(job.items[i].product, back.items[i].product);
        Same(job.items[i].sensor_mode, back.items[i].sensor_mode);
        Same(job.items[i].unit, back.items[i].unit);
    }
    return 0;
}
