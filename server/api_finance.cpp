// The finance service: tenants, accounts, vouchers and shards, for the bearer of a token.
#include "base/cents.h"
#include "server/accounts.h"
#include "server/json.h"
#include "server/routes.h"

namespace srv::api {

namespace {

// The signed-in user of a finance call, or nothing after answering 401.
std::optional<User> bearer_user(Store& store, const Request& req, Response& res) {
    std::string token = bearer_token(req);
    std::optional<int64_t> id = token.empty() ? std::nullopt : store.token_user(token);
    auto user = id ? store.user_by_id(*id) : std::nullopt;
    if (!user)
        fail(res, 401,
             req.header("Authorization").empty() ? "未登录财务服务，请先登录"
                                                 : "登录已失效，请重新登录");
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
            .raw_number(nv::format_cents<char>(v.total_debit))
            .key("totalCredit")
            .raw_number(nv::format_cents<char>(v.total_credit))
            .key("lines")
            .begin_array();
        for (const VoucherLine& l : v.lines) {
            o.begin_object()
                .key("summary")
                .str(l.summary)
                .key("account")
                .str(l.account)
                .key("debit")
                .raw_number(nv::format_cents<char>(l.debit))
                .key("credit")
                .raw_number(nv::format_cents<char>(l.credit))
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
    return nv::parse_cents(std::string_view(scalar_text(*v)));
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
                    "借贷不平衡：借方 " + nv::format_cents<char>(v.total_debit) + "，贷方 " +
                        nv::format_cents<char>(v.total_credit));
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

}  // namespace

void add_finance_routes(http::Server& svr, Store& store) {
    svr.route("GET", "/api/v1/native/tenants", kMaxQueryBodyBytes, on_store(store, list_tenants));
    svr.route("POST", "/api/v1/native/tenants", kMaxSmallBodyBytes, on_store(store, create_tenant));
    svr.route("GET", "/api/v1/native/accounts", kMaxQueryBodyBytes, on_store(store, list_accounts));
    svr.route("GET", "/api/v1/native/tenants/*/vouchers", kMaxQueryBodyBytes,
              on_store(store, list_vouchers));
    svr.route("POST", "/api/v1/native/tenants/*/vouchers", kMaxVoucherBodyBytes,
              on_store(store, save_voucher));
    svr.route("GET", "/api/v1/native/shards", kMaxQueryBodyBytes, on_store(store, list_shards));
    svr.route("POST", "/api/v1/native/shards", kMaxSmallBodyBytes, on_store(store, add_shard));
}

}  // namespace srv::api
