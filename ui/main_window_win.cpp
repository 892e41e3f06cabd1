#include "ui/main_window_win.h"

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <array>
#include <string>
#include <vector>

#include "base/config.h"
#include "base/handles_win.h"
#include "base/log.h"
#include "base/process_win.h"
#include "base/product.h"
#include "base/text.h"
#include "base/wide_win.h"
#include "finance/finance_session.h"
#include "notes/note_service.h"
#include "notes/session.h"
#include "print/print_settings.h"
#include "ui/editor_win.h"
#include "ui/export_command_win.h"
#include "ui/finance_window_win.h"
#include "ui/login_window_win.h"
#include "ui/print_preview_win.h"
#include "ui/ui_logic.h"
#include "ui/ui_win.h"
#include "update/updater.h"
#include "update/updater_win.h"

namespace nv {

namespace {

enum : int {
    kIdList = 1001,
    kIdSearch = 1002,
    kIdStatus = 1003,
    kIdNew = 1012,
    kCmdRefresh = 2001,
    kCmdNew = 2002,
    kCmdEdit = 2003,
    kCmdPrint = 2004,
    kCmdDelete = 2005,
    kCmdSignOut = 2006,
    kCmdAbout = 2007,
    kCmdExit = 2008,
    kCmdConfig = 2009,
    kCmdFinance = 2010,
    kCmdWord = 2011,
    kCmdPdf = 2012,
};
constexpr wchar_t kNoSelection[] = L"请先在列表里选中一张送货单";

// The list is an owner-data list view: it asks for the cells of row r when it draws it, and
// row r shows loaded note shown[r]. Rows, order, columns and selection are those of a plain
// list whose item data is the note index; refilling 10,000 notes is a count update instead of
// 100,000 inserts.
struct MainState {
    HWND wnd = nullptr;
    HWND new_button = nullptr;
    HWND search = nullptr;
    HWND list = nullptr;
    HWND status = nullptr;
    std::vector<DeliveryNote> notes;                    // the loaded notes
    std::vector<std::array<std::u16string, 10>> cells;  // their row texts
    std::vector<double> totals;
    std::vector<int> shown;  // row -> note index
    bool login_open = false;
};

MainState g_main;

void SetStatus(std::u16string_view text) {
    SetText(g_main.status, text);
}

void Layout() {
    RECT rc;
    GetClientRect(g_main.wnd, &rc);
    int r = rc.right, b = rc.bottom;
    MoveWindow(g_main.new_button, Scale(12), Scale(10), Scale(96), Scale(34), TRUE);
    MoveWindow(g_main.search, r - Scale(292), Scale(13), Scale(280), Scale(28), TRUE);
    MoveWindow(g_main.list, Scale(12), Scale(54), r - Scale(24), b - Scale(86), TRUE);
    MoveWindow(g_main.status, Scale(12), b - Scale(28), r - Scale(24), Scale(26), TRUE);
}

// `notes_changed` is false for a new search text: when it selects the same notes as before,
// nothing on screen changes, and the list is left as it is (selection and scroll position too).
void RefillList(bool notes_changed = true) {
    std::vector<int> shown = filter_notes(g_main.notes, GetText(g_main.search));
    if (!notes_changed && shown == g_main.shown)
        return;
    g_main.shown = std::move(shown);
    double sum = 0.0;
    for (int i : g_main.shown) sum += g_main.totals[static_cast<std::size_t>(i)];
    SendMessageW(g_main.list, WM_SETREDRAW, FALSE, 0);
    ListView_SetItemState(g_main.list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemCountEx(g_main.list, static_cast<int>(g_main.shown.size()), 0);
    SendMessageW(g_main.list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(g_main.list, nullptr, TRUE);
    const PrintSettings& print = app_print_settings();
    SetStatus(summary_text(static_cast<int>(g_main.shown.size()), sum, print.printer_name,
                           paper_label(print)));
}

void SetNotes(std::vector<DeliveryNote> notes) {
    g_main.notes = std::move(notes);
    g_main.cells.clear();
    g_main.totals.clear();
    g_main.cells.reserve(g_main.notes.size());
    g_main.totals.reserve(g_main.notes.size());
    for (const DeliveryNote& n : g_main.notes) {
        g_main.cells.push_back(note_row_cells(n));
        g_main.totals.push_back(note_total(n));
    }
}

int SelectedNoteIndex() {
    int row = ListView_GetNextItem(g_main.list, -1, LVNI_SELECTED);
    if (row < 0 || row >= static_cast<int>(g_main.shown.size()))
        return -1;
    return g_main.shown[static_cast<std::size_t>(row)];
}

// The main window is disabled while a blocking request runs and enabled again in every case.
struct Busy {
    WaitCursor cursor;
    Busy() {
        EnableWindow(g_main.wnd, FALSE);
        UpdateWindow(g_main.wnd);
    }
    ~Busy() { EnableWindow(g_main.wnd, TRUE); }
};

void SessionRefused(bool tell);

void AfterEditor(bool saved) {
    // The session ended in the editor and no new sign-in followed: back to the login window.
    if (login_session().user_id.empty())
        return SessionRefused(false);
    if (!saved)
        return;
    fill_company(process().config_path, login_session());
    LoadNotes();
}

void NewNote() {
    AfterEditor(RunEditor(new_note(), true));
}

void EditSelected() {
    int index = SelectedNoteIndex();
    if (index < 0) {
        MessageBoxW(g_main.wnd, kNoSelection, L"提示", MB_OK | MB_ICONINFORMATION);
        return;
    }
    DeliveryNote copy = g_main.notes[static_cast<std::size_t>(index)];
    AfterEditor(RunEditor(copy, false));
}

void DeleteSelected() {
    int index = SelectedNoteIndex();
    if (index < 0) {
        MessageBoxW(g_main.wnd, kNoSelection, L"提示", MB_OK | MB_ICONINFORMATION);
        return;
    }
    const DeliveryNote& n = g_main.notes[static_cast<std::size_t>(index)];
    if (MessageBoxU(g_main.wnd, delete_question(n), L"删除确认", MB_YESNO | MB_ICONWARNING) !=
        IDYES)
        return;
    ServiceResult r;
    {
        Busy busy;
        const LoginSession& session = login_session();
        r = service_delete_note(data_caller(session), n.id);
    }
    if (!r.ok && session_refused(r, login_session()))
        return SessionRefused(true);
    if (!r.ok) {
        MessageBoxU(g_main.wnd, r.message, L"删除失败", MB_OK | MB_ICONERROR);
        return;
    }
    LoadNotes();
}

// Only one login window: the main window stays disabled while the one shown from it is open.
bool LoginFromMain() {
    if (g_main.login_open)
        return false;
    g_main.login_open = true;
    EnableWindow(g_main.wnd, FALSE);
    bool signed_in = RunLoginWindow();
    EnableWindow(g_main.wnd, TRUE);
    g_main.login_open = false;
    if (IsWindow(g_main.wnd))
        SetForegroundWindow(g_main.wnd);
    return signed_in;
}

// The service refused the session's token: signed out to the login window with the message,
// the remembered session cleared.
void SessionRefused(bool tell) {
    clear_finance_session();
    end_refused_session(process().config_path, login_session());
    SetNotes({});
    RefillList();
    if (tell)
        MessageBoxU(g_main.wnd, kSessionEnded, L"需要重新登录", MB_OK | MB_ICONWARNING);
    if (LoginFromMain()) {
        LoadNotes();
    } else {
        DestroyWindow(g_main.wnd);
    }
}

void SignOut() {
    clear_finance_session();
    sign_out(process().config_path, login_session());
    SetNotes({});
    RefillList();
    if (LoginFromMain()) {
        LoadNotes();
    } else {
        DestroyWindow(g_main.wnd);
    }
}

void About() {
    const PrintSettings& print = app_print_settings();
    const LoginSession& session = login_session();
    MessageBoxU(g_main.wnd,
                about_text(print.printer_name, paper_label(print), session.username,
                           session.base_url, process().config_path),
                L"关于", MB_OK | MB_ICONINFORMATION);
}

void Finance() {
    if (login_session().user_id.empty()) {
        if (!LoginFromMain())
            return;
        LoadNotes();
    }
    const LoginSession& session = login_session();
    RunFinanceWindow(g_main.wnd, config_lookup(process().config_path, u"app", u"financeServer",
                                               session.base_url));
}

void SavePlacement() {
    RECT r;
    GetWindowRect(g_main.wnd, &r);
    write_placement(process().config_path, r.left, r.top, r.right, r.bottom);
}

void ContextMenu(LPARAM lparam) {
    POINT screen{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    // Shift+F10 and the Menu key send -1, -1: the menu is for the selected note, shown at
    // its row (or at the list's corner when nothing is selected).
    bool keyboard = screen.x == -1 && screen.y == -1;
    int selected = ListView_GetNextItem(g_main.list, -1, LVNI_SELECTED);
    int under_pointer = -1;
    if (keyboard) {
        RECT r{};
        if (selected >= 0) {
            ListView_EnsureVisible(g_main.list, selected, FALSE);
            ListView_GetItemRect(g_main.list, selected, &r, LVIR_LABEL);
        }
        screen = {r.left, selected >= 0 ? r.bottom : r.top};
        ClientToScreen(g_main.list, &screen);
    } else {
        LVHITTESTINFO hit{};
        hit.pt = screen;
        ScreenToClient(g_main.list, &hit.pt);
        under_pointer = ListView_HitTest(g_main.list, &hit);
    }
    int row = context_menu_row(keyboard, selected, under_pointer);
    UniqueMenu menu(CreatePopupMenu());
    if (row < 0) {
        AppendMenuW(menu.get(), MF_STRING, kCmdNew, L"新增送货单(&N)");
    } else {
        ListView_SetItemState(g_main.list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_SetItemState(g_main.list, row, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
        // Once appended, the sub-menu belongs to the menu and is destroyed with it.
        HMENU exports = CreatePopupMenu();
        AppendMenuW(exports, MF_STRING, kCmdWord, L"Word");
        AppendMenuW(exports, MF_STRING, kCmdPdf, L"PDF");
        AppendMenuW(menu.get(), MF_STRING, kCmdEdit, L"编辑(&E)");
        AppendMenuW(menu.get(), MF_STRING, kCmdPrint, L"打印(&P)");
        AppendMenuW(menu.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(exports), L"导出");
        AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu.get(), MF_STRING, kCmdDelete, L"删除(&D)");
    }
    TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_TOPALIGN, screen.x, screen.y, 0, g_main.wnd,
                   nullptr);
}

void OnCommand(int id, int code) {
    switch (id) {
        case kIdNew:
        case kCmdNew:
            NewNote();
            break;
        case kIdSearch:
            if (code == EN_CHANGE)
                RefillList(false);
            break;
        case kCmdRefresh:
            LoadNotes();
            break;
        case kCmdEdit:
            EditSelected();
            break;
        case kCmdPrint:
            if (SelectedNoteIndex() < 0) {
                MessageBoxW(g_main.wnd, kNoSelection, L"提示", MB_OK | MB_ICONINFORMATION);
            } else {
                DeliveryNote copy = g_main.notes[static_cast<std::size_t>(SelectedNoteIndex())];
                static_cast<void>(RunPrintCommand(copy));  // it reports in the status bar
            }
            break;
        case kCmdDelete:
            DeleteSelected();
            break;
        case kCmdSignOut:
            SignOut();
            break;
        case kCmdAbout:
            About();
            break;
        case kCmdExit:
            PostMessageW(g_main.wnd, WM_CLOSE, 0, 0);
            break;
        case kCmdConfig:
            ShellExecuteW(g_main.wnd, L"open", L"notepad.exe", as_wide(process().config_path),
                          nullptr, SW_SHOWNORMAL);
            break;
        case kCmdFinance:
            Finance();
            break;
        case kCmdWord:
        case kCmdPdf: {
            int index = SelectedNoteIndex();
            DeliveryNote copy;
            if (index >= 0)
                copy = g_main.notes[static_cast<std::size_t>(index)];
            RunExportCommand(index >= 0 ? &copy : nullptr, id == kCmdPdf);
            break;
        }
        default:
            break;
    }
}

LRESULT OnNotify(NMHDR* hdr) {
    if (hdr->idFrom != kIdList)
        return 0;
    switch (hdr->code) {
        case LVN_GETDISPINFOW: {
            auto* info = reinterpret_cast<NMLVDISPINFOW*>(hdr);
            int row = info->item.iItem;
            int col = info->item.iSubItem;
            // The list may ask for a row that a refill has just removed.
            if (row < 0 || row >= static_cast<int>(g_main.shown.size()))
                return 0;
            auto index = static_cast<std::size_t>(g_main.shown[static_cast<std::size_t>(row)]);
            if ((info->item.mask & LVIF_TEXT) && col >= 0 && col < 10 && info->item.cchTextMax > 0)
                lstrcpynW(info->item.pszText,
                          as_wide(g_main.cells[index][static_cast<std::size_t>(col)]),
                          info->item.cchTextMax);
            if (info->item.mask & LVIF_PARAM)
                info->item.lParam = static_cast<LPARAM>(index);
            return 0;
        }
        case NM_DBLCLK:
            EditSelected();
            return 0;
        case NM_RETURN:
            EditSelected();
            return 0;  // Enter in the list edits
        case LVN_KEYDOWN:
            if (reinterpret_cast<NMLVKEYDOWN*>(hdr)->wVKey == VK_DELETE)
                DeleteSelected();
            return 0;
        default:
            return 0;
    }
}

}  // namespace

LRESULT CALLBACK WndProcMain(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
        case WM_CREATE: {
            g_main.wnd = wnd;
            process().main_window = wnd;
            g_main.new_button = MakeChild(wnd, L"BUTTON", u"新增单据", BS_PUSHBUTTON | WS_TABSTOP,
                                          0, kIdNew, 0, 0, 0, 0, BoldFont());
            g_main.search = MakeChild(wnd, L"EDIT", u"", ES_AUTOHSCROLL | WS_TABSTOP,
                                      WS_EX_CLIENTEDGE, kIdSearch, 0, 0, 0, 0);
            SendMessageW(g_main.search, EM_SETCUEBANNER, TRUE,
                         reinterpret_cast<LPARAM>(L"搜索单号 / 客户 / 项目 / 地址…"));
            g_main.list = MakeChild(
                wnd, WC_LISTVIEWW, u"",
                LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_OWNERDATA | WS_TABSTOP,
                WS_EX_CLIENTEDGE, kIdList, 0, 0, 0, 0);
            ListView_SetExtendedListViewStyle(
                g_main.list, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
            static const struct {
                const wchar_t* title;
                int width;
            } kColumns[] = {{L"送货单号", 170}, {L"客户名称", 190}, {L"项目楼盘", 160},
                            {L"送货地址", 230}, {L"联系人", 80},    {L"联系电话", 120},
                            {L"制单日期", 96},  {L"状态", 72},      {L"合计", 100},
                            {L"明细", 52}};
            for (int i = 0; i < 10; ++i)
                AddListColumn(g_main.list, i, kColumns[i].title, kColumns[i].width);
            g_main.status = MakeChild(wnd, L"STATIC", u"就绪", SS_CENTERIMAGE | SS_NOPREFIX, 0,
                                      kIdStatus, 0, 0, 0, 0);
            Layout();
            return 0;
        }
        case WM_SIZE:
            Layout();
            return 0;
        case WM_GETMINMAXINFO: {
            auto* mmi = reinterpret_cast<MINMAXINFO*>(lparam);
            mmi->ptMinTrackSize = {Scale(900), Scale(520)};
            return 0;
        }
        case WM_CTLCOLORSTATIC:
            return StaticColours(wparam, RGB(71, 85, 105));
        case WM_NOTIFY:
            return OnNotify(reinterpret_cast<NMHDR*>(lparam));
        case WM_CONTEXTMENU:
            if (reinterpret_cast<HWND>(wparam) == g_main.list)
                ContextMenu(lparam);
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wparam), HIWORD(wparam));
            return 0;
        case kUpdateReadyMessage:
            SetMainStatus(update_ready_notice());
            return 0;
        case WM_CLOSE:
            SavePlacement();
            DestroyWindow(wnd);
            return 0;
        case WM_DESTROY:
            g_main.wnd = nullptr;
            process().main_window = nullptr;
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(wnd, msg, wparam, lparam);
    }
}

void LoadNotes() {
    const LoginSession& session = login_session();
    if (session.user_id.empty() || !g_main.wnd)
        return;
    std::vector<DeliveryNote> notes;
    ServiceResult r;
    ULONGLONG started = GetTickCount64();
    ULONGLONG listed = started;
    {
        Busy busy;
        SetStatus(u"正在从服务器读取送货单…");
        UpdateWindow(g_main.status);
        r = service_list_notes(data_caller(session), notes);
        listed = GetTickCount64();
    }
    if (r.ok) {
        SetNotes(std::move(notes));
        RefillList();
        app_log().line("notes loaded: %d (%llu ms, %llu ms of them reading the list)",
                       static_cast<int>(g_main.notes.size()),
                       static_cast<unsigned long long>(GetTickCount64() - started),
                       static_cast<unsigned long long>(listed - started));
    } else if (session_refused(r, session)) {
        SessionRefused(true);
    } else {
        SetStatus(u"读取失败：" + r.message);
        MessageBoxU(g_main.wnd, r.message, L"读取送货单失败", MB_OK | MB_ICONERROR);
    }
}

void SetMainStatus(std::u16string_view text) {
    SetStatus(text);
}

bool HandleMainWindowKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN || !g_main.wnd || !IsWindowEnabled(g_main.wnd))
        return false;
    if (GetAncestor(msg.hwnd, GA_ROOT) != g_main.wnd)
        return false;
    int command =
        main_window_shortcut(static_cast<uint32_t>(msg.wParam), GetKeyState(VK_CONTROL) < 0);
    if (command == 0)
        return false;
    OnCommand(command, 0);
    return true;
}

