#include "ui/statement_window_win.h"

#include <commctrl.h>

#include <array>
#include <optional>
#include <string>

#include "base/clock.h"
#include "base/pinyin.h"
#include "base/process_win.h"
#include "base/text.h"
#include "base/wide_win.h"
#include "export/a4_layout.h"
#include "export/export_win.h"
#include "export/workbooks.h"
#include "export/xlsx.h"
#include "notes/statement.h"
#include "ui/export_command_win.h"
#include "ui/modal_win.h"
#include "ui/ui_logic.h"
#include "ui/window_win.h"

namespace nv {

namespace {

constexpr wchar_t kStatementClass[] = L"NorvaneStatementWnd";
constexpr UINT kRefresh = WM_APP;  // after a box has taken its new text or choice

enum : int {
    kIdCustomer = 6001,
    kIdFrom = 6002,
    kIdTo = 6003,
    kIdStatus = 6004,
    kIdQuery = 6005,
    kIdList = 6006,
    kIdSum = 6007,
    kIdPdf = 6008,
    kIdExcel = 6009,
    kIdClose = 6010,
};

constexpr const char16_t* kStatuses[] = {u"全部", kStatusPending, kStatusDelivered};

class StatementWindow : public Window {
public:
    StatementWindow(const std::vector<DeliveryNote>& notes, const Recall& recall,
                    const StatusSink& report)
        : notes_(notes), recall_(recall), report_(report) {}
    void Run(HWND owner);

private:
    LRESULT OnMessage(UINT msg, WPARAM wparam, LPARAM lparam) override;
    void Create();
    StatementQuery Query() const;
    // Reads the choices, fills the list and the sum line; the statement when it can be made.
    std::optional<Statement> Refresh();
    void ProposeCustomers();
    void Export(bool pdf);
    bool Keys(const MSG& msg);

