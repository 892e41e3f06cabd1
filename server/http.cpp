#include "server/http.h"

#include <fcntl.h>
#include <netdb.h>
#include <unistd.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <stdexcept>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <thread>
#include <unordered_map>

namespace srv::http {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMaxChunkLine = 1024;
constexpr auto kDrainTime = std::chrono::seconds(2);

struct Route {
    std::string method;
    std::vector<std::string> segments;
    std::size_t max_body = 0;
    Handler handler;
};

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

bool matches(const Route& route, const std::vector<std::string_view>& parts, std::string& capture) {
    if (parts.size() != route.segments.size())
        return false;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (route.segments[i] == "*") {
            if (parts[i].empty())
                return false;
            capture = std::string(parts[i]);
        } else if (route.segments[i] != parts[i]) {
            return false;
        }
    }
    return true;
}

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

// A comma-separated header value holds the token (Connection: keep-alive, Upgrade).
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

const char* reason(int status) {
    switch (status) {
        case 100:
            return "Continue";
        case 200:
            return "OK";
        case 400:
            return "Bad Request";
        case 401:
            return "Unauthorized";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 408:
            return "Request Timeout";
        case 409:
            return "Conflict";
        case 413:
            return "Payload Too Large";
        case 429:
            return "Too Many Requests";
        case 431:
            return "Request Header Fields Too Large";
        case 501:
            return "Not Implemented";
        default:
            return status >= 500 ? "Internal Server Error" : "Error";
    }
}

enum class State { Head, Body, Chunked, Working, Writing, Draining };

// An answer on its way: the status line and headers, then the body, sent together with one
// call without first copying the body behind the headers.
struct Outgoing {
    std::string head;
    std::string body;
    std::size_t size() const { return head.size() + body.size(); }
};

// Sends what is left of `out` after its first `at` bytes.
ssize_t send_from(int fd, const Outgoing& out, std::size_t at, int flags) {
    iovec parts[2];
    int count = 0;
    if (at < out.head.size()) {
        parts[count++] = {const_cast<char*>(out.head.data()) + at, out.head.size() - at};
        at = 0;
    } else {
        at -= out.head.size();
    }
    if (at < out.body.size())
        parts[count++] = {const_cast<char*>(out.body.data()) + at, out.body.size() - at};
    msghdr msg{};
    msg.msg_iov = parts;
    msg.msg_iovlen = static_cast<std::size_t>(count);
    return ::sendmsg(fd, &msg, flags);
}
enum class ChunkPhase { Size, Data, DataEnd, Trailer };

struct Conn {
    int fd = -1;
    uint64_t id = 0;
    std::string peer;
    State state = State::Head;
    bool watched = false;
    std::string in;  // read and not yet consumed
    Clock::time_point deadline;
    bool started = false;  // the first byte of the current request has arrived
    Request req;
    const Route* route = nullptr;
    bool head_only = false;
    bool keep_alive = true;
    std::size_t body_left = 0;
    std::size_t max_body = 0;
    ChunkPhase chunk = ChunkPhase::Size;
    Outgoing out;
    std::size_t out_at = 0;
    bool close_after = false;

    ~Conn() {
        if (fd >= 0)
            ::close(fd);
    }
};

struct Job {
    uint64_t id;
    int fd;
    const Route* route;
    bool head_only;
    bool keep_alive;
    Request req;
};

struct Done {
    uint64_t id;
    Outgoing bytes;
    std::size_t sent;  // by the worker already
    bool close;
};

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

struct Server::Impl {
    Limits limits;
    std::vector<Route> routes;
    std::function<void(Response&)> error_body;
    std::function<void(const Request&, const Response&)> logger;

    int listen_fd = -1;
    int epoll_fd = -1;
    int wake_fd = -1;
    std::atomic<bool> stopping{false};

    std::unordered_map<uint64_t, std::unique_ptr<Conn>> conns;
    std::unordered_map<int, uint64_t> by_fd;
    uint64_t next_id = 1;

    std::mutex job_mutex;
    std::condition_variable job_ready;
    std::deque<Job> jobs;
    bool workers_end = false;
    std::mutex done_mutex;
    std::vector<Done> done;

