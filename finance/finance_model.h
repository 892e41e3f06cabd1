// What the finance window knows and decides: the finance request with its envelope rule, the
// finance sign-in, the tenant switcher, the voucher draft with its checks and totals, the recent
// vouchers, tenants and shards. The window (finance_window_win.cpp) only decodes messages, calls
// these and shows their results; what it must show or ask on the way goes through
// FinancePrompts, which the tests replace.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/json.h"

namespace nv {

// One input of the form dialog. With options it is an editable drop-down holding them.
struct Field {
    std::u16string label;
    std::u16string value;
    bool password = false;
    std::vector<std::u16string> options;
};

// Returns the empty text to accept, else the message the dialog shows.
using FormSubmit = std::function<std::u16string(std::vector<Field>&)>;

struct FinancePrompts {
    std::function<void(bool)> busy;                           // wait cursor on and off
    std::function<void(std::u16string_view)> request_failed;  // the "请求失败" box
    // Yes/No with a question icon; true for Yes.
    std::function<bool(std::u16string_view text, std::u16string_view title)> ask;
    // A "提示" box; with the exclamation icon or without an icon.
    std::function<void(std::u16string_view text, bool exclamation)> notice;
    // The finance sign-in dialog, when a session ended while the window was open; true when
    // the user signed in again.
    std::function<bool()> sign_in;
};

struct VoucherLine {
    std::u16string summary;
    std::u16string account;  // the full display text of an account
    int64_t debit = 0;       // cents
    int64_t credit = 0;
};

struct VoucherDraft {
    std::u16string number = u"001";
    std::u16string date;
    std::u16string summary;
    std::vector<VoucherLine> lines;
    bool dirty = false;
};

enum FinanceSection {
    kSectionVoucher = 0,
    kSectionRecent = 1,
    kSectionTenants = 2,
    kSectionShards = 3
};

struct FinanceState {
    std::u16string base_url;  // trailing "/" removed
    std::u16string tenant_id;
    std::u16string tenant_name;
    std::u16string ended_tenant_id;  // the tenant in use when a 401 ended the session
    VoucherDraft draft;
    JsonValue tenants;   // "data" of the last tenant list
    JsonValue vouchers;  // "data" of the last recent-voucher list
    std::vector<std::u16string> accounts;
    bool admin = false;
    int section = kSectionVoucher;
    FinancePrompts prompts;
};

// A new window's state: the base URL with every trailing "/" removed, today's date on the draft.
FinanceState new_finance_state(std::u16string_view base_url);

// Sends through the service root with the envelope rule; on failure shows one "请求失败" box
// with the service's message. A 401 also ends the session: token and current tenant cleared.
[[nodiscard]] bool finance_request(FinanceState& state, std::u16string_view method,
                                   std::u16string_view path, std::u16string_view body,
                                   JsonValue& answer, bool bearer);

// The finance session belongs to this window's base URL and holds a token.
bool finance_session_valid(std::u16string_view base_url);

// Called before each action that needs the service. After a 401 ended the session, the sign-in
// dialog comes again, and once signed in the tenants are read and the one in use before is
// taken back if the new session lists it; the draft stays as it was. False when the user
// cancelled the sign-in or the tenants could not be read: the action then does nothing.
[[nodiscard]] bool ensure_finance_session(FinanceState& state);

// The finance login dialog's fields and its submit check (which signs in).
std::vector<Field> finance_login_fields();
std::u16string submit_finance_login(FinanceState& state, std::vector<Field>& fields);

// Tenants. load_tenants keeps the current tenant when it is still listed, else takes the first.
[[nodiscard]] bool load_tenants(FinanceState& state);
std::vector<std::u16string> tenant_entries(const FinanceState& state);  // "code · name"
int current_tenant_index(const FinanceState& state);                    // -1: none
// The switcher chose entry `index`. False when nothing changed (a dirty draft kept on No, or
// an index outside the list): the window then selects current_tenant_index again.
bool choose_tenant(FinanceState& state, int index);

// Asks before a dirty draft is thrown away; true when it may go.
bool may_discard_draft(FinanceState& state);
void clear_draft(FinanceState& state);  // lines and summary; number and date stay

// The voucher section.
std::u16string voucher_header_text(const VoucherDraft& draft);
std::vector<std::array<std::u16string, 5>> voucher_line_rows(const VoucherDraft& draft);
std::u16string voucher_totals_status(const FinanceState& state);
std::u16string check_voucher_date(std::u16string_view date);  // empty when valid
std::vector<Field> voucher_header_fields(const VoucherDraft& draft);
std::u16string submit_voucher_header(VoucherDraft& draft, std::vector<Field>& fields);
// The account whose display text the typed text names: equal, or the only one containing it.
std::optional<std::u16string> resolve_account(const std::vector<std::u16string>& accounts,
                                              std::u16string_view text);
// Fetches the account list once (again only when the first fetch gave nothing).
void ensure_accounts(FinanceState& state);
std::vector<Field> voucher_line_fields(const FinanceState& state, const VoucherLine& line);
std::u16string submit_voucher_line(const FinanceState& state, std::vector<Field>& fields,
                                   VoucherLine& line);
std::u16string voucher_body(const VoucherDraft& draft);
// Checks, sends and on success empties the draft. Returns the status line text on success.
std::optional<std::u16string> save_voucher(FinanceState& state);
bool clear_voucher(FinanceState& state);  // false when the user kept the draft

// The recent vouchers.
[[nodiscard]] bool load_vouchers(FinanceState& state);
std::vector<std::array<std::u16string, 5>> voucher_rows(const FinanceState& state);
std::u16string voucher_detail(const JsonValue& voucher);

// Tenants and shards administration.
std::vector<std::array<std::u16string, 3>> tenant_rows(const FinanceState& state);
std::vector<Field> tenant_fields();
std::u16string submit_tenant(FinanceState& state, std::vector<Field>& fields);
std::u16string create_tenant_body(std::u16string_view name, std::u16string_view code);
// Nothing when the list could not be read (the failure was shown).
std::optional<std::vector<std::array<std::u16string, 5>>> load_shards(FinanceState& state);
std::u16string shard_utilisation(const JsonValue& shard);
bool add_shard(FinanceState& state);  // asks first; true when a shard was added

// Sizes in pixels of the finance window: the scaled size and minimum, both kept within the
// monitor's work area so that the status line at the bottom stays on screen.
struct FinanceWindowSize {
    int width, height, min_width, min_height;
};
FinanceWindowSize finance_window_size(int dpi, int work_width, int work_height);

}  // namespace nv
