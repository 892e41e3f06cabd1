#include "notes/note_service.h"

#include <algorithm>
#include <cmath>

#include "base/text.h"
#include "notes/note_json.h"

namespace nv {

namespace {

void append_string(std::u16string& out, std::u16string_view text) {
    out.push_back(u'"');
    out += json_escape(text);
    out.push_back(u'"');
}

void member(std::u16string& out, std::u16string_view key, std::u16string_view text,
            bool first = false) {
    if (!first)
        out.push_back(u',');
    out.push_back(u'"');
    out += key;
    out += u"\":";
    append_string(out, text);
}

// JSON has no text for an infinity or NaN ("inf" would make the whole body unreadable), so a
// note holding one is refused before anything is sent.
bool items_array(std::u16string& out, const std::vector<Item>& items) {
    out += u",\"items\":[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        const Item& it = items[i];
        if (!std::isfinite(it.quantity) || !std::isfinite(it.price))
            return false;
        if (i)
            out.push_back(u',');
        out.push_back(u'{');
        member(out, u"product", it.product, true);
        member(out, u"model", it.model);
        member(out, u"length", it.length);
        member(out, u"wattage", it.wattage);
        member(out, u"brightness", it.brightness);
        member(out, u"sensorMode", it.sensor_mode);
        out += u",\"quantity\":";
        out += number_text(it.quantity);
        member(out, u"unit", it.unit);
        out += u",\"price\":";
        out += format_fixed_u16(it.price, 2);
        out.push_back(u'}');
    }
    out.push_back(u']');
    return true;
}

}  // namespace

ServiceResult envelope_check(HttpResult http, std::u16string_view label) {
    ServiceResult r;
    if (!http.network_ok) {
        r.message = std::u16string(label) + u"失败：" + http.error;
        return r;
    }
    r.status = http.status;
    JsonValue parsed;
    if (!json_parse(std::move(http.body), parsed)) {
        r.message = std::u16string(label) + u"失败：服务器返回无法解析";
        return r;
    }
    r.response = std::move(parsed);
    if (envelope_success(r.response)) {
        r.ok = true;
        return r;
    }
    r.message = envelope_message(r.response).value_or(std::u16string(label) + u"失败");
    return r;
}

std::optional<std::u16string> note_body(const DeliveryNote& n, std::u16string_view user_id,
                                        bool create) {
    std::u16string b = u"{";
    if (create) {
        member(b, u"no", n.number, true);
    } else {
        b += u"\"id\":";
        b += format_int(n.id);
    }
    member(b, u"customer", n.customer);
    member(b, u"project", n.project);
    member(b, u"contact", n.contact);
    member(b, u"contactPhone", n.contact_phone);
    member(b, u"address", n.address);
    member(b, u"remark", n.remark);
    member(b, u"date", n.date);
    member(b, u"status", n.status);
    if (create)
        member(b, u"userId", user_id);
    if (!items_array(b, n.items))
        return std::nullopt;
    b.push_back(u'}');
    return b;
}

std::u16string delete_body(int32_t id, std::u16string_view user_id) {
    std::u16string b = u"{\"id\":" + format_int(id);
    member(b, u"userId", user_id);
    b.push_back(u'}');
    return b;
}

ServiceResult service_login(std::u16string_view base, std::u16string_view account,
                            std::u16string_view password, bool enterprise, User& user) {
    std::u16string body = login_body(account, password, enterprise);
    HttpResult http =
        http_json_request(u"POST", trim_base_url(base) + u"/api/users/login", body, u"");
    wipe(body);
    ServiceResult r = envelope_check(std::move(http), u"登录");
    if (!r.ok)
        return r;
    std::optional<JsonValue> data = json_find(r.response, u"data");
    if (!data) {
        r.ok = false;
        r.message = u"登录失败：返回数据异常";
        return r;
    }
    user.id = json_text(*data, u"id", u"");
    user.username = json_text(*data, u"username", u"");
    user.phone = json_text(*data, u"phone", u"");
    user.enterprise_name = json_text(*data, u"enterpriseName", u"");
    user.token = json_text(*data, u"token", u"");
    if (user.id.empty()) {
        r.ok = false;
        r.message = u"登录失败：未取得用户ID";
    }
    return r;
}

ServiceResult service_list_notes(const DataCaller& who, std::vector<DeliveryNote>& notes) {
    HttpResult http = http_json_request(
        u"GET",
        trim_base_url(who.base) + u"/api/delivery-notes?userId=" + query_encode(who.user_id), u"",
        bearer_header(who.token));
    ServiceResult r = envelope_check(std::move(http), u"读取送货单");
    if (!r.ok)
        return r;
    std::optional<JsonValue> data = json_find(r.response, u"data");
    if (!data || data->kind() != JsonKind::Array) {
        r.ok = false;
        r.message = u"读取送货单失败：数据格式异常";
        return r;
    }
    notes.clear();
    notes.reserve(data->elements().size());
    for (const JsonValue& e : data->elements()) notes.push_back(note_from_json(e));
    return r;
}

ServiceResult service_save_note(const DataCaller& who, DeliveryNote& note, bool create) {
    std::u16string label = create ? u"新增送货单" : u"保存送货单";
    std::optional<std::u16string> body = note_body(note, who.user_id, create);
    if (!body) {
        ServiceResult refused;
        refused.message = label + u"失败：数量或单价不是有效的数字";
        return refused;
    }
    HttpResult http = http_json_request(create ? u"POST" : u"PUT",
                                        trim_base_url(who.base) + u"/api/delivery-notes", *body,
                                        bearer_header(who.token));
    ServiceResult r = envelope_check(std::move(http), label);
    if (r.ok && create) {
        double id = json_number(r.response, u"id", 0.0);
        if (id >= 1.0 && id < 2147483648.0)
            note.id = static_cast<int32_t>(id);
    }
    return r;
}

ServiceResult service_delete_note(const DataCaller& who, int32_t id) {
    HttpResult http = http_json_request(u"DELETE", trim_base_url(who.base) + u"/api/delivery-notes",
                                        delete_body(id, who.user_id), bearer_header(who.token));
    return envelope_check(std::move(http), u"删除送货单");
}

ServiceResult service_company_info(const DataCaller& who, std::u16string& company) {
    HttpResult http = http_json_request(
        u"GET", trim_base_url(who.base) + u"/api/company/info?user_id=" + query_encode(who.user_id),
        u"", bearer_header(who.token));
    ServiceResult r = envelope_check(std::move(http), u"读取企业信息");
    if (!r.ok)
        return r;
    if (std::optional<JsonValue> data = json_find(r.response, u"data"))
        company = json_text(*data, u"enterprise_name", u"");
    return r;
}

ServiceResult service_logout(std::u16string_view base, std::u16string_view token) {
    HttpResult http = http_json_request(u"POST", trim_base_url(base) + u"/api/users/logout", u"{}",
                                        bearer_header(token));
    return envelope_check(std::move(http), u"退出登录");
}

}  // namespace nv