    explicit Impl(Limits l) : limits(l) {
        epoll_fd = epoll_create1(EPOLL_CLOEXEC);
        wake_fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        if (epoll_fd < 0 || wake_fd < 0)
            throw std::runtime_error(std::string("cannot set up the server: ") +
                                     std::strerror(errno));
        epoll_event ev{};
        ev.events = EPOLLIN;
        ev.data.fd = wake_fd;
        epoll_ctl(epoll_fd, EPOLL_CTL_ADD, wake_fd, &ev);
    }

    ~Impl() {
        conns.clear();
        for (int fd : {listen_fd, epoll_fd, wake_fd})
            if (fd >= 0)
                ::close(fd);
    }

    void wake() {
        uint64_t one = 1;
        ssize_t r = ::write(wake_fd, &one, sizeof one);
        (void)r;  // a full counter already wakes the loop
    }

    void watch(Conn& c, uint32_t events) {
        epoll_event ev{};
        ev.events = events;
        ev.data.fd = c.fd;
        epoll_ctl(epoll_fd, c.watched ? EPOLL_CTL_MOD : EPOLL_CTL_ADD, c.fd, &ev);
        c.watched = true;
    }

    void unwatch(Conn& c) {
        if (c.watched)
            epoll_ctl(epoll_fd, EPOLL_CTL_DEL, c.fd, nullptr);
        c.watched = false;
    }

    void drop(Conn& c) {
        unwatch(c);
        by_fd.erase(c.fd);
        conns.erase(c.id);  // closes the socket
    }

    Outgoing serialize(Response& res, bool head_only, bool keep_alive) {
        Outgoing out;
        out.head = "HTTP/1.1 " + std::to_string(res.status) + " " + reason(res.status) + "\r\n";
        out.head += "Content-Type: " + res.content_type + "\r\n";
        out.head += "Content-Length: " + std::to_string(res.body.size()) + "\r\n";
        out.head += keep_alive ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";
        if (!head_only)
            out.body = std::move(res.body);
        return out;
    }

    // An answer the server gives by itself; the connection closes after it when a body of the
    // request is left unread.
    void answer_error(Conn& c, int status, bool close) {
        Response res;
        res.status = status;
        if (error_body)
            error_body(res);
        if (logger) {
            Request shown = c.req;
            if (shown.method.empty())
                shown.method = "-";
            logger(shown, res);
        }
        begin_write(c, serialize(res, c.head_only, c.keep_alive && !close), close || !c.keep_alive);
    }

    void begin_write(Conn& c, Outgoing bytes, bool close, std::size_t sent = 0) {
        c.out = std::move(bytes);
        c.out_at = sent;
        c.close_after = close;
        c.state = State::Writing;
        c.deadline = Clock::now() + limits.write_stall;
        write_some(c);
    }

    void write_some(Conn& c) {
        while (c.out_at < c.out.size()) {
            ssize_t n = send_from(c.fd, c.out, c.out_at, MSG_NOSIGNAL);
            if (n > 0) {
                c.out_at += static_cast<std::size_t>(n);
                c.deadline = Clock::now() + limits.write_stall;
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                watch(c, EPOLLOUT);
                return;
            }
            if (n < 0 && errno == EINTR)
                continue;
            drop(c);
            return;
        }
        c.out = Outgoing{};
        if (c.close_after) {
            // Read what the client still sends (an unread body) before closing, so that the
            // close does not reset the connection and destroy the answer on its way.
            ::shutdown(c.fd, SHUT_WR);
            c.state = State::Draining;
            c.deadline = Clock::now() + kDrainTime;
            c.in.clear();
            watch(c, EPOLLIN);
            return;
        }
        c.state = State::Head;
        c.started = false;
        c.head_only = false;
        c.keep_alive = true;
        c.req = Request{};
        c.deadline = Clock::now() + limits.idle_timeout;
        watch(c, EPOLLIN);
        advance(c);  // a pipelined request may already be waiting
    }

