#include "finance/finance_model.h"

#include <algorithm>
#include <utility>

#include "base/clock.h"
#include "base/text.h"
#include "finance/finance_session.h"
#include "finance/money.h"
#include "net/http_client.h"
#include "net/service_call.h"

namespace nv {

namespace {

constexpr char16_t kServiceRoot[] = u"/api/v1/native";
constexpr char16_t kUnavailable[] = u"数据服务暂不可用，请检查部署与服务器地址";
constexpr char16_t kDiscardQuestion[] = u"当前凭证尚未保存，确定放弃这些修改？";
constexpr char16_t kDiscardTitle[] = u"未保存凭证";
constexpr char16_t kLineRule[] = u"每行只填写借方或贷方正金额，最多两位小数";

bool is_true(const JsonValue& object, std::u16string_view key) {  // "admin" of the tenants
    std::optional<JsonValue> v = json_find(object, key);
    return v && v->kind() == JsonKind::Boolean && v->flag();
}

std::u16string text_of(const JsonValue& object, std::u16string_view key) {
    return json_text(object, key, u"");
}

std::u16string fixed2(double value) {
    return format_fixed_u16(value, 2);
}

std::u16string quoted(std::u16string_view text) {
    return u"\"" + json_escape(text) + u"\"";
}

std::u16string two_digits(int v) {
    std::u16string s = format_int(v);
    return s.size() < 2 ? u"0" + s : s;
}

int scaled(int length, int dpi) {
    return (length * dpi + 48) / 96;  // as MulDiv rounds for positive lengths
}

}  // namespace

FinanceState new_finance_state(std::u16string_view base_url) {
    FinanceState state;
    state.base_url = trim_base_url(base_url);
    LocalTime now = local_now();
    state.draft.date =
        format_int(now.year) + u"-" + two_digits(now.month) + u"-" + two_digits(now.day);
    return state;
}

bool finance_request(FinanceState& state, std::u16string_view method, std::u16string_view path,
                     std::u16string_view body, JsonValue& answer, bool bearer) {
    if (state.prompts.busy)
        state.prompts.busy(true);
    std::u16string header;
    if (bearer)
        header = bearer_header(finance_session().token);
    HttpResult http = http_json_request(
        method, state.base_url + kServiceRoot + std::u16string(path), body, header);
    wipe(header);
    if (state.prompts.busy)
        state.prompts.busy(false);
    answer = JsonValue{};
    bool parsed = http.network_ok && json_parse(std::move(http.body), answer);
    if (parsed && http.status >= 200 && http.status <= 299 && envelope_success(answer))
        return true;
    if (http.network_ok && http.status == 401) {
        FinanceSession& session = finance_session();
        wipe(session.token);
        session.token.clear();
        if (!state.tenant_id.empty())
            state.ended_tenant_id = std::exchange(state.tenant_id, std::u16string());
    }
    std::u16string message = kUnavailable;
    if (!http.network_ok) {
        message = http.error;
    } else if (parsed) {
        message = envelope_message(answer).value_or(message);
    }
    if (state.prompts.request_failed)
        state.prompts.request_failed(message);
    return false;
}

bool finance_session_valid(std::u16string_view base_url) {
    const FinanceSession& s = finance_session();
    return !s.token.empty() && s.base_url == base_url;
}

bool ensure_finance_session(FinanceState& state) {
    if (finance_session_valid(state.base_url))
        return true;
    if (!state.prompts.sign_in || !state.prompts.sign_in())
        return false;
    if (state.tenant_id.empty())
        state.tenant_id = std::exchange(state.ended_tenant_id, std::u16string());
    return load_tenants(state);
}

std::vector<Field> finance_login_fields() {
    return {Field{u"账号 / 手机号", u"", false, {}}, Field{u"密码", u"", true, {}},
            Field{u"用户类型", u"personal", false, {u"personal", u"enterprise"}}};
}

std::u16string submit_finance_login(FinanceState& state, std::vector<Field>& fields) {
    const std::u16string& account = fields[0].value;
    const std::u16string& password = fields[1].value;
    const std::u16string& type = fields[2].value;
    if (account.empty() || password.empty())
        return u"请输入账号密码";
    if (type != u"personal" && type != u"enterprise")
        return u"请选择用户类型";
    std::u16string body = login_body(account, password, type == u"enterprise");
    JsonValue answer;
    bool ok = finance_request(state, u"POST", u"/login", body, answer, false);
    wipe(body);
    if (!ok)
        return u"请检查账号密码或数据服务连接后重试";
    std::optional<JsonValue> data = json_find(answer, u"data");
    FinanceSession& session = finance_session();
    wipe(session.token);
    session.token = data ? text_of(*data, u"token") : std::u16string();
    session.base_url = state.base_url;
    return session.token.empty() ? u"未取得登录会话" : u"";
}

bool load_tenants(FinanceState& state) {
    JsonValue answer;
    if (!finance_request(state, u"GET", u"/tenants", u"", answer, true))
        return false;
    std::optional<JsonValue> data = json_find(answer, u"data");
    if (!data || data->kind() != JsonKind::Array)
        return false;
    state.tenants = *data;
    state.admin = is_true(answer, u"admin");
    int index = current_tenant_index(state);
    if (index < 0 && !state.tenants.elements().empty())
        index = 0;
    if (index >= 0) {
        const JsonValue& t = state.tenants.elements()[static_cast<std::size_t>(index)];
        state.tenant_id = text_of(t, u"id");
        state.tenant_name = text_of(t, u"name");
    } else {
        state.tenant_id.clear();
        state.tenant_name.clear();
    }
    return true;
}

std::vector<std::u16string> tenant_entries(const FinanceState& state) {
    std::vector<std::u16string> entries;
    for (const JsonValue& t : state.tenants.elements())
        entries.push_back(text_of(t, u"code") + u" · " + text_of(t, u"name"));
    return entries;
}

int current_tenant_index(const FinanceState& state) {
    for (std::size_t i = 0; i < state.tenants.elements().size(); ++i) {
        if (text_of(state.tenants.elements()[i], u"id") == state.tenant_id)
            return static_cast<int>(i);
    }
    return -1;
}

bool choose_tenant(FinanceState& state, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= state.tenants.elements().size())
        return false;
    if (!may_discard_draft(state))
        return false;
    const JsonValue& t = state.tenants.elements()[static_cast<std::size_t>(index)];
    state.tenant_id = text_of(t, u"id");
    state.tenant_name = text_of(t, u"name");
    clear_draft(state);
    return true;
}

