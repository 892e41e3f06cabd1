#include "ui/main_window_win.h"

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <array>
#include <string>
#include <vector>

#include "base/app_identity.h"
#include "base/config.h"
#include "base/handles_win.h"
#include "base/log.h"
#include "base/process_win.h"
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
#include "ui/statement_window_win.h"
#include "ui/ui_logic.h"
#include "ui/ui_win.h"
#include "ui/window_win.h"
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
    kCmdExcel = 2013,
    kCmdStatement = 2014,
};
constexpr wchar_t kNoSelection[] = L"请先在列表里选中一张送货单";
constexpr wchar_t kMainClass[] = L"NorvaneMainWnd";

// The window is disabled while a blocking request runs and enabled again in every case.
class Busy {
public:
    explicit Busy(HWND wnd) : wnd_(wnd) {
        EnableWindow(wnd_, FALSE);
        UpdateWindow(wnd_);
    }
    ~Busy() { EnableWindow(wnd_, TRUE); }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

private:
    WaitCursor cursor_;
    HWND wnd_;
};

}  // namespace

StatusSink MainWindow::Reporter() {
    return [this](std::u16string_view text) { SetStatus(text); };
}

void MainWindow::SetStatus(std::u16string_view text) {
    SetText(status_, text);
}

void MainWindow::Layout() {
    RECT rc;
    GetClientRect(hwnd(), &rc);
    int r = rc.right, b = rc.bottom;
    MoveWindow(new_button_, Scale(12), Scale(10), Scale(96), Scale(34), TRUE);
    MoveWindow(search_, r - Scale(292), Scale(13), Scale(280), Scale(28), TRUE);
    MoveWindow(list_, Scale(12), Scale(54), r - Scale(24), b - Scale(86), TRUE);
    MoveWindow(status_, Scale(12), b - Scale(28), r - Scale(24), Scale(26), TRUE);
}

// `notes_changed` is false for a new search text: when it selects the same notes as before,
// nothing on screen changes, and the list is left as it is (selection and scroll position too).
void MainWindow::RefillList(bool notes_changed) {
    std::vector<int> shown = filter_notes(notes_, GetText(search_));
    if (!notes_changed && shown == shown_)
        return;
    shown_ = std::move(shown);
    double sum = 0.0;
    for (int i : shown_) sum += totals_[static_cast<std::size_t>(i)];
    SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemCountEx(list_, static_cast<int>(shown_.size()), 0);
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
    const PrintSettings& print = app_print_settings();
    SetStatus(
        summary_text(static_cast<int>(shown_.size()), sum, print.printer_name, paper_label(print)));
}

void MainWindow::SetNotes(std::vector<DeliveryNote> notes) {
    notes_ = std::move(notes);
    cells_.clear();
    totals_.clear();
    cells_.reserve(notes_.size());
    totals_.reserve(notes_.size());
    for (const DeliveryNote& n : notes_) {
        cells_.push_back(note_row_cells(n));
        totals_.push_back(note_total(n));
    }
    recall_.load(notes_);  // every save and delete loads the notes again
}

int MainWindow::SelectedNoteIndex() {
    int row = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
    if (row < 0 || row >= static_cast<int>(shown_.size()))
        return -1;
    return shown_[static_cast<std::size_t>(row)];
}

void MainWindow::AfterEditor(bool saved) {
    // The session ended in the editor and no new sign-in followed: back to the login window.
    if (login_session().user_id.empty())
        return SessionRefused(false);
    if (!saved)
        return;
    fill_company(process().config_path, login_session());
    LoadNotes();
}

void MainWindow::NewNote() {
    AfterEditor(RunEditor(hwnd(), new_note(), true, Reporter(), recall_));
}

void MainWindow::EditSelected() {
    int index = SelectedNoteIndex();
    if (index < 0) {
        MessageBoxW(hwnd(), kNoSelection, L"提示", MB_OK | MB_ICONINFORMATION);
        return;
    }
    DeliveryNote copy = notes_[static_cast<std::size_t>(index)];
    AfterEditor(RunEditor(hwnd(), copy, false, Reporter(), recall_));
}