    void on_readable(Conn& c) {
        char buf[65536];
        for (;;) {
            ssize_t n = ::recv(c.fd, buf, sizeof buf, 0);
            if (n > 0) {
                if (c.state == State::Draining)
                    continue;
                c.in.append(buf, static_cast<std::size_t>(n));
                // Enough for the part being read; the rest waits in the kernel.
                if (c.state == State::Head && c.in.size() > limits.max_header_bytes)
                    break;
                if (c.state == State::Body && c.in.size() >= c.body_left)
                    break;
                if (c.state == State::Chunked && c.in.size() > c.max_body + 64 * 1024)
                    break;
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                break;
            drop(c);  // closed by the client, or an error
            return;
        }
        if (c.state != State::Draining)
            advance(c);
    }

    void start_request_clock(Conn& c) {
        if (!c.started && !c.in.empty()) {
            c.started = true;
            c.deadline = Clock::now() + limits.request_deadline;
        }
    }

    // Moves the connection's request on as far as the bytes read allow.
    void advance(Conn& c) {
        for (;;) {
            start_request_clock(c);
            if (c.state == State::Head) {
                if (!read_head(c))
                    return;
            } else if (c.state == State::Body) {
                if (c.in.size() < c.body_left)
                    return;
                if (c.in.size() == c.body_left) {
                    c.req.body = std::move(c.in);  // the usual case: no copy of a large body
                    c.in = std::string();
                } else {
                    c.req.body.assign(c.in, 0, c.body_left);
                    c.in.erase(0, c.body_left);
                }
                dispatch(c);
                return;
            } else if (c.state == State::Chunked) {
                if (!read_chunks(c))
                    return;
            } else {
                return;
            }
        }
    }

    // True when the state moved on and advance should continue.
    bool read_head(Conn& c) {
        while (c.in.size() >= 2 && c.in[0] == '\r' && c.in[1] == '\n') c.in.erase(0, 2);
        auto end = c.in.find("\r\n\r\n");
        if (end == std::string::npos) {
            if (c.in.size() > limits.max_header_bytes)
                answer_error(c, 431, true);
            return false;
        }
        if (end > limits.max_header_bytes) {
            answer_error(c, 431, true);
            return false;
        }
        std::string_view head(c.in.data(), end);
        Request& req = c.req;
        auto line_end = head.find("\r\n");
        std::string_view line = head.substr(0, line_end);
        auto sp1 = line.find(' ');
        auto sp2 = sp1 == std::string_view::npos ? sp1 : line.find(' ', sp1 + 1);
        std::string_view version = sp2 == std::string_view::npos ? "" : line.substr(sp2 + 1);
        if (sp2 == std::string_view::npos || sp1 == 0 || sp2 == sp1 + 1 ||
            (version != "HTTP/1.1" && version != "HTTP/1.0")) {
            c.keep_alive = false;
            answer_error(c, 400, true);
            return false;
        }
        req.method = std::string(line.substr(0, sp1));
        req.target = std::string(line.substr(sp1 + 1, sp2 - sp1 - 1));
        req.remote_addr = c.peer;
        bool http10 = version == "HTTP/1.0";
        std::size_t at = line_end == std::string_view::npos ? head.size() : line_end + 2;
        bool bad = req.target.empty() || req.target[0] != '/';
        while (at < head.size()) {
            auto e = head.find("\r\n", at);
            if (e == std::string_view::npos)
                e = head.size();
            std::string_view h = head.substr(at, e - at);
            at = e + 2;
            auto colon = h.find(':');
            if (colon == std::string_view::npos || colon == 0 || h[0] == ' ' || h[0] == '\t') {
                bad = true;
                break;
            }
            req.headers.emplace_back(lower(trim(h.substr(0, colon))),
                                     std::string(trim(h.substr(colon + 1))));
        }
        c.in.erase(0, end + 4);
        std::string connection = req.header("connection");
        c.keep_alive =
            http10 ? has_token(connection, "keep-alive") : !has_token(connection, "close");
        c.head_only = req.method == "HEAD";
        if (bad) {
            answer_error(c, 400, true);
            return false;
        }

        // Framing of the body: chunked, or a Content-Length given once (or repeated alike).
        bool chunked = false;
        bool has_length = false;
        std::size_t length = 0;
        for (const auto& [k, v] : req.headers) {
            if (k == "transfer-encoding") {
                if (lower(v) != "chunked" || chunked) {
                    answer_error(c, lower(v) == "chunked" ? 400 : 501, true);
                    return false;
                }
                chunked = true;
            } else if (k == "content-length") {
                bool digits = !v.empty() && v.size() <= 15 &&
                              std::all_of(v.begin(), v.end(),
                                          [](unsigned char ch) { return ch >= '0' && ch <= '9'; });
                std::size_t n = digits ? std::stoull(v) : 0;
                if (!digits || (has_length && n != length)) {
                    answer_error(c, 400, true);
                    return false;
                }
                has_length = true;
                length = n;
            }
        }
        if (chunked && has_length) {
            answer_error(c, 400, true);
            return false;
        }
        bool body_follows = chunked || length > 0;

        std::string_view path_only = std::string_view(req.target).substr(0, req.target.find('?'));
        req.path = url_decode(path_only, false);
        auto parts = split_path(req.path);
        std::string wanted = c.head_only ? "GET" : req.method;
        bool path_known = false;
        c.route = nullptr;
        for (const Route& r : routes) {
            std::string capture;
            if (!matches(r, parts, capture))
                continue;
            path_known = true;
            if (r.method == wanted) {
                c.route = &r;
                req.capture = std::move(capture);
                break;
            }
        }
        if (!c.route) {
            answer_error(c, path_known ? 405 : 404, body_follows);
            return false;
        }
        c.max_body = c.route->max_body;
        if (length > c.max_body) {
            answer_error(c, 413, true);  // refused before a byte of the body is read
            return false;
        }
        if (body_follows && has_token(req.header("expect"), "100-continue")) {
            static constexpr char kContinue[] = "HTTP/1.1 100 Continue\r\n\r\n";
            ssize_t n = ::send(c.fd, kContinue, sizeof kContinue - 1, MSG_NOSIGNAL);
            (void)n;  // a client that cannot take it sends the body anyway
        }
        if (chunked) {
            c.state = State::Chunked;
            c.chunk = ChunkPhase::Size;
            return true;
        }
        if (length > 0) {
            c.state = State::Body;
            c.body_left = length;
            c.in.reserve(length);
            return true;
        }
        dispatch(c);
        return false;
    }

    // Decodes the chunks read so far; true once the whole body is in (and dispatched).
    bool read_chunks(Conn& c) {
        for (;;) {
            if (c.chunk == ChunkPhase::Data) {
                std::size_t take = std::min(c.body_left, c.in.size());
                c.req.body.append(c.in, 0, take);
                c.in.erase(0, take);
                c.body_left -= take;
                if (c.body_left > 0)
                    return false;
                c.chunk = ChunkPhase::DataEnd;
                continue;
            }
            auto eol = c.in.find("\r\n");
            if (eol == std::string::npos) {
                if (c.in.size() > kMaxChunkLine)
                    answer_error(c, 400, true);
                return false;
            }
            std::string line = c.in.substr(0, eol);
            c.in.erase(0, eol + 2);
            if (c.chunk == ChunkPhase::DataEnd) {
                if (!line.empty()) {
                    answer_error(c, 400, true);
                    return false;
                }
                c.chunk = ChunkPhase::Size;
            } else if (c.chunk == ChunkPhase::Trailer) {
                if (line.empty()) {
                    dispatch(c);
                    return false;
                }
            } else {
                std::string_view size_text = trim(std::string_view(line).substr(0, line.find(';')));
                std::size_t size = 0;
                bool ok = !size_text.empty() && size_text.size() <= 15;
                for (char ch : size_text) {
                    int d = (ch >= '0' && ch <= '9')   ? ch - '0'
                            : (ch >= 'a' && ch <= 'f') ? ch - 'a' + 10
                            : (ch >= 'A' && ch <= 'F') ? ch - 'A' + 10
                                                       : -1;
                    ok = ok && d >= 0;
                    size = size * 16 + static_cast<std::size_t>(d < 0 ? 0 : d);
                }
                if (!ok) {
                    answer_error(c, 400, true);
                    return false;
                }
                if (size > c.max_body - std::min(c.max_body, c.req.body.size())) {
                    answer_error(c, 413, true);  // refused before the chunk is read
                    return false;
                }
                if (size == 0) {
                    c.chunk = ChunkPhase::Trailer;
                } else {
                    c.chunk = ChunkPhase::Data;
                    c.body_left = size;
                }
            }
        }
    }

    void dispatch(Conn& c) {
        c.state = State::Working;
        unwatch(c);
        {
            std::lock_guard<std::mutex> lock(job_mutex);
            jobs.push_back(Job{c.id, c.fd, c.route, c.head_only, c.keep_alive, std::move(c.req)});
        }
        c.req = Request{};
        job_ready.notify_one();
    }

    void worker() {
        for (;;) {
            Job job;
            {
                std::unique_lock<std::mutex> lock(job_mutex);
                job_ready.wait(lock, [&] { return workers_end || !jobs.empty(); });
                if (jobs.empty())
                    return;
                job = std::move(jobs.front());
                jobs.pop_front();
            }
            Response res;
            try {
                job.route->handler(job.req, res);
            } catch (...) {
                std::fprintf(stderr, "error: unhandled exception\n");
                res = Response{};
                res.status = 500;
                if (error_body)
                    error_body(res);
            }
            if (logger)
                logger(job.req, res);
            Outgoing bytes = serialize(res, job.head_only, job.keep_alive);
            // The worker sends what the socket takes at once (all of a usual answer): the
            // client has it without waiting for the loop, which only takes the rest and the
            // connection back. The loop leaves the socket alone while a request is worked on.
            ssize_t n = send_from(job.fd, bytes, 0, MSG_NOSIGNAL | MSG_DONTWAIT);
            Done d{job.id, std::move(bytes), n > 0 ? static_cast<std::size_t>(n) : 0,
                   !job.keep_alive};
            {
                std::lock_guard<std::mutex> lock(done_mutex);
                done.push_back(std::move(d));
            }
            wake();
        }
    }

    void take_done() {
        uint64_t count;
        while (::read(wake_fd, &count, sizeof count) > 0) {
        }
        std::vector<Done> ready;
        {
            std::lock_guard<std::mutex> lock(done_mutex);
            ready.swap(done);
        }
        for (Done& d : ready) {
            auto it = conns.find(d.id);
            if (it != conns.end())
                begin_write(*it->second, std::move(d.bytes), d.close, d.sent);
        }
    }

    void accept_all() {
        for (;;) {
            sockaddr_storage addr{};
            socklen_t len = sizeof addr;
            int fd = ::accept4(listen_fd, reinterpret_cast<sockaddr*>(&addr), &len,
                               SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0) {
                if (errno == EINTR || errno == ECONNABORTED)
                    continue;
                return;  // EAGAIN, or out of descriptors: try again on the next wake-up
            }
            if (conns.size() >= limits.max_connections) {
                ::close(fd);
                continue;
            }
            int yes = 1;
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
            auto c = std::make_unique<Conn>();
            c->fd = fd;
            c->id = next_id++;
            char text[INET6_ADDRSTRLEN] = "";
            if (addr.ss_family == AF_INET)
                inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in&>(addr).sin_addr, text,
                          sizeof text);
            else if (addr.ss_family == AF_INET6)
                inet_ntop(AF_INET6, &reinterpret_cast<sockaddr_in6&>(addr).sin6_addr, text,
                          sizeof text);
            c->peer = text;
            c->deadline = Clock::now() + limits.idle_timeout;
            Conn& ref = *c;
            by_fd[fd] = ref.id;
            conns.emplace(ref.id, std::move(c));
            watch(ref, EPOLLIN);
        }
    }

