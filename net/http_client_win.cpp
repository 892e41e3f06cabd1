// The HTTP client over WinHTTP. Every handle is owned by a small wrapper, so each exit path
// closes exactly what it opened (request, then connection, then session).
#include <windows.h>

#include <winhttp.h>

#include <cstdio>
#include <cwctype>
#include <optional>
#include <string>
#include <vector>

#include "base/handles_win.h"
#include "base/json.h"
#include "base/text.h"
#include "base/wide_win.h"
#include "net/http_client.h"

namespace nv {

namespace {

struct WinHttpTraits {
    using type = HINTERNET;
    static type invalid() { return nullptr; }
    static bool valid(type h) { return h != nullptr; }
    static void close(type h) { WinHttpCloseHandle(h); }
};
using Handle = Owned<WinHttpTraits>;

std::u16string last_error_text() {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%lu", static_cast<unsigned long>(GetLastError()));
    return u"网络请求失败（错误码 " + ascii_to_u16(buf) + u"）";
}

struct Timeouts {
    int resolve, connect, send, receive;
};

// Steps shared by both operations: crack the URL, open the session, set the time-outs,
// connect, open the request. Members are declared so that they close in reverse order.
struct Exchange {
    std::wstring url;
    std::wstring host;
    std::wstring path;
    bool secure = false;
    Handle session;
    Handle connection;
    Handle request;

    bool open(std::u16string_view url_text, const wchar_t* method, Timeouts t,
              std::u16string& error) {
        url = wide_copy(url_text);
        URL_COMPONENTS uc{};
        uc.dwStructSize = sizeof uc;
        uc.dwSchemeLength = static_cast<DWORD>(-1);
        uc.dwHostNameLength = static_cast<DWORD>(-1);
        uc.dwUrlPathLength = static_cast<DWORD>(-1);
        uc.dwExtraInfoLength = static_cast<DWORD>(-1);
        if (!WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &uc)) {
            error = u"URL 解析失败: " + std::u16string(url_text);
            return false;
        }
        host.assign(uc.lpszHostName, uc.dwHostNameLength);
        path.assign(uc.lpszUrlPath ? uc.lpszUrlPath : L"", uc.dwUrlPathLength);
        if (uc.lpszExtraInfo)
            path.append(uc.lpszExtraInfo, uc.dwExtraInfoLength);
        if (path.empty())
            path = L"/";
        secure = uc.nScheme == INTERNET_SCHEME_HTTPS;

        session.reset(WinHttpOpen(L"Norvane/1.0", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                  WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
        if (!session) {
            error = u"WinHttpOpen 失败";
            return false;
        }
        WinHttpSetTimeouts(session.get(), t.resolve, t.connect, t.send, t.receive);
        connection.reset(WinHttpConnect(session.get(), host.c_str(), uc.nPort, 0));
        if (!connection) {
            error = u"无法连接服务器: " + from_wide(host);
            return false;
        }
        request.reset(WinHttpOpenRequest(connection.get(), method, path.c_str(), nullptr,
                                         WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                         secure ? WINHTTP_FLAG_SECURE : 0));
        if (!request) {
            error = u"创建请求失败";
            return false;
        }
        return true;
    }

    std::optional<uint64_t> content_length() {
        wchar_t text[32] = {};
        DWORD size = sizeof text;
        if (!WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_CONTENT_LENGTH,
                                 WINHTTP_HEADER_NAME_BY_INDEX, text, &size,
                                 WINHTTP_NO_HEADER_INDEX))
            return std::nullopt;
        std::size_t used = 0;
        int32_t n = wcstol_like(from_wide(text), &used);
        if (used == 0 || n < 0)
            return std::nullopt;
        return static_cast<uint64_t>(n);
    }

    bool chunked() {
        wchar_t text[64] = {};
        DWORD size = sizeof text;
        if (!WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_TRANSFER_ENCODING,
                                 WINHTTP_HEADER_NAME_BY_INDEX, text, &size,
                                 WINHTTP_NO_HEADER_INDEX))
            return false;
        std::wstring value(text);
        for (wchar_t& c : value) c = static_cast<wchar_t>(towlower(c));
        return value.find(L"chunked") != std::wstring::npos;
    }

    uint32_t status() {
        DWORD code = 0;
        DWORD size = sizeof code;
        WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                            WINHTTP_HEADER_NAME_BY_INDEX, &code, &size, WINHTTP_NO_HEADER_INDEX);
        return code;
    }
};

}  // namespace

