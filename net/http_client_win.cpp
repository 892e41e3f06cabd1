// The HTTP client over WinHTTP. Every handle is owned by a small wrapper, so each exit path
// closes exactly what it opened (request, then connection, then session).
#include <windows.h>
#include <winhttp.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/text.h"
#include "net/http_client.h"

namespace nv {

namespace {

class Handle {
public:
    explicit Handle(HINTERNET h = nullptr) : h_(h) {}
    ~Handle() {
        if (h_) WinHttpCloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    void reset(HINTERNET h) {
        if (h_) WinHttpCloseHandle(h_);
        h_ = h;
    }
    HINTERNET get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }

private:
    HINTERNET h_;
};

std::wstring W(std::u16string_view s) {
    return std::wstring(reinterpret_cast<const wchar_t*>(s.data()), s.size());
}

std::u16string U(const std::wstring& s) {
    return std::u16string(reinterpret_cast<const char16_t*>(s.data()), s.size());
}

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
        url = W(url_text);
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
        if (uc.lpszExtraInfo) path.append(uc.lpszExtraInfo, uc.dwExtraInfoLength);
        if (path.empty()) path = L"/";
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
            error = u"无法连接服务器: " + U(host);
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
    std::wstring wmethod = W(method);
    if (!ex.open(url, wmethod.c_str(), {8000, 8000, 10000, 20000}, result.error)) return result;

    std::wstring headers =
        L"Content-Type: application/json; charset=utf-8\r\nAccept: application/json\r\n";
    if (!extra_headers.empty()) headers += W(extra_headers) + L"\r\n";
    std::string data = utf16_to_utf8(body);
    LPVOID optional = data.empty() ? WINHTTP_NO_REQUEST_DATA : data.data();
    auto length = static_cast<DWORD>(data.size());
    if (!WinHttpSendRequest(ex.request.get(), headers.c_str(), static_cast<DWORD>(-1L), optional,
                            length, length, 0) ||
        !WinHttpReceiveResponse(ex.request.get(), nullptr)) {
        result.error = last_error_text();
        return result;
    }
    result.status = ex.status();

    std::string bytes;
    for (;;) {
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(ex.request.get(), &available) || available == 0) break;
        std::vector<char> chunk(available, '\0');
        DWORD read = 0;
        if (!WinHttpReadData(ex.request.get(), chunk.data(), available, &read) || read == 0) break;
        bytes.append(chunk.data(), read);
    }
    result.body = utf8_to_utf16(bytes);
    result.network_ok = true;
    return result;
}

bool http_download(std::u16string_view url, std::u16string_view path, std::u16string& error) {
    Exchange ex;
    if (!ex.open(url, L"GET", {8000, 8000, 15000, 60000}, error)) return false;
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
    std::wstring wpath = W(path);
    HANDLE file = CreateFileW(wpath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
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
        if (available == 0) break;
        std::vector<char> chunk(available, '\0');
        DWORD read = 0;
        if (!WinHttpReadData(ex.request.get(), chunk.data(), available, &read) || read == 0) {
            ok = false;
            break;
        }
        DWORD written = 0;
        if (!WriteFile(file, chunk.data(), read, &written, nullptr) || written != read) {
            ok = false;
            break;
        }
        received += read;
    }
    if (ok && has_length && received != announced) ok = false;
    if (!CloseHandle(file)) ok = false;
    if (!ok) {
        error = u"下载中断或写入失败";
        DeleteFileW(wpath.c_str());
        return false;
    }
    return true;
}

}  // namespace nv
