// What the route families of the services share: reading request bodies and parameters,
// answering envelopes, and each family's routes.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/json.h"
#include "server/api.h"
#include "server/http.h"
#include "server/store.h"

namespace srv::api {

using http::Request;
using http::Response;
using nv::JsonKind;
using nv::JsonValue;

// A string's decoded text or a number's token as it was sent.
std::string scalar_text(const JsonValue& v);

void send(Response& res, int status, std::string body);
// An envelope {"success":false,"message":...} with that status.
void fail(Response& res, int status, std::string_view message);

// Reading a request body: each accessor records the first problem as a Chinese message.
struct Body {
    JsonValue root;
    std::string error;

    std::optional<JsonValue> member(const JsonValue& obj, const char* key, JsonKind kind,
                                    const char* what);
    std::string text(const JsonValue& obj, const char* key, const char* what);
};

// Parses the body as a JSON object; answers 400 and returns nothing when it is not one.
std::optional<Body> read_body(const Request& req, Response& res);

// Text from a request as it may go into the log: a control character (a decoded %0A, say)
// would start a forged line, so each is written as \xNN.
std::string log_safe(std::string_view text);

// One query parameter read strictly from the raw request target: "name=value" exactly once,
// the value without a further "=".
enum class Param { Missing, Malformed, Ok };
Param strict_param(const Request& req, std::string_view name, std::string& value);

std::optional<int64_t> parse_id(std::string_view s);
// A note id or user id in a body: an integer number, or its decimal text.
std::optional<int64_t> id_member(Body& b, const char* key, const char* what);

// The token of an "Authorization: Bearer" header (the scheme in any case), or "".
std::string bearer_token(const Request& req);

// Who calls a data route: the session's user, or anyone when the service is open.
struct Caller {
    bool anyone = false;
    int64_t user_id = 0;
    bool may_act_for(int64_t user) const { return anyone || user == user_id; }
};
// The caller, or nothing after answering 401.
std::optional<Caller> data_caller(Store& store, const Request& req, Response& res);

// The user a query parameter names, when the caller may act for them; nothing after answering
// 400, or 404 for a user that does not exist for this caller.
std::optional<User> user_from_query(Store& store, const Caller& caller, const Request& req,
                                    Response& res, const char* param);

// A handler whose exceptions end here: logged (escaped) and answered with an envelope.
http::Handler guarded(http::Handler fn);
// A handler of the store.
http::Handler on_store(Store& store, void (*fn)(Store&, const Request&, Response&));

void add_user_routes(http::Server& server, Store& store, const ServeOptions& options);
void add_note_routes(http::Server& server, Store& store, const ServeOptions& options);
void add_finance_routes(http::Server& server, Store& store);
void add_release_routes(http::Server& server, Store& store, const ServeOptions& options);

}  // namespace srv::api
