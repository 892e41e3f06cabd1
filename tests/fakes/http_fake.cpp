#include <cstdio>
#include <deque>

#include "base/text.h"
#include "fakes/fakes.h"
#include "net/http_client.h"

namespace nv {

namespace {
std::deque<HttpResult> g_answers;
std::vector<fake::HttpCall> g_calls;
std::optional<std::string> g_download;  // what a download writes; nothing: it fails
}  // namespace

void fake::http_reset() {
    g_answers.clear();
    g_calls.clear();
    g_download.reset();
}

void fake::http_answer(HttpResult r) {
    g_answers.push_back(std::move(r));
}

void fake::http_answer_json(uint32_t status, std::u16string_view body) {
    HttpResult r;
    r.network_ok = true;
    r.status = status;
    r.body = utf16_to_utf8(body);
    g_answers.push_back(r);
}

const std::vector<fake::HttpCall>& fake::http_calls() {
    return g_calls;
}

HttpResult http_json_request(std::u16string_view method, std::u16string_view url,
                             std::u16string_view body, std::u16string_view extra_headers) {
    g_calls.push_back({std::u16string(method), std::u16string(url), std::u16string(body),
                       std::u16string(extra_headers)});
    if (g_answers.empty()) {
        HttpResult r;
        r.error = u"无法连接服务器: fake";
        return r;
    }
    HttpResult r = g_answers.front();
    g_answers.pop_front();
    return r;
}

bool http_download(std::u16string_view url, std::u16string_view path, std::u16string& error) {
    g_calls.push_back({u"DOWNLOAD", std::u16string(url), std::u16string(path), u""});
    if (!g_download) {
        error = u"服务器返回 404";
        return false;
    }
    std::FILE* f = std::fopen(utf16_to_utf8(path).c_str(), "wb");
    bool ok = f && std::fwrite(g_download->data(), 1, g_download->size(), f) == g_download->size();
    if (f)
        ok = std::fclose(f) == 0 && ok;
    return ok;
}

void fake::http_download_gives(std::optional<std::string> bytes) {
    g_download = std::move(bytes);
}

}  // namespace nv
