#include "ui/editor_win.h"

#include <windows.h>

#include <commctrl.h>

#include <array>
#include <string>

#include "base/log.h"
#include "base/process_win.h"
#include "base/text.h"
#include "base/wide_win.h"
#include "notes/note_service.h"
#include "notes/recall.h"
#include "notes/session.h"
#include "ui/login_window_win.h"
#include "ui/modal_win.h"
#include "ui/print_preview_win.h"
#include "ui/ui_logic.h"
#include "ui/ui_win.h"
#include "ui/window_win.h"

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

constexpr wchar_t kEditorClass[] = L"NorvaneEditWnd";
// The window text of the proposals' list, by which the tests find it.
constexpr wchar_t kProposalsTitle[] = L"NorvaneProposals";
constexpr UINT kMaybeHideProposals = WM_APP;  // after a box lost the focus

class EditorWindow : public Window {
public:
    EditorWindow(const DeliveryNote& note, bool is_new, const StatusSink& report,
                 const Recall& recall)
        : note_(note), is_new_(is_new), report_(report), recall_(recall) {}
    // Modal over `owner`; true when the note was saved at least once.
    bool Run(HWND owner);

private:
    LRESULT OnMessage(UINT msg, WPARAM wparam, LPARAM lparam) override;
    void Create();
    void RefillItems();
    ItemInput ReadBoxes() const;
    void WriteBoxes(const ItemInput& in);
    void ClearBoxes();
    bool ReadItem(Item& out);
    int SelectedItemRow();
    void AddItem();
    void UpdateItem();
    void DeleteItem();
    void LoadSelectedItem();
    bool Save();
    void OnCommand(int id);
    bool IsInputRowBox(HWND wnd) const;
    EnterFocus FocusForEnter(HWND focus) const;
    bool EditorKeys(const MSG& msg);
    // The drop-down of proposals under the customer box or the product box.
    void Propose(HWND box);
    void HideProposals();
    bool ProposalKeys(const MSG& msg);
    void TakeProposal(int index);

    HWND number_ = nullptr, date_ = nullptr, customer_ = nullptr, project_ = nullptr,
         contact_ = nullptr, phone_ = nullptr, address_ = nullptr, status_ = nullptr,
         remark_ = nullptr;
    HWND items_ = nullptr;
    HWND total_ = nullptr;
    std::array<HWND, 9> boxes_{};
    DeliveryNote note_;  // the working copy
    bool is_new_ = false;
    bool saved_ = false;
    StatusSink report_;  // where a print from the editor tells its outcome
    const Recall& recall_;
    HWND proposals_ = nullptr;  // a pop-up list box, owned by the editor
    HWND proposing_for_ = nullptr;
    bool ready_ = false;  // the boxes are filled: a change from now on is the user's
};

HWND Label(HWND parent, const char16_t* text, int x, int y, int w) {
    return MakeChild(parent, {.cls = L"STATIC",
                              .text = text,
                              .style = SS_CENTERIMAGE | SS_NOPREFIX,
                              .x = x,
                              .y = y,
                              .w = w,
                              .h = 28});
}

HWND Edit(HWND parent, int id, int x, int y, int w) {
    return MakeChild(parent, {.cls = L"EDIT",
                              .id = id,
                              .style = WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP,
                              .x = x,
                              .y = y,
                              .w = w,
                              .h = 28});
}

