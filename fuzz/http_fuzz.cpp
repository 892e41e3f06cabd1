// Fuzzes the server's reading of one connection: the bytes a client sends go through Beast's
// parser with the server's limits, the checks the server makes of each head, the router and
// the making of each answer, request after request as the connection would go on.
#include <boost/beast/http/write.hpp>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

#include "server/http_exchange.h"

namespace {

using namespace srv::http;

const Router& router() {
    static const Router r = [] {
        Router made;
        auto echo = [](const Request& req, Response& res) {
            res.body = req.method + " " + req.path + " " + req.capture + " " +
                       std::to_string(req.body.size());
        };
        made.route("GET", "/api/company/info", 4096, echo);
        made.route("POST", "/api/users/login", 8192, echo);
        made.route("POST", "/api/delivery-notes", 4 << 20, echo);
        made.route("DELETE", "/api/delivery-notes", 65536, echo);
        made.route("GET", "/api/v1/native/tenants/*/vouchers", 4096, echo);
        made.set_error_body([](Response& res) { res.body = "{}"; });
        return made;
    }();
    return r;
}

// Writes the answer as the connection would; true when the connection goes on after it.
bool answer(Response res, const Head& head, bool close) {
    bool keep = !close && head.keep_alive;
    Answer a = make_answer(std::move(res), head.head_only, keep, head.allow);
    std::ostringstream out;
    out << a;
    if (out.str().rfind("HTTP/1.1 ", 0) != 0)
        std::abort();
    return keep;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    Limits limits;
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    while (!rest.empty()) {
        Incoming incoming(limits);
        BodyParser& parser = incoming.parser();
        Head head;
        bool checked = false;
        boost::beast::error_code ec;
        while (!parser.is_done()) {
            // The connection reads at most its buffer ahead of the parser.
            std::string_view piece = rest.substr(0, limits.max_read_buffer);
            // In the middle of a body Beast takes an empty buffer without asking for more: the
            // connection would wait for the client (until its deadline), the fuzz input ends.
            if (piece.empty())
                return 0;
            std::size_t used = parser.put(boost::asio::buffer(piece.data(), piece.size()), ec);
            if (used > piece.size())
                std::abort();
            rest.remove_prefix(used);
            if (ec == bhttp::error::need_more) {
                if (piece.size() < limits.max_read_buffer)
                    return 0;  // the client stopped in the middle of a request
                ec = bhttp::error::buffer_overflow;
            }
            if (ec) {
                if (int status = status_of(ec)) {
                    Response res = router().error(status);
                    answer(std::move(res), head, true);
                }
                return 0;
            }
            if (parser.is_header_done() && !checked) {
                checked = true;
                head = check_head(router(), parser, "127.0.0.1");
                // Only a 404 or 405 with no body to skip may leave the connection open.
                if (head.refuse && !head.close && head.refuse != 404 && head.refuse != 405)
                    std::abort();
                if (head.refuse) {
                    if (!answer(router().error(head.refuse), head, head.close))
                        return 0;
                    break;
                }
            }
        }
        if (head.refuse)
            continue;
        if (!parser.is_done() || !head.route)
            std::abort();
        Request req = std::move(head.request);
        req.body = std::move(parser.get().body());
        if (req.body.size() > head.route->max_body)
            std::abort();  // the route's limit did not hold
        Response res;
        head.route->handler(req, res);
        if (!answer(std::move(res), head, false))
            return 0;
    }
    return 0;
}
