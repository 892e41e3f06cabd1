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

struct FinanceWindow {
    FinanceState model;
    HWND owner = nullptr;
    HWND wnd = nullptr;
    HWND switcher = nullptr;
    HWND status = nullptr;
    HWND list = nullptr;
    HWND title = nullptr;
    std::vector<HWND> section_controls;
    bool populating = false;
};

// One finance window at a time: it is modal towards the main window.
FinanceWindow* g_fin = nullptr;

HWND BoxOwner(const FinanceWindow& f) {
    return f.wnd ? f.wnd : f.owner;
}

FinancePrompts PromptsFor(FinanceWindow& f) {
    FinancePrompts p;
    p.busy = [](bool on) { SetCursor(LoadCursorW(nullptr, on ? IDC_WAIT : IDC_ARROW)); };
    p.request_failed = [&f](std::u16string_view text) {
        MessageBoxU(BoxOwner(f), text, L"请求失败", MB_OK | MB_ICONEXCLAMATION);
    };
    p.ask = [&f](std::u16string_view text, std::u16string_view title) {
        return MessageBoxU(BoxOwner(f), text, wide_copy(title).c_str(),
                           MB_YESNO | MB_ICONQUESTION) == IDYES;
    };
    p.notice = [&f](std::u16string_view text, bool exclamation) {
        MessageBoxU(BoxOwner(f), text, L"提示", MB_OK | (exclamation ? MB_ICONEXCLAMATION : 0));
    };
    return p;
}

