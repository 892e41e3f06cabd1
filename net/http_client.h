// The two blocking HTTP operations of the program, over WinHTTP (http_client_win.cpp). Each call
// opens and closes its own session: no connection reuse, cookies, retries or caching.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace nv {

struct [[nodiscard]] HttpResult {
    bool network_ok = false;  // a response arrived, whatever its status
    uint32_t status = 0;
    std::string body;      // the response body as received (UTF-8)
    std::u16string error;  // when network_ok is false
};

// Sends `body` (as UTF-8; nothing when empty) with the two JSON header lines plus
// `extra_headers` (header lines without the final line break; may be empty).
HttpResult http_json_request(std::u16string_view method, std::u16string_view url,
                             std::u16string_view body, std::u16string_view extra_headers);

// Streams a GET response of status 200 into `path`. On failure `error` says why and no file is
// left behind.
[[nodiscard]] bool http_download(std::u16string_view url, std::u16string_view path,
                                 std::u16string& error);

}  // namespace nv
