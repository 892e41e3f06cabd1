#include "ui/finance_window_win.h"

#include <array>
#include <string>
#include <vector>

#include "base/process_win.h"
#include "base/text.h"
#include "base/wide_win.h"
#include "finance/finance_model.h"
#include "ui/form_dialog_win.h"
#include "ui/modal_win.h"
#include "ui/ui_win.h"
#include "ui/window_win.h"

namespace nv {

namespace {

constexpr wchar_t kFinanceClass[] = L"NVNativeFinance";
constexpr UINT kLoadFirst = WM_APP;  // the first application-defined message

enum : int {
    kIdSwitcher = 10,
    kIdFirstSection = 20,
    kIdList = 50,
    kIdTitle = 60,
    kIdHeader = 70,
    kIdAddLine = 71,
    kIdEditLine = 72,
    kIdDeleteLine = 73,
    kIdSave = 74,
    kIdClear = 75,
    kIdRefreshVouchers = 80,
    kIdRefreshTenants = 81,
    kIdCreateTenant = 82,
    kIdRefreshShards = 83,
    kIdAddShard = 84,
    kIdStatus = 90,
};

class FinanceWindow : public Window {
public:
    FinanceWindow(HWND owner, std::u16string_view base_url);
    // Signs in first when needed, then runs until the window is closed.
    void Run();

private:
    LRESULT OnMessage(UINT msg, WPARAM wparam, LPARAM lparam) override;
    HWND BoxOwner() const;
    FinancePrompts Prompts();
    void SetStatus(std::u16string_view text);
    int SelectedRow() const;
    void Layout();
    void FillSwitcher();
    bool LoadTenants();
    bool SignedIn();
    bool NeedsService(int id) const;
    void RefreshLines();
    void RefreshHeader();
    void ShowSection(int section);
    void EditLine(bool add);
    void Command(int id, int code);
    void DoubleClick();
    void Create();