    void expire(Clock::time_point now) {
        std::vector<Conn*> late;
        for (auto& [id, c] : conns)
            if (c->state != State::Working && now >= c->deadline)
                late.push_back(c.get());
        for (Conn* c : late) {
            if ((c->state == State::Head && c->started) || c->state == State::Body ||
                c->state == State::Chunked) {
                uint64_t id = c->id;
                c->keep_alive = false;
                answer_error(*c, 408, true);  // too slow: told so, then closed
                auto it = conns.find(id);
                if (it != conns.end() && it->second->state == State::Writing)
                    drop(*it->second);  // no more time for a client that does not read either
            } else {
                drop(*c);
            }
        }
    }

    void run() {
        std::vector<std::thread> pool;
        for (int i = 0; i < std::max(1, limits.workers); ++i)
            pool.emplace_back([this] { worker(); });
        epoll_event ev{};
        ev.events = EPOLLIN;
        ev.data.fd = listen_fd;
        epoll_ctl(epoll_fd, EPOLL_CTL_ADD, listen_fd, &ev);
        std::vector<epoll_event> events(256);
        auto last_scan = Clock::now();
        while (!stopping) {
            int n = epoll_wait(epoll_fd, events.data(), static_cast<int>(events.size()), 100);
            for (int i = 0; i < n; ++i) {
                int fd = events[i].data.fd;
                if (fd == listen_fd) {
                    accept_all();
                    continue;
                }
                if (fd == wake_fd) {
                    take_done();
                    continue;
                }
                auto it = by_fd.find(fd);
                if (it == by_fd.end())
                    continue;
                Conn& c = *conns.at(it->second);
                if (c.state == State::Writing)
                    write_some(c);
                else if (c.state != State::Working)
                    on_readable(c);
            }
            auto now = Clock::now();
            if (now - last_scan >= std::chrono::milliseconds(100)) {
                last_scan = now;
                expire(now);
            }
        }
        {
            std::lock_guard<std::mutex> lock(job_mutex);
            workers_end = true;
        }
        job_ready.notify_all();
        for (std::thread& t : pool) t.join();
    }
};