void SetStatus(FinanceWindow& f, std::u16string_view text) {
    SetText(f.status, text);
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

int SelectedRow(const FinanceWindow& f) {
    return f.list ? ListView_GetNextItem(f.list, -1, LVNI_SELECTED) : -1;
}

void Layout(FinanceWindow& f) {
    RECT rc;
    GetClientRect(f.wnd, &rc);
    if (f.list) {
        MoveWindow(f.list, Scale(16), Scale(200), rc.right - Scale(32),
                   std::max(static_cast<int>(rc.bottom) - Scale(246), Scale(80)), TRUE);
    }
    MoveWindow(f.status, Scale(16), rc.bottom - Scale(36), rc.right - Scale(32), Scale(28), TRUE);
}

void FillSwitcher(FinanceWindow& f) {
    f.populating = true;
    SendMessageW(f.switcher, CB_RESETCONTENT, 0, 0);
    for (const std::u16string& entry : tenant_entries(f.model))
        SendMessageW(f.switcher, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(as_wide(entry)));
    SendMessageW(f.switcher, CB_SETCURSEL, static_cast<WPARAM>(current_tenant_index(f.model)), 0);
    f.populating = false;
}

bool LoadTenants(FinanceWindow& f) {
    if (!load_tenants(f.model))
        return false;
    FillSwitcher(f);
    return true;
}

void RefreshLines(FinanceWindow& f) {
    FillList(f.list, voucher_line_rows(f.model.draft));
    SetStatus(f, voucher_totals_status(f.model));
}

void RefreshHeader(FinanceWindow& f) {
    SetText(f.title, voucher_header_text(f.model.draft));
}

void ShowSection(FinanceWindow& f, int section) {
    f.model.section = section;
    for (HWND c : f.section_controls) DestroyWindow(c);
    f.section_controls.clear();
    f.list = nullptr;
    f.title = nullptr;
    SetStatus(f, u"当前租户：" + f.model.tenant_name);

    static constexpr std::u16string_view kTitles[] = {
        u"", u"最近 100 张凭证；双击可查看分录。",
        u"使用上方租户列表切换账套。管理员可创建租户并自动分配分片。", u"分片容量与扩容（管理员）"};
    static constexpr int kTitleWidths[] = {940, 920, 930, 920};
    std::u16string title = section == kSectionVoucher ? voucher_header_text(f.model.draft)
                                                      : std::u16string(kTitles[section]);
    f.title = MakeChild(f.wnd, L"STATIC", title, SS_NOPREFIX, 0, kIdTitle, Scale(16), Scale(112),
                        Scale(kTitleWidths[section]), Scale(30));
    f.section_controls.push_back(f.title);
    auto button = [&](const char16_t* text, int id, int x, int w, bool enabled) {
        HWND b = MakeChild(f.wnd, L"BUTTON", text, WS_TABSTOP | BS_PUSHBUTTON, 0, id, Scale(x),
                           Scale(154), Scale(w), Scale(32));
        EnableWindow(b, enabled);
        f.section_controls.push_back(b);
    };
    if (section == kSectionVoucher) {
        static constexpr const char16_t* kCommands[] = {u"凭证信息", u"新增分录", u"修改分录",
                                                        u"删除分录", u"保存凭证", u"清空凭证"};
        for (int i = 0; i < 6; ++i) button(kCommands[i], kIdHeader + i, 16 + 128 * i, 118, true);
    } else if (section == kSectionRecent) {
        button(u"刷新凭证", kIdRefreshVouchers, 16, 120, true);
    } else if (section == kSectionTenants) {
        button(u"刷新租户", kIdRefreshTenants, 16, 120, true);
        button(u"创建租户", kIdCreateTenant, 150, 120, f.model.admin);
    } else {
        button(u"刷新容量", kIdRefreshShards, 16, 120, f.model.admin);
        button(u"扩容分片", kIdAddShard, 150, 120, f.model.admin);
    }
    f.list = MakeChild(f.wnd, WC_LISTVIEWW, u"",
                       WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0,
                       kIdList, Scale(16), Scale(200), Scale(940), Scale(420));
    ListView_SetExtendedListViewStyle(
        f.list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER);
    f.section_controls.push_back(f.list);
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
        AddListColumn(f.list, static_cast<int>(i), kColumns[section][i].title,
                      kColumns[section][i].width);  // in 96-DPI units: scaled there, once

    if (section == kSectionVoucher) {
        RefreshLines(f);
    } else if (section == kSectionRecent) {
        if (!f.model.tenant_id.empty() && load_vouchers(f.model))
            FillList(f.list, voucher_rows(f.model));
    } else if (section == kSectionTenants) {
        FillList(f.list, tenant_rows(f.model));
    } else if (!f.model.admin) {
        SetStatus(f, u"当前账号没有分片管理权限");
    } else if (auto rows = load_shards(f.model)) {
        FillList(f.list, *rows);
    }
    Layout(f);
}

void EditLine(FinanceWindow& f, bool add) {
    VoucherDraft& draft = f.model.draft;
    int row = SelectedRow(f);
    if (!add && (row < 0 || static_cast<std::size_t>(row) >= draft.lines.size()))
        return;
    ensure_accounts(f.model);
    VoucherLine line = add ? VoucherLine{} : draft.lines[static_cast<std::size_t>(row)];
    std::vector<Field> fields = voucher_line_fields(f.model, line);
    bool accepted = RunFormDialog(
        f.wnd, add ? u"新增分录" : u"修改分录", fields,
        [&](std::vector<Field>& in) { return submit_voucher_line(f.model, in, line); });
    if (!accepted)
        return;
    if (add)
        draft.lines.push_back(line);
    else
        draft.lines[static_cast<std::size_t>(row)] = line;
    draft.dirty = true;
    RefreshLines(f);
}

void Command(FinanceWindow& f, int id, int code) {
    if (id == kIdSwitcher) {
        if (code != CBN_SELCHANGE || f.populating)
            return;
        int index = static_cast<int>(SendMessageW(f.switcher, CB_GETCURSEL, 0, 0));
        if (choose_tenant(f.model, index)) {
            ShowSection(f, f.model.section);
        } else {
            SendMessageW(f.switcher, CB_SETCURSEL,
                         static_cast<WPARAM>(current_tenant_index(f.model)), 0);
        }
        return;
    }
    if (code != BN_CLICKED)
        return;
    if (id >= kIdFirstSection && id < kIdFirstSection + 4) {
        ShowSection(f, id - kIdFirstSection);
        return;
    }
    VoucherDraft& draft = f.model.draft;
    switch (id) {
        case kIdHeader: {
            std::vector<Field> fields = voucher_header_fields(draft);
            if (RunFormDialog(f.wnd, u"凭证信息", fields, [&](std::vector<Field>& in) {
                    return submit_voucher_header(draft, in);
                }))
                RefreshHeader(f);
            break;
        }
        case kIdAddLine:
        case kIdEditLine:
            EditLine(f, id == kIdAddLine);
            break;
        case kIdDeleteLine: {
            int row = SelectedRow(f);
            if (row < 0 || static_cast<std::size_t>(row) >= draft.lines.size())
                break;
            draft.lines.erase(draft.lines.begin() + row);
            draft.dirty = true;
            RefreshLines(f);
            break;
        }
        case kIdSave:
            if (auto saved = save_voucher(f.model)) {
                RefreshHeader(f);
                RefreshLines(f);
                SetStatus(f, *saved);
            }
            break;
        case kIdClear:
            if (clear_voucher(f.model)) {
                RefreshHeader(f);
                RefreshLines(f);
            }
            break;
        case kIdRefreshVouchers:
            ShowSection(f, kSectionRecent);
            break;
        case kIdRefreshTenants:
            if (LoadTenants(f))
                ShowSection(f, kSectionTenants);
            break;
        case kIdCreateTenant: {
            if (!f.model.admin)
                break;
            std::vector<Field> fields = tenant_fields();
            if (RunFormDialog(f.wnd, u"创建并分配租户", fields,
                              [&](std::vector<Field>& in) { return submit_tenant(f.model, in); }) &&
                LoadTenants(f))
                ShowSection(f, kSectionTenants);
            break;
        }
        case kIdRefreshShards:
            ShowSection(f, kSectionShards);
            break;
        case kIdAddShard:
            if (f.model.admin && add_shard(f.model))
                ShowSection(f, kSectionShards);
            break;
        default:
            break;
    }
}

void DoubleClick(FinanceWindow& f) {
    if (f.model.section == kSectionVoucher) {
        EditLine(f, false);
    } else if (f.model.section == kSectionRecent) {
        int row = SelectedRow(f);
        if (row >= 0 && static_cast<std::size_t>(row) < f.model.vouchers.size())
            MessageBoxU(f.wnd,
                        voucher_detail(f.model.vouchers.elements()[static_cast<std::size_t>(row)]),
                        L"凭证明细", MB_OK);
    }
}

void Create(FinanceWindow& f, HWND wnd) {
    f.wnd = wnd;
    MakeChild(wnd, L"STATIC", u"当前租户 / 账套", 0, 0, 0, Scale(16), Scale(18), Scale(140),
              Scale(26));
    f.switcher = MakeChild(wnd, L"COMBOBOX", u"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0,
                           kIdSwitcher, Scale(160), Scale(14), Scale(600), Scale(300));
    static constexpr const char16_t* kSections[] = {u"记账凭证", u"最近凭证", u"租户管理",
                                                    u"分片管理"};
    for (int i = 0; i < 4; ++i)
        MakeChild(wnd, L"BUTTON", kSections[i], WS_TABSTOP | BS_PUSHBUTTON, 0, kIdFirstSection + i,
                  Scale(16 + 180 * i), Scale(62), Scale(164), Scale(34));
    f.status = MakeChild(wnd, L"STATIC", u"", SS_NOPREFIX, 0, kIdStatus, Scale(16), Scale(650),
                         Scale(940), Scale(28));
    PostMessageW(wnd, kLoadFirst, 0, 0);
}

RECT WorkArea(HWND wnd) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(MonitorFromWindow(wnd, MONITOR_DEFAULTTONEAREST), &info);
    return info.rcWork;
}