void EditorWindow::RefillItems() {
    SendMessageW(items_, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(items_);
    for (std::size_t i = 0; i < note_.items.size(); ++i) {
        auto cells = item_row_cells(note_.items[i]);
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<wchar_t*>(as_wide(cells[0]));
        item.lParam = static_cast<LPARAM>(i);
        int row = static_cast<int>(
            SendMessageW(items_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        for (int c = 1; c < 10; ++c) {
            LVITEMW sub{};
            sub.iSubItem = c;
            sub.pszText = const_cast<wchar_t*>(as_wide(cells[static_cast<std::size_t>(c)]));
            SendMessageW(items_, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&sub));
        }
    }
    SendMessageW(items_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(items_, nullptr, TRUE);
    SetText(total_, total_label(note_.items));
}

ItemInput EditorWindow::ReadBoxes() const {
    return {GetText(boxes_[0]), GetText(boxes_[1]), GetText(boxes_[2]),
            GetText(boxes_[3]), GetText(boxes_[4]), GetText(boxes_[5]),
            GetText(boxes_[6]), GetText(boxes_[7]), GetText(boxes_[8])};
}

void EditorWindow::WriteBoxes(const ItemInput& in) {
    const std::u16string* texts[] = {&in.product,  &in.model,      &in.length,
                                     &in.wattage,  &in.brightness, &in.sensor_mode,
                                     &in.quantity, &in.unit,       &in.price};
    for (std::size_t i = 0; i < 9; ++i) SetText(boxes_[i], *texts[i]);
}

void EditorWindow::ClearBoxes() {
    ItemInput empty;
    empty.unit = u"个";
    WriteBoxes(empty);
    SetFocus(boxes_[0]);
}

bool EditorWindow::ReadItem(Item& out) {
    ItemRead r = read_item_input(ReadBoxes());
    if (!r.ok) {
        MessageBoxU(hwnd(), r.message, L"提示", MB_OK | MB_ICONWARNING);
        return false;
    }
    out = r.item;
    return true;
}

int EditorWindow::SelectedItemRow() {
    int row = ListView_GetNextItem(items_, -1, LVNI_SELECTED);
    if (row < 0)
        MessageBoxW(hwnd(), L"请先在明细列表中选中一行", L"提示", MB_OK | MB_ICONINFORMATION);
    return row;
}

void EditorWindow::AddItem() {
    Item it;
    if (!ReadItem(it))
        return;
    note_.items.push_back(it);
    RefillItems();
    ClearBoxes();
}

void EditorWindow::UpdateItem() {
    int row = SelectedItemRow();
    if (row < 0)
        return;
    Item it;
    if (!ReadItem(it))
        return;
    if (row < static_cast<int>(note_.items.size()))
        note_.items[static_cast<std::size_t>(row)] = it;
    RefillItems();
}

void EditorWindow::DeleteItem() {
    int row = SelectedItemRow();
    if (row < 0)
        return;
    if (row < static_cast<int>(note_.items.size()))
        note_.items.erase(note_.items.begin() + row);
    RefillItems();
    ClearBoxes();
}

void EditorWindow::LoadSelectedItem() {
    int row = ListView_GetNextItem(items_, -1, LVNI_SELECTED);
    if (row < 0 || row >= static_cast<int>(note_.items.size()))
        return;
    WriteBoxes(item_to_input(note_.items[static_cast<std::size_t>(row)]));
}

bool EditorWindow::Save() {
    DeliveryNote& n = note_;
    n.customer = GetText(customer_);
    n.project = GetText(project_);
    n.contact = GetText(contact_);
    n.contact_phone = GetText(phone_);
    n.address = GetText(address_);
    n.remark = GetText(remark_);
    n.date = PickerDate(date_);
    if (n.date.empty())
        n.date = today_date();
    n.status = SendMessageW(status_, CB_GETCURSEL, 0, 0) == 1 ? kStatusDelivered : kStatusPending;
    if (is_new_)
        n.number = GetText(number_);
    std::u16string refusal = prepare_for_save(n, is_new_);
    if (is_new_)
        SetText(number_, n.number);  // a generated number shows at once
    if (!refusal.empty()) {
        MessageBoxU(hwnd(), refusal, L"提示", MB_OK | MB_ICONWARNING);
        SetFocus(customer_);
        return false;
    }
    ServiceResult r;
    {
        EnableWindow(hwnd(), FALSE);
        WaitCursor wait;
        const LoginSession& session = login_session();
        r = service_save_note(data_caller(session), n, is_new_);
        EnableWindow(hwnd(), TRUE);
    }
    if (!r.ok && session_refused(r, login_session())) {
        // What was typed stays in this window: the user signs in again and saves once more.
        end_refused_session(process().config_path, login_session());
        MessageBoxU(hwnd(),
                    std::u16string(kSessionEnded) +
                        u"。\n填写的内容仍保留在编辑窗口中，重新登录后请再次保存。",
                    L"需要重新登录", MB_OK | MB_ICONWARNING);
        EnableWindow(hwnd(), FALSE);
        static_cast<void>(RunLoginWindow());
        EnableWindow(hwnd(), TRUE);
        SetForegroundWindow(hwnd());
        return false;
    }
    if (!r.ok) {
        MessageBoxU(hwnd(), r.message, L"保存失败", MB_OK | MB_ICONERROR);
        return false;
    }
    is_new_ = false;
    saved_ = true;
    app_log().line("note saved: %s id=%d", utf16_to_utf8(n.number).c_str(), n.id);
    return true;
}

void EditorWindow::Create() {
    HWND wnd = hwnd();
    // Laid out in 96-DPI units across the client width, which the frame makes a little
    // narrower than the window.
    RECT rc;
    GetClientRect(wnd, &rc);
    int cw = rc.right > 0 ? MulDiv(rc.right, 96, process().dpi) : 1164;
    int iw = cw - 36;
    Label(wnd, u"单号", 18, 14, 62);
    number_ = Edit(wnd, kIdNumber, 80, 14, 280);
    Label(wnd, u"日期", 372, 14, 62);
    date_ = MakeChild(wnd, {.cls = DATETIMEPICK_CLASSW,
                            .id = kIdDate,
                            .style = WS_BORDER | DTS_SHORTDATEFORMAT | WS_TABSTOP,
                            .x = 434,
                            .y = 14,
                            .w = 160,
                            .h = 28});
    Label(wnd, u"状态", 606, 14, 44);
    status_ = MakeChild(wnd, {.cls = L"COMBOBOX",
                              .id = kIdStatus,
                              .style = WS_VSCROLL | CBS_DROPDOWNLIST | WS_TABSTOP,
                              .x = 650,
                              .y = 14,
                              .w = 120,
                              .h = 200});
    SendMessageW(status_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"待送达"));
    SendMessageW(status_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"已送达"));
    Label(wnd, u"客户", 18, 48, 62);
    customer_ = Edit(wnd, kIdCustomer, 80, 48, 480);
    Label(wnd, u"项目", 572, 48, 62);
    project_ = Edit(wnd, kIdProject, 634, 48, iw - 616);
    Label(wnd, u"联系人", 18, 82, 62);
    contact_ = Edit(wnd, kIdContact, 80, 82, 220);
    Label(wnd, u"电话", 312, 82, 62);
    phone_ = Edit(wnd, kIdPhone, 374, 82, 240);
    Label(wnd, u"地址", 18, 116, 62);
    address_ = Edit(wnd, kIdAddress, 80, 116, iw - 62);
    Label(wnd, u"备注", 18, 150, 62);
    remark_ = Edit(wnd, kIdRemark, 80, 150, iw - 62);

    items_ = MakeChild(
        wnd, {.cls = WC_LISTVIEWW,
              .id = kIdItems,
              .style = WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP,
              .x = 18,
              .y = 190,
              .w = iw,
              .h = 238});
    ListView_SetExtendedListViewStyle(
        items_, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    static const struct {
        const wchar_t* title;
        int width;
    } kColumns[] = {{L"商品名称", 180}, {L"型号", 110},     {L"长度", 70}, {L"瓦数", 80},
                    {L"单/双亮", 80},   {L"感应模式", 100}, {L"数量", 60}, {L"单位", 50},
                    {L"单价", 80},      {L"小计", 90}};
    for (int i = 0; i < 10; ++i) AddListColumn(items_, i, kColumns[i].title, kColumns[i].width);

    static const struct {
        int width;
        const wchar_t* cue;
    } kBoxes[] = {{180, L"商品名称"}, {110, L"型号"},   {70, L"长度"},
                  {80, L"瓦数"},      {80, L"单/双亮"}, {100, L"感应"},
                  {60, L"数量"},      {50, L"单位"},    {80, L"单价"}};
    int x = 18;
    for (int i = 0; i < 9; ++i) {
        boxes_[static_cast<std::size_t>(i)] =
            MakeChild(wnd, {.cls = L"EDIT",
                            .id = kIdFirstBox + i,
                            .text = i == 7 ? u"个" : u"",
                            .style = WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP,
                            .x = x,
                            .y = 436,
                            .w = kBoxes[i].width,
                            .h = 28});
        SendMessageW(boxes_[static_cast<std::size_t>(i)], EM_SETCUEBANNER, TRUE,
                     reinterpret_cast<LPARAM>(kBoxes[i].cue));
        x += kBoxes[i].width + 6;
    }
    auto button = [&](const char16_t* text, int id, DWORD style, int bx, int y, int w, int h) {
        MakeChild(wnd, {.cls = L"BUTTON",
                        .id = id,
                        .text = text,
                        .style = style | WS_TABSTOP,
                        .x = bx,
                        .y = y,
                        .w = w,
                        .h = h});
    };
    button(u"添加", kIdAdd, BS_PUSHBUTTON, x, 436, 66, 28);
    button(u"更新", kIdUpdate, BS_PUSHBUTTON, x + 72, 436, 66, 28);
    button(u"删除行", kIdDeleteItem, BS_PUSHBUTTON, x + 144, 436, 76, 28);

    total_ = MakeChild(wnd, {.cls = L"STATIC",
                             .id = kIdTotal,
                             .text = u"合计：¥0.00",
                             .style = SS_CENTERIMAGE | SS_NOPREFIX,
                             .x = 18,
                             .y = 476,
                             .w = 300,
                             .h = 32,
                             .font = BoldFont()});
    int r = cw - 18;
    button(u"打印", kIdPrint, BS_PUSHBUTTON, r - 420, 474, 140, 34);
    button(u"保存并关闭", kIdSave, BS_DEFPUSHBUTTON, r - 260, 474, 140, 34);
    button(u"取消", kIdCancel, BS_PUSHBUTTON, r - 110, 474, 110, 34);

    // Fill.
    const DeliveryNote& n = note_;
    SetText(number_, n.number);
    SetText(customer_, n.customer);
    SetText(project_, n.project);
    SetText(contact_, n.contact);
    SetText(phone_, n.contact_phone);
    SetText(address_, n.address);
    SetText(remark_, n.remark);
    if (!SetPickerDate(date_, n.date))
        SetPickerDate(date_, today_date());
    SendMessageW(status_, CB_SETCURSEL, n.status == kStatusDelivered ? 1 : 0, 0);
    if (!is_new_)
        EnableWindow(number_, FALSE);
    RefillItems();
    SetFocus(customer_);
}

void EditorWindow::OnCommand(int id) {
    switch (id) {
        case kIdAdd:
            AddItem();
            break;
        case kIdUpdate:
            UpdateItem();
            break;
        case kIdDeleteItem:
            DeleteItem();
            break;
        case kIdSave:
            if (Save())
                DestroyWindow(hwnd());
            break;
        case kIdCancel:
            DestroyWindow(hwnd());
            break;
        case kIdPrint:
            // The note is saved first; the editor stays open when the print is cancelled or
            // fails.
            if (Save() && RunPrintCommand(note_, report_))
                DestroyWindow(hwnd());
            break;
        default:
            break;
    }
}

bool EditorWindow::IsInputRowBox(HWND wnd) const {
    for (HWND b : boxes_) {
        if (b == wnd)
            return true;
    }
    return false;
}

// Where Enter lands. While the status list or the date picker's calendar is open, the key
// belongs to it (the calendar lives in a pop-up window of its own outside the editor).
EnterFocus EditorWindow::FocusForEnter(HWND focus) const {
    if (SendMessageW(status_, CB_GETDROPPEDSTATE, 0, 0))
        return EnterFocus::OpenDropDown;
    if (SendMessageW(date_, DTM_GETMONTHCAL, 0, 0))
        return EnterFocus::OpenDropDown;
    if (IsInputRowBox(focus))
        return EnterFocus::ItemInputRow;
    if (focus && GetAncestor(focus, GA_ROOT) == hwnd()) {
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
bool EditorWindow::EditorKeys(const MSG& msg) {
    if (msg.message != WM_KEYDOWN)
        return false;
    if (ProposalKeys(msg))
        return true;
    if (msg.wParam == VK_ESCAPE) {
        DestroyWindow(hwnd());  // nothing is saved
        return true;
    }
    if (msg.wParam != VK_RETURN)
        return false;
    HWND focus = GetFocus();
    switch (editor_enter_action(FocusForEnter(focus))) {
        case EnterAction::PassToControl:
            // Straight to the control: the dialog keys would press the default button.
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            return true;
        case EnterAction::AddItem:
            AddItem();
            return true;
        case EnterAction::ClickButton:
            SendMessageW(focus, BM_CLICK, 0, 0);
            return true;
        case EnterAction::Ignore:
            return true;
    }
    return true;
}

void EditorWindow::Propose(HWND box) {
    std::u16string typed = GetText(box);
    std::vector<std::u16string> names =
        box == customer_ ? recall_.customers(typed) : recall_.products(typed);
    if (names.empty()) {
        HideProposals();
        return;
    }
    if (!proposals_) {
        proposals_ = CreateWindowExW(
            WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_TOPMOST, L"LISTBOX", kProposalsTitle,
            WS_POPUP | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 0, 0, 0, 0,
            hwnd(), nullptr, process().instance, nullptr);
        SendMessageW(proposals_, WM_SETFONT, reinterpret_cast<WPARAM>(UiFont()), TRUE);
    }
    proposing_for_ = box;
    SendMessageW(proposals_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(proposals_, LB_RESETCONTENT, 0, 0);
    for (const std::u16string& name : names)
        SendMessageW(proposals_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(as_wide(name)));
    SendMessageW(proposals_, WM_SETREDRAW, TRUE, 0);
    RECT r;
    GetWindowRect(box, &r);
    int row = static_cast<int>(SendMessageW(proposals_, LB_GETITEMHEIGHT, 0, 0));
    int width = std::max(static_cast<int>(r.right - r.left), Scale(280));
    SetWindowPos(proposals_, HWND_TOPMOST, r.left, r.bottom, width,
                 row * static_cast<int>(names.size()) + 2 * GetSystemMetrics(SM_CYBORDER) + 2,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void EditorWindow::HideProposals() {
    if (proposals_ && IsWindowVisible(proposals_))
        ShowWindow(proposals_, SW_HIDE);
}

// Down and Up move in the open list, Enter or Tab takes the entry, Esc closes the list and
// keeps what was typed; Enter in the open list never saves.
bool EditorWindow::ProposalKeys(const MSG& msg) {
    if (!proposals_ || !IsWindowVisible(proposals_) || msg.hwnd != proposing_for_)
        return false;
    int count = static_cast<int>(SendMessageW(proposals_, LB_GETCOUNT, 0, 0));
    int at = static_cast<int>(SendMessageW(proposals_, LB_GETCURSEL, 0, 0));
    switch (msg.wParam) {
        case VK_DOWN:
        case VK_UP:
            at = msg.wParam == VK_DOWN ? std::min(at + 1, count - 1) : std::max(at - 1, 0);
            SendMessageW(proposals_, LB_SETCURSEL, static_cast<WPARAM>(at), 0);
            return true;
        case VK_RETURN:
            if (at >= 0)
                TakeProposal(at);
            else
                HideProposals();
            return true;
        case VK_TAB:
            if (at >= 0)
                TakeProposal(at);
            HideProposals();
            return false;  // Tab still moves on
        case VK_ESCAPE:
            HideProposals();
            return true;
        default:
            return false;
    }
}

void EditorWindow::TakeProposal(int index) {
    HWND box = proposing_for_;
    int length = static_cast<int>(SendMessageW(proposals_, LB_GETTEXTLEN, index, 0));
    if (!box || index < 0 || length < 0)
        return;
    std::u16string name(static_cast<std::size_t>(length) + 1, u'\0');
    SendMessageW(proposals_, LB_GETTEXT, index, reinterpret_cast<LPARAM>(as_wide_buffer(name)));
    name.resize(static_cast<std::size_t>(length));
    HideProposals();
    ready_ = false;  // the texts set here are no typing
    SetText(box, name);
    SendMessageW(box, EM_SETSEL, static_cast<WPARAM>(length), length);
    if (box == customer_) {
        CustomerBoxes b{GetText(project_), GetText(contact_), GetText(phone_), GetText(address_)};
        if (recall_.fill_customer(name, b)) {
            SetText(project_, b.project);
            SetText(contact_, b.contact);
            SetText(phone_, b.phone);
            SetText(address_, b.address);
        }
    } else {
        ProductBoxes b{GetText(boxes_[1]), GetText(boxes_[2]), GetText(boxes_[3]),
                       GetText(boxes_[4]), GetText(boxes_[5]), GetText(boxes_[7]),
                       GetText(boxes_[8])};
        if (recall_.fill_product(name, GetText(customer_), b)) {
            const std::u16string* texts[] = {&b.model,       &b.length, &b.wattage, &b.brightness,
                                             &b.sensor_mode, nullptr,   &b.unit,    &b.price};
            for (std::size_t i = 0; i < 8; ++i) {
                if (texts[i])
                    SetText(boxes_[i + 1], *texts[i]);
            }
        }
    }
    ready_ = true;
    SetFocus(box);
}

LRESULT EditorWindow::OnMessage(UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
        case WM_CREATE:
            Create();
            return 0;
        case WM_NOTIFY: {
            auto* hdr = reinterpret_cast<NMHDR*>(lparam);
            if (hdr->idFrom == kIdItems && hdr->code == NM_DBLCLK)
                LoadSelectedItem();
            return 0;
        }
        case WM_COMMAND: {
            auto from = reinterpret_cast<HWND>(lparam);
            if (from && from == proposals_) {
                // A click in the list takes the entry (keys never reach the list itself).
                if (HIWORD(wparam) == LBN_SELCHANGE)
                    TakeProposal(static_cast<int>(SendMessageW(proposals_, LB_GETCURSEL, 0, 0)));
            } else if (ready_ && (from == customer_ || from == boxes_[0])) {
                if (HIWORD(wparam) == EN_CHANGE)
                    Propose(from);
                else if (HIWORD(wparam) == EN_KILLFOCUS)
                    PostMessageW(hwnd(), kMaybeHideProposals, 0, 0);
            } else if (HIWORD(wparam) == BN_CLICKED) {
                OnCommand(LOWORD(wparam));
            }
            return 0;
        }
        case kMaybeHideProposals:
            if (GetFocus() != proposing_for_ && GetFocus() != proposals_)
                HideProposals();
            return 0;
        case WM_MOVE:
            HideProposals();
            return 0;
        case WM_CTLCOLORSTATIC:
            return StaticColours(wparam);
        case WM_CLOSE:
            DestroyWindow(hwnd());
            return 0;
        default:
            return Default(msg, wparam, lparam);
    }
}

bool EditorWindow::Run(HWND owner) {
    RegisterWindowClass(
        {.name = kEditorClass, .background = WindowBrush(), .style = CS_HREDRAW | CS_VREDRAW});
    EnableWindow(owner, FALSE);
    if (!CreateFor(WS_EX_DLGMODALFRAME, kEditorClass, is_new_ ? u"新增送货单" : u"编辑送货单",
                   WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT, Scale(1180), Scale(700),
                   owner)) {
        EnableWindow(owner, TRUE);
        return false;
    }
    CenterInWorkArea(hwnd(), true);
    ready_ = true;
    ShowWindow(hwnd(), SW_SHOW);
    UpdateWindow(hwnd());
    // Whether the loop ended by a quit message or by closing, the saved flag is the answer.
    static_cast<void>(RunModalLoop(live(), [this](const MSG& msg) { return EditorKeys(msg); }));
    // The owner is enabled before the editor goes, so that Windows gives it the foreground.
    EnableWindow(owner, TRUE);
    if (hwnd())
        DestroyWindow(hwnd());
    if (owner)
        SetForegroundWindow(owner);
    return saved_;
}

}  // namespace

bool RunEditor(HWND owner, const DeliveryNote& note, bool is_new, const StatusSink& report,
               const Recall& recall) {
    EditorWindow editor(note, is_new, report, recall);
    return editor.Run(owner);
}

}  // namespace nv
