#include "ui/login_window_win.h"

#include <windows.h>

#include <commctrl.h>

#include <string>

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
#include "ui/modal_win.h"
#include "ui/ui_win.h"
#include "ui/window_win.h"

namespace nv {

namespace {

enum : int {
    kIdAccount = 5001,
    kIdPassword = 5002,
    kIdType = 5003,
    kIdStatus = 5004,
    kIdSignIn = 5005,
    kIdRemember = 5006,
};

constexpr wchar_t kLoginClass[] = L"NorvaneLoginWnd";

class LoginWindow : public Window {
public:
    // Modal until the user signs in or closes the window.
    bool Run();

private:
    LRESULT OnMessage(UINT msg, WPARAM wparam, LPARAM lparam) override;
    void Create();
    void Layout(int client_width);
    void SignIn();
    void Paint();

    HWND account_ = nullptr;
    HWND password_ = nullptr;
    HWND type_ = nullptr;
    HWND status_ = nullptr;
    HWND remember_ = nullptr;
    HWND sign_in_ = nullptr;
    bool signed_in_ = false;
};

void LoginWindow::Layout(int client_width) {
    int inner = client_width - Scale(48);
    int field = inner - Scale(56);
    if (field < Scale(100))
        field = Scale(100);
    MoveWindow(account_, Scale(80), Scale(76), field, Scale(28), TRUE);
    MoveWindow(password_, Scale(80), Scale(114), field, Scale(28), TRUE);
    MoveWindow(type_, Scale(80), Scale(152), field, Scale(200), TRUE);
    MoveWindow(remember_, Scale(24), Scale(194), inner, Scale(24), TRUE);
    MoveWindow(status_, Scale(24), Scale(224), inner, Scale(22), TRUE);
    MoveWindow(sign_in_, Scale(24), Scale(256), inner, Scale(36), TRUE);
}

void LoginWindow::SignIn() {
    std::u16string account = GetText(account_);
    std::u16string password = GetText(password_);
    bool enterprise = SendMessageW(type_, CB_GETCURSEL, 0, 0) == 1;
    if (account.empty() || password.empty()) {
        SetText(status_, u"请输入账号和密码");
        return;
    }
    SetText(status_, u"正在登录…");
    EnableWindow(account_, FALSE);
    EnableWindow(password_, FALSE);
    EnableWindow(type_, FALSE);
    RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);

