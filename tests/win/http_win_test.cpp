// The WinHTTP client against loopback servers in this process that record the raw request and
// misbehave on purpose.
#include <winsock2.h>

#include <windows.h>

#include <ws2tcpip.h>

#include <atomic>
#include <cctype>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <thread>

#include "base/text.h"
#include "base/wide_win.h"
#include "net/http_client.h"

namespace {

struct WinsockInit {
    WinsockInit() {
        WSADATA d;
        WSAStartup(MAKEWORD(2, 2), &d);
    }
} g_winsock;

// One connection: reads the request (headers and a Content-Length body), then lets `reply`
// answer on the socket.
class OneShotServer {
public:
    explicit OneShotServer(std::function<void(SOCKET)> reply) : reply_(std::move(reply)) {
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = 0;
        bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        listen(listener_, 1);
        int len = sizeof a;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~OneShotServer() {
        closesocket(listener_);
        if (thread_.joinable())
            thread_.join();
    }
    int port() const { return port_; }
    std::string request() {
        if (thread_.joinable())
            thread_.join();
        return request_;
    }
    std::u16string url(const char* path) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "http://127.0.0.1:%d", port_);
        return nv::ascii_to_u16(buf) + nv::utf8_to_utf16(path);
    }

private:
    void serve() {
        SOCKET c = accept(listener_, nullptr, nullptr);
        if (c == INVALID_SOCKET)
            return;
        char buf[4096];
        std::size_t body_needed = std::string::npos;
        for (;;) {
            int n = recv(c, buf, sizeof buf, 0);
            if (n <= 0)
                break;
            request_.append(buf, static_cast<std::size_t>(n));
            std::size_t end = request_.find("\r\n\r\n");
            if (end == std::string::npos)
                continue;
            if (body_needed == std::string::npos) {
                body_needed = 0;
                std::size_t cl = request_.find("Content-Length: ");
                if (cl != std::string::npos && cl < end)
                    body_needed = std::stoul(request_.substr(cl + 16));
            }
            if (request_.size() >= end + 4 + body_needed)
                break;
        }
        reply_(c);
        shutdown(c, SD_BOTH);
        closesocket(c);
    }

    std::function<void(SOCKET)> reply_;
    SOCKET listener_;
    int port_ = 0;
    std::thread thread_;
    std::string request_;
};

void Send(SOCKET s, const std::string& data) {
    send(s, data.data(), static_cast<int>(data.size()), 0);
}

