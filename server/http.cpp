#include "server/http.h"

#include <fcntl.h>
#include <unistd.h>

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/posix/stream_descriptor.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/serializer.hpp>
#include <boost/beast/http/write.hpp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <sys/resource.h>
#include <unordered_map>

#include "server/http_exchange.h"

namespace srv::http {

namespace asio = boost::asio;
namespace beast = boost::beast;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;

namespace {

// After an answer that closes the connection, what the client still sends (an unread body) is
// read and dropped for this long, so that the close does not reset the connection and destroy
// the answer on its way.
constexpr auto kDrainTime = std::chrono::seconds(2);
// Out of descriptors with no idle connection to close: accepting waits this long.
constexpr auto kAcceptPause = std::chrono::milliseconds(100);
// Descriptors kept free of connections, for the databases, the release files and the log: a
// server whose connections took the last of them would answer every request with an error.
constexpr std::size_t kSpareDescriptors = 32;

}  // namespace

class Session;

struct Server::Impl {
    Limits limits;
    Router router;
    asio::io_context io{1};
    tcp::acceptor acceptor{io};
    asio::steady_timer accept_pause{io};
    bool accept_waiting = false;      // no accept is pending: at the cap or out of descriptors
    std::size_t max_connections = 0;  // the cap, within what the descriptor limit leaves
    int stop_pipe[2] = {-1, -1};
    asio::posix::stream_descriptor stop_reader{io};
    std::optional<asio::thread_pool> pool;
    std::unordered_map<uint64_t, Session*> sessions;  // the I/O thread's only
    uint64_t next_id = 1;

