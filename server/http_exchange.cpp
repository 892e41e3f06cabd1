#include "server/http_exchange.h"

#include <boost/beast/http/error.hpp>
#include <boost/beast/http/field.hpp>
#include <cstdio>
#include <limits>
#include <optional>
#include <vector>

namespace srv::http {

namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// A comma-separated header value holds the token (Expect: 100-continue).
bool has_token(std::string_view value, std::string_view token) {
    std::string v = lower(value);
    std::string_view rest = v;
    while (!rest.empty()) {
        auto comma = rest.find(',');
        if (trim(rest.substr(0, comma)) == token)
            return true;
        if (comma == std::string_view::npos)
            break;
        rest.remove_prefix(comma + 1);
    }
    return false;
}

std::vector<std::string_view> split_path(std::string_view path) {
    std::vector<std::string_view> parts;
    std::size_t at = 1;  // after the leading '/'
    while (at <= path.size()) {
        std::size_t slash = path.find('/', at);
        if (slash == std::string_view::npos)
            slash = path.size();
        parts.push_back(path.substr(at, slash - at));
        at = slash + 1;
    }
    return parts;
}

// The origin form of a request target: "/path?query" as it stands, "http://host/path?query"
// without its scheme and authority. Nothing for the asterisk and authority forms, which no
// route takes.
std::optional<std::string> origin_form(std::string_view target) {
    if (!target.empty() && target[0] == '/')
        return std::string(target);
    std::string scheme = lower(target.substr(0, target.find("://")));
    if (target.find("://") == std::string_view::npos || (scheme != "http" && scheme != "https"))
        return std::nullopt;
    std::string_view rest = target.substr(scheme.size() + 3);
    std::size_t end = rest.find_first_of("/?");
    if (end == 0 || rest.empty())
        return std::nullopt;  // no authority
    if (end == std::string_view::npos)
        return std::string("/");
    std::string origin(rest.substr(end));
    if (origin[0] == '?')
        origin.insert(0, "/");
    return origin;
}

bool has_control(std::string_view text) {
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7F)
            return true;
    return false;
}

}  // namespace

std::string Request::header(std::string_view name) const {
    std::string key = lower(name);
    for (const auto& [k, v] : headers)
        if (k == key)
            return v;
    return {};
}

std::string url_decode(std::string_view text, bool plus_as_space) {
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
            out.push_back(static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2])));
            i += 2;
        } else if (c == '+' && plus_as_space) {
            out.push_back(' ');
        } else {
            out.push_back(c);
        }
    }
    return out;
}

void Router::route(std::string method, std::string pattern, std::size_t max_body, Handler handler) {
    Route r;
    r.method = std::move(method);
    for (std::string_view part : split_path(pattern)) r.segments.emplace_back(part);
    r.max_body = max_body;
    r.handler = std::move(handler);
    routes_.push_back(std::move(r));
}

void Router::set_error_body(std::function<void(Response&)> fill) {
    error_body_ = std::move(fill);
}

void Router::set_logger(std::function<void(const Request&, const Response&)> log) {
    logger_ = std::move(log);
}

Router::Match Router::match(std::string_view method, const std::vector<std::string>& parts) const {
    Match m;
    std::string_view wanted = method == "HEAD" ? std::string_view("GET") : method;
    for (const Route& r : routes_) {
        if (parts.size() != r.segments.size())
            continue;
        std::string capture;
        bool same = true;
        for (std::size_t i = 0; i < parts.size() && same; ++i) {
            if (r.segments[i] == "*") {
                same = !parts[i].empty();
                capture = parts[i];
            } else {
                same = r.segments[i] == parts[i];
            }
        }
        if (!same)
            continue;
        if (r.method == wanted && !m.route) {
            m.route = &r;
            m.capture = std::move(capture);
        }
        if (m.allow.find(r.method) == std::string::npos)
            m.allow +=
                (m.allow.empty() ? "" : ", ") + r.method + (r.method == "GET" ? ", HEAD" : "");
    }
    if (m.route)
        m.allow.clear();
    return m;
}

Response Router::error(int status) const {
    Response res;
    res.status = status;
    if (error_body_)
        error_body_(res);
    return res;
}

void Router::log(const Request& req, const Response& res) const {
    if (!logger_)
        return;
    if (!req.method.empty())
        return logger_(req, res);
    Request shown;  // nothing of the request could be read
    shown.method = "-";
    logger_(shown, res);
}

Incoming::Incoming(const Limits& limits)
    : max_extension_bytes_(limits.max_chunk_extension_bytes),
      on_chunk_([this](std::uint64_t, std::string_view extensions, boost::beast::error_code& ec) {
          extension_bytes_ += extensions.size();
          if (extension_bytes_ > max_extension_bytes_)
              ec = bhttp::error::bad_chunk_extension;
      }) {
    parser_.header_limit(static_cast<std::uint32_t>(limits.max_header_bytes));
    parser_.body_limit(std::numeric_limits<std::uint64_t>::max());
    parser_.on_chunk_header(on_chunk_);
}