bool may_discard_draft(FinanceState& state) {
    return !state.draft.dirty || !state.prompts.ask ||
           state.prompts.ask(kDiscardQuestion, kDiscardTitle);
}

void clear_draft(FinanceState& state) {
    state.draft.lines.clear();
    state.draft.summary.clear();
    state.draft.dirty = false;
}

std::u16string voucher_header_text(const VoucherDraft& draft) {
    return u"凭证号：" + draft.number + u"    日期：" + draft.date + u"    摘要：" + draft.summary;
}

std::vector<std::array<std::u16string, 5>> voucher_line_rows(const VoucherDraft& draft) {
    std::vector<std::array<std::u16string, 5>> rows;
    for (std::size_t i = 0; i < draft.lines.size(); ++i) {
        const VoucherLine& l = draft.lines[i];
        rows.push_back({format_int(static_cast<int64_t>(i + 1)), l.summary, l.account,
                        format_amount(l.debit), format_amount(l.credit)});
    }
    return rows;
}

std::u16string voucher_totals_status(const FinanceState& state) {
    int64_t debit = 0, credit = 0;
    for (const VoucherLine& l : state.draft.lines) {
        debit += l.debit;
        credit += l.credit;
    }
    return state.tenant_name + u" | 借方 " + format_amount(debit) + u" / 贷方 " +
           format_amount(credit) + (debit == credit ? u" · 借贷平衡" : u" · 借贷不平衡");
}

std::u16string check_voucher_date(std::u16string_view date) {
    if (date.size() != 10 || date[4] != u'-' || date[7] != u'-')
        return u"日期格式应为 YYYY-MM-DD";
    for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (date[i] < u'0' || date[i] > u'9')
            return u"日期格式无效";
    }
    auto number = [&](std::size_t at, std::size_t n) {
        int v = 0;
        for (std::size_t i = at; i < at + n; ++i) v = v * 10 + (date[i] - u'0');
        return v;
    };
    int year = number(0, 4), month = number(5, 2), day = number(8, 2);
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (year < 1900 || month < 1 || month > 12 || day < 1 ||
        day > kDays[month - 1] + (month == 2 && leap ? 1 : 0))
        return u"请输入有效日期";
    return {};
}

std::vector<Field> voucher_header_fields(const VoucherDraft& draft) {
    return {Field{u"凭证号", draft.number, false, {}},
            Field{u"日期（YYYY-MM-DD）", draft.date, false, {}},
            Field{u"摘要", draft.summary, false, {}}};
}

