#include "ui/login_window_win.h"

#include <windows.h>

#include <commctrl.h>

#include <string>

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
#include "ui/modal_win.h"
#include "ui/ui_win.h"

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

struct LoginState {
    HWND wnd = nullptr;
    HWND account = nullptr;
    HWND password = nullptr;
    HWND type = nullptr;
    HWND status = nullptr;
    HWND remember = nullptr;
    HWND sign_in = nullptr;
    bool signed_in = false;
};

LoginState* g_login = nullptr;

void Layout(LoginState& s, int client_width) {
    int inner = client_width - Scale(48);
    int field = inner - Scale(56);
    if (field < Scale(100))
        field = Scale(100);
    MoveWindow(s.account, Scale(80), Scale(76), field, Scale(28), TRUE);
    MoveWindow(s.password, Scale(80), Scale(114), field, Scale(28), TRUE);
    MoveWindow(s.type, Scale(80), Scale(152), field, Scale(200), TRUE);
    MoveWindow(s.remember, Scale(24), Scale(194), inner, Scale(24), TRUE);
    MoveWindow(s.status, Scale(24), Scale(224), inner, Scale(22), TRUE);
    MoveWindow(s.sign_in, Scale(24), Scale(256), inner, Scale(36), TRUE);
}

void SignIn(LoginState& s) {
    std::u16string account = GetText(s.account);
    std::u16string password = GetText(s.password);
    bool enterprise = SendMessageW(s.type, CB_GETCURSEL, 0, 0) == 1;
    if (account.empty() || password.empty()) {
        SetText(s.status, u"请输入账号和密码");
        return;
    }
    SetText(s.status, u"正在登录…");
    EnableWindow(s.account, FALSE);
    EnableWindow(s.password, FALSE);
    EnableWindow(s.type, FALSE);
    RedrawWindow(s.wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);

    LoginSession& session = login_session();
    User user;
    ServiceResult r;
    {
        WaitCursor wait;
        r = service_login(session.base_url, account, password, enterprise, user);
    }
    if (!r.ok) {
        SetText(s.status, r.message);
        EnableWindow(s.account, TRUE);
        EnableWindow(s.password, TRUE);
        EnableWindow(s.type, TRUE);
        wipe(password);
        return;
    }
    const std::u16string& ini = process().config_path;
    bool remember = SendMessageW(s.remember, BM_GETCHECK, 0, 0) == BST_CHECKED;
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
    SetText(s.password, u"");
    s.signed_in = true;
    DestroyWindow(s.wnd);
}

void Paint(HWND wnd) {
    PaintDc paint(wnd);
    HDC dc = paint.get();
    RECT rc;
    GetClientRect(wnd, &rc);
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

}  // namespace

LRESULT CALLBACK WndProcLogin(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
        case WM_CREATE: {
            g_login =
                static_cast<LoginState*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
            LoginState& s = *g_login;
            s.wnd = wnd;
            const LoginSession& session = login_session();
            s.account =
                MakeChild(wnd, L"EDIT", session.account, WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, 0,
                          kIdAccount, 0, 0, 0, 0);
            s.password =
                MakeChild(wnd, L"EDIT", u"", WS_BORDER | ES_AUTOHSCROLL | ES_PASSWORD | WS_TABSTOP,
                          0, kIdPassword, 0, 0, 0, 0);
            s.type = MakeChild(wnd, L"COMBOBOX", u"", WS_VSCROLL | CBS_DROPDOWNLIST | WS_TABSTOP, 0,
                               kIdType, 0, 0, 0, 0);
            SendMessageW(s.type, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"个人账号"));
            SendMessageW(s.type, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"企业账号"));
            SendMessageW(s.type, CB_SETCURSEL, 0, 0);
            s.remember = MakeChild(wnd, L"BUTTON", u"记住登录，下次打开自动进入",
                                   BS_AUTOCHECKBOX | WS_TABSTOP, 0, kIdRemember, 0, 0, 0, 0);
            SendMessageW(s.remember, BM_SETCHECK, session.remember ? BST_CHECKED : BST_UNCHECKED,
                         0);
            s.status = MakeChild(wnd, L"STATIC", u"请输入账号密码登录", SS_NOPREFIX, 0, kIdStatus,
                                 0, 0, 0, 0);
            s.sign_in = MakeChild(wnd, L"BUTTON", u"登 录", BS_DEFPUSHBUTTON | WS_TABSTOP, 0,
                                  kIdSignIn, 0, 0, 0, 0, BoldFont());
            RECT rc;
            GetClientRect(wnd, &rc);
            Layout(s, rc.right);
            return 0;
        }
        case WM_SIZE:
            if (g_login)
                Layout(*g_login, LOWORD(lparam));
            return 0;
        case WM_PAINT:
            Paint(wnd);
            return 0;
        case WM_CTLCOLORSTATIC:
            return StaticColours(wparam);
        case WM_COMMAND:
            // IDOK: Enter pressed in one of the inputs (dialog-style keys).
            if (g_login && ((LOWORD(wparam) == kIdSignIn && HIWORD(wparam) == BN_CLICKED) ||
                            LOWORD(wparam) == IDOK))
                SignIn(*g_login);
            return 0;
        case WM_KEYDOWN:
            if (wparam == VK_RETURN && g_login)
                SignIn(*g_login);
            return 0;
        case WM_CLOSE:
            DestroyWindow(wnd);
            return 0;
        case WM_DESTROY:
            if (g_login)
                g_login->wnd = nullptr;
            return 0;
        default:
            return DefWindowProcW(wnd, msg, wparam, lparam);
    }
}

bool RunLoginWindow() {
    LoginState state;
    HWND wnd = CreateWindowExW(WS_EX_DLGMODALFRAME, L"NorvaneLoginWnd", L"登录",
                               WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT, Scale(430),
                               Scale(360), nullptr, nullptr, process().instance, &state);
    if (!wnd) {
        g_login = nullptr;
        return false;
    }
    CenterInWorkArea(wnd, false);
    ShowWindow(wnd, SW_SHOW);
    UpdateWindow(wnd);
    SetFocus(state.account);
    // Tab and Shift+Tab move between the inputs; Enter signs in (the default button).
    bool ended_normally = RunModalLoop(state.wnd);
    if (state.wnd)
        DestroyWindow(state.wnd);
    g_login = nullptr;
    return ended_normally && state.signed_in;
}

}  // namespace nv
