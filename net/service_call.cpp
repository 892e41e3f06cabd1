#include "net/service_call.h"

#include "base/text.h"

namespace nv {

std::u16string trim_base_url(std::u16string_view base) {
    while (!base.empty() && (base.back() == u'/' || base.back() == u' ')) base.remove_suffix(1);
    return std::u16string(base);
}

std::u16string query_encode(std::u16string_view value) {
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    std::u16string out;
    for (unsigned char b : utf16_to_utf8(value)) {
        bool plain = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') ||
                     b == '-' || b == '.' || b == '_' || b == '~';
        if (plain) {
            out.push_back(b);
        } else {
            out.push_back(u'%');
            out.push_back(kHex[b >> 4]);
            out.push_back(kHex[b & 15]);
        }
    }
    return out;
}

std::u16string login_body(std::u16string_view account, std::u16string_view password,
                          bool enterprise) {
    std::u16string body = u"{\"account\":\"";
    body += json_escape(account);
    body += u"\",\"password\":\"";
    std::u16string secret = json_escape(password);
    body += secret;
    wipe(secret);  // the caller wipes the body; this copy is wiped here
    body += u"\",\"userType\":\"";
    body += enterprise ? u"enterprise" : u"personal";
    body += u"\"}";
    return body;
}

std::u16string bearer_header(std::u16string_view token) {
    return token.empty() ? std::u16string() : u"Authorization: Bearer " + std::u16string(token);
}

bool envelope_success(const JsonValue& answer) {
    std::optional<JsonValue> success = json_find(answer, u"success");
    return success && success->kind() == JsonKind::Boolean && success->flag();
}

std::optional<std::u16string> envelope_message(const JsonValue& answer) {
    std::optional<JsonValue> message = json_find(answer, u"message");
    if (message && message->kind() == JsonKind::String)
        return message->text();
    if (message && message->kind() == JsonKind::Number)
        return number_text(message->number());
    return std::nullopt;
}

}  // namespace nv