std::u16string submit_voucher_header(VoucherDraft& draft, std::vector<Field>& fields) {
    if (std::u16string message = check_voucher_date(fields[1].value); !message.empty())
        return message;
    if (fields[0].value.empty())
        return u"请输入凭证号";
    draft.number = fields[0].value;
    draft.date = fields[1].value;
    draft.summary = fields[2].value;
    draft.dirty = true;
    return {};
}

std::optional<std::u16string> resolve_account(const std::vector<std::u16string>& accounts,
                                              std::u16string_view text) {
    int candidates = 0;
    const std::u16string* last = nullptr;
    for (const std::u16string& entry : accounts) {
        if (entry == text)
            return entry;
        if (!text.empty() && entry.find(text) != std::u16string::npos) {
            ++candidates;
            last = &entry;
        }
    }
    if (candidates != 1)
        return std::nullopt;
    return *last;
}

void ensure_accounts(FinanceState& state) {
    if (!state.accounts.empty())
        return;
    JsonValue answer;
    if (!finance_request(state, u"GET", u"/accounts", u"", answer, true))
        return;
    if (std::optional<JsonValue> data = json_find(answer, u"data");
        data && data->kind() == JsonKind::Array) {
        for (const JsonValue& a : data->elements())
            state.accounts.push_back(text_of(a, u"display"));
    }
}

std::vector<Field> voucher_line_fields(const FinanceState& state, const VoucherLine& line) {
    return {Field{u"摘要", line.summary, false, {}},
            Field{u"会计科目（可输入代码或名称搜索）", line.account, false, state.accounts},
            Field{u"借方金额", format_amount(line.debit), false, {}},
            Field{u"贷方金额", format_amount(line.credit), false, {}}};
}

std::u16string submit_voucher_line(const FinanceState& state, std::vector<Field>& fields,
                                   VoucherLine& line) {
    std::optional<std::u16string> account = resolve_account(state.accounts, fields[1].value);
    if (!account)
        return u"请输入完整科目名称或代码，或从下拉列表选择";
    AmountParse debit = parse_amount(fields[2].value);
    AmountParse credit = parse_amount(fields[3].value);
    if (!debit.accepted || !credit.accepted || (debit.cents > 0) == (credit.cents > 0))
        return kLineRule;
    line.summary = fields[0].value;
    line.account = *account;
    line.debit = debit.cents;
    line.credit = credit.cents;
    return {};
}

std::u16string voucher_body(const VoucherDraft& draft) {
    std::u16string body = u"{\"voucherNo\":" + quoted(draft.number) + u",\"date\":" +
                          quoted(draft.date) + u",\"summary\":" + quoted(draft.summary) +
                          u",\"lines\":[";
    for (std::size_t i = 0; i < draft.lines.size(); ++i) {
        const VoucherLine& l = draft.lines[i];
        if (i)
            body += u',';
        body += u"{\"summary\":" + quoted(l.summary) + u",\"account\":" + quoted(l.account) +
                u",\"debit\":" + format_amount(l.debit) + u",\"credit\":" +
                format_amount(l.credit) + u"}";
    }
    return body + u"]}";
}

std::optional<std::u16string> save_voucher(FinanceState& state) {
    auto notice = [&](std::u16string_view text, bool exclamation) {
        if (state.prompts.notice)
            state.prompts.notice(text, exclamation);
    };
    if (state.tenant_id.empty()) {
        notice(u"请先选择租户", false);
        return std::nullopt;
    }
    if (state.draft.lines.size() < 2) {
        notice(u"请至少填写两行分录", false);
        return std::nullopt;
    }
    std::u16string body = voucher_body(state.draft);
    int64_t debit = 0, credit = 0;
    for (const VoucherLine& l : state.draft.lines) {
        debit += l.debit;
        credit += l.credit;
    }
    if (debit != credit) {
        notice(u"借贷不平衡，不能保存", true);
        return std::nullopt;
    }
    JsonValue answer;
    if (!finance_request(state, u"POST",
                         u"/tenants/" + query_encode(state.tenant_id) + u"/vouchers", body, answer,
                         true))
        return std::nullopt;
    clear_draft(state);
    return u"凭证已保存到租户「" + state.tenant_name + u"」的分片库，可在“最近凭证”查看。";
}

bool clear_voucher(FinanceState& state) {
    if (!may_discard_draft(state))
        return false;
    clear_draft(state);
    return true;
}

