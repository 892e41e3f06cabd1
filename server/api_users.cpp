// The data service's sign-in and company query, and the finance service's sign-in.
#include <chrono>
#include <deque>
#include <map>
#include <mutex>

#include "server/json.h"
#include "server/routes.h"

namespace srv::api {

namespace {

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

bool g_open_data_service = false;  // set once when the routes are added

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
            .str(user->enterprise_name);
        if (!g_open_data_service)
            o.key("token").str(store.session_issue(user->id, kSessionSeconds));
        o.end_object();
    }
    send(res, 200, o.end_object().take());
}

}  // namespace

std::optional<Caller> data_caller(Store& store, const Request& req, Response& res) {
    if (g_open_data_service)
        return Caller{true, 0};
    std::string token = bearer_token(req);
    std::optional<int64_t> id =
        token.empty() ? std::nullopt : store.session_user(token, kSessionSeconds);
    if (!id || !store.user_by_id(*id)) {
        fail(res, 401,
             req.header("Authorization").empty() ? "未登录，请先登录" : "登录已失效，请重新登录");
        return std::nullopt;
    }
    return Caller{false, *id};
}

std::optional<User> user_from_query(Store& store, const Caller& caller, const Request& req,
                                    Response& res, const char* param) {
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
    // Another user's id answers as an unknown one: the caller learns nothing of them.
    auto user = id && caller.may_act_for(*id) ? store.user_by_id(*id) : std::nullopt;
    if (!user)
        fail(res, 404, "用户不存在");
    return user;
}

namespace {

void company_info(Store& store, const Request& req, Response& res) {
    auto caller = data_caller(store, req, res);
    if (!caller)
        return;
    auto user = user_from_query(store, *caller, req, res, "user_id");
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

// Sign-out: the session's token stops working. A missing or unknown token is no error, so that
// signing out always succeeds.
void logout(Store& store, const Request& req, Response& res) {
    std::string token = bearer_token(req);
    if (!token.empty())
        store.session_revoke(token);
    JsonOut o;
    o.begin_object().key("success").boolean(true).key("message").str("已退出登录").end_object();
    send(res, 200, o.take());
}

}  // namespace

void add_user_routes(http::Server& svr, Store& store, const ServeOptions& options) {
    login_limiter().set_window(options.login_window_seconds);
    g_open_data_service = options.open_data_service;
    svr.route("POST", "/api/users/logout", kMaxSmallBodyBytes, on_store(store, logout));
    svr.route("POST", "/api/users/login", kMaxLoginBodyBytes,
              guarded([&store](auto& q, auto& r) { login_common(store, q, r, false); }));
    svr.route("GET", "/api/company/info", kMaxQueryBodyBytes, on_store(store, company_info));
    svr.route("POST", "/api/v1/native/login", kMaxLoginBodyBytes,
              guarded([&store](auto& q, auto& r) { login_common(store, q, r, true); }));
}

}  // namespace srv::api