    LoginSession& session = login_session();
    User user;
    ServiceResult r;
    {
        WaitCursor wait;
        r = service_login(session.base_url, account, password, enterprise, user);
    }
    if (!r.ok) {
        SetText(status_, r.message);
        EnableWindow(account_, TRUE);
        EnableWindow(password_, TRUE);
        EnableWindow(type_, TRUE);
        wipe(password);
        return;
    }
    const std::u16string& ini = process().config_path;
    bool remember = SendMessageW(remember_, BM_GETCHECK, 0, 0) == BST_CHECKED;
    remember_sign_in(ini, session, user, account, remember);
    app_log().line("login ok: %s (%s) remember=%d", utf16_to_utf8(user.username).c_str(),
                   utf16_to_utf8(user.id).c_str(), remember ? 1 : 0);
    std::u16string finance_url = config_lookup(ini, u"app", u"financeServer", session.base_url);
    {
        WaitCursor wait;
        // Its outcome is not looked at: without a token the finance window asks for its own
        // sign-in later.
        silent_finance_login(finance_url, account, password, enterprise);
    }
    wipe(password);
    SetText(password_, u"");
    signed_in_ = true;
    DestroyWindow(hwnd());
}

void LoginWindow::Paint() {
    PaintDc paint(hwnd());
    HDC dc = paint.get();
    RECT rc;
    GetClientRect(hwnd(), &rc);
    FillRect(dc, &rc, WindowBrush());
    SetBkMode(dc, TRANSPARENT);
    int w = rc.right;
    struct Text {
        std::u16string text;
        HFONT font;
        COLORREF colour;
        RECT rect;
    };
    const Text texts[] = {
        {kAppTitle, BoldFont(), RGB(30, 41, 59), {Scale(24), Scale(20), w - Scale(24), Scale(48)}},
        {u"服务器：" + login_session().base_url,
         UiFont(),
         RGB(100, 116, 139),
         {Scale(24), Scale(48), w - Scale(24), Scale(70)}},
        {u"账号", UiFont(), RGB(51, 65, 85), {Scale(24), Scale(76), Scale(80), Scale(104)}},
        {u"密码", UiFont(), RGB(51, 65, 85), {Scale(24), Scale(114), Scale(80), Scale(142)}},
        {u"类型", UiFont(), RGB(51, 65, 85), {Scale(24), Scale(152), Scale(80), Scale(180)}},
    };
    for (const Text& t : texts) {
        SelectGuard font(dc, t.font);
        SetTextColor(dc, t.colour);
        RECT r = t.rect;
        DrawTextW(dc, as_wide(t.text), -1, &r, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
    }
}

void LoginWindow::Create() {
    HWND wnd = hwnd();
    const LoginSession& session = login_session();
    account_ = MakeChild(wnd, {.cls = L"EDIT",
                               .id = kIdAccount,
                               .text = session.account,
                               .style = WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP});
    password_ = MakeChild(wnd, {.cls = L"EDIT",
                                .id = kIdPassword,
                                .style = WS_BORDER | ES_AUTOHSCROLL | ES_PASSWORD | WS_TABSTOP});
    type_ = MakeChild(
        wnd,
        {.cls = L"COMBOBOX", .id = kIdType, .style = WS_VSCROLL | CBS_DROPDOWNLIST | WS_TABSTOP});
    SendMessageW(type_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"个人账号"));
    SendMessageW(type_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"企业账号"));
    SendMessageW(type_, CB_SETCURSEL, 0, 0);
    remember_ = MakeChild(wnd, {.cls = L"BUTTON",
                                .id = kIdRemember,
                                .text = u"记住登录，下次打开自动进入",
                                .style = BS_AUTOCHECKBOX | WS_TABSTOP});
    SendMessageW(remember_, BM_SETCHECK, session.remember ? BST_CHECKED : BST_UNCHECKED, 0);
    status_ = MakeChild(
        wnd,
        {.cls = L"STATIC", .id = kIdStatus, .text = u"请输入账号密码登录", .style = SS_NOPREFIX});
    sign_in_ = MakeChild(wnd, {.cls = L"BUTTON",
                               .id = kIdSignIn,
                               .text = u"登 录",
                               .style = BS_DEFPUSHBUTTON | WS_TABSTOP,
                               .font = BoldFont()});
    RECT rc;
    GetClientRect(wnd, &rc);
    Layout(rc.right);
}

LRESULT LoginWindow::OnMessage(UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
        case WM_CREATE:
            Create();
            return 0;
        case WM_SIZE:
            if (sign_in_)
                Layout(LOWORD(lparam));
            return 0;
        case WM_PAINT:
            Paint();
            return 0;
        case WM_CTLCOLORSTATIC:
            return StaticColours(wparam);
        case WM_COMMAND:
            // IDOK: Enter pressed in one of the inputs (dialog-style keys).
            if ((LOWORD(wparam) == kIdSignIn && HIWORD(wparam) == BN_CLICKED) ||
                LOWORD(wparam) == IDOK)
                SignIn();
            return 0;
        case WM_KEYDOWN:
            if (wparam == VK_RETURN)
                SignIn();
            return 0;
        case WM_CLOSE:
            DestroyWindow(hwnd());
            return 0;
        default:
            return Default(msg, wparam, lparam);
    }
}

bool LoginWindow::Run() {
    RegisterWindowClass(
        {.name = kLoginClass, .background = WindowBrush(), .style = CS_HREDRAW | CS_VREDRAW});
    if (!CreateFor(WS_EX_DLGMODALFRAME, kLoginClass, u"登录", WS_CAPTION | WS_SYSMENU,
                   CW_USEDEFAULT, CW_USEDEFAULT, Scale(430), Scale(360), nullptr))
        return false;
    CenterInWorkArea(hwnd(), false);
    ShowWindow(hwnd(), SW_SHOW);
    UpdateWindow(hwnd());
    SetFocus(account_);
    // Tab and Shift+Tab move between the inputs; Enter signs in (the default button).
    bool ended_normally = RunModalLoop(live());
    return ended_normally && signed_in_;
}

}  // namespace

bool RunLoginWindow() {
    LoginWindow window;
    return window.Run();
}

}  // namespace nv