    FinanceState model_;
    HWND owner_ = nullptr;
    HWND switcher_ = nullptr;
    HWND status_ = nullptr;
    HWND list_ = nullptr;
    HWND title_ = nullptr;
    std::vector<HWND> section_controls_;
    bool populating_ = false;
};

HWND FinanceWindow::BoxOwner() const {
    return hwnd() ? hwnd() : owner_;
}

FinancePrompts FinanceWindow::Prompts() {
    FinancePrompts p;
    p.busy = ShowBusyCursor;
    p.request_failed = [this](std::u16string_view text) {
        MessageBoxU(BoxOwner(), text, L"请求失败", MB_OK | MB_ICONEXCLAMATION);
    };
    p.ask = [this](std::u16string_view text, std::u16string_view title) {
        return MessageBoxU(BoxOwner(), text, wide_copy(title).c_str(),
                           MB_YESNO | MB_ICONQUESTION) == IDYES;
    };
    p.notice = [this](std::u16string_view text, bool exclamation) {
        MessageBoxU(BoxOwner(), text, L"提示", MB_OK | (exclamation ? MB_ICONEXCLAMATION : 0));
    };
    p.sign_in = [this] {
        std::vector<Field> fields = finance_login_fields();
        return RunFormDialog(BoxOwner(), u"财务服务登录", fields, [this](std::vector<Field>& in) {
            return submit_finance_login(model_, in);
        });
    };
    return p;
}

void FinanceWindow::SetStatus(std::u16string_view text) {
    SetText(status_, text);
}

template <std::size_t N>
void FillList(HWND list, const std::vector<std::array<std::u16string, N>>& rows) {
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(r);
        std::wstring first = wide_copy(rows[r][0]);
        item.pszText = first.data();
        int at = ListView_InsertItem(list, &item);
        for (std::size_t c = 1; c < N; ++c) {
            std::wstring cell = wide_copy(rows[r][c]);
            ListView_SetItemText(list, at, static_cast<int>(c), cell.data());
        }
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

int FinanceWindow::SelectedRow() const {
    return list_ ? ListView_GetNextItem(list_, -1, LVNI_SELECTED) : -1;
}

void FinanceWindow::Layout() {
    RECT rc;
    GetClientRect(hwnd(), &rc);
    if (list_) {
        MoveWindow(list_, Scale(16), Scale(200), rc.right - Scale(32),
                   std::max(static_cast<int>(rc.bottom) - Scale(246), Scale(80)), TRUE);
    }
    MoveWindow(status_, Scale(16), rc.bottom - Scale(36), rc.right - Scale(32), Scale(28), TRUE);
}

void FinanceWindow::FillSwitcher() {
    populating_ = true;
    SendMessageW(switcher_, CB_RESETCONTENT, 0, 0);
    for (const std::u16string& entry : tenant_entries(model_))
        SendMessageW(switcher_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(as_wide(entry)));
    SendMessageW(switcher_, CB_SETCURSEL, static_cast<WPARAM>(current_tenant_index(model_)), 0);
    populating_ = false;
}

bool FinanceWindow::LoadTenants() {
    if (!load_tenants(model_))
        return false;
    FillSwitcher();
    return true;
}

// Before an action that needs the service: a session that a 401 ended is signed in again,
// and the switcher shows the tenants that session reads.
bool FinanceWindow::SignedIn() {
    if (finance_session_valid(model_.base_url))
        return true;
    if (!ensure_finance_session(model_))
        return false;
    FillSwitcher();
    return true;
}

// Commands that call the service; the others work on the draft alone.
bool FinanceWindow::NeedsService(int id) const {
    switch (id) {
        case kIdSave:
        case kIdRefreshVouchers:
        case kIdRefreshTenants:
        case kIdCreateTenant:
        case kIdRefreshShards:
        case kIdAddShard:
            return true;
        case kIdAddLine:
        case kIdEditLine:
            return model_.accounts.empty();  // the account list is read once
        default:
            return id > kIdFirstSection && id < kIdFirstSection + 4;
    }
}

void FinanceWindow::RefreshLines() {
    FillList(list_, voucher_line_rows(model_.draft));
    SetStatus(voucher_totals_status(model_));
}

void FinanceWindow::RefreshHeader() {
    SetText(title_, voucher_header_text(model_.draft));
}

void FinanceWindow::ShowSection(int section) {
    model_.section = section;
    for (HWND c : section_controls_) DestroyWindow(c);
    section_controls_.clear();
    list_ = nullptr;
    title_ = nullptr;
    SetStatus(u"当前租户：" + model_.tenant_name);

    static constexpr std::u16string_view kTitles[] = {
        u"", u"最近 100 张凭证；双击可查看分录。",
        u"使用上方租户列表切换账套。管理员可创建租户并自动分配分片。", u"分片容量与扩容（管理员）"};
    static constexpr int kTitleWidths[] = {940, 920, 930, 920};
    std::u16string title = section == kSectionVoucher ? voucher_header_text(model_.draft)
                                                      : std::u16string(kTitles[section]);
    title_ = MakeChild(hwnd(), {.cls = L"STATIC",
                                .id = kIdTitle,
                                .text = title,
                                .style = SS_NOPREFIX,
                                .x = 16,
                                .y = 112,
                                .w = kTitleWidths[section],
                                .h = 30});
    section_controls_.push_back(title_);
    auto button = [&](const char16_t* text, int id, int x, int w, bool enabled) {
        HWND b = MakeChild(hwnd(), {.cls = L"BUTTON",
                                    .id = id,
                                    .text = text,
                                    .style = WS_TABSTOP | BS_PUSHBUTTON,
                                    .x = x,
                                    .y = 154,
                                    .w = w,
                                    .h = 32});
        EnableWindow(b, enabled);
        section_controls_.push_back(b);
    };
    if (section == kSectionVoucher) {
        static constexpr const char16_t* kCommands[] = {u"凭证信息", u"新增分录", u"修改分录",
                                                        u"删除分录", u"保存凭证", u"清空凭证"};
        for (int i = 0; i < 6; ++i) button(kCommands[i], kIdHeader + i, 16 + 128 * i, 118, true);
    } else if (section == kSectionRecent) {
        button(u"刷新凭证", kIdRefreshVouchers, 16, 120, true);
    } else if (section == kSectionTenants) {
        button(u"刷新租户", kIdRefreshTenants, 16, 120, true);
        button(u"创建租户", kIdCreateTenant, 150, 120, model_.admin);
    } else {
        button(u"刷新容量", kIdRefreshShards, 16, 120, model_.admin);
        button(u"扩容分片", kIdAddShard, 150, 120, model_.admin);
    }
    list_ = MakeChild(
        hwnd(), {.cls = WC_LISTVIEWW,
                 .id = kIdList,
                 .style = WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                 .x = 16,
                 .y = 200,
                 .w = 940,
                 .h = 420});
    ListView_SetExtendedListViewStyle(
        list_, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER);
    section_controls_.push_back(list_);
    struct Column {
        const wchar_t* title;
        int width;
    };
    static const std::vector<Column> kColumns[] = {
        {{L"行", 50}, {L"摘要", 280}, {L"会计科目", 280}, {L"借方", 150}, {L"贷方", 150}},
        {{L"凭证号", 130}, {L"日期", 120}, {L"摘要", 300}, {L"借方", 150}, {L"贷方", 150}},
        {{L"代码", 220}, {L"租户名称", 440}, {L"分片", 160}},
        {{L"分片", 100}, {L"名称", 240}, {L"租户数", 160}, {L"容量", 160}, {L"利用率", 180}}};
    for (std::size_t i = 0; i < kColumns[section].size(); ++i)
        AddListColumn(list_, static_cast<int>(i), kColumns[section][i].title,
                      kColumns[section][i].width);  // in 96-DPI units: scaled there, once

    if (section == kSectionVoucher) {
        RefreshLines();
    } else if (section == kSectionRecent) {
        if (!model_.tenant_id.empty() && load_vouchers(model_))
            FillList(list_, voucher_rows(model_));
    } else if (section == kSectionTenants) {
        FillList(list_, tenant_rows(model_));
    } else if (!model_.admin) {
        SetStatus(u"当前账号没有分片管理权限");
    } else if (auto rows = load_shards(model_)) {
        FillList(list_, *rows);
    }
    Layout();
}

void FinanceWindow::EditLine(bool add) {
    VoucherDraft& draft = model_.draft;
    int row = SelectedRow();
    if (!add && (row < 0 || static_cast<std::size_t>(row) >= draft.lines.size()))
        return;
    ensure_accounts(model_);
    VoucherLine line = add ? VoucherLine{} : draft.lines[static_cast<std::size_t>(row)];
    std::vector<Field> fields = voucher_line_fields(model_, line);
    bool accepted = RunFormDialog(
        hwnd(), add ? u"新增分录" : u"修改分录", fields,
        [&](std::vector<Field>& in) { return submit_voucher_line(model_, in, line); });
    if (!accepted)
        return;
    if (add)
        draft.lines.push_back(line);
    else
        draft.lines[static_cast<std::size_t>(row)] = line;
    draft.dirty = true;
    RefreshLines();
}

void FinanceWindow::Command(int id, int code) {
    if (id == kIdSwitcher) {
        if (code != CBN_SELCHANGE || populating_)
            return;
        if (!finance_session_valid(model_.base_url)) {
            // Signing in again reads the tenants anew: the switcher then shows the tenant in
            // use, and the user chooses again from the list that session gives.
            if (!SignedIn())
                FillSwitcher();
            return;
        }
        int index = static_cast<int>(SendMessageW(switcher_, CB_GETCURSEL, 0, 0));
        if (choose_tenant(model_, index)) {
            ShowSection(model_.section);
        } else {
            SendMessageW(switcher_, CB_SETCURSEL, static_cast<WPARAM>(current_tenant_index(model_)),
                         0);
        }
        return;
    }
    if (code != BN_CLICKED)
        return;
    if (NeedsService(id) && !SignedIn())
        return;
    if (id >= kIdFirstSection && id < kIdFirstSection + 4) {
        ShowSection(id - kIdFirstSection);
        return;
    }
    VoucherDraft& draft = model_.draft;
    switch (id) {
        case kIdHeader: {
            std::vector<Field> fields = voucher_header_fields(draft);
            if (RunFormDialog(hwnd(), u"凭证信息", fields, [&](std::vector<Field>& in) {
                    return submit_voucher_header(draft, in);
                }))
                RefreshHeader();
            break;
        }
        case kIdAddLine:
        case kIdEditLine:
            EditLine(id == kIdAddLine);
            break;
        case kIdDeleteLine: {
            int row = SelectedRow();
            if (row < 0 || static_cast<std::size_t>(row) >= draft.lines.size())
                break;
            draft.lines.erase(draft.lines.begin() + row);
            draft.dirty = true;
            RefreshLines();
            break;
        }
        case kIdSave:
            if (auto saved = save_voucher(model_)) {
                RefreshHeader();
                RefreshLines();
                SetStatus(*saved);
            }
            break;
        case kIdClear:
            if (clear_voucher(model_)) {
                RefreshHeader();
                RefreshLines();
            }
            break;
        case kIdRefreshVouchers:
            ShowSection(kSectionRecent);
            break;
        case kIdRefreshTenants:
            if (LoadTenants())
                ShowSection(kSectionTenants);
            break;
        case kIdCreateTenant: {
            if (!model_.admin)
                break;
            std::vector<Field> fields = tenant_fields();
            if (RunFormDialog(hwnd(), u"创建并分配租户", fields,
                              [&](std::vector<Field>& in) { return submit_tenant(model_, in); }) &&
                LoadTenants())
                ShowSection(kSectionTenants);
            break;
        }
        case kIdRefreshShards:
            ShowSection(kSectionShards);
            break;
        case kIdAddShard:
            if (model_.admin && add_shard(model_))
                ShowSection(kSectionShards);
            break;
        default:
            break;
    }
}

void FinanceWindow::DoubleClick() {
    if (model_.section == kSectionVoucher) {
        if (NeedsService(kIdEditLine) && !SignedIn())
            return;
        EditLine(false);
    } else if (model_.section == kSectionRecent) {
        int row = SelectedRow();
        if (row >= 0 && static_cast<std::size_t>(row) < model_.vouchers.size())
            MessageBoxU(hwnd(),
                        voucher_detail(model_.vouchers.elements()[static_cast<std::size_t>(row)]),
                        L"凭证明细", MB_OK);
    }
}

void FinanceWindow::Create() {
    HWND wnd = hwnd();
    MakeChild(wnd, {.cls = L"STATIC",
                    .id = 0,
                    .text = u"当前租户 / 账套",
                    .x = 16,
                    .y = 18,
                    .w = 140,
                    .h = 26});
    switcher_ = MakeChild(wnd, {.cls = L"COMBOBOX",
                                .id = kIdSwitcher,
                                .style = WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
                                .x = 160,
                                .y = 14,
                                .w = 600,
                                .h = 300});
    static constexpr const char16_t* kSections[] = {u"记账凭证", u"最近凭证", u"租户管理",
                                                    u"分片管理"};
    for (int i = 0; i < 4; ++i)
        MakeChild(wnd, {.cls = L"BUTTON",
                        .id = kIdFirstSection + i,
                        .text = kSections[i],
                        .style = WS_TABSTOP | BS_PUSHBUTTON,
                        .x = 16 + 180 * i,
                        .y = 62,
                        .w = 164,
                        .h = 34});
    status_ = MakeChild(wnd, {.cls = L"STATIC",
                              .id = kIdStatus,
                              .style = SS_NOPREFIX,
                              .x = 16,
                              .y = 650,
                              .w = 940,
                              .h = 28});
    PostMessageW(wnd, kLoadFirst, 0, 0);
}

RECT WorkArea(HWND wnd) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(MonitorFromWindow(wnd, MONITOR_DEFAULTTONEAREST), &info);
    return info.rcWork;
}

LRESULT FinanceWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_CREATE:
            Create();
            return 0;
        case kLoadFirst:
            if (LoadTenants())
                ShowSection(kSectionVoucher);
            return 0;
        case WM_COMMAND:
            Command(LOWORD(wp), HIWORD(wp));
            return 0;
        case WM_NOTIFY: {
            const auto* hdr = reinterpret_cast<const NMHDR*>(lp);
            if (hdr->idFrom == kIdList && hdr->code == NM_DBLCLK)
                DoubleClick();
            return 0;
        }
        case WM_GETMINMAXINFO: {
            RECT work = WorkArea(hwnd());
            FinanceWindowSize size =
                finance_window_size(process().dpi, work.right - work.left, work.bottom - work.top);
            auto* info = reinterpret_cast<MINMAXINFO*>(lp);
            info->ptMinTrackSize.x = size.min_width;
            info->ptMinTrackSize.y = size.min_height;
            return 0;
        }
        case WM_SIZE:
            if (status_)
                Layout();
            return 0;
        case WM_CTLCOLORSTATIC:
            return StaticColours(wp);
        case WM_CLOSE:
            if (may_discard_draft(model_))
                DestroyWindow(hwnd());
            return 0;
        default:
            break;
    }
    return Default(msg, wp, lp);
}