bool load_vouchers(FinanceState& state) {
    if (state.tenant_id.empty())
        return false;
    JsonValue answer;
    if (!finance_request(state, u"GET", u"/tenants/" + query_encode(state.tenant_id) + u"/vouchers",
                         u"", answer, true))
        return false;
    std::optional<JsonValue> data = json_find(answer, u"data");
    state.vouchers = data && data->kind() == JsonKind::Array ? *data : JsonValue{};
    return true;
}

std::vector<std::array<std::u16string, 5>> voucher_rows(const FinanceState& state) {
    std::vector<std::array<std::u16string, 5>> rows;
    for (const JsonValue& v : state.vouchers.elements()) {
        rows.push_back({text_of(v, u"voucherNo"), text_of(v, u"date"), text_of(v, u"summary"),
                        fixed2(json_number(v, u"totalDebit", 0)),
                        fixed2(json_number(v, u"totalCredit", 0))});
    }
    return rows;
}

std::u16string voucher_detail(const JsonValue& voucher) {
    std::u16string text = text_of(voucher, u"voucherNo") + u"  " + text_of(voucher, u"date") +
                          u"\r\n" + text_of(voucher, u"summary") + u"\r\n";
    if (std::optional<JsonValue> lines = json_find(voucher, u"lines")) {
        for (const JsonValue& l : lines->elements()) {
            text += u"\r\n" + text_of(l, u"summary") + u" | " + text_of(l, u"account") + u" | 借 " +
                    fixed2(json_number(l, u"debit", 0)) + u" | 贷 " +
                    fixed2(json_number(l, u"credit", 0));
        }
    }
    return text;
}

std::vector<std::array<std::u16string, 3>> tenant_rows(const FinanceState& state) {
    std::vector<std::array<std::u16string, 3>> rows;
    for (const JsonValue& t : state.tenants.elements())
        rows.push_back({text_of(t, u"code"), text_of(t, u"name"), text_of(t, u"shardId")});
    return rows;
}

std::vector<Field> tenant_fields() {
    return {Field{u"租户名称", u"", false, {}}, Field{u"租户代码（可留空）", u"", false, {}}};
}

std::u16string create_tenant_body(std::u16string_view name, std::u16string_view code) {
    return u"{\"name\":" + quoted(name) + u",\"code\":" + quoted(code) + u"}";
}

std::u16string submit_tenant(FinanceState& state, std::vector<Field>& fields) {
    if (fields[0].value.empty())
        return u"请输入租户名称";
    JsonValue answer;
    if (!finance_request(state, u"POST", u"/tenants",
                         create_tenant_body(fields[0].value, fields[1].value), answer, true))
        return u"创建失败，请检查提示后重试";
    return {};
}

std::optional<std::vector<std::array<std::u16string, 5>>> load_shards(FinanceState& state) {
    JsonValue answer;
    if (!finance_request(state, u"GET", u"/shards", u"", answer, true))
        return std::nullopt;
    std::vector<std::array<std::u16string, 5>> rows;
    if (std::optional<JsonValue> data = json_find(answer, u"data")) {
        for (const JsonValue& s : data->elements()) {
            rows.push_back({text_of(s, u"id"), text_of(s, u"name"), text_of(s, u"tenantCount"),
                            text_of(s, u"maxTenants"), shard_utilisation(s)});
        }
    }
    return rows;
}

std::u16string shard_utilisation(const JsonValue& shard) {
    double max = json_number(shard, u"maxTenants", 0);
    if (max == 0)
        return u"-";
    return fixed2(json_number(shard, u"tenantCount", 0) * 100 / max) + u"%";
}

bool add_shard(FinanceState& state) {
    if (state.prompts.ask && !state.prompts.ask(u"确定创建一个新分片并初始化数据库？", u"分片扩容"))
        return false;
    JsonValue answer;
    return finance_request(state, u"POST", u"/shards", u"{}", answer, true);
}

FinanceWindowSize finance_window_size(int dpi, int work_width, int work_height) {
    FinanceWindowSize s{scaled(1080, dpi), scaled(780, dpi), scaled(1000, dpi), scaled(720, dpi)};
    if (work_width > 0 && work_height > 0) {
        s.width = std::min(s.width, work_width);
        s.height = std::min(s.height, work_height);
        s.min_width = std::min(s.min_width, work_width);
        s.min_height = std::min(s.min_height, work_height);
    }
    return s;
}

}  // namespace nv
