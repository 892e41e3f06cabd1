// The delivery notes of the data service.
#include <cmath>
#include <cstdlib>

#include "server/json.h"
#include "server/routes.h"

namespace srv::api {

namespace {

int64_t g_max_notes = 20000;  // set once when the routes are added

// quantity and price: a JSON number (not a string), kept exactly as written, finite, with at
// most two decimals and at most 1,000,000,000 in size; a quantity above zero, a price of any
// sign (the client allows zero and negative prices for discount lines).
constexpr double kMaxAmount = 1e9;

std::string number_member(Body& b, const JsonValue& obj, const char* key, const char* what,
                          bool positive) {
    std::optional<JsonValue> v = obj.find_utf8(key);
    if (!v) {
        if (b.error.empty())
            b.error = std::string("缺少字段 ") + key + "（" + what + "）";
        return {};
    }
    if (v->kind() != JsonKind::Number) {
        if (b.error.empty())
            b.error = std::string("字段 ") + key + " 应为数字（" + what + "）";
        return {};
    }
    std::string t(v->token());
    auto point = t.find('.');
    bool plain = t.find_first_of("eE") == std::string::npos &&
                 (point == std::string::npos || t.size() - point - 1 <= 2);
    char* end = nullptr;
    double value = std::strtod(t.c_str(), &end);
    bool in_range =
        std::isfinite(value) && std::fabs(value) <= kMaxAmount && (positive ? value > 0 : true);
    if (!plain || !in_range) {
        if (b.error.empty())
            b.error = std::string("字段 ") + key + (positive ? " 应为大于 0" : " 应为") +
                      "、不超过 1000000000、最多两位小数的数字（" + what + "）";
        return {};
    }
    return t;
}

void read_note_fields(Body& b, Note& n) {
    n.customer = b.text(b.root, "customer", "客户");
    n.project = b.text(b.root, "project", "项目");
    n.contact = b.text(b.root, "contact", "联系人");
    n.contact_phone = b.text(b.root, "contactPhone", "联系电话");
    n.address = b.text(b.root, "address", "送货地址");
    n.remark = b.text(b.root, "remark", "备注");
    n.date = b.text(b.root, "date", "日期");
    n.status = b.text(b.root, "status", "状态");
    std::optional<JsonValue> items = b.member(b.root, "items", JsonKind::Array, "商品明细");
    if (!items)
        return;
    if (items->size() > kMaxItemsPerNote) {
        if (b.error.empty())
            b.error = "商品明细过多，一张送货单最多 " + std::to_string(kMaxItemsPerNote) + " 行";
        return;
    }
    for (const JsonValue& e : items->elements()) {
        if (e.kind() != JsonKind::Object) {
            if (b.error.empty())
                b.error = "商品明细的每一项应为对象";
            return;
        }
        NoteItem it;
        it.product = b.text(e, "product", "商品名称");
        it.model = b.text(e, "model", "型号");
        it.length = b.text(e, "length", "长度");
        it.wattage = b.text(e, "wattage", "瓦数");
        it.brightness = b.text(e, "brightness", "显示模式");
        it.sensor_mode = b.text(e, "sensorMode", "感应模式");
        it.unit = b.text(e, "unit", "单位");
        it.quantity = number_member(b, e, "quantity", "数量", true);
        it.price = number_member(b, e, "price", "单价", false);
        n.items.push_back(std::move(it));
    }
}

void put_note(JsonOut& o, const Note& n) {
    o.begin_object()
        .key("id")
        .num(n.id)
        .key("no")
        .str(n.no)
        .key("userId")
        .str(std::to_string(n.user_id))
        .key("customer")
        .str(n.customer)
        .key("project")
        .str(n.project)
        .key("address")
        .str(n.address)
        .key("contact")
        .str(n.contact)
        .key("contactPhone")
        .str(n.contact_phone)
        .key("date")
        .str(n.date)
        .key("status")
        .str(n.status)
        .key("remark")
        .str(n.remark)
        .key("items")
        .begin_array();
    for (const NoteItem& it : n.items) {
        o.begin_object()
            .key("product")
            .str(it.product)
            .key("model")
            .str(it.model)
            .key("length")
            .str(it.length)
            .key("wattage")
            .str(it.wattage)
            .key("brightness")
            .str(it.brightness)
            .key("sensorMode")
            .str(it.sensor_mode)
            .key("unit")
            .str(it.unit)
            .key("quantity")
            .raw_number(it.quantity)
            .key("price")
            .raw_number(it.price)
            .end_object();
    }
    o.end_array().end_object();
}

void list_notes(Store& store, const Request& req, Response& res) {
    auto caller = data_caller(store, req, res);
    if (!caller)
        return;
    auto user = user_from_query(store, *caller, req, res, "userId");
    if (!user)
        return;
    JsonOut o(static_cast<std::size_t>(store.note_count(user->id)) * 1024 + 256);
    o.begin_object()
        .key("success")
        .boolean(true)
        .key("message")
        .str("ok")
        .key("data")
        .begin_array();
    store.visit_notes(user->id, [&o](const Note& n) { put_note(o, n); });
    send(res, 200, o.end_array().end_object().take());
}

void create_note(Store& store, const Request& req, Response& res) {
    auto caller = data_caller(store, req, res);
    if (!caller)
        return;
    auto b = read_body(req, res);
    if (!b)
        return;
    Note n;
    n.no = b->text(b->root, "no", "单号");
    read_note_fields(*b, n);
    auto user_id = id_member(*b, "userId", "用户");
    if (!b->error.empty())
        return fail(res, 400, b->error);
    if (n.no.empty())
        return fail(res, 400, "单号不能为空");
    if (!caller->may_act_for(*user_id) || !store.user_by_id(*user_id))
        return fail(res, 404, "用户不存在");
    if (store.note_count(*user_id) >= g_max_notes)
        return fail(res, 409,
                    "送货单数量已达上限（" + std::to_string(g_max_notes) +
                        " 张），请先删除不再需要的送货单");
    n.user_id = *user_id;
    int64_t id = store.note_create(n);
    JsonOut o;
    o.begin_object()
        .key("success")
        .boolean(true)
        .key("message")
        .str("创建成功")
        .key("id")
        .num(id)
        .key("data")
        .begin_object()
        .key("id")
        .num(id)
        .end_object()
        .end_object();
    send(res, 200, o.take());
}

void update_note(Store& store, const Request& req, Response& res) {
    auto caller = data_caller(store, req, res);
    if (!caller)
        return;
    auto b = read_body(req, res);
    if (!b)
        return;
    Note n;
    auto id = id_member(*b, "id", "送货单编号");
    read_note_fields(*b, n);
    if (!b->error.empty())
        return fail(res, 400, b->error);
    n.id = *id;
    // Another user's note is changed by nobody but its owner, and is not there for the caller.
    if (!store.note_update(n, caller->anyone ? std::nullopt : std::optional(caller->user_id)))
        return fail(res, 404, "送货单不存在或已被删除");
    JsonOut o;
    o.begin_object().key("success").boolean(true).key("message").str("保存成功").end_object();
    send(res, 200, o.take());
}

void delete_note(Store& store, const Request& req, Response& res) {
    auto caller = data_caller(store, req, res);
    if (!caller)
        return;
    auto b = read_body(req, res);
    if (!b)
        return;
    auto id = id_member(*b, "id", "送货单编号");
    auto user_id = id_member(*b, "userId", "用户");
    if (!b->error.empty())
        return fail(res, 400, b->error);
    if (!caller->may_act_for(*user_id))
        return fail(res, 404, "用户不存在");
    switch (store.note_delete(*id, *user_id)) {
        case Store::DeleteResult::NotFound:
            return fail(res, 404, "送货单不存在或已被删除");
        case Store::DeleteResult::NotOwner:
            if (!caller->anyone)
                return fail(res, 404, "送货单不存在或已被删除");
            return fail(res, 403, "无权删除其他用户的送货单");
        case Store::DeleteResult::Deleted:
            break;
    }
    JsonOut o;
    o.begin_object().key("success").boolean(true).key("message").str("删除成功").end_object();
    send(res, 200, o.take());
}

}  // namespace

void add_note_routes(http::Server& svr, Store& store, const ServeOptions& options) {
    g_max_notes = options.max_notes_per_user;
    svr.route("GET", "/api/delivery-notes", kMaxQueryBodyBytes, on_store(store, list_notes));
    svr.route("POST", "/api/delivery-notes", kMaxBodyBytes, on_store(store, create_note));
    svr.route("PUT", "/api/delivery-notes", kMaxBodyBytes, on_store(store, update_note));
    svr.route("DELETE", "/api/delivery-notes", kMaxSmallBodyBytes, on_store(store, delete_note));
}

}  // namespace srv::api
