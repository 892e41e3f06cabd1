#include "update/updater.h"

#include "base/app_identity.h"
#include "base/files.h"
#include "base/log.h"
#include "base/text.h"
#include "net/http_client.h"

namespace nv {

namespace {

// One "%d" of sscanf: blanks, an optional sign, digits. False when no digit follows.
bool scan_int(std::u16string_view text, std::size_t& at, int& out) {
    while (at < text.size() && (text[at] == u' ' || (text[at] >= u'\t' && text[at] <= u'\r'))) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == u'+' || text[at] == u'-'))
        negative = text[at++] == u'-';
    std::size_t start = at;
    long long value = 0;
    while (at < text.size() && text[at] >= u'0' && text[at] <= u'9') {
        if (value < 1'000'000'000'000LL)
            value = value * 10 + (text[at] - u'0');
        ++at;
    }
    if (at == start)
        return false;
    value = std::min<long long>(value, 2147483647);  // beyond an int: the largest one
    out = static_cast<int>(negative ? -value : value);
    return true;
}

}  // namespace

VersionNumber read_version(std::u16string_view text) {
    VersionNumber v;
    std::size_t at = 0;
    if (!scan_int(text, at, v.major) || at >= text.size() || text[at++] != u'.')
        return v;
    if (!scan_int(text, at, v.minor) || at >= text.size() || text[at++] != u'.')
        return v;
    scan_int(text, at, v.patch);
    return v;
}

std::u16string quoted_value(std::u16string_view text, std::u16string_view key) {
    std::u16string needle = u"\"" + std::u16string(key) + u"\"";
    std::size_t at = text.find(needle);
    if (at == std::u16string_view::npos)
        return {};
    std::size_t colon = text.find(u':', at + needle.size());
    if (colon == std::u16string_view::npos)
        return {};
    std::size_t open = text.find(u'"', colon + 1);
    if (open == std::u16string_view::npos)
        return {};
    std::size_t close = text.find(u'"', open + 1);
    if (close == std::u16string_view::npos)
        return {};
    return std::u16string(text.substr(open + 1, close - open - 1));
}

bool safe_version_text(std::u16string_view version) {
    if (version.empty() || version.size() > 64)
        return false;
    for (char16_t c : version) {
        bool ok = (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') ||
                  (c >= u'A' && c <= u'Z') || c == u'.' || c == u'_' || c == u'-';
        if (!ok)
            return false;
    }
    return true;
}

bool http_url(std::u16string_view url) {
    auto starts = [&](std::u16string_view scheme) {
        if (url.size() <= scheme.size())
            return false;
        for (std::size_t i = 0; i < scheme.size(); ++i) {
            char16_t c = url[i];
            if (c >= u'A' && c <= u'Z')
                c = static_cast<char16_t>(c - u'A' + u'a');
            if (c != scheme[i])
                return false;
        }
        return true;
    };
    return starts(u"http://") || starts(u"https://");
}

std::u16string package_folder(const std::optional<std::u16string>& public_env) {
    if (public_env && !public_env->empty() && public_env->size() <= 259)
        return *public_env;
    return u"C:\\Users\\Public";
}

std::u16string package_path(std::u16string_view folder, std::u16string_view version) {
    return std::u16string(folder) + u"\\Norvane-update-" + std::u16string(version) + u".msix";
}

std::u16string install_command_line(std::u16string_view package_path) {
    return u"powershell.exe -NoProfile -NonInteractive -ExecutionPolicy Bypass -Command \""
           u"Start-Sleep -Seconds 2; try { Add-AppxPackage -Path '" +
           std::u16string(package_path) + u"' } catch { exit 1 }\"";
}

PendingUpdate& pending_update() {
    static PendingUpdate p;
    return p;
}

void run_update_check(std::u16string_view base_url, const std::optional<std::u16string>& public_env,
                      const std::function<void()>& announce) {
    LogStream& log = app_log();
    log.line("updater: check start");
    HttpResult http =
        http_json_request(u"GET", std::u16string(base_url) + u"/releases/Norvane.json", u"", u"");
    if (!http.network_ok || http.status != 200) {
        log.line("updater: json fetch failed netOk=%d status=%u", http.network_ok ? 1 : 0,
                 static_cast<unsigned>(http.status));
        return;
    }
    std::u16string manifest = utf8_to_utf16(http.body);
    std::u16string version = quoted_value(manifest, u"version");
    std::u16string package = quoted_value(manifest, u"package");
    if (version.empty() || package.empty()) {
        log.line("updater: bad json");
        return;
    }
    // The version text becomes a file name and sits between single quotes on a PowerShell
    // command line: anything that could leave the quotes or the folder is refused, and so is a
    // package that is not fetched over HTTP.
    if (!safe_version_text(version)) {
        log.line("updater: bad manifest (version text refused)");
        return;
    }
    if (!http_url(package)) {
        log.line("updater: bad manifest (package URL is not http or https)");
        return;
    }
    std::string version8 = utf16_to_utf8(version);
    if (read_version(version) <= read_version(kBuiltInVersion)) {
        log.line("updater: up to date (remote %s)", version8.c_str());
        return;
    }
    std::u16string path = package_path(package_folder(public_env), version);
    // The path stands between single quotes on the install command line: a folder holding a
    // quote PowerShell reads as one (' and U+2018 to U+201B) is refused.
    if (path.find_first_of(u"'\u2018\u2019\u201A\u201B") != std::u16string::npos) {
        log.line("updater: public folder refused (it holds a quote)");
        return;
    }
    // Only a complete package ever has the final name: it is downloaded beside it and moved
    // into place, and one already there from an earlier start is not fetched again.
    if (file_exists(path)) {
        log.line("updater: new version %s already downloaded", version8.c_str());
    } else {
        log.line("updater: new version %s found, downloading", version8.c_str());
        std::u16string partial = path + u".part";
        std::u16string error;
        if (!http_download(package, partial, error)) {
            log.line("updater: download failed: %s", utf16_to_utf8(error).c_str());
            return;
        }
        if (!move_file(partial, path)) {
            log.line("updater: download could not be moved into place");
            return;
        }
        log.line("updater: downloaded %s", utf16_to_utf8(path).c_str());
    }
    PendingUpdate& pending = pending_update();
    pending.path = path;
    pending.version = version;
    pending.ready.exchange(true);
    if (announce)
        announce();
}

std::optional<std::u16string> exit_install_command() {
    PendingUpdate& pending = pending_update();
    if (!pending.ready.load() || pending.path.empty())
        return std::nullopt;
    return install_command_line(pending.path);
}

std::u16string update_ready_notice() {
    return u"新版本 " + pending_update().version + u" 已下载就绪，关闭客户端后将自动安装";
}

}  // namespace nv
