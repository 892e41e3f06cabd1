#include "ui/form_dialog_win.h"

#include "base/process_win.h"
#include "base/text.h"
#include "base/wide_win.h"
#include "ui/modal_win.h"
#include "ui/ui_win.h"

namespace nv {

namespace {

constexpr wchar_t kFormClass[] = L"NVNativeForm";
constexpr int kFirstInput = 100;

struct FormState {
    std::vector<Field>* fields = nullptr;
    const FormSubmit* submit = nullptr;
    std::vector<HWND> inputs;
    HWND wnd = nullptr;
    bool accepted = false;
};

FormState* StateOf(HWND wnd) {
    return reinterpret_cast<FormState*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
}

void CreateInputs(HWND wnd, FormState& s) {
    for (std::size_t i = 0; i < s.fields->size(); ++i) {
        const Field& f = (*s.fields)[i];
        int y = 16 + 64 * static_cast<int>(i);
        int id = kFirstInput + static_cast<int>(i);
        MakeChild(wnd, L"STATIC", f.label, 0, 0, 0, Scale(16), Scale(y), Scale(400), Scale(22));
        HWND input;
        if (f.options.empty()) {
            DWORD style = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | (f.password ? ES_PASSWORD : 0);
            input = MakeChild(wnd, L"EDIT", u"", style, 0, id, Scale(16), Scale(y + 24), Scale(408),
                              Scale(28));
        } else {
            input = MakeChild(wnd, L"COMBOBOX", u"",
                              WS_BORDER | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL,
                              0, id, Scale(16), Scale(y + 24), Scale(408), Scale(240));
            for (const std::u16string& option : f.options)
                SendMessageW(input, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(as_wide(option)));
        }
        SetText(input, f.value);
        s.inputs.push_back(input);
    }
    int y = 64 * static_cast<int>(s.fields->size()) + 20;
    MakeChild(wnd, L"BUTTON", u"确定", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, IDOK, Scale(16), Scale(y),
              Scale(196), Scale(32));
    MakeChild(wnd, L"BUTTON", u"取消", WS_TABSTOP | BS_PUSHBUTTON, 0, IDCANCEL, Scale(228),
              Scale(y), Scale(196), Scale(32));
}

void Confirm(FormState& s) {
    for (std::size_t i = 0; i < s.inputs.size(); ++i) {
        Field& f = (*s.fields)[i];
        wipe(f.value);
        f.value = GetText(s.inputs[i]);
    }
    HWND ok = GetDlgItem(s.wnd, IDOK);
    EnableWindow(ok, FALSE);
    std::u16string message;
    {
        WaitCursor wait;
        message = (*s.submit)(*s.fields);
    }
    EnableWindow(ok, TRUE);
    if (message.empty()) {
        s.accepted = true;
        DestroyWindow(s.wnd);
        return;
    }
    MessageBoxU(s.wnd, message, L"未完成", MB_OK | MB_ICONEXCLAMATION);
}

LRESULT CALLBACK FormProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* s = static_cast<FormState*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        s->wnd = wnd;
        SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(s));
    }
    FormState* s = StateOf(wnd);
    if (!s)
        return DefWindowProcW(wnd, msg, wp, lp);
    switch (msg) {
        case WM_CREATE:
            CreateInputs(wnd, *s);
            return 0;
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK && HIWORD(wp) == BN_CLICKED) {
                Confirm(*s);
                return 0;
            }
            if (LOWORD(wp) == IDCANCEL && HIWORD(wp) == BN_CLICKED) {
                DestroyWindow(wnd);
                return 0;
            }
            break;
        case WM_CTLCOLORSTATIC:
            return StaticColours(wp);
        case WM_CLOSE:
            DestroyWindow(wnd);
            return 0;
        case WM_DESTROY:
            s->wnd = nullptr;  // ends the dialog's loop
            return 0;
        default:
            break;
    }
    return DefWindowProcW(wnd, msg, wp, lp);
}

}  // namespace

bool RunFormDialog(HWND owner, std::u16string_view title, std::vector<Field>& fields,
                   const FormSubmit& submit) {
    RegisterWindowClass(kFormClass, FormProc);

    FormState s;
    s.fields = &fields;
    s.submit = &submit;
    constexpr DWORD kStyle = WS_CAPTION | WS_SYSMENU;
    constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;
    RECT frame{0, 0, Scale(440), Scale(64 * static_cast<int>(fields.size()) + 72)};
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    RECT owner_rect{0, 0, 0, 0};
    if (owner)
        GetWindowRect(owner, &owner_rect);
    HWND wnd = CreateWindowExW(kExStyle, kFormClass, wide_copy(title).c_str(), kStyle,
                               owner_rect.left + 40, owner_rect.top + 30, frame.right - frame.left,
                               frame.bottom - frame.top, owner, nullptr, process().instance, &s);
    bool accepted = false;
    if (wnd) {
        if (owner)
            EnableWindow(owner, FALSE);
        ShowWindow(wnd, SW_SHOW);
        if (!s.inputs.empty())
            SetFocus(s.inputs.front());
        (void)RunModalLoop(s.wnd);  // a quit meanwhile is posted again and counts as cancel
        if (owner) {
            EnableWindow(owner, TRUE);
            SetForegroundWindow(owner);
        }
        accepted = s.accepted;
    }
    for (Field& f : fields) {
        if (f.password) {
            wipe(f.value);
            f.value.clear();
        }
    }
    return accepted;
}

}  // namespace nv