    explicit Impl(Limits l) : limits(l) {
        if (::pipe2(stop_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
            throw std::runtime_error(std::string("cannot set up the server: ") +
                                     std::strerror(errno));
        stop_reader.assign(stop_pipe[0]);
    }
    ~Impl() {
        if (stop_pipe[1] >= 0)
            ::close(stop_pipe[1]);
    }

    void accept();
    void on_accept(const beast::error_code& ec, tcp::socket socket);
    void forget(uint64_t id);
    bool close_oldest_idle();
};

// One connection: reads a request, hands it to a worker, writes the answer, and goes on with
// the next one. Every step is an asynchronous operation whose completion starts the next, so
// pipelined requests are answered in order by the I/O thread's loop, never by recursion.
class Session : public std::enable_shared_from_this<Session> {
public:
    Session(Server::Impl& server, tcp::socket socket, uint64_t id)
        : server_(server),
          stream_(std::move(socket)),
          buffer_(server.limits.max_read_buffer),
          deadline_(stream_.get_executor()),
          id_(id) {
        beast::error_code ec;
        auto peer = stream_.socket().remote_endpoint(ec);
        if (!ec)
            peer_ = peer.address().to_string();
        stream_.socket().set_option(tcp::no_delay(true), ec);
    }

    void start() { wait_for_request(); }

    bool idle() const { return idle_; }
    Clock::time_point idle_since() const { return idle_since_; }

    // Closes the socket; the pending operation ends with an error and the session with it.
    void close() {
        if (closed_)
            return;
        closed_ = true;
        idle_ = false;
        deadline_.cancel();
        beast::error_code ec;
        stream_.socket().shutdown(tcp::socket::shutdown_both, ec);
        stream_.socket().close(ec);
        server_.forget(id_);
    }

private:
    // Between requests: no deadline but the idle one until the first byte comes.
    void wait_for_request() {
        if (buffer_.size() > 0)
            return read_head();  // a pipelined request is waiting
        idle_ = true;
        idle_since_ = Clock::now();
        stream_.expires_after(server_.limits.idle_timeout);
        stream_.async_read_some(buffer_.prepare(std::min<std::size_t>(buffer_.max_size(), 16384)),
                                [self = shared_from_this()](beast::error_code ec, std::size_t n) {
                                    self->idle_ = false;
                                    if (ec)
                                        return self->close();
                                    self->buffer_.commit(n);
                                    self->read_head();
                                });
    }

    void read_head() {
        idle_ = false;
        stream_.expires_never();
        timed_out_ = false;
        deadline_.expires_after(server_.limits.request_deadline);
        deadline_.async_wait([self = shared_from_this()](beast::error_code ec) {
            if (ec || self->closed_ || !self->reading_)
                return;
            // Too slow: the read in progress ends, and the client is told so.
            self->timed_out_ = true;
            beast::error_code ignored;
            self->stream_.socket().cancel(ignored);
        });
        reading_ = true;
        incoming_.emplace(server_.limits);
        bhttp::async_read_header(
            stream_, buffer_, incoming_->parser(),
            [self = shared_from_this()](beast::error_code ec, std::size_t) { self->on_head(ec); });
    }

    void on_head(beast::error_code ec) {
        if (ec)
            return failed(ec);
        head_ = check_head(server_.router, incoming_->parser(), peer_);
        if (head_.refuse)
            return refuse(head_.refuse, head_.close);
        if (head_.expect_continue) {
            static constexpr char kContinue[] = "HTTP/1.1 100 Continue\r\n\r\n";
            stream_.expires_after(server_.limits.write_stall);
            return asio::async_write(
                stream_, asio::buffer(kContinue, sizeof kContinue - 1),
                [self = shared_from_this()](beast::error_code ec, std::size_t) {
                    if (ec)
                        return self->close();
                    self->stream_.expires_never();
                    self->read_body();
                });
        }
        read_body();
    }

    void read_body() {
        if (timed_out_)
            return refuse(408, true);
        if (incoming_->parser().is_done())
            return dispatch();
        bhttp::async_read(stream_, buffer_, incoming_->parser(),
                          [self = shared_from_this()](beast::error_code ec, std::size_t) {
                              if (ec)
                                  return self->failed(ec);
                              self->dispatch();
                          });
    }

    void failed(const beast::error_code& ec) {
        reading_ = false;
        deadline_.cancel();
        if (timed_out_)
            return refuse(408, true);
        if (int status = status_of(ec))
            return refuse(status, true);
        close();
    }

    // The server's own answer.
    void refuse(int status, bool close_after) {
        reading_ = false;
        deadline_.cancel();
        Response res = server_.router.error(status);
        server_.router.log(head_.request, res);
        bool keep = !close_after && head_.keep_alive;
        write(make_answer(std::move(res), head_.head_only, keep, head_.allow), !keep);
    }

    void dispatch() {
        reading_ = false;
        deadline_.cancel();
        Request req = std::move(head_.request);
        req.body = std::move(incoming_->parser().get().body());
        incoming_.reset();
        const Router::Route* route = head_.route;
        bool head_only = head_.head_only, keep = head_.keep_alive;
        asio::post(*server_.pool, [self = shared_from_this(), route, req = std::move(req),
                                   head_only, keep]() mutable {
            Response res;
            try {
                route->handler(req, res);
            } catch (...) {
                std::fprintf(stderr, "error: unhandled exception\n");
                res = self->server_.router.error(500);
            }
            self->server_.router.log(req, res);
            // The connection is this worker's until it hands it back: the I/O thread has no
            // operation on it while a request is worked on. The worker sends what the socket
            // takes at once (all of a usual answer), so the client has it without waiting for
            // the I/O thread, which only takes the rest and the connection back.
            self->prepare(make_answer(std::move(res), head_only, keep, {}), !keep);
            self->send_at_once();
            auto& io = self->server_.io;
            asio::post(io, [self = std::move(self)] { self->write_more(); });
        });
    }

    void prepare(Answer answer, bool close_after) {
        answer_.emplace(std::move(answer));
        serializer_.emplace(*answer_);
        close_after_ = close_after;
    }

    void send_at_once() {
        beast::error_code ec;
        tcp::socket& socket = stream_.socket();
        socket.non_blocking(true, ec);
        while (!ec && !serializer_->is_done()) bhttp::write_some(socket, *serializer_, ec);
    }

    void write(Answer answer, bool close_after) {
        head_ = Head{};
        prepare(std::move(answer), close_after);
        write_more();
    }

    // An answer goes out piece by piece, each under the write-stall deadline, so a large one
    // to a slow reader is kept as long as it makes progress.
    void write_more() {
        head_ = Head{};
        if (serializer_->is_done())
            return written();
        stream_.expires_after(server_.limits.write_stall);
        bhttp::async_write_some(stream_, *serializer_,
                                [self = shared_from_this()](beast::error_code ec, std::size_t) {
                                    if (ec)
                                        return self->close();
                                    self->write_more();
                                });
    }

    void written() {
        serializer_.reset();
        answer_.reset();
        if (close_after_)
            return drain();
        wait_for_request();
    }

    void drain() {
        beast::error_code ec;
        stream_.socket().shutdown(tcp::socket::shutdown_send, ec);
        buffer_.clear();
        stream_.expires_after(kDrainTime);
        drain_more();
    }

    void drain_more() {
        stream_.async_read_some(buffer_.prepare(buffer_.max_size()),
                                [self = shared_from_this()](beast::error_code ec, std::size_t) {
                                    if (ec)
                                        return self->close();
                                    self->drain_more();
                                });
    }

    Server::Impl& server_;
    beast::tcp_stream stream_;
    beast::flat_buffer buffer_;
    asio::steady_timer deadline_;
    uint64_t id_;
    std::string peer_;
    std::optional<Incoming> incoming_;
    Head head_;
    std::optional<Answer> answer_;
    std::optional<bhttp::serializer<false, bhttp::string_body>> serializer_;
    bool close_after_ = false;
    bool reading_ = false;
    bool timed_out_ = false;
    bool closed_ = false;
    bool idle_ = false;
    Clock::time_point idle_since_;
};

void Server::Impl::accept() {
    if (!acceptor.is_open())
        return;
    // At the cap, the connection idle the longest makes room; with none idle, new connections
    // wait in the backlog until one ends.
    if (sessions.size() >= max_connections && !close_oldest_idle()) {
        accept_waiting = true;
        return;
    }
    accept_waiting = false;
    acceptor.async_accept(io, [this](const beast::error_code& ec, tcp::socket socket) {
        on_accept(ec, std::move(socket));
    });
}

void Server::Impl::on_accept(const beast::error_code& ec, tcp::socket socket) {
    if (ec == asio::error::operation_aborted || !acceptor.is_open())
        return;
    if (ec == asio::error::no_descriptors || ec == asio::error::no_buffer_space ||
        ec == asio::error::no_memory || ec.value() == ENFILE) {
        // Out of descriptors: the pending connection stays in the backlog. An idle connection
        // gives its descriptor up for it; with none, accepting again at once would fail again
        // at once, so it resumes when a connection ends or after a pause.
        if (close_oldest_idle())
            return accept();
        accept_waiting = true;
        accept_pause.expires_after(kAcceptPause);
        accept_pause.async_wait([this](const beast::error_code& e) {
            if (!e && accept_waiting)
                accept();
        });
        return;
    }
    if (!ec) {
        uint64_t id = next_id++;
        auto session = std::make_shared<Session>(*this, std::move(socket), id);
        sessions.emplace(id, session.get());
        session->start();
    }
    accept();
}

void Server::Impl::forget(uint64_t id) {
    sessions.erase(id);
    if (accept_waiting) {
        accept_pause.cancel();
        accept();
    }
}

bool Server::Impl::close_oldest_idle() {
    Session* oldest = nullptr;
    for (auto& [id, s] : sessions)
        if (s->idle() && (!oldest || s->idle_since() < oldest->idle_since()))
            oldest = s;
    if (!oldest)
        return false;
    oldest->close();
    return true;
}

Server::Server(Limits limits) : impl_(std::make_unique<Impl>(limits)) {}
Server::~Server() = default;

void Server::route(std::string method, std::string pattern, std::size_t max_body, Handler handler) {
    impl_->router.route(std::move(method), std::move(pattern), max_body, std::move(handler));
}

void Server::set_error_body(std::function<void(Response&)> fill) {
    impl_->router.set_error_body(std::move(fill));
}

void Server::set_logger(std::function<void(const Request&, const Response&)> log) {
    impl_->router.set_logger(std::move(log));
}

int Server::bind(const std::string& host, int port) {
    beast::error_code ec;
    tcp::resolver resolver(impl_->io);
    auto found = resolver.resolve(host, std::to_string(port),
                                  tcp::resolver::passive | tcp::resolver::numeric_service, ec);
    if (ec)
        throw std::runtime_error("cannot resolve " + host + ": " + ec.message());
    std::string error = "no address";
    for (const auto& entry : found) {
        tcp::acceptor& a = impl_->acceptor;
        a.open(entry.endpoint().protocol(), ec);
        if (ec) {
            error = ec.message();
            continue;
        }
        // Address reuse only lets a restarted server take its port out of TIME_WAIT; without
        // port reuse a second server on the same address fails here instead of silently
        // taking half of the connections.
        a.set_option(tcp::acceptor::reuse_address(true), ec);
        if (!a.bind(entry.endpoint(), ec) && !a.listen(512, ec))
            return a.local_endpoint().port();
        error = ec.message();
        a.close(ec);
    }
    throw std::runtime_error(error);
}

void Server::run() {
    Impl& impl = *impl_;
    impl.pool.emplace(static_cast<std::size_t>(std::max(1, impl.limits.workers)));
    impl.max_connections = impl.limits.max_connections;
    rlimit files{};
    if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur != RLIM_INFINITY)
        impl.max_connections = std::min<std::size_t>(
            impl.max_connections, files.rlim_cur > 2 * kSpareDescriptors
                                      ? files.rlim_cur - kSpareDescriptors
                                      : std::max<std::size_t>(1, files.rlim_cur / 2));
    static char byte;
    impl.stop_reader.async_read_some(asio::buffer(&byte, 1),
                                     [&impl](beast::error_code, std::size_t) {
                                         beast::error_code ec;
                                         impl.acceptor.close(ec);
                                         impl.io.stop();
                                     });
    impl.accept();
    impl.io.run();
    // The workers finish the requests they hold; their answers are not sent any more.
    impl.pool->join();
}

void Server::stop() {
    char one = 1;
    ssize_t n = ::write(impl_->stop_pipe[1], &one, 1);
    (void)n;  // a full pipe already holds a stop
}

}  // namespace srv::http
