#include "selftest/selftest.h"

#include <vector>

#include "base/text.h"
#include "notes/note_service.h"
#include "print/payload.h"

namespace nv {

namespace {

std::u16string flag(bool b) {
    return b ? u"1" : u"0";
}
std::u16string fixed2(double v) {
    return format_fixed_u16(v, 2);
}

DeliveryNote test_note() {
    DeliveryNote n;
    n.number = u"NVTEST" + new_note_number();
    n.customer = u"客户端自检（可删）";
    n.project = u"接口验证";
    n.address = u"测试地址";
    n.contact = u"测试";
    n.contact_phone = u"13800000000";
    n.date = today_date();
    n.status = kStatusPending;
    n.remark = u"selftest";
    Item it;
    it.product = u"测试灯管";
    it.model = u"T8";
    it.length = u"1.2m";
    it.wattage = u"18W";
    it.brightness = u"双亮";
    it.sensor_mode = u"雷达";
    it.quantity = 2;
    it.unit = u"根";
    it.price = 10;
    n.items.push_back(it);
    return n;
}

}  // namespace

void run_selftest(const DataCaller& who,
                  const std::function<void(const std::u16string&)>& write_line) {
    std::u16string_view base_url = who.base, user_id = who.user_id;
    auto write = [&write_line](std::u16string line) {
        if (line.size() > 2047)
            line.resize(2047);
        write_line(line);
    };
    write(u"server=" + std::u16string(base_url) + u" userId=" + std::u16string(user_id));

    std::vector<DeliveryNote> notes;
    ServiceResult r = service_list_notes(who, notes);
    write(u"[1] list: ok=" + flag(r.ok) + u" msg=" + r.message + u" count=" +
          format_int(static_cast<int64_t>(notes.size())));
    if (!notes.empty()) {
        const DeliveryNote& f = notes.front();
        write(u"    first: no=" + f.number + u" customer=" + f.customer + u" project=" + f.project +
              u" date=" + f.date + u" status=" + f.status + u" items=" +
              format_int(static_cast<int64_t>(f.items.size())) + u" total=" +
              fixed2(note_total(f)));
        if (!f.items.empty()) {
            const Item& it = f.items.front();
            write(u"    item0: " + it.product + u" | " + it.model + u" | qty=" +
                  fixed2(it.quantity) + u" price=" + fixed2(it.price));
        }
    }

    DeliveryNote note = test_note();
    r = service_save_note(who, note, true);
    write(u"[2] create: ok=" + flag(r.ok) + u" msg=" + r.message);

    // A failed list leaves `again` empty, which the readback reports as not found.
    std::vector<DeliveryNote> again;
    static_cast<void>(service_list_notes(who, again));
    const DeliveryNote* found = nullptr;
    for (const DeliveryNote& n : again) {
        if (n.number == note.number)
            found = &n;  // the last one with that number
    }
    if (!found) {
        write(u"[3] readback: NOT FOUND");
    } else {
        write(u"[3] readback: id=" + format_int(found->id) + u" customer=" + found->customer +
              u" items=" + format_int(static_cast<int64_t>(found->items.size())) + u" total=" +
              fixed2(note_total(*found)));
        std::string payload = write_payload(*found, u"澄岚映辉照明科技有限公司");
        write(u"[4] payload bytes=" + format_int(static_cast<int64_t>(payload.size())));
        r = service_delete_note(who, found->id);
        write(u"[5] delete: ok=" + flag(r.ok) + u" msg=" + r.message);
    }

    User user;
    r = service_login(base_url, u"__nobody__", u"__nopwd__", false, user);
    write(u"[6] login(bad): ok=" + flag(r.ok) + u" msg=" + r.message);
}

}  // namespace nv
