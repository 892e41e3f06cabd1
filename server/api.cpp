#include "server/api.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "base/text.h"
#include "net/json.h"
#include "server/accounts.h"
#include "server/http.h"
#include "server/json.h"
#include "server/store.h"

namespace srv {

std::optional<int64_t> cents_from_token(std::string_view t) {
    int64_t whole = 0;
    std::size_t i = 0;
    int digits = 0;
    for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
        if (whole > 999'999'999'999)
            return std::nullopt;
        whole = whole * 10 + (t[i] - '0');
        ++digits;
    }
    if (digits == 0)
        return std::nullopt;
    int64_t cents = 0;
    if (i < t.size() && t[i] == '.') {
        ++i;
        int decimals = 0;
        for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
            if (++decimals > 2)
                return std::nullopt;
            cents = cents * 10 + (t[i] - '0');
        }
        if (decimals == 0)
            return std::nullopt;
        if (decimals == 1)
            cents *= 10;
    }
    if (i != t.size() || whole > 999'999'999'999)
        return std::nullopt;
    return whole * 100 + cents;
}

bool is_real_date(std::string_view d) {
    if (d.size() != 10 || d[4] != '-' || d[7] != '-')
        return false;
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (d[i] < '0' || d[i] > '9')
            return false;
    }
    auto num = [&](int at, int len) {
        int v = 0;
        for (int i = at; i < at + len; ++i) v = v * 10 + (d[i] - '0');
        return v;
    };
    int y = num(0, 4), m = num(5, 2), day = num(8, 2);
    if (y < 1900 || m < 1 || m > 12 || day < 1)
        return false;
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return day <= kDays[m - 1] + (m == 2 && leap ? 1 : 0);
}

namespace {

using http::Request;
using http::Response;
using nv::JsonKind;
using nv::JsonValue;

// A string's decoded text or a number's token as it was sent.
std::string scalar_text(const JsonValue& v) {
    return v.kind() == JsonKind::String ? v.text_utf8() : std::string(v.token());
}

// Request bodies are a few levels deep; deeper nesting is refused before it costs anything.
constexpr int kMaxJsonDepth = 64;

void send(Response& res, int status, std::string body) {
    res.status = status;
    res.body = std::move(body);  // moved, not copied: a list answer is close to a megabyte
}

void fail(Response& res, int status, std::string_view message) {
    JsonOut o;
    o.begin_object().key("success").boolean(false).key("message").str(message).end_object();
    send(res, status, o.take());
}

// Reading a request body: each accessor records the first problem as a Chinese message.
struct Body {
    JsonValue root;
    std::string error;

