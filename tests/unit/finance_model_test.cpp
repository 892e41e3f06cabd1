#include "finance/finance_model.h"

#include <gtest/gtest.h>

#include "fakes/fakes.h"
#include "finance/finance_session.h"

namespace nv {
namespace {

// A window's state whose prompts are recorded; `answer_yes` answers every question.
struct Recorder {
    std::vector<std::u16string> failures, notices, questions;
    bool answer_yes = true;
    FinanceState state;

    Recorder() {
        fake::http_reset();
        fake::set_local_now({2026, 3, 7, 9, 0, 0});
        state = new_finance_state(u"http://f//");
        state.prompts.request_failed = [this](std::u16string_view t) { failures.emplace_back(t); };
        state.prompts.notice = [this](std::u16string_view t, bool) { notices.emplace_back(t); };
        state.prompts.ask = [this](std::u16string_view t, std::u16string_view) {
            questions.emplace_back(t);
            return answer_yes;
        };
        finance_session().token = u"tok";
        finance_session().base_url = u"http://f";
    }
};

VoucherLine Line(const char16_t* account, int64_t debit, int64_t credit) {
    return VoucherLine{u"s", account, debit, credit};
}

TEST(FinanceRequest, EnvelopeRuleMessagesAnd401) {
    Recorder r;
    JsonValue answer;
    r.state.tenant_id = u"7";
    fake::http_answer_json(200, u"{\"success\":false,\"message\":\"拒绝\"}");
    fake::http_answer_json(500, u"{\"success\":true,\"message\":12}");
    fake::http_answer_json(400, u"{\"success\":false,\"message\":1.5}");
    fake::http_answer_json(400, u"{\"message\":true}");
    fake::http_answer_json(200, u"[1]");
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(finance_request(r.state, u"GET", u"/x", u"", answer, true));
    EXPECT_EQ(r.failures, (std::vector<std::u16string>{
                              u"拒绝", u"12", u"1.50", u"数据服务暂不可用，请检查部署与服务器地址",
                              u"数据服务暂不可用，请检查部署与服务器地址"}));
    EXPECT_EQ(fake::http_calls()[0].url, u"http://f/api/v1/native/x");
    EXPECT_EQ(fake::http_calls()[0].headers, u"Authorization: Bearer tok");
    EXPECT_FALSE(finance_request(r.state, u"GET", u"/x", u"", answer, false));  // no answer left
    EXPECT_EQ(r.failures.back(), u"无法连接服务器: fake");
    EXPECT_EQ(fake::http_calls().back().headers, u"");
    fake::http_answer_json(201, u"{\"success\":true}");
    EXPECT_TRUE(finance_request(r.state, u"POST", u"/x", u"{}", answer, true));
    EXPECT_EQ(r.state.tenant_id, u"7");
    fake::http_answer_json(401, u"{\"success\":false,\"message\":\"登录已过期\"}");
    EXPECT_FALSE(finance_request(r.state, u"GET", u"/x", u"", answer, true));
    EXPECT_EQ(r.failures.back(), u"登录已过期");
    EXPECT_EQ(finance_session().token, u"");
    EXPECT_EQ(r.state.tenant_id, u"");
    EXPECT_FALSE(finance_session_valid(u"http://f"));
}

TEST(FinanceRequest, AfterA401TheNextActionSignsInAgainAndKeepsTenantAndDraft) {
    Recorder r;
    r.state.tenant_id = u"2";
    r.state.draft.lines = {Line(u"a", 100, 0)};
    r.state.draft.dirty = true;
    JsonValue answer;
    fake::http_answer_json(401, u"{\"success\":false,\"message\":\"登录已过期\"}");
    EXPECT_FALSE(finance_request(r.state, u"GET", u"/x", u"", answer, true));
    int prompts = 0;
    bool sign_in_works = false;
    r.state.prompts.sign_in = [&] {
        ++prompts;
        if (sign_in_works)
            finance_session().token = u"t2";
        return sign_in_works;
    };
    std::size_t calls = fake::http_calls().size();
    EXPECT_FALSE(ensure_finance_session(r.state));  // cancelled: nothing sent
    EXPECT_EQ(fake::http_calls().size(), calls);
    sign_in_works = true;
    fake::http_answer_json(200,
                           u"{\"success\":true,\"data\":[{\"id\":1,\"name\":\"总部\"},"
                           u"{\"id\":2,\"name\":\"分部\"}]}");
    EXPECT_TRUE(ensure_finance_session(r.state));
    EXPECT_EQ(prompts, 2);
    EXPECT_EQ(r.state.tenant_id, u"2");
    EXPECT_EQ(r.state.tenant_name, u"分部");
    EXPECT_EQ(r.state.draft.lines.size(), 1u);
    EXPECT_EQ(fake::http_calls().back().headers, u"Authorization: Bearer t2");
    EXPECT_TRUE(ensure_finance_session(r.state));  // a live session: no dialog
    EXPECT_EQ(prompts, 2);
    EXPECT_EQ(r.failures, std::vector<std::u16string>{u"登录已过期"});
}

TEST(FinanceLogin, ChecksThenSignsInForThisBaseUrl) {
    Recorder r;
    clear_finance_session();
    auto fields = finance_login_fields();
    EXPECT_EQ(fields[2].value, u"personal");
    EXPECT_TRUE(fields[1].password);
    EXPECT_EQ(submit_finance_login(r.state, fields), u"请输入账号密码");
    fields[0].value = u"demo";
    fields[1].value = u"pw";
    fields[2].value = u"Enterprise";
    EXPECT_EQ(submit_finance_login(r.state, fields), u"请选择用户类型");
    EXPECT_TRUE(fake::http_calls().empty());
    fields[2].value = u"enterprise";
    fake::http_answer_json(401, u"{\"success\":false,\"message\":\"账号或密码错误\"}");
    EXPECT_EQ(submit_finance_login(r.state, fields), u"请检查账号密码或数据服务连接后重试");
    fake::http_answer_json(201, u"{\"success\":true,\"data\":{}}");
    EXPECT_EQ(submit_finance_login(r.state, fields), u"未取得登录会话");
    EXPECT_FALSE(finance_session_valid(u"http://f"));
    fake::http_answer_json(201, u"{\"success\":true,\"data\":{\"token\":\"t2\"}}");
    EXPECT_EQ(submit_finance_login(r.state, fields), u"");
    EXPECT_TRUE(finance_session_valid(u"http://f"));
    EXPECT_FALSE(finance_session_valid(u"http://g"));
    EXPECT_EQ(fake::http_calls().back().body,
              u"{\"account\":\"demo\",\"password\":\"pw\",\"userType\":\"enterprise\"}");
    EXPECT_EQ(fake::http_calls().back().headers, u"");
}

TEST(FinanceTenants, LoadKeepsTheCurrentTenantAndTheSwitcherAsksForADirtyDraft) {
    Recorder r;
    fake::http_answer_json(200,
                           u"{\"success\":true,\"data\":[{\"id\":1,\"code\":\"T01\","
                           u"\"name\":\"总部\"},{\"id\":\"2\",\"name\":\"分部\"}]}");
    ASSERT_TRUE(load_tenants(r.state));
    EXPECT_FALSE(r.state.admin);  // no "admin" member
    EXPECT_EQ(tenant_entries(r.state), (std::vector<std::u16string>{u"T01 · 总部", u" · 分部"}));
    EXPECT_EQ(r.state.tenant_id, u"1");
    EXPECT_TRUE(choose_tenant(r.state, 1));
    // Reloaded in another order: the chosen tenant stays.
    fake::http_answer_json(200,
                           u"{\"success\":true,\"admin\":true,\"data\":[{\"id\":\"2\","
                           u"\"name\":\"分部\"},{\"id\":1,\"name\":\"总部\"}]}");
    ASSERT_TRUE(load_tenants(r.state));
    EXPECT_TRUE(r.state.admin);
    EXPECT_EQ(current_tenant_index(r.state), 0);
    EXPECT_EQ(r.state.tenant_name, u"分部");

    r.state.draft.lines = {Line(u"a", 100, 0)};
    r.state.draft.summary = u"摘要";
    r.state.draft.dirty = true;
    r.answer_yes = false;
    EXPECT_FALSE(choose_tenant(r.state, 1));
    EXPECT_EQ(r.state.tenant_id, u"2");
    EXPECT_EQ(r.state.draft.lines.size(), 1u);
    EXPECT_FALSE(clear_voucher(r.state));
    EXPECT_FALSE(may_discard_draft(r.state));  // closing the window
    EXPECT_EQ(r.questions.size(), 3u);
    r.answer_yes = true;
    EXPECT_TRUE(choose_tenant(r.state, 1));
    EXPECT_EQ(r.state.tenant_id, u"1");
    EXPECT_TRUE(r.state.draft.lines.empty());
    EXPECT_EQ(r.state.draft.summary, u"");
    EXPECT_EQ(r.state.draft.number, u"001");
    EXPECT_EQ(r.state.draft.date, u"2026-03-07");
    EXPECT_TRUE(may_discard_draft(r.state));  // clean: no question
    EXPECT_EQ(r.questions.size(), 4u);
    EXPECT_FALSE(choose_tenant(r.state, 5));
    // A list without "data" changes nothing.
    fake::http_answer_json(200, u"{\"success\":true}");
    EXPECT_FALSE(load_tenants(r.state));
    EXPECT_EQ(r.state.tenants.size(), 2u);
}

TEST(VoucherHeader, DatesAndNumber) {
    for (auto [date, message] : std::vector<std::pair<std::u16string, std::u16string>>{
             {u"2024-02-29", u""},
             {u"2023-02-29", u"请输入有效日期"},
             {u"2024-13-01", u"请输入有效日期"},
             {u"1899-12-31", u"请输入有效日期"},
             {u"2024-04-31", u"请输入有效日期"},
             {u"2024/01/01", u"日期格式应为 YYYY-MM-DD"},
             {u"2024-1-01", u"日期格式应为 YYYY-MM-DD"},
             {u"2024-0a-01", u"日期格式无效"}})
        EXPECT_EQ(check_voucher_date(date), message) << std::string(date.begin(), date.end());
    VoucherDraft draft;
    auto fields = voucher_header_fields(draft);
    fields[0].value = u"";
    fields[1].value = u"2024-02-29";
    EXPECT_EQ(submit_voucher_header(draft, fields), u"请输入凭证号");
    EXPECT_FALSE(draft.dirty);
    fields[0].value = u" V-9 ";
    fields[2].value = u"房租";
    EXPECT_EQ(submit_voucher_header(draft, fields), u"");
    EXPECT_EQ(voucher_header_text(draft), u"凭证号： V-9     日期：2024-02-29    摘要：房租");
    EXPECT_TRUE(draft.dirty);
}

TEST(VoucherLine, AccountResolutionAndAmountsInExactCents) {
    std::vector<std::u16string> accounts = {u"1001 现金", u"1002 银行存款", u"1001 现金及等价物"};
    EXPECT_EQ(resolve_account(accounts, u"1002"), u"1002 银行存款");
    EXPECT_EQ(resolve_account(accounts, u"1001 现金"), u"1001 现金");  // exact beats substring
    EXPECT_EQ(resolve_account(accounts, u"等价"), u"1001 现金及等价物");
    EXPECT_EQ(resolve_account(accounts, u"100"), std::nullopt);
    EXPECT_EQ(resolve_account(accounts, u"现金"), std::nullopt);
    EXPECT_EQ(resolve_account(accounts, u""), std::nullopt);
    EXPECT_EQ(resolve_account(accounts, u"银行存款x"), std::nullopt);

    Recorder r;
    fake::http_answer_json(200,
                           u"{\"success\":true,\"data\":[{\"display\":\"1001 现金\"},"
                           u"{\"display\":\"1002 银行存款\"},{}]}");
    ensure_accounts(r.state);
    ensure_accounts(r.state);  // fetched once
    EXPECT_EQ(fake::http_calls().size(), 1u);
    EXPECT_EQ(r.state.accounts.size(), 3u);
    VoucherLine line;
    auto fields = voucher_line_fields(r.state, line);
    EXPECT_EQ(fields[2].value, u"0.00");
    EXPECT_EQ(fields[1].options, r.state.accounts);
    fields[1].value = u"现金";
    struct Case {
        const char16_t *debit, *credit;
        bool ok;
    };
    std::vector<Case> cases = {{u"0.00", u"5", true},  {u"5", u"5", false},  {u"", u"", false},
                               {u"1.234", u"", false}, {u"-5", u"", false},  {u"1,000", u"", false},
                               {u"007.10", u"", true}, {u"1e2", u"", false}, {u" 5", u"", false}};
    for (std::size_t i = 0; i < cases.size(); ++i) {
        fields[2].value = cases[i].debit;
        fields[3].value = cases[i].credit;
        std::u16string message = submit_voucher_line(r.state, fields, line);
        EXPECT_EQ(message, cases[i].ok ? u"" : u"每行只填写借方或贷方正金额，最多两位小数")
            << "case " << i;
    }
    EXPECT_EQ(line.debit, 710);
    EXPECT_EQ(line.account, u"1001 现金");
    fields[1].value = u"100";
    EXPECT_EQ(submit_voucher_line(r.state, fields, line),
              u"请输入完整科目名称或代码，或从下拉列表选择");
}

TEST(VoucherSave, RefusalsBodyAndTotals) {
    Recorder r;
    r.state.draft.lines = {Line(u"1001 现金", 10000, 0), Line(u"1002 银行存款", 0, 9999)};
    EXPECT_EQ(save_voucher(r.state), std::nullopt);
    EXPECT_EQ(r.notices.back(), u"请先选择租户");
    r.state.tenant_id = u"3";
    r.state.tenant_name = u"总部";
    EXPECT_EQ(voucher_totals_status(r.state), u"总部 | 借方 100.00 / 贷方 99.99 · 借贷不平衡");
    EXPECT_EQ(save_voucher(r.state), std::nullopt);
    EXPECT_EQ(r.notices.back(), u"借贷不平衡，不能保存");
    r.state.draft.lines.pop_back();
    EXPECT_EQ(save_voucher(r.state), std::nullopt);
    EXPECT_EQ(r.notices.back(), u"请至少填写两行分录");
    EXPECT_TRUE(fake::http_calls().empty());

    r.state.draft.lines = {Line(u"1001 现金", 1234, 0), Line(u"1002 \"银行\"", 0, 1234)};
    r.state.draft.summary = u"a\\b";
    r.state.draft.dirty = true;
    EXPECT_EQ(voucher_totals_status(r.state), u"总部 | 借方 12.34 / 贷方 12.34 · 借贷平衡");
    EXPECT_EQ(voucher_line_rows(r.state.draft)[1],
              (std::array<std::u16string, 5>{u"2", u"s", u"1002 \"银行\"", u"0.00", u"12.34"}));
    fake::http_answer_json(500, u"{\"success\":false,\"message\":\"凭证号已存在\"}");
    EXPECT_EQ(save_voucher(r.state), std::nullopt);
    EXPECT_TRUE(r.state.draft.dirty);
    EXPECT_EQ(r.state.draft.lines.size(), 2u);
    fake::http_answer_json(200, u"{\"success\":true}");
    EXPECT_EQ(save_voucher(r.state), u"凭证已保存到租户「总部」的分片库，可在“最近凭证”查看。");
    const auto& call = fake::http_calls().back();
    EXPECT_EQ(call.url, u"http://f/api/v1/native/tenants/3/vouchers");
    EXPECT_EQ(call.body,
              u"{\"voucherNo\":\"001\",\"date\":\"2026-03-07\",\"summary\":\"a\\\\b\",\"lines\":["
              u"{\"summary\":\"s\",\"account\":\"1001 现金\",\"debit\":12.34,\"credit\":0.00},"
              u"{\"summary\":\"s\",\"account\":\"1002 \\\"银行\\\"\",\"debit\":0.00,"
              u"\"credit\":12.34}]}");
    EXPECT_FALSE(r.state.draft.dirty);
    EXPECT_TRUE(r.state.draft.lines.empty());
    EXPECT_EQ(r.state.draft.number, u"001");
}

TEST(FinanceLists, VouchersDetailShardsAndTenantBody) {
    Recorder r;
    EXPECT_FALSE(load_vouchers(r.state));  // no tenant: no request
    EXPECT_TRUE(fake::http_calls().empty());
    r.state.tenant_id = u"1";
    fake::http_answer_json(
        200,
        u"{\"success\":true,\"data\":[{\"voucherNo\":\"V1\",\"date\":\"2026-01-02\","
        u"\"summary\":\"房租\",\"totalDebit\":12.5,\"totalCredit\":\"12.5\",\"lines\":["
        u"{\"summary\":\"付\",\"account\":\"1001 现金\",\"debit\":0,\"credit\":12.5}]}]}");
    ASSERT_TRUE(load_vouchers(r.state));
    EXPECT_EQ(fake::http_calls().back().url, u"http://f/api/v1/native/tenants/1/vouchers");
    EXPECT_EQ(voucher_rows(r.state)[0],
              (std::array<std::u16string, 5>{u"V1", u"2026-01-02", u"房租", u"12.50", u"12.50"}));
    EXPECT_EQ(voucher_detail(r.state.vouchers.elements()[0]),
              u"V1  2026-01-02\r\n房租\r\n\r\n付 | 1001 现金 | 借 0.00 | 贷 12.50");

    // A tenant id is one path segment, whatever it holds.
    r.state.tenant_id = u"a/b?c d";
    fake::http_answer_json(200, u"{\"success\":true,\"data\":[]}");
    static_cast<void>(load_vouchers(r.state));
    EXPECT_EQ(fake::http_calls().back().url,
              u"http://f/api/v1/native/tenants/a%2Fb%3Fc%20d/vouchers");
    r.state.tenant_id = u"1";

    fake::http_answer_json(200,
                           u"{\"success\":true,\"data\":[{\"id\":1,\"name\":\"分片一\","
                           u"\"tenantCount\":3,\"maxTenants\":8},{\"id\":2,\"name\":\"b\","
                           u"\"tenantCount\":\"7\",\"maxTenants\":0},{\"id\":3,\"name\":\"c\","
                           u"\"tenantCount\":5,\"maxTenants\":5},{\"id\":4,\"name\":\"d\","
                           u"\"tenantCount\":\"x\",\"maxTenants\":4}]}");
    auto shards = load_shards(r.state);
    ASSERT_TRUE(shards);
    EXPECT_EQ((*shards)[0],
              (std::array<std::u16string, 5>{u"1", u"分片一", u"3", u"8", u"37.50%"}));
    EXPECT_EQ((*shards)[1][2], u"7");
    EXPECT_EQ((*shards)[1][4], u"-");
    EXPECT_EQ((*shards)[2][4], u"100.00%");
    EXPECT_EQ((*shards)[3][4], u"0.00%");

    r.answer_yes = false;
    EXPECT_FALSE(add_shard(r.state));
    r.answer_yes = true;
    fake::http_answer_json(200, u"{\"success\":true}");
    EXPECT_TRUE(add_shard(r.state));
    EXPECT_EQ(fake::http_calls().back().body, u"{}");

    auto fields = tenant_fields();
    EXPECT_EQ(submit_tenant(r.state, fields), u"请输入租户名称");
    fields[0].value = u"华东 \"分部\"";
    fake::http_answer_json(409, u"{\"success\":false,\"message\":\"代码已存在\"}");
    EXPECT_EQ(submit_tenant(r.state, fields), u"创建失败，请检查提示后重试");
    EXPECT_EQ(r.failures.back(), u"代码已存在");
    EXPECT_EQ(fake::http_calls().back().body, u"{\"name\":\"华东 \\\"分部\\\"\",\"code\":\"\"}");
}

TEST(FinanceWindowSize, ScaledAndKeptWithinTheWorkArea) {
    FinanceWindowSize at96 = finance_window_size(96, 1920, 1040);
    EXPECT_EQ((std::array<int, 4>{at96.width, at96.height, at96.min_width, at96.min_height}),
              (std::array<int, 4>{1080, 780, 1000, 720}));
    FinanceWindowSize big = finance_window_size(144, 2560, 1400);
    EXPECT_EQ((std::array<int, 4>{big.width, big.height, big.min_width, big.min_height}),
              (std::array<int, 4>{1620, 1170, 1500, 1080}));
    // A 1920 × 1080 screen at 150 %: a work area of 1920 × 1040.
    FinanceWindowSize laptop = finance_window_size(144, 1920, 1040);
    EXPECT_EQ(
        (std::array<int, 4>{laptop.width, laptop.height, laptop.min_width, laptop.min_height}),
        (std::array<int, 4>{1620, 1040, 1500, 1040}));
}

}  // namespace
}  // namespace nv