void MainWindow::DeleteSelected() {
    int index = SelectedNoteIndex();
    if (index < 0) {
        MessageBoxW(hwnd(), kNoSelection, L"提示", MB_OK | MB_ICONINFORMATION);
        return;
    }
    const DeliveryNote& n = notes_[static_cast<std::size_t>(index)];
    if (MessageBoxU(hwnd(), delete_question(n), L"删除确认", MB_YESNO | MB_ICONWARNING) != IDYES)
        return;
    ServiceResult r;
    {
        Busy busy(hwnd());
        const LoginSession& session = login_session();
        r = service_delete_note(data_caller(session), n.id);
    }
    if (!r.ok && session_refused(r, login_session()))
        return SessionRefused(true);
    if (!r.ok) {
        MessageBoxU(hwnd(), r.message, L"删除失败", MB_OK | MB_ICONERROR);
        return;
    }
    LoadNotes();
}

// Only one login window: the main window stays disabled while the one shown from it is open.
bool MainWindow::LoginFromMain() {
    if (login_open_)
        return false;
    login_open_ = true;
    EnableWindow(hwnd(), FALSE);
    bool signed_in = RunLoginWindow();
    EnableWindow(hwnd(), TRUE);
    login_open_ = false;
    if (IsWindow(hwnd()))
        SetForegroundWindow(hwnd());
    return signed_in;
}

// The service refused the session's token: signed out to the login window with the message,
// the remembered session cleared.
void MainWindow::SessionRefused(bool tell) {
    clear_finance_session();
    end_refused_session(process().config_path, login_session());
    SetNotes({});
    RefillList();
    if (tell)
        MessageBoxU(hwnd(), kSessionEnded, L"需要重新登录", MB_OK | MB_ICONWARNING);
    if (LoginFromMain()) {
        LoadNotes();
    } else {
        DestroyWindow(hwnd());
    }
}

void MainWindow::SignOut() {
    clear_finance_session();
    sign_out(process().config_path, login_session());
    SetNotes({});
    RefillList();
    if (LoginFromMain()) {
        LoadNotes();
    } else {
        DestroyWindow(hwnd());
    }
}

void MainWindow::About() {
    const PrintSettings& print = app_print_settings();
    const LoginSession& session = login_session();
    MessageBoxU(hwnd(),
                about_text(print.printer_name, paper_label(print), session.username,
                           session.base_url, process().config_path),
                L"关于", MB_OK | MB_ICONINFORMATION);
}

void MainWindow::Finance() {
    if (login_session().user_id.empty()) {
        if (!LoginFromMain())
            return;
        LoadNotes();
    }
    const LoginSession& session = login_session();
    RunFinanceWindow(
        hwnd(), config_lookup(process().config_path, u"app", u"financeServer", session.base_url));
}

void MainWindow::SavePlacement() {
    RECT r;
    GetWindowRect(hwnd(), &r);
    write_placement(process().config_path, r.left, r.top, r.right, r.bottom);
}

void MainWindow::ContextMenu(LPARAM lparam) {
    POINT screen{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    // Shift+F10 and the Menu key send -1, -1: the menu is for the selected note, shown at
    // its row (or at the list's corner when nothing is selected).
    bool keyboard = screen.x == -1 && screen.y == -1;
    int selected = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
    int under_pointer = -1;
    if (keyboard) {
        RECT r{};
        if (selected >= 0) {
            ListView_EnsureVisible(list_, selected, FALSE);
            ListView_GetItemRect(list_, selected, &r, LVIR_LABEL);
        }
        screen = {r.left, selected >= 0 ? r.bottom : r.top};
        ClientToScreen(list_, &screen);
    } else {
        LVHITTESTINFO hit{};
        hit.pt = screen;
        ScreenToClient(list_, &hit.pt);
        under_pointer = ListView_HitTest(list_, &hit);
    }
    int row = context_menu_row(keyboard, selected, under_pointer);
    UniqueMenu menu(CreatePopupMenu());
    if (row < 0) {
        AppendMenuW(menu.get(), MF_STRING, kCmdNew, L"新增送货单(&N)");
    } else {
        ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_SetItemState(list_, row, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
        // Once appended, the sub-menu belongs to the menu and is destroyed with it.
        HMENU exports = CreatePopupMenu();
        AppendMenuW(exports, MF_STRING, kCmdWord, L"Word");
        AppendMenuW(exports, MF_STRING, kCmdPdf, L"PDF");
        AppendMenuW(exports, MF_STRING, kCmdExcel, L"Excel（当前列表）");
        AppendMenuW(menu.get(), MF_STRING, kCmdEdit, L"编辑(&E)");
        AppendMenuW(menu.get(), MF_STRING, kCmdPrint, L"打印(&P)");
        AppendMenuW(menu.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(exports), L"导出");
        AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu.get(), MF_STRING, kCmdDelete, L"删除(&D)");
    }
    TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_TOPALIGN, screen.x, screen.y, 0, hwnd(),
                   nullptr);
}