Head check_head(const Router& router, BodyParser& parser, std::string remote_addr) {
    Head h;
    const auto& msg = parser.get();
    Request& req = h.request;
    req.method = std::string(msg.method_string());
    req.remote_addr = std::move(remote_addr);
    h.head_only = msg.method() == bhttp::verb::head;
    h.keep_alive = msg.keep_alive();
    auto refuse = [&h](int status) {
        h.refuse = status;
        h.close = true;
        h.keep_alive = false;
        return std::move(h);
    };
    std::optional<std::string> origin = origin_form(msg.target());
    std::vector<std::string> segments;
    bool control = false;
    if (origin) {
        req.target = std::move(*origin);
        // Split before decoding, so that an encoded slash stays inside its segment.
        std::string_view raw_path = std::string_view(req.target).substr(0, req.target.find('?'));
        for (std::string_view part : split_path(raw_path)) {
            segments.push_back(url_decode(part, false));
            control = control || has_control(segments.back());
            req.path += "/" + segments.back();
        }
    }
    if (msg.version() != 10 && msg.version() != 11)
        return refuse(400);

    std::size_t hosts = 0, encodings = 0;
    bool only_chunked = true;
    for (const auto& field : msg) {
        std::string name = lower(field.name_string());
        req.headers.emplace_back(name, std::string(field.value()));
        if (name == "host") {
            ++hosts;
        } else if (name == "transfer-encoding") {
            ++encodings;
            only_chunked = only_chunked && lower(trim(field.value())) == "chunked";
        }
    }
    // A request names its host once; HTTP/1.0 knows no transfer codings, and of those of
    // HTTP/1.1 only chunked is read (any other would be framed by a Content-Length beside it).
    if ((msg.version() == 11 && hosts != 1) || hosts > 1)
        return refuse(400);
    if (encodings > 0 && (msg.version() == 10 || encodings > 1 || parser.content_length()))
        return refuse(400);
    if (encodings > 0 && !only_chunked)
        return refuse(501);

    if (!origin || control)
        return refuse(400);

    bool body_follows = parser.chunked() || parser.content_length().value_or(0) > 0;
    Router::Match m = router.match(req.method, segments);
    if (!m.route) {
        h.refuse = m.allow.empty() ? 404 : 405;
        h.allow = std::move(m.allow);
        // The body is not read: the connection cannot go on after it.
        h.close = body_follows || !h.keep_alive;
        h.keep_alive = !h.close;
        return h;
    }
    h.route = m.route;
    req.capture = std::move(m.capture);
    if (parser.content_length().value_or(0) > m.route->max_body)
        return refuse(413);  // before a byte of the body is read
    parser.body_limit(m.route->max_body);
    h.expect_continue = msg.version() == 11 && body_follows && !parser.is_done() &&
                        has_token(msg[bhttp::field::expect], "100-continue");
    return h;
}

int status_of(const boost::beast::error_code& ec) {
    if (ec == bhttp::error::header_limit || ec == bhttp::error::buffer_overflow)
        return 431;
    if (ec == bhttp::error::body_limit)
        return 413;
    if (ec == bhttp::error::end_of_stream || ec == bhttp::error::partial_message)
        return 0;
    if (ec.category() == bhttp::make_error_code(bhttp::error::bad_method).category() ||
        ec == bhttp::error::bad_chunk_extension)
        return 400;
    return 0;  // the socket failed or was closed
}

std::string http_date(std::time_t when) {
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm tm{};
    gmtime_r(&when, &tm);
    char text[32];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[tm.tm_wday],
                  tm.tm_mday, kMonths[tm.tm_mon], tm.tm_year + 1900, tm.tm_hour, tm.tm_min,
                  tm.tm_sec);
    return text;
}

Answer make_answer(Response&& res, bool head_only, bool keep_alive, const std::string& allow) {
    // Answers are made on one thread, many a second: the date is written once a second.
    thread_local std::time_t last = 0;
    thread_local std::string date;
    std::time_t now = std::time(nullptr);
    if (now != last) {
        last = now;
        date = http_date(now);
    }
    Answer a{static_cast<bhttp::status>(res.status), 11};
    a.set(bhttp::field::content_type, res.content_type);
    a.content_length(res.body.size());
    a.set(bhttp::field::connection, keep_alive ? "keep-alive" : "close");
    a.set(bhttp::field::date, date);
    if (!allow.empty())
        a.set(bhttp::field::allow, allow);
    if (!head_only)
        a.body() = std::move(res.body);
    return a;
}

}  // namespace srv::http
