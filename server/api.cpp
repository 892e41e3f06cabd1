#include "server/api.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>
#include <string>

#include "base/json.h"
#include "base/text.h"
#include "server/http.h"
#include "server/json.h"
#include "server/routes.h"

namespace srv {

using http::Request;
using http::Response;

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

namespace api {

// A string's decoded text or a number's token as it was sent.
std::string scalar_text(const JsonValue& v) {
    return v.kind() == JsonKind::String ? v.text_utf8() : std::string(v.token());
}

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
std::optional<JsonValue> Body::member(const JsonValue& obj, const char* key, JsonKind kind,
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
std::string Body::text(const JsonValue& obj, const char* key, const char* what) {
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

namespace {

// Request bodies are a few levels deep; deeper nesting is refused before it costs anything.
constexpr int kMaxJsonDepth = 64;

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

}  // namespace

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

// Read from the raw target: a query parser that keeps the last of "userId=999=1"'s parts would
// name user 1.
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

std::string bearer_token(const Request& req) {
    std::string header = req.header("Authorization");
    // The scheme is case-insensitive (RFC 7235): "bearer" is "Bearer".
    constexpr std::string_view kPrefix = "bearer ";
    bool bearer = header.size() > kPrefix.size() &&
                  std::equal(kPrefix.begin(), kPrefix.end(), header.begin(), [](char a, char b) {
                      return a == std::tolower(static_cast<unsigned char>(b));
                  });
    return bearer ? header.substr(kPrefix.size()) : std::string();
}

http::Handler guarded(http::Handler fn) {
    return [fn = std::move(fn)](const Request& req, Response& res) {
        try {
            fn(req, res);
        } catch (const ShardUnavailable& e) {
            // The tenant's shard is down: the other shards, the shard list and the notes go on.
            std::fprintf(stderr, "error: %s\n", log_safe(e.what()).c_str());
            res = Response{};
            fail(res, 503, "分片不可用，请稍后重试");
        } catch (const std::exception& e) {
            std::fprintf(stderr, "error: %s\n", log_safe(e.what()).c_str());
            res = Response{};
            fail(res, 500, "服务器内部错误");
        }
    };
}

http::Handler on_store(Store& store, void (*fn)(Store&, const Request&, Response&)) {
    return guarded([&store, fn](const Request& req, Response& res) { fn(store, req, res); });
}

}  // namespace api

void install_routes(http::Server& svr, Store& store, const ServeOptions& options) {
    // Each route reads at most the body it needs; a larger one is refused from its announced
    // size before it is read.
    api::add_user_routes(svr, store, options);
    api::add_note_routes(svr, store, options);
    api::add_finance_routes(svr, store);
    api::add_release_routes(svr, store, options);

    // Every answer is an envelope, also the ones the server gives by itself.
    svr.set_error_body([](Response& res) {
        const char* msg = res.status == 404   ? "接口不存在"
                          : res.status == 413 ? "请求内容过大"
                          : res.status == 405 ? "不支持的请求方法"
                          : res.status == 408 ? "请求超时"
                          : res.status == 431 ? "请求头过大"
                          : res.status == 501 ? "不支持的传输编码"
                          : res.status >= 500 ? "服务器内部错误"
                                              : "请求无法处理";
        api::fail(res, res.status, msg);
    });
    // One line per request; bodies (passwords) and headers (tokens) are never logged.
    svr.set_logger([](const Request& req, const Response& res) {
        std::fprintf(stderr, "%s %s %d\n", api::log_safe(req.method).c_str(),
                     api::log_safe(req.path).c_str(), res.status);
    });
}

}  // namespace srv