void MainWindow::OnCommand(int id, int code) {
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
                MessageBoxW(hwnd(), kNoSelection, L"提示", MB_OK | MB_ICONINFORMATION);
            } else {
                DeliveryNote copy = notes_[static_cast<std::size_t>(SelectedNoteIndex())];
                static_cast<void>(RunPrintCommand(copy, Reporter()));  // it reports there
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
            PostMessageW(hwnd(), WM_CLOSE, 0, 0);
            break;
        case kCmdConfig:
            ShellExecuteW(hwnd(), L"open", L"notepad.exe", as_wide(process().config_path), nullptr,
                          SW_SHOWNORMAL);
            break;
        case kCmdFinance:
            Finance();
            break;
        case kCmdStatement:
            RunStatementWindow(hwnd(), notes_, recall_, Reporter());
            break;
        case kCmdExcel: {
            std::vector<DeliveryNote> listed;
            listed.reserve(shown_.size());
            for (int i : shown_) listed.push_back(notes_[static_cast<std::size_t>(i)]);
            RunExcelExportCommand(listed, Reporter());
            break;
        }
        case kCmdWord:
        case kCmdPdf: {
            int index = SelectedNoteIndex();
            DeliveryNote copy;
            if (index >= 0)
                copy = notes_[static_cast<std::size_t>(index)];
            RunExportCommand(index >= 0 ? &copy : nullptr, id == kCmdPdf, Reporter());
            break;
        }
        default:
            break;
    }
}