LRESULT CALLBACK FinanceProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    FinanceWindow* f = g_fin;
    if (!f)
        return DefWindowProcW(wnd, msg, wp, lp);
    switch (msg) {
        case WM_CREATE:
            Create(*f, wnd);
            return 0;
        case kLoadFirst:
            if (LoadTenants(*f))
                ShowSection(*f, kSectionVoucher);
            return 0;
        case WM_COMMAND:
            Command(*f, LOWORD(wp), HIWORD(wp));
            return 0;
        case WM_NOTIFY: {
            const auto* hdr = reinterpret_cast<const NMHDR*>(lp);
            if (hdr->idFrom == kIdList && hdr->code == NM_DBLCLK)
                DoubleClick(*f);
            return 0;
        }
        case WM_GETMINMAXINFO: {
            RECT work = WorkArea(wnd);
            FinanceWindowSize size =
                finance_window_size(process().dpi, work.right - work.left, work.bottom - work.top);
            auto* info = reinterpret_cast<MINMAXINFO*>(lp);
            info->ptMinTrackSize.x = size.min_width;
            info->ptMinTrackSize.y = size.min_height;
            return 0;
        }
        case WM_SIZE:
            if (f->status)
                Layout(*f);
            return 0;
        case WM_CTLCOLORSTATIC:
            return StaticColours(wp);
        case WM_CLOSE:
            if (may_discard_draft(f->model))
                DestroyWindow(wnd);
            return 0;
        case WM_DESTROY:
            f->wnd = nullptr;  // ends the window's loop
            return 0;
        default:
            break;
    }
    return DefWindowProcW(wnd, msg, wp, lp);
}

}  // namespace

void RunFinanceWindow(HWND owner, std::u16string_view base_url) {
    FinanceWindow f;
    f.owner = owner;
    f.model = new_finance_state(base_url);
    f.model.prompts = PromptsFor(f);
    if (!finance_session_valid(f.model.base_url)) {
        std::vector<Field> fields = finance_login_fields();
        if (!RunFormDialog(owner, u"财务服务登录", fields, [&](std::vector<Field>& in) {
                return submit_finance_login(f.model, in);
            }))
            return;
    }
    RegisterWindowClass(kFinanceClass, FinanceProc);

    RECT work = WorkArea(owner);
    FinanceWindowSize size =
        finance_window_size(process().dpi, work.right - work.left, work.bottom - work.top);
    g_fin = &f;
    HWND wnd =
        CreateWindowExW(0, kFinanceClass, L"澄岚映辉 · 财务管理",
                        WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                        size.width, size.height, owner, nullptr, process().instance, nullptr);
    if (!wnd) {
        g_fin = nullptr;
        return;
    }
    // A default position may leave the bottom edge below the work area: move it up.
    RECT r;
    GetWindowRect(wnd, &r);
    int x = std::clamp(
        static_cast<int>(r.left), static_cast<int>(work.left),
        std::max(static_cast<int>(work.right) - size.width, static_cast<int>(work.left)));
    int y = std::clamp(
        static_cast<int>(r.top), static_cast<int>(work.top),
        std::max(static_cast<int>(work.bottom) - size.height, static_cast<int>(work.top)));
    SetWindowPos(wnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EnableWindow(owner, FALSE);
    ShowWindow(wnd, SW_SHOW);
    (void)RunModalLoop(f.wnd);  // a quit meanwhile is posted again and ends the program
    g_fin = nullptr;
    EnableWindow(owner, TRUE);
    SetForegroundWindow(owner);
}

}  // namespace nv