HMENU BuildMenuBar() {
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuW(file, MF_STRING, kCmdRefresh, L"刷新(&R)\tF5");
    AppendMenuW(file, MF_STRING, kCmdSignOut, L"退出登录");
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(file, MF_STRING, kCmdExit, L"退出(&X)");
    HMENU ops = CreatePopupMenu();
    AppendMenuW(ops, MF_STRING, kCmdNew, L"新增送货单(&N)\tCtrl+N");
    AppendMenuW(ops, MF_STRING, kCmdEdit, L"编辑(&E)\tEnter");
    AppendMenuW(ops, MF_STRING, kCmdPrint, L"打印(&P)\tCtrl+P");
    AppendMenuW(ops, MF_STRING, kCmdWord, L"导出 Word（A4 纵向）");
    AppendMenuW(ops, MF_STRING, kCmdPdf, L"导出 PDF（A4 纵向）");
    AppendMenuW(ops, MF_STRING, kCmdDelete, L"删除(&D)\tDel");
    HMENU finance = CreatePopupMenu();
    AppendMenuW(finance, MF_STRING, kCmdFinance, L"凭证 / 科目 / 租户 / 分片管理");
    HMENU help = CreatePopupMenu();
    AppendMenuW(help, MF_STRING, kCmdConfig, L"打开配置文件");
    AppendMenuW(help, MF_STRING, kCmdAbout, L"关于");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"文件(&F)");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(ops), L"操作(&O)");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(finance), L"财务(&A)");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"帮助(&?)");
    return bar;
}

HWND CreateMainWindow(HMENU menu, int left, int top, int width, int height) {
    UniqueMenu owned(menu);  // destroyed here unless the window takes it
    HWND wnd = CreateWindowExW(0, L"NorvaneMainWnd", as_wide(kAppTitle), WS_OVERLAPPEDWINDOW, left,
                               top, width, height, nullptr, menu, process().instance, nullptr);
    if (wnd)
        static_cast<void>(owned.release());  // a window destroys its menu bar itself
    return wnd;
}

}  // namespace nv
