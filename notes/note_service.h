// The data-service client: the six calls, their bodies, the answer envelope and the mapping of
// answers onto the records. Every call blocks its thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/json.h"
#include "net/http_client.h"
#include "net/service_call.h"
#include "notes/records.h"

namespace nv {

struct [[nodiscard]] ServiceResult {
    bool ok = false;
    uint32_t status = 0;     // the HTTP status; 0 when no answer came
    std::u16string message;  // ready to show; empty on success
    JsonValue response;      // the parsed envelope; null when nothing parsed
};

// The answer under the envelope rule; a failure's message is the service's own, else "<label>失败"
// (with the reason when nothing or nothing readable came back).
ServiceResult envelope_check(HttpResult http, std::u16string_view label);

// Request bodies, compact and in fixed member order. Empty when a quantity or price is not a finite
// number: JSON cannot carry it.
std::optional<std::u16string> note_body(const DeliveryNote& note, std::u16string_view user_id,
                                        bool create);
std::u16string delete_body(int32_t id, std::u16string_view user_id);

ServiceResult service_login(std::u16string_view base, std::u16string_view account,
                            std::u16string_view password, bool enterprise, User& user);
// The calls after login name the user and send the session's token (when there is one).
struct DataCaller {
    std::u16string_view base;
    std::u16string_view user_id;
    std::u16string_view token;
};

// On success `notes` is replaced; on failure it is left as it was.
ServiceResult service_list_notes(const DataCaller& who, std::vector<DeliveryNote>& notes);
// Create (note.id is set from the answer's top-level "id") or update.
ServiceResult service_save_note(const DataCaller& who, DeliveryNote& note, bool create);
ServiceResult service_delete_note(const DataCaller& who, int32_t id);
// On success with a "data" member, `company` becomes its "enterprise_name".
ServiceResult service_company_info(const DataCaller& who, std::u16string& company);
// Sign-out: the service forgets the session's token.
ServiceResult service_logout(std::u16string_view base, std::u16string_view token);

}  // namespace nv
