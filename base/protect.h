// Secrets the program keeps between runs that would let someone act as the user (the session
// token of the data service): on disk only sealed for the signed-in Windows user, with the
// platform's data protection, never as plain text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace nv {

// Seals bytes for the current Windows user; nothing when the platform refuses (protect_win.cpp).
std::optional<std::string> protect_for_user(std::string_view plain);
// The bytes again; nothing for damaged data or data another user sealed.
std::optional<std::string> unprotect_for_user(std::string_view sealed);

// The config.ini text of a secret: its sealed bytes in hex; "" for an empty secret or when
// sealing fails, so that nothing readable is ever written.
std::u16string seal_secret(std::u16string_view secret);
// The secret again; "" when the text is not one this user sealed (damaged, or copied from
// another machine or user).
std::u16string open_secret(std::u16string_view text);

}  // namespace nv
