#include "ui/editor_win.h"

#include <windows.h>

#include <commctrl.h>

#include <array>
#include <string>

#include "base/clock.h"
#include "base/log.h"
#include "base/process_win.h"
#include "base/text.h"
#include "base/wide_win.h"
#include "notes/note_service.h"
#include "notes/session.h"
#include "ui/login_window_win.h"
#include "ui/modal_win.h"
#include "ui/print_preview_win.h"
#include "ui/ui_logic.h"
#include "ui/ui_win.h"

namespace nv {

namespace {

enum : int {
    kIdNumber = 3001,
    kIdDate = 3002,
    kIdCustomer = 3003,
    kIdProject = 3004,
    kIdContact = 3005,
    kIdPhone = 3006,
    kIdAddress = 3007,
    kIdStatus = 3008,
    kIdRemark = 3009,
    kIdItems = 3010,
    kIdFirstBox = 3011,  // 3011..3019: the item input row
    kIdAdd = 3020,
    kIdUpdate = 3021,
    kIdDeleteItem = 3022,
    kIdTotal = 3023,
    kIdSave = 3024,
    kIdCancel = 3025,
    kIdPrint = 3026,
};

struct EditorState {
    HWND wnd = nullptr;
    HWND number = nullptr, date = nullptr, customer = nullptr, project = nullptr, contact = nullptr,
         phone = nullptr, address = nullptr, status = nullptr, remark = nullptr;
    HWND items = nullptr;
    HWND total = nullptr;
    std::array<HWND, 9> boxes{};
    DeliveryNote note;  // the working copy
    bool is_new = false;
    bool saved = false;
};

EditorState* g_edit = nullptr;

HWND Label(HWND parent, const char16_t* text, int x, int y, int w) {
    return MakeChild(parent, L"STATIC", text, SS_CENTERIMAGE | SS_NOPREFIX, 0, -1, Scale(x),
                     Scale(y), Scale(w), Scale(28));
}

HWND Edit(HWND parent, int id, int x, int y, int w) {
    return MakeChild(parent, L"EDIT", u"", WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, 0, id, x,
                     Scale(y), w, Scale(28));
}

void RefillItems(EditorState& s) {
    SendMessageW(s.items, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(s.items);
    for (std::size_t i = 0; i < s.note.items.size(); ++i) {
        auto cells = item_row_cells(s.note.items[i]);
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<wchar_t*>(as_wide(cells[0]));
        item.lParam = static_cast<LPARAM>(i);
        int row = static_cast<int>(
            SendMessageW(s.items, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        for (int c = 1; c < 10; ++c) {
            LVITEMW sub{};
            sub.iSubItem = c;
            sub.pszText = const_cast<wchar_t*>(as_wide(cells[static_cast<std::size_t>(c)]));
            SendMessageW(s.items, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&sub));
        }
    }
    SendMessageW(s.items, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(s.items, nullptr, TRUE);
    SetText(s.total, total_label(s.note.items));
}

ItemInput ReadBoxes(const EditorState& s) {
    return {GetText(s.boxes[0]), GetText(s.boxes[1]), GetText(s.boxes[2]),
            GetText(s.boxes[3]), GetText(s.boxes[4]), GetText(s.boxes[5]),
            GetText(s.boxes[6]), GetText(s.boxes[7]), GetText(s.boxes[8])};
}

void WriteBoxes(EditorState& s, const ItemInput& in) {
    const std::u16string* texts[] = {&in.product,  &in.model,      &in.length,
                                     &in.wattage,  &in.brightness, &in.sensor_mode,
                                     &in.quantity, &in.unit,       &in.price};
    for (std::size_t i = 0; i < 9; ++i) SetText(s.boxes[i], *texts[i]);
}

void ClearBoxes(EditorState& s) {
    ItemInput empty;
    empty.unit = u"个";
    WriteBoxes(s, empty);
    SetFocus(s.boxes[0]);
}

bool ReadItem(EditorState& s, Item& out) {
    ItemRead r = read_item_input(ReadBoxes(s));
    if (!r.ok) {
        MessageBoxU(s.wnd, r.message, L"提示", MB_OK | MB_ICONWARNING);
        return false;
    }
    out = r.item;
    return true;
}

int SelectedItemRow(EditorState& s) {
    int row = ListView_GetNextItem(s.items, -1, LVNI_SELECTED);
    if (row < 0)
        MessageBoxW(s.wnd, L"请先在明细列表中选中一行", L"提示", MB_OK | MB_ICONINFORMATION);
    return row;
}

void AddItem(EditorState& s) {
    Item it;
    if (!ReadItem(s, it))
        return;
    s.note.items.push_back(it);
    RefillItems(s);
    ClearBoxes(s);
}

void UpdateItem(EditorState& s) {
    int row = SelectedItemRow(s);
    if (row < 0)
        return;
    Item it;
    if (!ReadItem(s, it))
        return;
    if (row < static_cast<int>(s.note.items.size()))
        s.note.items[static_cast<std::size_t>(row)] = it;
    RefillItems(s);
}

void DeleteItem(EditorState& s) {
    int row = SelectedItemRow(s);
    if (row < 0)
        return;
    if (row < static_cast<int>(s.note.items.size()))
        s.note.items.erase(s.note.items.begin() + row);
    RefillItems(s);
    ClearBoxes(s);
}

void LoadSelectedItem(EditorState& s) {
    int row = ListView_GetNextItem(s.items, -1, LVNI_SELECTED);
    if (row < 0 || row >= static_cast<int>(s.note.items.size()))
        return;
    WriteBoxes(s, item_to_input(s.note.items[static_cast<std::size_t>(row)]));
}

bool Save(EditorState& s) {
    DeliveryNote& n = s.note;
    n.customer = GetText(s.customer);
    n.project = GetText(s.project);
    n.contact = GetText(s.contact);
    n.contact_phone = GetText(s.phone);
    n.address = GetText(s.address);
    n.remark = GetText(s.remark);
    SYSTEMTIME st{};
    if (SendMessageW(s.date, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st)) == GDT_VALID) {
        n.date = format_note_date(st.wYear, st.wMonth, st.wDay);
    } else {
        n.date = today_date();
    }
    n.status = SendMessageW(s.status, CB_GETCURSEL, 0, 0) == 1 ? kStatusDelivered : kStatusPending;
    if (s.is_new)
        n.number = GetText(s.number);
    std::u16string refusal = prepare_for_save(n, s.is_new);
    if (s.is_new)
        SetText(s.number, n.number);  // a generated number shows at once
    if (!refusal.empty()) {
        MessageBoxU(s.wnd, refusal, L"提示", MB_OK | MB_ICONWARNING);
        SetFocus(s.customer);
        return false;
    }
    ServiceResult r;
    {
        EnableWindow(s.wnd, FALSE);
        WaitCursor wait;
        const LoginSession& session = login_session();
        r = service_save_note(data_caller(session), n, s.is_new);
        EnableWindow(s.wnd, TRUE);
    }
    if (!r.ok && session_refused(r, login_session())) {
        // What was typed stays in this window: the user signs in again and saves once more.
        end_refused_session(process().config_path, login_session());
        MessageBoxU(s.wnd,
                    std::u16string(kSessionEnded) +
                        u"。\n填写的内容仍保留在编辑窗口中，重新登录后请再次保存。",
                    L"需要重新登录", MB_OK | MB_ICONWARNING);
        EnableWindow(s.wnd, FALSE);
        static_cast<void>(RunLoginWindow());
        EnableWindow(s.wnd, TRUE);
        SetForegroundWindow(s.wnd);
        return false;
    }
    if (!r.ok) {
        MessageBoxU(s.wnd, r.message, L"保存失败", MB_OK | MB_ICONERROR);
        return false;
    }
    s.is_new = false;
    s.saved = true;
    app_log().line("note saved: %s id=%d", utf16_to_utf8(n.number).c_str(), n.id);
    return true;
}

void Create(EditorState& s, HWND wnd) {
    s.wnd = wnd;
    RECT rc;
    GetClientRect(wnd, &rc);
    int cw = rc.right > 0 ? rc.right : Scale(1164);
    int iw = cw - Scale(36);
    Label(wnd, u"单号", 18, 14, 62);
    s.number = Edit(wnd, kIdNumber, Scale(80), 14, Scale(280));
    Label(wnd, u"日期", 372, 14, 62);
    s.date = MakeChild(wnd, DATETIMEPICK_CLASSW, u"", WS_BORDER | DTS_SHORTDATEFORMAT | WS_TABSTOP,
                       0, kIdDate, Scale(434), Scale(14), Scale(160), Scale(28));
    Label(wnd, u"状态", 606, 14, 44);
    s.status = MakeChild(wnd, L"COMBOBOX", u"", WS_VSCROLL | CBS_DROPDOWNLIST | WS_TABSTOP, 0,
                         kIdStatus, Scale(650), Scale(14), Scale(120), Scale(200));
    SendMessageW(s.status, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"待送达"));
    SendMessageW(s.status, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"已送达"));
    Label(wnd, u"客户", 18, 48, 62);
    s.customer = Edit(wnd, kIdCustomer, Scale(80), 48, Scale(480));
    Label(wnd, u"项目", 572, 48, 62);
    s.project = Edit(wnd, kIdProject, Scale(634), 48, iw - Scale(616));
    Label(wnd, u"联系人", 18, 82, 62);
    s.contact = Edit(wnd, kIdContact, Scale(80), 82, Scale(220));
    Label(wnd, u"电话", 312, 82, 62);
    s.phone = Edit(wnd, kIdPhone, Scale(374), 82, Scale(240));
    Label(wnd, u"地址", 18, 116, 62);
    s.address = Edit(wnd, kIdAddress, Scale(80), 116, iw - Scale(62));
    Label(wnd, u"备注", 18, 150, 62);
    s.remark = Edit(wnd, kIdRemark, Scale(80), 150, iw - Scale(62));

    s.items = MakeChild(wnd, WC_LISTVIEWW, u"",
                        WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP, 0,
                        kIdItems, Scale(18), Scale(190), iw, Scale(238));
    ListView_SetExtendedListViewStyle(
        s.items, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    static const struct {
        const wchar_t* title;
        int width;
    } kColumns[] = {{L"商品名称", 180}, {L"型号", 110},     {L"长度", 70}, {L"瓦数", 80},
                    {L"单/双亮", 80},   {L"感应模式", 100}, {L"数量", 60}, {L"单位", 50},
                    {L"单价", 80},      {L"小计", 90}};
    for (int i = 0; i < 10; ++i) AddListColumn(s.items, i, kColumns[i].title, kColumns[i].width);

    static const struct {
        int width;
        const wchar_t* cue;
    } kBoxes[] = {{180, L"商品名称"}, {110, L"型号"},   {70, L"长度"},
                  {80, L"瓦数"},      {80, L"单/双亮"}, {100, L"感应"},
                  {60, L"数量"},      {50, L"单位"},    {80, L"单价"}};
    int x = 18;
    for (int i = 0; i < 9; ++i) {
        s.boxes[static_cast<std::size_t>(i)] =
            MakeChild(wnd, L"EDIT", i == 7 ? u"个" : u"", WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP,
                      0, kIdFirstBox + i, Scale(x), Scale(436), Scale(kBoxes[i].width), Scale(28));
        SendMessageW(s.boxes[static_cast<std::size_t>(i)], EM_SETCUEBANNER, TRUE,
                     reinterpret_cast<LPARAM>(kBoxes[i].cue));
        x += kBoxes[i].width + 6;
    }
    MakeChild(wnd, L"BUTTON", u"添加", BS_PUSHBUTTON | WS_TABSTOP, 0, kIdAdd, Scale(x), Scale(436),
              Scale(66), Scale(28));
    MakeChild(wnd, L"BUTTON", u"更新", BS_PUSHBUTTON | WS_TABSTOP, 0, kIdUpdate, Scale(x + 72),
              Scale(436), Scale(66), Scale(28));
    MakeChild(wnd, L"BUTTON", u"删除行", BS_PUSHBUTTON | WS_TABSTOP, 0, kIdDeleteItem,
              Scale(x + 144), Scale(436), Scale(76), Scale(28));

    s.total = MakeChild(wnd, L"STATIC", u"合计：¥0.00", SS_CENTERIMAGE | SS_NOPREFIX, 0, kIdTotal,
                        Scale(18), Scale(476), Scale(300), Scale(32), BoldFont());
    int r = cw - Scale(18);
    MakeChild(wnd, L"BUTTON", u"打印", BS_PUSHBUTTON | WS_TABSTOP, 0, kIdPrint, r - Scale(420),
              Scale(474), Scale(140), Scale(34));
    MakeChild(wnd, L"BUTTON", u"保存并关闭", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, kIdSave,
              r - Scale(260), Scale(474), Scale(140), Scale(34));
    MakeChild(wnd, L"BUTTON", u"取消", BS_PUSHBUTTON | WS_TABSTOP, 0, kIdCancel, r - Scale(110),
              Scale(474), Scale(110), Scale(34));

    // Fill.
    const DeliveryNote& n = s.note;
    SetText(s.number, n.number);
    SetText(s.customer, n.customer);
    SetText(s.project, n.project);
    SetText(s.contact, n.contact);
    SetText(s.phone, n.contact_phone);
    SetText(s.address, n.address);
    SetText(s.remark, n.remark);
    SYSTEMTIME st{};
    int y, m, d;
    if (parse_note_date(n.date, y, m, d)) {
        st.wYear = static_cast<WORD>(y);
        st.wMonth = static_cast<WORD>(m);
        st.wDay = static_cast<WORD>(d);
    } else {
        LocalTime now = local_now();
        st.wYear = static_cast<WORD>(now.year);
        st.wMonth = static_cast<WORD>(now.month);
        st.wDay = static_cast<WORD>(now.day);
    }
    SendMessageW(s.date, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
    SendMessageW(s.status, CB_SETCURSEL, n.status == kStatusDelivered ? 1 : 0, 0);
    if (!s.is_new)
        EnableWindow(s.number, FALSE);
    RefillItems(s);
    SetFocus(s.customer);
}

void OnCommand(EditorState& s, int id) {
    switch (id) {
        case kIdAdd:
            AddItem(s);
            break;
        case kIdUpdate:
            UpdateItem(s);
            break;
        case kIdDeleteItem:
            DeleteItem(s);
            break;
        case kIdSave:
            if (Save(s))
                DestroyWindow(s.wnd);
            break;
        case kIdCancel:
            DestroyWindow(s.wnd);
            break;
        case kIdPrint:
            // The note is saved first; the editor stays open when the print is cancelled or
            // fails.
            if (Save(s) && RunPrintCommand(s.note))
                DestroyWindow(s.wnd);
            break;
        default:
            break;
    }
}

bool IsInputRowBox(const EditorState& s, HWND wnd) {
    for (HWND b : s.boxes) {
        if (b == wnd)
            return true;
    }
    return false;
}

// Where Enter lands. While the status list or the date picker's calendar is open, the key
// belongs to it (the calendar lives in a pop-up window of its own outside the editor).
EnterFocus FocusForEnter(const EditorState& s, HWND focus) {
    if (SendMessageW(s.status, CB_GETDROPPEDSTATE, 0, 0))
        return EnterFocus::OpenDropDown;
    if (SendMessageW(s.date, DTM_GETMONTHCAL, 0, 0))
        return EnterFocus::OpenDropDown;
    if (IsInputRowBox(s, focus))
        return EnterFocus::ItemInputRow;
    if (focus && GetAncestor(focus, GA_ROOT) == s.wnd) {
        wchar_t cls[16] = {};
        GetClassNameW(focus, cls, 16);
        if (CompareStringOrdinal(cls, -1, L"Button", -1, TRUE) == CSTR_EQUAL) {
            return EnterFocus::Button;
        }
    }
    return EnterFocus::Other;
}

// Keys the editor takes before the dialog keys: Escape closes without saving, Enter as
// editor_enter_action decides.
bool EditorKeys(EditorState& s, const MSG& msg) {
    if (msg.message != WM_KEYDOWN)
        return false;
    if (msg.wParam == VK_ESCAPE) {
        DestroyWindow(s.wnd);  // nothing is saved
        return true;
    }
    if (msg.wParam != VK_RETURN)
        return false;
    HWND focus = GetFocus();
    switch (editor_enter_action(FocusForEnter(s, focus))) {
        case EnterAction::PassToControl:
            // Straight to the control: the dialog keys would press the default button.
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            return true;
        case EnterAction::AddItem:
            AddItem(s);
            return true;
        case EnterAction::ClickButton:
            SendMessageW(focus, BM_CLICK, 0, 0);
            return true;
        case EnterAction::Ignore:
            return true;
    }
    return true;
}

}  // namespace

LRESULT CALLBACK WndProcEdit(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
        case WM_CREATE:
            g_edit =
                static_cast<EditorState*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
            Create(*g_edit, wnd);
            return 0;
        case WM_NOTIFY: {
            auto* hdr = reinterpret_cast<NMHDR*>(lparam);
            if (g_edit && hdr->idFrom == kIdItems && hdr->code == NM_DBLCLK)
                LoadSelectedItem(*g_edit);
            return 0;
        }
        case WM_COMMAND:
            if (g_edit && HIWORD(wparam) == BN_CLICKED)
                OnCommand(*g_edit, LOWORD(wparam));
            return 0;
        case WM_CTLCOLORSTATIC:
            return StaticColours(wparam);
        case WM_CLOSE:
            DestroyWindow(wnd);
            return 0;
        case WM_DESTROY:
            if (g_edit)
                g_edit->wnd = nullptr;
            return 0;
        default:
            return DefWindowProcW(wnd, msg, wparam, lparam);
    }
}

bool RunEditor(const DeliveryNote& note, bool is_new) {
    EditorState state;
    state.note = note;
    state.is_new = is_new;
    HWND owner = process().main_window;
    EnableWindow(owner, FALSE);
    HWND wnd = CreateWindowExW(WS_EX_DLGMODALFRAME, L"NorvaneEditWnd",
                               is_new ? L"新增送货单" : L"编辑送货单", WS_CAPTION | WS_SYSMENU,
                               CW_USEDEFAULT, CW_USEDEFAULT, Scale(1180), Scale(700), owner,
                               nullptr, process().instance, &state);
    if (!wnd) {
        g_edit = nullptr;
        EnableWindow(owner, TRUE);
        return false;
    }
    CenterInWorkArea(wnd, true);
    ShowWindow(wnd, SW_SHOW);
    UpdateWindow(wnd);
    // Whether the loop ended by a quit message or by closing, the saved flag is the answer.
    static_cast<void>(
        RunModalLoop(state.wnd, [&state](const MSG& msg) { return EditorKeys(state, msg); }));
    if (state.wnd)
        DestroyWindow(state.wnd);
    g_edit = nullptr;
    EnableWindow(owner, TRUE);
    if (owner)
        SetForegroundWindow(owner);
    return state.saved;
}

}  // namespace nv
