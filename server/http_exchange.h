// One request and its answer apart from any socket: Beast's parser set to the server's limits,
// what the server checks once a head is read (the parts of HTTP/1.1 the parser leaves to the
// application), and the message of an answer. The connections of the server and the HTTP fuzz
// target both go through these.
#pragma once

#include <boost/beast/core/error.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>

#include "server/http.h"

namespace srv::http {

namespace bhttp = boost::beast::http;
using BodyParser = bhttp::request_parser<bhttp::string_body>;
using Answer = bhttp::response<bhttp::string_body>;

// The parser of one request with the header limit, no body limit until the route is known
// (set as a number: an unset limit would refuse every body) and the chunk extensions counted.
// It holds the callback the parser points to, so it stays where it was made.
class Incoming {
public:
    explicit Incoming(const Limits& limits);
    Incoming(const Incoming&) = delete;
    Incoming& operator=(const Incoming&) = delete;

    BodyParser& parser() { return parser_; }

private:
    std::size_t extension_bytes_ = 0;
    std::size_t max_extension_bytes_;
    std::function<void(std::uint64_t, std::string_view, boost::beast::error_code&)> on_chunk_;
    BodyParser parser_;
};

// What to do with a request whose head has been read.
struct Head {
    int refuse = 0;      // answer this status at once instead of reading on
    bool close = false;  // and close the connection after the answer
    const Router::Route* route = nullptr;
    Request request;  // all but the body
    std::string allow;
    bool head_only = false;
    bool keep_alive = true;
    bool expect_continue = false;  // send "100 Continue" before reading the body
};

// Checks the head the parser has read, finds its route and, when the body is to be read, sets
// the parser's body limit to the route's.
[[nodiscard]] Head check_head(const Router& router, BodyParser& parser, std::string remote_addr);

// The status a failed read is answered with, or 0 when the connection just ends (closed by
// the client, or in the middle of a message).
[[nodiscard]] int status_of(const boost::beast::error_code& ec);

// The message of an answer, with Date, and Allow when given.
[[nodiscard]] Answer make_answer(Response&& res, bool head_only, bool keep_alive,
                                 const std::string& allow);

// An IMF-fixdate: "Sun, 06 Nov 1994 08:49:37 GMT".
[[nodiscard]] std::string http_date(std::time_t when);

}  // namespace srv::http
