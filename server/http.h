// The HTTP/1.1 server under the reference services, on Boost.Beast over Boost.Asio.
//
// One thread reads requests from every connection without blocking, each request under a
// whole-request deadline for its headers and body, and refuses a body larger than its route
// allows from the Content-Length (or the chunk sizes) before reading it. Only complete requests
// reach the pool of workers, so clients that send slowly hold a connection each and never a
// worker. Answers are written by the same thread, pipelined requests answered in order.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace srv::http {

struct Request {
    std::string method;
    std::string target;  // path and query, in origin form (an absolute-form target is reduced)
    std::string path;    // the path, each segment percent-decoded
    std::string body;
    std::string remote_addr;
    std::string capture;  // the path segment a "*" of the route's pattern matched, decoded
    std::vector<std::pair<std::string, std::string>> headers;  // names in lower case

    // The first header of that name (any case), or "".
    std::string header(std::string_view name) const;
};

struct Response {
    int status = 200;
    std::string body;
    std::string content_type = "application/json; charset=utf-8";
};

using Handler = std::function<void(const Request&, Response&)>;

struct Limits {
    // From the first byte of a request to its last: a client that sends slower is closed.
    std::chrono::milliseconds request_deadline{std::chrono::seconds(20)};
    // A kept-alive connection with no request for this long is closed.
    std::chrono::milliseconds idle_timeout{std::chrono::seconds(5)};
    // An answer that makes no progress for this long is abandoned.
    std::chrono::milliseconds write_stall{std::chrono::seconds(30)};
    std::size_t max_header_bytes = 16 * 1024;
    // What is read ahead of the parser at most. The trailer section of a chunked body must fit
    // in it whole, so this is also the limit of the trailers.
    std::size_t max_read_buffer = 32 * 1024;
    // The chunk extensions of one request, all together.
    std::size_t max_chunk_extension_bytes = 4 * 1024;
    std::size_t max_connections = 1024;
    int workers = 8;
};

// Percent-decoding; with plus_as_space, '+' decodes to a space (query strings). A malformed
// escape is kept as it stands.
std::string url_decode(std::string_view text, bool plus_as_space);

// The routes and the answers the server gives by itself, apart from any connection.
class Router {
public:
    // A pattern is a path whose segments are literal or "*" (one non-empty segment, handed to
    // the handler as Request::capture). A GET route answers HEAD too. max_body is the largest
    // body the route reads.
    void route(std::string method, std::string pattern, std::size_t max_body, Handler handler);
    // Makes the answer of a status the server gives by itself (400, 404, 405, 408, 413, 431,
    // 500, 501).
    void set_error_body(std::function<void(Response&)> fill);
    // Called once per answered request.
    void set_logger(std::function<void(const Request&, const Response&)> log);

    struct Route {
        std::string method;
        std::vector<std::string> segments;
        std::size_t max_body = 0;
        Handler handler;
    };
    struct Match {
        const Route* route = nullptr;  // nothing: 404, or 405 when `allow` names methods
        std::string allow;             // the methods the path has, for a 405's Allow
        std::string capture;
    };
    Match match(std::string_view method, const std::vector<std::string>& segments) const;
    // The server's own answer of a status.
    Response error(int status) const;
    void log(const Request& req, const Response& res) const;

private:
    std::vector<Route> routes_;
    std::function<void(Response&)> error_body_;
    std::function<void(const Request&, const Response&)> logger_;
};

class Server {
public:
    explicit Server(Limits limits);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    void route(std::string method, std::string pattern, std::size_t max_body, Handler handler);
    void set_error_body(std::function<void(Response&)> fill);
    void set_logger(std::function<void(const Request&, const Response&)> log);

    // Binds and listens (no port reuse); returns the port (0 picks a free one). Throws with the
    // reason when the address cannot be taken.
    int bind(const std::string& host, int port);
    // Serves until stop(); the workers finish the requests they hold.
    void run();
    // Safe to call from a signal handler, also before run().
    void stop();

    struct Impl;  // the connections see it

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace srv::http
