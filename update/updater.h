// The updater: once per run a background thread reads the release manifest, and when it names a
// newer version than the built-in one, downloads the package into the public folder; at exit a
// hidden PowerShell installs it. The thread and the process start are updater_win.cpp; what
// they decide is here.
#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace nv {

// major.minor.patch read as "%d.%d.%d" reads them: what cannot be read stays 0.
struct VersionNumber {
    int major = 0, minor = 0, patch = 0;
    auto operator<=>(const VersionNumber&) const = default;
};
VersionNumber read_version(std::u16string_view text);

// The text between the quotes after `"key"` and its colon, unchanged; empty when missing. A
// plain scan of the manifest text, not a JSON parse.
std::u16string quoted_value(std::u16string_view text, std::u16string_view key);

// A version text that may go into a file name and a command line: 1 to 64 characters of
// letters, digits, '.', '_' and '-'.
bool safe_version_text(std::u16string_view version);
// An absolute http or https URL.
bool http_url(std::u16string_view url);

// PUBLIC when it is set, not empty and at most 259 characters; else C:\Users\Public.
std::u16string package_folder(const std::optional<std::u16string>& public_env);
std::u16string package_path(std::u16string_view folder, std::u16string_view version);
std::u16string install_command_line(std::u16string_view package_path);

// Written by the update thread; `ready` is set last and read first.
struct PendingUpdate {
    std::u16string version;
    std::u16string path;
    std::atomic<bool> ready{false};
};
PendingUpdate& pending_update();

// The update thread's work: manifest, compare, download; every step logged. `announce` is
// called once the package is in place.
void run_update_check(std::u16string_view base_url, const std::optional<std::u16string>& public_env,
                      const std::function<void()>& announce);

// The command line to start at exit, when an update is ready.
std::optional<std::u16string> exit_install_command();

// The status-bar notice of the update-ready message.
std::u16string update_ready_notice();

}  // namespace nv