LRESULT MainWindow::OnNotify(NMHDR* hdr) {
    if (hdr->idFrom != kIdList)
        return 0;
    switch (hdr->code) {
        case LVN_GETDISPINFOW: {
            auto* info = reinterpret_cast<NMLVDISPINFOW*>(hdr);
            int row = info->item.iItem;
            int col = info->item.iSubItem;
            // The list may ask for a row that a refill has just removed.
            if (row < 0 || row >= static_cast<int>(shown_.size()))
                return 0;
            auto index = static_cast<std::size_t>(shown_[static_cast<std::size_t>(row)]);
            if ((info->item.mask & LVIF_TEXT) && col >= 0 && col < 10 && info->item.cchTextMax > 0)
                lstrcpynW(info->item.pszText, as_wide(cells_[index][static_cast<std::size_t>(col)]),
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

void MainWindow::Create() {
    HWND wnd = hwnd();
    process().main_window = wnd;
    new_button_ = MakeChild(wnd, {.cls = L"BUTTON",
                                  .id = kIdNew,
                                  .text = u"新增单据",
                                  .style = BS_PUSHBUTTON | WS_TABSTOP,
                                  .font = BoldFont()});
    search_ = MakeChild(wnd, {.cls = L"EDIT",
                              .id = kIdSearch,
                              .style = ES_AUTOHSCROLL | WS_TABSTOP,
                              .ex_style = WS_EX_CLIENTEDGE});
    SendMessageW(search_, EM_SETCUEBANNER, TRUE,
                 reinterpret_cast<LPARAM>(L"搜索单号 / 客户 / 项目 / 地址…"));
    list_ = MakeChild(
        wnd, {.cls = WC_LISTVIEWW,
              .id = kIdList,
              .style = LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_OWNERDATA | WS_TABSTOP,
              .ex_style = WS_EX_CLIENTEDGE});
    ListView_SetExtendedListViewStyle(
        list_, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    static const struct {
        const wchar_t* title;
        int width;
    } kColumns[] = {{L"送货单号", 170}, {L"客户名称", 190}, {L"项目楼盘", 160}, {L"送货地址", 230},
                    {L"联系人", 80},    {L"联系电话", 120}, {L"制单日期", 96},  {L"状态", 72},
                    {L"合计", 100},     {L"明细", 52}};
    for (int i = 0; i < 10; ++i) AddListColumn(list_, i, kColumns[i].title, kColumns[i].width);
    status_ = MakeChild(wnd, {.cls = L"STATIC",
                              .id = kIdStatus,
                              .text = u"就绪",
                              .style = SS_CENTERIMAGE | SS_NOPREFIX});
    Layout();
}

LRESULT MainWindow::OnMessage(UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
        case WM_CREATE:
            Create();
            return 0;
        case WM_SIZE:
            if (status_)
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
            if (reinterpret_cast<HWND>(wparam) == list_)
                ContextMenu(lparam);
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wparam), HIWORD(wparam));
            return 0;
        case kUpdateReadyMessage:
            SetStatus(update_ready_notice());
            return 0;
        case WM_CLOSE:
            SavePlacement();
            DestroyWindow(hwnd());
            return 0;
        case WM_DESTROY:
            process().main_window = nullptr;
            PostQuitMessage(0);
            return 0;
        default:
            return Default(msg, wparam, lparam);
    }
}

void MainWindow::LoadNotes() {
    const LoginSession& session = login_session();
    if (session.user_id.empty() || !hwnd())
        return;
    std::vector<DeliveryNote> notes;
    ServiceResult r;
    ULONGLONG started = GetTickCount64();
    ULONGLONG listed = started;
    {
        Busy busy(hwnd());
        SetStatus(u"正在从服务器读取送货单…");
        UpdateWindow(status_);
        r = service_list_notes(data_caller(session), notes);
        listed = GetTickCount64();
    }
    if (r.ok) {
        SetNotes(std::move(notes));
        RefillList();
        app_log().line("notes loaded: %d (%llu ms, %llu ms of them reading the list)",
                       static_cast<int>(notes_.size()),
                       static_cast<unsigned long long>(GetTickCount64() - started),
                       static_cast<unsigned long long>(listed - started));
    } else if (session_refused(r, session)) {
        SessionRefused(true);
    } else {
        SetStatus(u"读取失败：" + r.message);
        MessageBoxU(hwnd(), r.message, L"读取送货单失败", MB_OK | MB_ICONERROR);
    }
}

bool MainWindow::HandleKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN || !hwnd() || !IsWindowEnabled(hwnd()))
        return false;
    if (GetAncestor(msg.hwnd, GA_ROOT) != hwnd())
        return false;
    int command =
        main_window_shortcut(static_cast<uint32_t>(msg.wParam), GetKeyState(VK_CONTROL) < 0);
    if (command == 0)
        return false;
    OnCommand(command, 0);
    return true;
}

namespace {

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
    AppendMenuW(ops, MF_STRING, kCmdExcel, L"导出 Excel（当前列表）");
    AppendMenuW(ops, MF_STRING, kCmdStatement, L"对账单");
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

}  // namespace

bool MainWindow::Open(int left, int top, int width, int height) {
    HINSTANCE inst = process().instance;
    // Icons loaded from the module's resources are shared and never freed.
    RegisterWindowClass(
        {.name = kMainClass,
         .background = WindowBrush(),
         .icon = static_cast<HICON>(
             LoadImageW(inst, MAKEINTRESOURCEW(1), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED)),
         .small_icon = static_cast<HICON>(
             LoadImageW(inst, MAKEINTRESOURCEW(1), IMAGE_ICON, 16, 16, LR_SHARED)),
         .style = CS_HREDRAW | CS_VREDRAW});
    HMENU menu = BuildMenuBar();
    UniqueMenu owned(menu);  // destroyed here unless the window takes it
    if (!CreateFor(0, kMainClass, kAppTitle, WS_OVERLAPPEDWINDOW, left, top, width, height, nullptr,
                   menu))
        return false;
    static_cast<void>(owned.release());  // a window destroys its menu bar itself
    return true;
}

}  // namespace nv