FinanceWindow::FinanceWindow(HWND owner, std::u16string_view base_url)
    : model_(new_finance_state(base_url)), owner_(owner) {
    model_.prompts = Prompts();
}

void FinanceWindow::Run() {
    if (!finance_session_valid(model_.base_url)) {
        std::vector<Field> fields = finance_login_fields();
        if (!RunFormDialog(owner_, u"财务服务登录", fields, [this](std::vector<Field>& in) {
                return submit_finance_login(model_, in);
            }))
            return;
    }
    RegisterWindowClass({.name = kFinanceClass});
    RECT work = WorkArea(owner_);
    FinanceWindowSize size =
        finance_window_size(process().dpi, work.right - work.left, work.bottom - work.top);
    if (!CreateFor(0, kFinanceClass, u"澄岚映辉 · 财务管理", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                   CW_USEDEFAULT, CW_USEDEFAULT, size.width, size.height, owner_))
        return;
    // A default position may leave the bottom edge below the work area: move it up.
    RECT r;
    GetWindowRect(hwnd(), &r);
    int x = std::clamp(
        static_cast<int>(r.left), static_cast<int>(work.left),
        std::max(static_cast<int>(work.right) - size.width, static_cast<int>(work.left)));
    int y = std::clamp(
        static_cast<int>(r.top), static_cast<int>(work.top),
        std::max(static_cast<int>(work.bottom) - size.height, static_cast<int>(work.top)));
    SetWindowPos(hwnd(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EnableWindow(owner_, FALSE);
    ShowWindow(hwnd(), SW_SHOW);
    (void)RunModalLoop(live());  // a quit meanwhile is posted again and ends the program
    EnableWindow(owner_, TRUE);
    SetForegroundWindow(owner_);
}

}  // namespace

void RunFinanceWindow(HWND owner, std::u16string_view base_url) {
    FinanceWindow window(owner, base_url);
    window.Run();
}

}  // namespace nv
