// Fakes of the platform seams for the core unit tests (linked instead of the *_win.cpp files).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "net/http_client.h"

namespace nv::fake {

// A path for a file of this name in the system's temporary folder, unique to this run (no test
// writes into the folder it is started from). Nothing is created.
std::string temp_path(std::string_view name);

// The time local_now() returns until set again.
void set_local_now(const LocalTime& t);

// An in-memory config.ini: profile_read / profile_write work on it.
void profile_clear();
void profile_set(std::u16string_view path, std::u16string_view section, std::u16string_view key,
                 std::u16string_view value);

// HTTP: answers are handed out in order (a network failure when none is left); every request
// is recorded.
struct HttpCall {
    std::u16string method, url, body, headers;
};
void http_reset();
void http_answer(HttpResult r);
void http_answer_json(uint32_t status, std::u16string_view body);
const std::vector<HttpCall>& http_calls();
// What the next downloads write to their path (their body records the path); nothing makes them
// fail as a 404 does.
void http_download_gives(std::optional<std::string> bytes);

}  // namespace nv::fake