Server::Server(Limits limits) : impl_(std::make_unique<Impl>(limits)) {}
Server::~Server() = default;

void Server::route(std::string method, std::string pattern, std::size_t max_body, Handler handler) {
    Route r;
    r.method = std::move(method);
    for (std::string_view part : split_path(pattern)) r.segments.emplace_back(part);
    r.max_body = max_body;
    r.handler = std::move(handler);
    impl_->routes.push_back(std::move(r));
}

void Server::set_error_body(std::function<void(Response&)> fill) {
    impl_->error_body = std::move(fill);
}

void Server::set_logger(std::function<void(const Request&, const Response&)> log) {
    impl_->logger = std::move(log);
}

int Server::bind(const std::string& host, int port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    std::string service = std::to_string(port);
    if (int e = getaddrinfo(host.c_str(), service.c_str(), &hints, &found); e != 0)
        throw std::runtime_error("cannot resolve " + host + ": " + gai_strerror(e));
    std::string error = "no address";
    for (addrinfo* a = found; a; a = a->ai_next) {
        int fd =
            ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            error = std::strerror(errno);
            continue;
        }
        // Address reuse only lets a restarted server take its port out of TIME_WAIT; without
        // port reuse a second server on the same address fails here instead of silently
        // taking half of the connections.
        int yes = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        if (::bind(fd, a->ai_addr, a->ai_addrlen) == 0 && ::listen(fd, 512) == 0) {
            sockaddr_storage addr{};
            socklen_t len = sizeof addr;
            getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
            int bound = addr.ss_family == AF_INET6
                            ? ntohs(reinterpret_cast<sockaddr_in6&>(addr).sin6_port)
                            : ntohs(reinterpret_cast<sockaddr_in&>(addr).sin_port);
            impl_->listen_fd = fd;
            freeaddrinfo(found);
            return bound;
        }
        error = std::strerror(errno);
        ::close(fd);
    }
    freeaddrinfo(found);
    throw std::runtime_error(error);
}

void Server::run() {
    impl_->run();
}

void Server::stop() {
    impl_->stopping = true;
    impl_->wake();
}

}  // namespace srv::http