    const std::vector<DeliveryNote>& notes_;
    const Recall& recall_;
    StatusSink report_;
    HWND owner_ = nullptr;
    HWND customer_ = nullptr, from_ = nullptr, to_ = nullptr, status_ = nullptr, list_ = nullptr,
         sum_ = nullptr;
    bool filling_ = false;
};

void StatementWindow::Create() {
    HWND wnd = hwnd();
    auto label = [&](const char16_t* text, int x, int y, int w) {
        MakeChild(wnd, {.cls = L"STATIC",
                        .text = text,
                        .style = SS_CENTERIMAGE | SS_NOPREFIX,
                        .x = x,
                        .y = y,
                        .w = w,
                        .h = 28});
    };
    label(u"客户", 18, 16, 50);
    customer_ = MakeChild(wnd, {.cls = L"COMBOBOX",
                                .id = kIdCustomer,
                                .style = WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_TABSTOP,
                                .x = 70,
                                .y = 16,
                                .w = 330,
                                .h = 300});
    for (const std::u16string& c : recall_.all_customers())
        SendMessageW(customer_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(as_wide(c)));
    label(u"期间", 418, 16, 50);
    from_ = MakeChild(wnd, {.cls = DATETIMEPICK_CLASSW,
                            .id = kIdFrom,
                            .style = DTS_SHORTDATEFORMAT | WS_TABSTOP,
                            .x = 470,
                            .y = 16,
                            .w = 140,
                            .h = 28});
    label(u"至", 616, 16, 24);
    to_ = MakeChild(wnd, {.cls = DATETIMEPICK_CLASSW,
                          .id = kIdTo,
                          .style = DTS_SHORTDATEFORMAT | WS_TABSTOP,
                          .x = 642,
                          .y = 16,
                          .w = 140,
                          .h = 28});
    auto [first, last] = previous_month(local_now());
    SetPickerDate(from_, first);
    SetPickerDate(to_, last);
    label(u"状态", 800, 16, 50);
    status_ = MakeChild(wnd, {.cls = L"COMBOBOX",
                              .id = kIdStatus,
                              .style = WS_VSCROLL | CBS_DROPDOWNLIST | WS_TABSTOP,
                              .x = 852,
                              .y = 16,
                              .w = 110,
                              .h = 200});
    for (const char16_t* s : kStatuses)
        SendMessageW(status_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(as_wide(s)));
    SendMessageW(status_, CB_SETCURSEL, 0, 0);
    MakeChild(wnd, {.cls = L"BUTTON",
                    .id = kIdQuery,
                    .text = u"查询",
                    .style = BS_PUSHBUTTON | WS_TABSTOP,
                    .x = 976,
                    .y = 15,
                    .w = 90,
                    .h = 30});
    list_ = MakeChild(wnd, {.cls = WC_LISTVIEWW,
                            .id = kIdList,
                            .style = WS_BORDER | LVS_REPORT | LVS_SHOWSELALWAYS | WS_TABSTOP,
                            .x = 18,
                            .y = 60,
                            .w = 1048,
                            .h = 420});
    ListView_SetExtendedListViewStyle(
        list_, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    static const struct {
        const wchar_t* title;
        int width;
    } kColumns[] = {
        {L"送货单号", 200}, {L"日期", 120}, {L"项目楼盘", 360}, {L"明细", 80}, {L"合计", 160}};
    for (int i = 0; i < 5; ++i) AddListColumn(list_, i, kColumns[i].title, kColumns[i].width);
    sum_ = MakeChild(wnd, {.cls = L"STATIC",
                           .id = kIdSum,
                           .style = SS_CENTERIMAGE | SS_NOPREFIX,
                           .x = 18,
                           .y = 490,
                           .w = 620,
                           .h = 32,
                           .font = BoldFont()});
    auto button = [&](const char16_t* text, int id, DWORD style, int x, int w) {
        MakeChild(wnd, {.cls = L"BUTTON",
                        .id = id,
                        .text = text,
                        .style = style | WS_TABSTOP,
                        .x = x,
                        .y = 488,
                        .w = w,
                        .h = 34});
    };
    button(u"导出 PDF", kIdPdf, BS_DEFPUSHBUTTON, 656, 130);
    button(u"导出 Excel", kIdExcel, BS_PUSHBUTTON, 796, 130);
    button(u"关闭", kIdClose, BS_PUSHBUTTON, 936, 130);
    Refresh();
}

StatementQuery StatementWindow::Query() const {
    int status = static_cast<int>(SendMessageW(status_, CB_GETCURSEL, 0, 0));
    return {GetText(customer_), PickerDate(from_), PickerDate(to_),
            status > 0 ? std::u16string(kStatuses[status]) : std::u16string()};
}

std::optional<Statement> StatementWindow::Refresh() {
    std::u16string error;
    std::optional<Statement> s = make_statement(notes_, Query(), error);
    SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list_);
    if (s) {
        for (std::size_t i = 0; i < s->notes.size(); ++i) {
            const DeliveryNote& n = s->notes[i];
            std::array<std::u16string, 5> cells = {n.number, n.date, n.project,
                                                   format_int(static_cast<int64_t>(n.items.size())),
                                                   u"¥" + grouped_money(note_cents(n))};
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = static_cast<int>(i);
            item.pszText = const_cast<wchar_t*>(as_wide(cells[0]));
            int row = static_cast<int>(ListView_InsertItem(list_, &item));
            for (int c = 1; c < 5; ++c)
                ListView_SetItemText(
                    list_, row, c,
                    const_cast<wchar_t*>(as_wide(cells[static_cast<std::size_t>(c)])));
        }
    }
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
    if (!s)
        SetText(sum_, error);
    else if (s->notes.empty())
        SetText(sum_, u"所选期间内该客户没有送货单");
    else
        SetText(sum_, u"共 " + format_int(static_cast<int64_t>(s->notes.size())) +
                          u" 张送货单 · 合计 ¥" + grouped_money(s->total_cents));
    return s;
}

// Letters typed in the customer box are also initials: the drop-down then holds the matches.
void StatementWindow::ProposeCustomers() {
    std::u16string typed = GetText(customer_);
    std::vector<std::u16string> names =
        is_pinyin_query(typed) ? recall_.customers(typed) : recall_.all_customers();
    filling_ = true;
    SendMessageW(customer_, CB_RESETCONTENT, 0, 0);
    for (const std::u16string& c : names)
        SendMessageW(customer_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(as_wide(c)));
    SetText(customer_, typed);
    SendMessageW(customer_, CB_SETEDITSEL, 0, MAKELPARAM(typed.size(), typed.size()));
    if (is_pinyin_query(typed) && !names.empty())
        SendMessageW(customer_, CB_SHOWDROPDOWN, TRUE, 0);
    filling_ = false;
}

void StatementWindow::Export(bool pdf) {
    std::optional<Statement> s = Refresh();
    if (!s) {
        MessageBoxU(hwnd(), GetText(sum_), L"对账单", MB_OK | MB_ICONINFORMATION);
        return;
    }
    if (s->notes.empty()) {
        MessageBoxW(hwnd(), L"所选期间内该客户没有送货单，未导出", L"对账单",
                    MB_OK | MB_ICONINFORMATION);
        return;
    }
    std::u16string name =
        u"对账单_" + s->query.customer + u"_" + s->query.from + u"_" + s->query.to;
    for (char16_t& c : name) {
        if (c < 0x20 || std::u16string_view(u"<>:\"/\\|?*").find(c) != std::u16string_view::npos)
            c = u'_';
    }
    static constexpr SaveKind kPdfKind{L"PDF 文档 (*.pdf)\0*.pdf\0", L"pdf",
                                       L"导出对账单 PDF · A4 纵向"};
    static constexpr SaveKind kExcelKind{L"Excel 工作簿 (*.xlsx)\0*.xlsx\0", L"xlsx",
                                         L"导出对账单 Excel"};
    std::u16string path = AskForSavePath(hwnd(), name, pdf ? kPdfKind : kExcelKind);
    if (path.empty())
        return;
    std::u16string error;
    bool ok = false;
    {
        WaitCursor wait;
        EnableWindow(hwnd(), FALSE);
        UpdateWindow(hwnd());
        std::u16string company = DocumentCompany();
        try {
            if (pdf) {
                ok = WriteExportFile(path, RenderStatementPdf(*s, company), error);
            } else if (std::optional<std::string> book =
                           build_xlsx(statement_workbook(*s), error)) {
                ok = WriteExportFile(path, *book, error);
            }
        } catch (...) {
            error = u"生成导出文档失败，请检查单据内容或分批导出";
        }
        EnableWindow(hwnd(), TRUE);
    }
    if (!ok) {
        MessageBoxU(hwnd(), error, L"导出失败", MB_OK | MB_ICONERROR);
        return;
    }
    report_(u"已导出：" + path);
    MessageBoxU(hwnd(),
                (pdf ? u"已保存 A4 纵向对账单：\n" : u"已保存对账单 Excel 工作簿：\n") + path,
                L"导出完成", MB_OK | MB_ICONINFORMATION);
}

// Enter exports the PDF (in an open drop-down it takes the entry), Esc closes.
bool StatementWindow::Keys(const MSG& msg) {
    if (msg.message != WM_KEYDOWN)
        return false;
    if (SendMessageW(customer_, CB_GETDROPPEDSTATE, 0, 0) ||
        SendMessageW(status_, CB_GETDROPPEDSTATE, 0, 0))
        return false;
    if (msg.wParam == VK_ESCAPE) {
        DestroyWindow(hwnd());
        return true;
    }
    if (msg.wParam == VK_RETURN) {
        Export(true);
        return true;
    }
    return false;
}

LRESULT StatementWindow::OnMessage(UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
        case WM_CREATE:
            Create();
            return 0;
        case WM_COMMAND: {
            int id = LOWORD(wparam), code = HIWORD(wparam);
            if (id == kIdCustomer && code == CBN_EDITCHANGE && !filling_)
                ProposeCustomers();
            if ((id == kIdCustomer && (code == CBN_SELCHANGE || code == CBN_EDITCHANGE)) ||
                (id == kIdStatus && code == CBN_SELCHANGE) ||
                (id == kIdQuery && code == BN_CLICKED))
                PostMessageW(hwnd(), kRefresh, 0, 0);
            else if (id == kIdPdf || id == kIdExcel)
                Export(id == kIdPdf);
            else if (id == kIdClose)
                DestroyWindow(hwnd());
            return 0;
        }
        case kRefresh:
            Refresh();
            return 0;
        case WM_NOTIFY:
            if (reinterpret_cast<NMHDR*>(lparam)->code == DTN_DATETIMECHANGE)
                Refresh();
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

void StatementWindow::Run(HWND owner) {
    owner_ = owner;
    RegisterWindowClass(
        {.name = kStatementClass, .background = WindowBrush(), .style = CS_HREDRAW | CS_VREDRAW});
    RECT frame{0, 0, Scale(1084), Scale(540)};
    AdjustWindowRectEx(&frame, WS_CAPTION | WS_SYSMENU, FALSE, WS_EX_DLGMODALFRAME);
    if (!CreateFor(WS_EX_DLGMODALFRAME, kStatementClass, u"对账单", WS_CAPTION | WS_SYSMENU,
                   CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                   owner))
        return;
    CenterInWorkArea(hwnd(), true);
    EnableWindow(owner, FALSE);
    ShowWindow(hwnd(), SW_SHOW);
    SetFocus(customer_);
    static_cast<void>(RunModalLoop(live(), [this](const MSG& m) { return Keys(m); }));
    EnableWindow(owner, TRUE);
    if (hwnd())
        DestroyWindow(hwnd());
    SetForegroundWindow(owner);
}

}  // namespace

void RunStatementWindow(HWND owner, const std::vector<DeliveryNote>& notes, const Recall& recall,
                        const StatusSink& report) {
    StatementWindow window(notes, recall, report);
    window.Run(owner);
}

}  // namespace nv