HttpResult http_json_request(std::u16string_view method, std::u16string_view url,
                             std::u16string_view body, std::u16string_view extra_headers) {
    HttpResult result;
    Exchange ex;
    std::wstring wmethod = wide_copy(method);
    if (!ex.open(url, wmethod.c_str(), {8000, 8000, 10000, 20000}, result.error))
        return result;

    std::wstring headers =
        L"Content-Type: application/json; charset=utf-8\r\nAccept: application/json\r\n";
    if (!extra_headers.empty())
        headers += wide_copy(extra_headers) + L"\r\n";
    // The UTF-8 copy of a sign-in body holds the password: wiped on every way out.
    struct WipedBytes {
        std::string bytes;
        ~WipedBytes() { wipe(bytes); }
    } data{utf16_to_utf8(body)};
    LPVOID optional = data.bytes.empty() ? WINHTTP_NO_REQUEST_DATA : data.bytes.data();
    auto length = static_cast<DWORD>(data.bytes.size());
    bool sent = WinHttpSendRequest(ex.request.get(), headers.c_str(), static_cast<DWORD>(-1L),
                                   optional, length, length, 0) &&
                WinHttpReceiveResponse(ex.request.get(), nullptr);
    if (!sent) {
        result.error = last_error_text();
        return result;
    }
    result.status = ex.status();

    // Only a zero count ends the body. A failing query or read means the connection broke off
    // (a chunked answer cut short, say): that is a failed request, never a shorter body.
    // A body that ends early is a failed request, never a shorter body. WinHTTP on Windows
    // fails the read when the connection breaks off; Wine's ends the body quietly, so the
    // length is checked here too: against Content-Length when the server announced one, and
    // for a chunked answer (whose end only WinHTTP sees) by requiring the one complete JSON
    // value that every answer of our services is.
    // Read straight into the body in large pieces: a list answer of megabytes would otherwise
    // take hundreds of small reads, each a round trip through WinHTTP.
    std::optional<uint64_t> announced = ex.content_length();
    std::string bytes;
    if (announced && *announced < (uint64_t{1} << 30))
        bytes.reserve(static_cast<std::size_t>(*announced));
    constexpr std::size_t kPiece = 1 << 20;
    for (;;) {
        std::size_t used = bytes.size();
        bytes.resize(used + kPiece);
        DWORD read = 0;
        if (!WinHttpReadData(ex.request.get(), bytes.data() + used, static_cast<DWORD>(kPiece),
                             &read)) {
            result.error = last_error_text();
            return result;
        }
        bytes.resize(used + read);
        if (read == 0)
            break;
    }
    bool cut = announced ? *announced != bytes.size() : false;
    if (!announced && ex.chunked()) {
        JsonValue parsed;
        cut = !json_parse(bytes, parsed);
    }
    if (cut) {
        result.error = u"网络请求失败（应答不完整）";
        return result;
    }
    result.body = std::move(bytes);
    result.network_ok = true;
    return result;
}

bool http_download(std::u16string_view url, std::u16string_view path, std::u16string& error) {
    Exchange ex;
    if (!ex.open(url, L"GET", {8000, 8000, 15000, 60000}, error))
        return false;
    if (!WinHttpSendRequest(ex.request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                            WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !WinHttpReceiveResponse(ex.request.get(), nullptr)) {
        error = last_error_text();
        return false;
    }
    uint32_t status = ex.status();
    if (status != 200) {
        char buf[48];
        std::snprintf(buf, sizeof buf, "%lu", static_cast<unsigned long>(status));
        error = u"服务器返回 " + ascii_to_u16(buf);
        return false;
    }
    std::wstring wpath = wide_copy(path);
    UniqueHandle file(CreateFileW(wpath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        error = u"无法写入文件: " + std::u16string(path);
        return false;
    }
    // Only a zero count ends the transfer. A failing availability query means the connection
    // broke off, and so does an end before the announced Content-Length: counting either as
    // the end would report a truncated package as downloaded.
    DWORD announced = 0;
    DWORD announced_size = sizeof announced;
    bool has_length = WinHttpQueryHeaders(
        ex.request.get(), WINHTTP_QUERY_CONTENT_LENGTH | WINHTTP_QUERY_FLAG_NUMBER,
        WINHTTP_HEADER_NAME_BY_INDEX, &announced, &announced_size, WINHTTP_NO_HEADER_INDEX);
    unsigned long long received = 0;
    bool ok = true;
    for (;;) {
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(ex.request.get(), &available)) {
            ok = false;
            break;
        }
        if (available == 0)
            break;
        std::vector<char> chunk(available, '\0');
        DWORD read = 0;
        if (!WinHttpReadData(ex.request.get(), chunk.data(), available, &read) || read == 0) {
            ok = false;
            break;
        }
        DWORD written = 0;
        if (!WriteFile(file.get(), chunk.data(), read, &written, nullptr) || written != read) {
            ok = false;
            break;
        }
        received += read;
    }
    if (ok && has_length && received != announced)
        ok = false;
    if (ok && !FlushFileBuffers(file.get()))
        ok = false;  // written data must reach the disk
    file.reset();
    if (!ok) {
        error = u"下载中断或写入失败";
        DeleteFileW(wpath.c_str());
        return false;
    }
    return true;
}

}  // namespace nv