    std::optional<JsonValue> member(const JsonValue& obj, const char* key, JsonKind kind,
                                    const char* what) {
        std::optional<JsonValue> v = obj.find_utf8(key);
        if (!v) {
            if (error.empty())
                error = std::string("缺少字段 ") + key + "（" + what + "）";
            return {};
        }
        if (v->kind() != kind) {
            if (error.empty())
                error = std::string("字段 ") + key + " 类型错误（" + what + "）";
            return {};
        }
        return v;
    }
    std::string text(const JsonValue& obj, const char* key, const char* what) {
        std::optional<JsonValue> v = member(obj, key, JsonKind::String, what);
        std::string t = v ? v->text_utf8() : std::string();
        if (!nv::is_utf8(t)) {
            if (error.empty())
                error = std::string("字段 ") + key + " 不是有效的 UTF-8 文本（" + what + "）";
            return {};
        }
        if (t.size() > kMaxFieldBytes) {
            if (error.empty())
                error = std::string("字段 ") + key + " 过长（" + what + "），最多 " +
                        std::to_string(kMaxFieldBytes) + " 字节";
            return {};
        }
        return t;
    }
};

bool has_duplicate_key(const JsonValue& v) {
    std::set<std::string> seen;
    for (const nv::JsonMember& m : v.members()) {
        if (!seen.insert(m.key_utf8()).second || has_duplicate_key(m.value()))
            return true;
    }
    for (const JsonValue& e : v.elements())
        if (has_duplicate_key(e))
            return true;
    return false;
}

// Parses the body as a JSON object; answers 400 and returns nothing when it is not one.
std::optional<Body> read_body(const Request& req, Response& res) {
    if (!nv::is_utf8(req.body)) {
        fail(res, 400, "请求格式错误：不是有效的 UTF-8 文本");
        return std::nullopt;
    }
    JsonValue root;
    if (!nv::json_parse_strict(req.body, root, kMaxJsonDepth)) {
        fail(res, 400, "请求格式错误：不是有效的 JSON");
        return std::nullopt;
    }
    if (root.kind() != JsonKind::Object) {
        fail(res, 400, "请求格式错误：应为 JSON 对象");
        return std::nullopt;
    }
    // A key given twice could mean either value: refused rather than guessed.
    if (has_duplicate_key(root)) {
        fail(res, 400, "请求格式错误：字段重复");
        return std::nullopt;
    }
    return Body{std::move(root), {}};
}

// Text from a request as it may go into the log: a control character (a decoded %0A, say)
// would start a forged line, so each is written as \xNN.
std::string log_safe(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F || c == '\\') {
            out += "\\x";
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

// One query parameter read strictly from the raw request target: "name=value" exactly once,
// the value without a further "=". The HTTP library keeps the last of "userId=999=1"'s parts,
// which would name user 1.
enum class Param { Missing, Malformed, Ok };
Param strict_param(const Request& req, std::string_view name, std::string& value) {
    std::string_view target = req.target;
    auto q = target.find('?');
    if (q == std::string_view::npos)
        return Param::Missing;
    std::string_view query = target.substr(q + 1);
    Param found = Param::Missing;
    while (!query.empty()) {
        auto amp = query.find('&');
        std::string_view part = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
        auto eq = part.find('=');
        std::string key = http::url_decode(part.substr(0, eq), true);
        if (key != name)
            continue;
        if (found != Param::Missing || eq == std::string_view::npos ||
            part.find('=', eq + 1) != std::string_view::npos)
            return Param::Malformed;
        value = http::url_decode(part.substr(eq + 1), true);
        found = Param::Ok;
    }
    return found;
}

std::optional<int64_t> parse_id(std::string_view s) {
    if (s.empty() || s.size() > 18)
        return std::nullopt;
    int64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

// A note id or user id in a body: an integer number, or its decimal text.
std::optional<int64_t> id_member(Body& b, const char* key, const char* what) {
    std::optional<JsonValue> v = b.root.find_utf8(key);
    if (!v) {
        if (b.error.empty())
            b.error = std::string("缺少字段 ") + key + "（" + what + "）";
        return std::nullopt;
    }
    if (v->kind() == JsonKind::Number || v->kind() == JsonKind::String) {
        if (auto id = parse_id(scalar_text(*v)))
            return id;
    }
    if (b.error.empty())
        b.error = std::string("字段 ") + key + " 应为编号（" + what + "）";
    return std::nullopt;
}

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

std::string cents_text(int64_t c) {
    std::string s = std::to_string(c / 100) + ".";
    int frac = static_cast<int>(c % 100);
    s += static_cast<char>('0' + frac / 10);
    s += static_cast<char>('0' + frac % 10);
    return s;
}

// ---- data service -----------------------------------------------------------------------

int64_t g_max_notes = 20000;  // set once by install_routes

// Failed logins by account and by client address within a sliding window.
class LoginLimiter {
public:
    void set_window(int seconds) { window_ = std::chrono::seconds(seconds); }

    bool refused(const std::string& account, const std::string& address) {
        std::lock_guard<std::mutex> lock(mu_);
        return count(by_account_, account) >= kLoginFailures ||
               count(by_address_, address) >= kLoginFailuresPerAddress;
    }
    void failed(const std::string& account, const std::string& address) {
        std::lock_guard<std::mutex> lock(mu_);
        auto now = std::chrono::steady_clock::now();
        by_account_[account].push_back(now);
        by_address_[address].push_back(now);
    }
    void succeeded(const std::string& account) {
        std::lock_guard<std::mutex> lock(mu_);
        by_account_.erase(account);
    }

private:
    using Times = std::deque<std::chrono::steady_clock::time_point>;
    int count(std::map<std::string, Times>& m, const std::string& key) {
        auto it = m.find(key);
        if (it == m.end())
            return 0;
        auto cutoff = std::chrono::steady_clock::now() - window_;
        while (!it->second.empty() && it->second.front() < cutoff) it->second.pop_front();
        int n = static_cast<int>(it->second.size());
        if (n == 0)
            m.erase(it);
        return n;
    }
    std::mutex mu_;
    std::chrono::seconds window_{900};
    std::map<std::string, Times> by_account_, by_address_;
};

LoginLimiter& login_limiter() {
    static LoginLimiter limiter;
    return limiter;
}

void login_common(Store& store, const Request& req, Response& res, bool finance) {
    auto b = read_body(req, res);
    if (!b)
        return;
    std::string account = b->text(b->root, "account", "账号");
    std::string password = b->text(b->root, "password", "密码");
    std::string type = b->text(b->root, "userType", "用户类型");
    if (!b->error.empty())
        return fail(res, 400, b->error);
    if (type != "personal" && type != "enterprise")
        return fail(res, 400, "用户类型应为 personal 或 enterprise");
    LoginLimiter& limiter = login_limiter();
    if (limiter.refused(account, req.remote_addr)) {
        std::fill(password.begin(), password.end(), '\0');
        return fail(res, 429, "登录失败次数过多，请稍后再试");
    }
    auto user = store.user_by_account(account);
    bool ok = false;
    if (user) {
        ok = store.check_password(user->id, password);
    } else {
        store.check_password_of_nobody(password);  // unknown accounts cost the same time
    }
    std::fill(password.begin(), password.end(), '\0');
    if (!ok) {
        limiter.failed(account, req.remote_addr);
        return fail(res, 401, "账号或密码错误");
    }
    limiter.succeeded(account);
    if (user->user_type != type)
        return fail(res, 401,
                    type == "enterprise" ? "该账号不是企业账号，请选择个人用户登录"
                                         : "该账号是企业账号，请选择企业用户登录");
    JsonOut o;
    o.begin_object().key("success").boolean(true).key("message").str("登录成功").key("data");
    if (finance) {
        o.begin_object()
            .key("token")
            .str(store.token_issue(user->id, kTokenSeconds))
            .key("expiresIn")
            .num(kTokenSeconds)
            .key("admin")
            .boolean(user->admin)
            .end_object();
    } else {
        o.begin_object()
            .key("id")
            .num(user->id)
            .key("username")
            .str(user->username)
            .key("phone")
            .str(user->phone)
            .key("enterpriseName")
            .str(user->enterprise_name)
            .end_object();
    }
    send(res, 200, o.end_object().take());
}

std::optional<User> user_from_query(Store& store, const Request& req, Response& res,
                                    const char* param) {
    std::string text;
    switch (strict_param(req, param, text)) {
        case Param::Missing:
            fail(res, 400, std::string("缺少参数 ") + param);
            return std::nullopt;
        case Param::Malformed:
            fail(res, 400, std::string("参数格式错误 ") + param);
            return std::nullopt;
        case Param::Ok:
            break;
    }
    auto id = parse_id(text);
    auto user = id ? store.user_by_id(*id) : std::nullopt;
    if (!user)
        fail(res, 404, "用户不存在");
    return user;
}

void list_notes(Store& store, const Request& req, Response& res) {
    auto user = user_from_query(store, req, res, "userId");
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
    if (!store.user_by_id(*user_id))
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
    auto b = read_body(req, res);
    if (!b)
        return;
    Note n;
    auto id = id_member(*b, "id", "送货单编号");
    read_note_fields(*b, n);
    if (!b->error.empty())
        return fail(res, 400, b->error);
    n.id = *id;
    if (!store.note_update(n))
        return fail(res, 404, "送货单不存在或已被删除");
    JsonOut o;
    o.begin_object().key("success").boolean(true).key("message").str("保存成功").end_object();
    send(res, 200, o.take());
}

void delete_note(Store& store, const Request& req, Response& res) {
    auto b = read_body(req, res);
    if (!b)
        return;
    auto id = id_member(*b, "id", "送货单编号");
    auto user_id = id_member(*b, "userId", "用户");
    if (!b->error.empty())
        return fail(res, 400, b->error);
    switch (store.note_delete(*id, *user_id)) {
        case Store::DeleteResult::NotFound:
            return fail(res, 404, "送货单不存在或已被删除");
        case Store::DeleteResult::NotOwner:
            return fail(res, 403, "无权删除其他用户的送货单");
        case Store::DeleteResult::Deleted:
            break;
    }
    JsonOut o;
    o.begin_object().key("success").boolean(true).key("message").str("删除成功").end_object();
    send(res, 200, o.take());
}

void company_info(Store& store, const Request& req, Response& res) {
    auto user = user_from_query(store, req, res, "user_id");
    if (!user)
        return;
    JsonOut o;
    o.begin_object()
        .key("success")
        .boolean(true)
        .key("message")
        .str("ok")
        .key("data")
        .begin_object()
        .key("enterprise_name")
        .str(user->enterprise_name)
        .end_object()
        .end_object();
    send(res, 200, o.take());
}

// ---- finance service --------------------------------------------------------------------

// The signed-in user of a finance call, or nothing after answering 401.
std::optional<User> bearer_user(Store& store, const Request& req, Response& res) {
    std::string header = req.header("Authorization");
    // The scheme is case-insensitive (RFC 7235): "bearer" is "Bearer".
    constexpr std::string_view kPrefix = "bearer ";
    std::optional<int64_t> id;
    bool bearer = header.size() > kPrefix.size() &&
                  std::equal(kPrefix.begin(), kPrefix.end(), header.begin(), [](char a, char b) {
                      return a == std::tolower(static_cast<unsigned char>(b));
                  });
    if (bearer)
        id = store.token_user(header.substr(kPrefix.size()));
    auto user = id ? store.user_by_id(*id) : std::nullopt;
    if (!user)
        fail(res, 401, header.empty() ? "未登录财务服务，请先登录" : "登录已失效，请重新登录");
    return user;
}

void put_tenant(JsonOut& o, const Tenant& t) {
    o.begin_object()
        .key("id")
        .num(t.id)
        .key("name")
        .str(t.name)
        .key("code")
        .str(t.code)
        .key("shardId")
        .num(t.shard_id)
        .end_object();
}

void list_tenants(Store& store, const Request& req, Response& res) {
    auto user = bearer_user(store, req, res);
    if (!user)
        return;
    JsonOut o;
    o.begin_object().key("success").boolean(true).key("admin").boolean(user->admin);
    o.key("data").begin_array();
    for (const Tenant& t : store.tenants_visible_to(*user)) put_tenant(o, t);
    send(res, 200, o.end_array().end_object().take());
}

void create_tenant(Store& store, const Request& req, Response& res) {
    auto user = bearer_user(store, req, res);
    if (!user)
        return;
    if (!user->admin)
        return fail(res, 403, "仅管理员可以创建租户");
    auto b = read_body(req, res);
    if (!b)
        return;
    std::string name = b->text(b->root, "name", "租户名称");
    std::string code = b->text(b->root, "code", "租户代码");
    if (!b->error.empty())
        return fail(res, 400, b->error);
    if (name.empty())
        return fail(res, 400, "请输入租户名称");
    std::string error;
    auto t = store.tenant_create(user->org_id, name, code, error);
    if (!t)
        return fail(res, 409, error);
    JsonOut o;
    o.begin_object().key("success").boolean(true).key("message").str("租户已创建").key("data");
    put_tenant(o, *t);
    send(res, 200, o.end_object().take());
}

void list_accounts(Store& store, const Request& req, Response& res) {
    if (!bearer_user(store, req, res))
        return;
    JsonOut o;
    o.begin_object().key("success").boolean(true).key("data").begin_array();
    for (const Account& a : chart_of_accounts()) {
        o.begin_object()
            .key("code")
            .str(a.code)
            .key("name")
            .str(a.name)
            .key("display")
            .str(account_display(a))
            .end_object();
    }
    send(res, 200, o.end_array().end_object().take());
}

// The tenant named in the path, when this user may work in it.
std::optional<Tenant> tenant_for(Store& store, const User& user, const Request& req,
                                 Response& res) {
    auto id = parse_id(req.capture);
    auto t = id ? store.tenant(*id) : std::nullopt;
    // Another organisation's tenant answers as if it did not exist, for administrators too.
    if (!t || t->org_id != user.org_id) {
        fail(res, 404, "租户不存在或无权访问");
        return std::nullopt;
    }
    return t;
}

void list_vouchers(Store& store, const Request& req, Response& res) {
    auto user = bearer_user(store, req, res);
    if (!user)
        return;
    auto t = tenant_for(store, *user, req, res);
    if (!t)
        return;
    JsonOut o;
    o.begin_object().key("success").boolean(true).key("data").begin_array();
    for (const Voucher& v : store.vouchers_recent(*t, 100)) {
        o.begin_object()
            .key("id")
            .num(v.id)
            .key("voucherNo")
            .str(v.voucher_no)
            .key("date")
            .str(v.date)
            .key("summary")
            .str(v.summary)
            .key("totalDebit")
            .raw_number(cents_text(v.total_debit))
            .key("totalCredit")
            .raw_number(cents_text(v.total_credit))
            .key("lines")
            .begin_array();
        for (const VoucherLine& l : v.lines) {
            o.begin_object()
                .key("summary")
                .str(l.summary)
                .key("account")
                .str(l.account)
                .key("debit")
                .raw_number(cents_text(l.debit))
                .key("credit")
                .raw_number(cents_text(l.credit))
                .end_object();
        }
        o.end_array().end_object();
    }
    send(res, 200, o.end_array().end_object().take());
}

// A line amount: a JSON number (or its text) in exact cents.
std::optional<int64_t> amount_member(const JsonValue& line, const char* key) {
    std::optional<JsonValue> v = line.find_utf8(key);
    if (!v || (v->kind() != JsonKind::Number && v->kind() != JsonKind::String))
        return std::nullopt;
    return cents_from_token(scalar_text(*v));
}

void save_voucher(Store& store, const Request& req, Response& res) {
    auto user = bearer_user(store, req, res);
    if (!user)
        return;
    auto t = tenant_for(store, *user, req, res);
    if (!t)
        return;
    auto b = read_body(req, res);
    if (!b)
        return;
    Voucher v;
    v.voucher_no = b->text(b->root, "voucherNo", "凭证号");
    v.date = b->text(b->root, "date", "日期");
    v.summary = b->text(b->root, "summary", "摘要");
    std::optional<JsonValue> lines = b->member(b->root, "lines", JsonKind::Array, "分录");
    if (!b->error.empty())
        return fail(res, 400, b->error);
    if (v.voucher_no.empty())
        return fail(res, 400, "请输入凭证号");
    if (!is_real_date(v.date))
        return fail(res, 400, "请输入有效日期（YYYY-MM-DD）");
    if (lines->size() < 2)
        return fail(res, 400, "请至少填写两行分录");
    std::size_t i = 0;
    for (const JsonValue& e : lines->elements()) {
        std::string row = "第 " + std::to_string(++i) + " 行";
        if (e.kind() != JsonKind::Object)
            return fail(res, 400, row + "分录格式错误");
        VoucherLine l;
        l.summary = b->text(e, "summary", "摘要");
        l.account = b->text(e, "account", "会计科目");
        if (!b->error.empty())
            return fail(res, 400, row + "：" + b->error);
        auto debit = amount_member(e, "debit");
        auto credit = amount_member(e, "credit");
        if (!debit || !credit || (*debit > 0) == (*credit > 0))
            return fail(res, 400, row + "：每行只填写借方或贷方正金额，最多两位小数");
        if (!is_known_account(l.account))
            return fail(res, 400, row + "：未知会计科目「" + l.account + "」");
        l.debit = *debit;
        l.credit = *credit;
        v.total_debit += l.debit;
        v.total_credit += l.credit;
        v.lines.push_back(std::move(l));
    }
    if (v.total_debit != v.total_credit)
        return fail(res, 400,
                    "借贷不平衡：借方 " + cents_text(v.total_debit) + "，贷方 " +
                        cents_text(v.total_credit));
    std::string error;
    if (!store.voucher_save(*t, v, error))
        return fail(res, 409, error);
    JsonOut o;
    o.begin_object().key("success").boolean(true).key("message").str("凭证已保存").end_object();
    send(res, 200, o.take());
}

void list_shards(Store& store, const Request& req, Response& res) {
    auto user = bearer_user(store, req, res);
    if (!user)
        return;
    if (!user->operator_)  // shards are shared by every organisation: the operator's
        return fail(res, 403, "当前账号没有分片管理权限");
    JsonOut o;
    o.begin_object().key("success").boolean(true).key("data").begin_array();
    for (const Shard& s : store.shards()) {
        o.begin_object()
            .key("id")
            .num(s.id)
            .key("name")
            .str(s.name)
            .key("tenantCount")
            .num(s.tenant_count)
            .key("maxTenants")
            .num(s.max_tenants)
            .end_object();
    }
    send(res, 200, o.end_array().end_object().take());
}

void add_shard(Store& store, const Request& req, Response& res) {
    auto user = bearer_user(store, req, res);
    if (!user)
        return;
    if (!user->operator_)
        return fail(res, 403, "当前账号没有分片管理权限");
    if (!read_body(req, res))
        return;
    int64_t id = store.shard_add("", 8);
    JsonOut o;
    o.begin_object()
        .key("success")
        .boolean(true)
        .key("message")
        .str("分片已创建并初始化")
        .key("data")
        .begin_object()
        .key("id")
        .num(id)
        .end_object()
        .end_object();
    send(res, 200, o.take());
}

// ---- releases ---------------------------------------------------------------------------

void manifest(Store& store, const std::string& public_url, Response& res) {
    auto r = store.release_latest();
    if (!r)
        return fail(res, 404, "尚未发布版本");
    JsonOut o;
    o.begin_object()
        .key("version")
        .str(r->version)
        .key("package")
        .str(public_url + "/releases/" + r->file)
        .end_object();
    send(res, 200, o.take());
}

void package(Store& store, const Request& req, Response& res) {
    std::string name = req.capture;
    auto r = store.release_latest();
    // Only files that were published are served; names never reach the file system otherwise.
    if (!r || name != r->file)
        return fail(res, 404, "文件不存在");
    std::FILE* f = std::fopen((store.dir() + "/releases/" + name).c_str(), "rb");
    if (!f)
        return fail(res, 404, "文件不存在");
    std::string data;
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
    std::fclose(f);
    res.status = 200;
    res.body = std::move(data);
    res.content_type = "application/msix";
}

}  // namespace

void install_routes(http::Server& svr, Store& store, const ServeOptions& options) {
    const std::string public_url = options.public_url;
    login_limiter().set_window(options.login_window_seconds);
    g_max_notes = options.max_notes_per_user;
    // Each handler's exceptions end here: logged (escaped) and answered with an envelope.
    auto guarded = [](std::function<void(const Request&, Response&)> fn) {
        return [fn = std::move(fn)](const Request& req, Response& res) {
            try {
                fn(req, res);
            } catch (const std::exception& e) {
                std::fprintf(stderr, "error: %s\n", log_safe(e.what()).c_str());
                res = Response{};
                fail(res, 500, "服务器内部错误");
            }
        };
    };
    auto route = [&store, &guarded](void (*fn)(Store&, const Request&, Response&)) {
        return guarded([&store, fn](const Request& req, Response& res) { fn(store, req, res); });
    };
    // Each route reads at most the body it needs; a larger one is refused from its announced
    // size before it is read.
    svr.route("POST", "/api/users/login", kMaxLoginBodyBytes,
              guarded([&store](auto& q, auto& r) { login_common(store, q, r, false); }));
    svr.route("GET", "/api/delivery-notes", kMaxQueryBodyBytes, route(list_notes));
    svr.route("POST", "/api/delivery-notes", kMaxBodyBytes, route(create_note));
    svr.route("PUT", "/api/delivery-notes", kMaxBodyBytes, route(update_note));
    svr.route("DELETE", "/api/delivery-notes", kMaxSmallBodyBytes, route(delete_note));
    svr.route("GET", "/api/company/info", kMaxQueryBodyBytes, route(company_info));

    svr.route("POST", "/api/v1/native/login", kMaxLoginBodyBytes,
              guarded([&store](auto& q, auto& r) { login_common(store, q, r, true); }));
    svr.route("GET", "/api/v1/native/tenants", kMaxQueryBodyBytes, route(list_tenants));
    svr.route("POST", "/api/v1/native/tenants", kMaxSmallBodyBytes, route(create_tenant));
    svr.route("GET", "/api/v1/native/accounts", kMaxQueryBodyBytes, route(list_accounts));
    svr.route("GET", "/api/v1/native/tenants/*/vouchers", kMaxQueryBodyBytes, route(list_vouchers));
    svr.route("POST", "/api/v1/native/tenants/*/vouchers", kMaxVoucherBodyBytes,
              route(save_voucher));
    svr.route("GET", "/api/v1/native/shards", kMaxQueryBodyBytes, route(list_shards));
    svr.route("POST", "/api/v1/native/shards", kMaxSmallBodyBytes, route(add_shard));

    // The package address comes from the configured public URL, never from the request's Host
    // header, which a client can forge.
    svr.route(
        "GET", "/releases/Norvane.json", kMaxQueryBodyBytes,
        guarded([&store, public_url](auto&, auto& res) { manifest(store, public_url, res); }));
    svr.route("GET", "/releases/*", kMaxQueryBodyBytes, route(package));

    // Every answer is an envelope, also the ones the server gives by itself.
    svr.set_error_body([](Response& res) {
        const char* msg = res.status == 404   ? "接口不存在"
                          : res.status == 413 ? "请求内容过大"
                          : res.status == 405 ? "不支持的请求方法"
                          : res.status == 408 ? "请求超时"
                          : res.status == 431 ? "请求头过大"
                          : res.status >= 500 ? "服务器内部错误"
                                              : "请求无法处理";
        fail(res, res.status, msg);
    });
    // One line per request; bodies (passwords) and headers (tokens) are never logged.
    svr.set_logger([](const Request& req, const Response& res) {
        std::fprintf(stderr, "%s %s %d\n", log_safe(req.method).c_str(), log_safe(req.path).c_str(),
                     res.status);
    });
}

}  // namespace srv