std::function<void(SOCKET)> Answer(const std::string& status, const std::string& body) {
    return [=](SOCKET s) {
        Send(s, "HTTP/1.1 " + status + "\r\nContent-Type: application/json\r\nContent-Length: " +
                    std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
    };
}

TEST(HttpJsonRequest, GetSendsBothFixedHeadersAndNoBody) {
    OneShotServer srv(Answer("200 OK", "{\"success\":true}"));
    nv::HttpResult r =
        nv::http_json_request(u"GET", srv.url("/api/delivery-notes?userId=a%26b"), u"", u"");
    std::string req = srv.request();
    EXPECT_TRUE(r.network_ok);
    EXPECT_EQ(r.status, 200u);
    EXPECT_EQ(r.body, "{\"success\":true}");
    EXPECT_EQ(req.rfind("GET /api/delivery-notes?userId=a%26b HTTP/1.1\r\n", 0), 0u) << req;
    EXPECT_NE(req.find("\r\nContent-Type: application/json; charset=utf-8\r\n"), std::string::npos);
    EXPECT_NE(req.find("\r\nAccept: application/json\r\n"), std::string::npos);
    EXPECT_NE(req.find("User-Agent: Norvane/1.0\r\n"), std::string::npos);
    EXPECT_NE(req.find("Host: 127.0.0.1:" + std::to_string(srv.port()) + "\r\n"),
              std::string::npos);
    EXPECT_EQ(req.substr(req.size() - 4), "\r\n\r\n");  // nothing after the headers
}

TEST(HttpJsonRequest, DeleteCarriesTheUtf8BodyAndExtraHeader) {
    OneShotServer srv(Answer("200 OK", "{}"));
    nv::HttpResult r =
        nv::http_json_request(u"DELETE", srv.url("/api/delivery-notes"),
                              u"{\"id\":5,\"userId\":\"王\"}", u"Authorization: Bearer abc");
    std::string req = srv.request();
    EXPECT_TRUE(r.network_ok);
    EXPECT_EQ(req.rfind("DELETE /api/delivery-notes HTTP/1.1\r\n", 0), 0u);
    EXPECT_NE(req.find("\r\nAuthorization: Bearer abc\r\n"), std::string::npos);
    EXPECT_NE(req.find("Content-Type: application/json; charset=utf-8\r\n"), std::string::npos);
    std::string lower = req;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(lower.find("\r\ncontent-length: 23\r\n"), std::string::npos) << req;
    EXPECT_EQ(req.substr(req.size() - 27), "\r\n\r\n{\"id\":5,\"userId\":\"\xE7\x8E\x8B\"}");
}

TEST(HttpJsonRequest, BareHostRequestsTheRoot) {
    OneShotServer srv(Answer("200 OK", "x"));
    EXPECT_TRUE(nv::http_json_request(u"GET", srv.url(""), u"", u"").network_ok);
    EXPECT_EQ(srv.request().rfind("GET / HTTP/1.1\r\n", 0), 0u);
}

TEST(HttpJsonRequest, ErrorStatusesAndEmptyBodiesAreStillAnswers) {
    {
        OneShotServer srv(
            Answer("500 Internal Server Error", "{\"success\":false,\"message\":\"忙\"}"));
        nv::HttpResult r = nv::http_json_request(u"POST", srv.url("/x"), u"{}", u"");
        EXPECT_TRUE(r.network_ok);
        EXPECT_EQ(r.status, 500u);
        EXPECT_EQ(r.body, "{\"success\":false,\"message\":\"忙\"}");
        EXPECT_EQ(r.error, u"");
    }
    {
        OneShotServer srv(Answer("204 No Content", ""));
        nv::HttpResult r = nv::http_json_request(u"GET", srv.url("/"), u"", u"");
        EXPECT_TRUE(r.network_ok);
        EXPECT_EQ(r.status, 204u);
        EXPECT_EQ(r.body, "");
    }
}

// A chunked answer whose connection ends before the last chunk is a failed request, never a
// shorter body that would parse as something else.
TEST(HttpJsonRequest, ChunkedAnswerCutShortIsAFailure) {
    OneShotServer srv([](SOCKET s) {
        Send(s,
             "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n"
             "Transfer-Encoding: chunked\r\n\r\n"
             "10\r\n{\"success\":true,\r\n"
             "40\r\n\"data\":[");
    });
    nv::HttpResult r = nv::http_json_request(u"GET", srv.url("/api/delivery-notes"), u"", u"");
    EXPECT_FALSE(r.network_ok);
    EXPECT_NE(r.error, u"");
    EXPECT_EQ(r.error.rfind(u"网络请求失败", 0), 0u);
}

TEST(HttpJsonRequest, AnswerShorterThanItsContentLengthIsAFailure) {
    OneShotServer srv([](SOCKET s) {
        Send(s, "HTTP/1.1 200 OK\r\nContent-Length: 40\r\n\r\n{\"success\":true}");
    });
    nv::HttpResult r = nv::http_json_request(u"GET", srv.url("/x"), u"", u"");
    EXPECT_FALSE(r.network_ok);
    EXPECT_EQ(r.body, "");
}

TEST(HttpJsonRequest, RefusedConnectionAndBadUrl) {
    // Take a free port and close it again: nothing listens there.
    int port;
    {
        OneShotServer srv([](SOCKET) {});
        port = srv.port();
        static_cast<void>(nv::http_json_request(u"GET", srv.url("/"), u"", u""));
    }
    char url[64];
    std::snprintf(url, sizeof url, "http://127.0.0.1:%d/api", port);
    nv::HttpResult r = nv::http_json_request(u"GET", nv::ascii_to_u16(url), u"", u"");
    EXPECT_FALSE(r.network_ok);
    EXPECT_EQ(r.status, 0u);
    EXPECT_EQ(r.error, u"网络请求失败（错误码 12029）");  // ERROR_WINHTTP_CANNOT_CONNECT
    nv::HttpResult bad = nv::http_json_request(u"GET", u"not a url", u"", u"");
    EXPECT_EQ(bad.error, u"URL 解析失败: not a url");
}

std::u16string TempFile(const wchar_t* name) {
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    std::wstring p = std::wstring(dir) + name;
    DeleteFileW(p.c_str());
    return nv::from_wide(p);
}

bool Exists(const std::u16string& p) {
    return GetFileAttributesW(nv::as_wide(p)) != INVALID_FILE_ATTRIBUTES;
}

TEST(HttpDownload, WritesTheWholeBody) {
    std::string payload;
    for (int i = 0; i < 300000; ++i) payload.push_back(static_cast<char>(i * 7));
    OneShotServer srv([&](SOCKET s) {
        Send(s, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(payload.size()) +
                    "\r\nConnection: close\r\n\r\n");
        for (std::size_t at = 0; at < payload.size(); at += 65536)
            Send(s, payload.substr(at, 65536));
    });
    std::u16string path = TempFile(L"nv_download_ok.bin");
    std::u16string error;
    ASSERT_TRUE(nv::http_download(srv.url("/releases/p.msix"), path, error))
        << nv::utf16_to_utf8(error);
    EXPECT_EQ(srv.request().rfind("GET /releases/p.msix HTTP/1.1\r\n", 0), 0u);
    std::FILE* f = _wfopen(nv::as_wide(path), L"rb");
    ASSERT_NE(f, nullptr);
    std::string got(payload.size() + 10, '\0');
    got.resize(std::fread(got.data(), 1, got.size(), f));
    std::fclose(f);
    EXPECT_EQ(got, payload);
    DeleteFileW(nv::as_wide(path));
}

TEST(HttpDownload, NotFoundCreatesNoFile) {
    OneShotServer srv(Answer("404 Not Found", "{}"));
    std::u16string path = TempFile(L"nv_download_404.bin");
    std::u16string error;
    EXPECT_FALSE(nv::http_download(srv.url("/p.msix"), path, error));
    EXPECT_EQ(error, u"服务器返回 404");
    EXPECT_FALSE(Exists(path));
}

TEST(HttpDownload, ConnectionDroppedMidwayLeavesNoFile) {
    OneShotServer srv([](SOCKET s) {
        Send(s, "HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n\r\n");
        Send(s, std::string(100000, 'x'));
        // ...and the connection closes with 900,000 bytes still owed.
    });
    std::u16string path = TempFile(L"nv_download_cut.bin");
    std::u16string error;
    EXPECT_FALSE(nv::http_download(srv.url("/p.msix"), path, error));
    EXPECT_EQ(error, u"下载中断或写入失败");
    EXPECT_FALSE(Exists(path));
}

}  // namespace
