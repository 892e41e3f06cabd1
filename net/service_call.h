// What every call to the data and finance services shares: the base URL as configured, query
// and path values, the sign-in body, the bearer header and the answer envelope.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/json.h"

namespace nv {

// Every trailing "/" and blank removed, repeatedly.
std::u16string trim_base_url(std::u16string_view base);

// Query values and path segments are percent-encoded as UTF-8 (everything but A-Z a-z 0-9
// - . _ ~), so that an id holding "&", "#", "/", a blank or Chinese text still names that id.
// Ids the services issue, such as 42 or USER_1700000000000, come out unchanged.
std::u16string query_encode(std::u16string_view value);

// The sign-in body of both services, compact and in fixed member order.
std::u16string login_body(std::u16string_view account, std::u16string_view password,
                          bool enterprise);

// The header line that carries a token; nothing without one, so that a service that issues
// none is called exactly as before.
std::u16string bearer_header(std::u16string_view token);

// The envelope rule: success only for an object whose first "success" member is boolean true.
bool envelope_success(const JsonValue& answer);
// The envelope's "message" as text (a number is written as one); nothing when it has none.
std::optional<std::u16string> envelope_message(const JsonValue& answer);

}  // namespace nv
