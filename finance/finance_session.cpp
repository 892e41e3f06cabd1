#include "finance/finance_session.h"

#include "base/json.h"
#include "base/text.h"
#include "net/http_client.h"
#include "net/service_call.h"

namespace nv {

FinanceSession& finance_session() {
    static FinanceSession s;
    return s;
}

bool silent_finance_login(std::u16string_view base, std::u16string_view account,
                          std::u16string_view password, bool enterprise) {
    std::u16string url = trim_base_url(base);
    std::u16string body = login_body(account, password, enterprise);
    HttpResult http = http_json_request(u"POST", url + u"/api/v1/native/login", body, u"");
    wipe(body);
    if (!http.network_ok || http.status != 200)
        return false;
    JsonValue v;
    if (!json_parse(std::move(http.body), v) || !envelope_success(v))
        return false;
    std::optional<JsonValue> data = json_find(v, u"data");
    std::u16string token = data ? json_text(*data, u"token", u"") : std::u16string();
    if (token.empty())
        return false;
    FinanceSession& s = finance_session();
    wipe(s.token);
    s.token = std::move(token);
    s.base_url = url;
    return true;
}

void clear_finance_session() {
    FinanceSession& s = finance_session();
    wipe(s.token);
    s.token.clear();
    s.base_url.clear();
}

}  // namespace nv
