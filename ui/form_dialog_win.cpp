#include "ui/form_dialog_win.h"

#include "base/process_win.h"
#include "base/text.h"
#include "base/wide_win.h"
#include "ui/modal_win.h"
#include "ui/ui_win.h"
#include "ui/window_win.h"

namespace nv {

namespace {

constexpr wchar_t kFormClass[] = L"NVNativeForm";
constexpr int kFirstInput = 100;

class FormDialog : public Window {
public:
    FormDialog(std::vector<Field>& fields, const FormSubmit& submit)
        : fields_(fields), submit_(submit) {}
    bool Run(HWND owner, std::u16string_view title);

private:
    LRESULT OnMessage(UINT msg, WPARAM wparam, LPARAM lparam) override;
    void CreateInputs();
    void Confirm();

    std::vector<Field>& fields_;
    const FormSubmit& submit_;
    std::vector<HWND> inputs_;
    bool accepted_ = false;
    bool checking_ = false;  // the submit check runs, and may show boxes of its own
};

void FormDialog::CreateInputs() {
    HWND wnd = hwnd();
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        const Field& f = fields_[i];
        int y = 16 + 64 * static_cast<int>(i);
        int id = kFirstInput + static_cast<int>(i);
        MakeChild(wnd,
                  {.cls = L"STATIC", .id = 0, .text = f.label, .x = 16, .y = y, .w = 400, .h = 22});
        HWND input;
        if (f.options.empty()) {
            input = MakeChild(wnd, {.cls = L"EDIT",
                                    .id = id,
                                    .style = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL |
                                             static_cast<DWORD>(f.password ? ES_PASSWORD : 0),
                                    .x = 16,
                                    .y = y + 24,
                                    .w = 408,
                                    .h = 28});
        } else {
            input = MakeChild(
                wnd, {.cls = L"COMBOBOX",
                      .id = id,
                      .style = WS_BORDER | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL,
                      .x = 16,
                      .y = y + 24,
                      .w = 408,
                      .h = 240});
            for (const std::u16string& option : f.options)
                SendMessageW(input, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(as_wide(option)));
        }
        SetText(input, f.value);
        inputs_.push_back(input);
    }
    int y = 64 * static_cast<int>(fields_.size()) + 20;
    MakeChild(wnd, {.cls = L"BUTTON",
                    .id = IDOK,
                    .text = u"确定",
                    .style = WS_TABSTOP | BS_DEFPUSHBUTTON,
                    .x = 16,
                    .y = y,
                    .w = 196,
                    .h = 32});
    MakeChild(wnd, {.cls = L"BUTTON",
                    .id = IDCANCEL,
                    .text = u"取消",
                    .style = WS_TABSTOP | BS_PUSHBUTTON,
                    .x = 228,
                    .y = y,
                    .w = 196,
                    .h = 32});
}

void FormDialog::Confirm() {
    for (std::size_t i = 0; i < inputs_.size(); ++i) {
        Field& f = fields_[i];
        wipe(f.value);
        f.value = GetText(inputs_[i]);
    }
    // The check may show a box with a message loop of its own: the form takes no input
    // meanwhile, so that it cannot be closed under the check.
    HWND focus = GetFocus();
    EnableWindow(hwnd(), FALSE);
    checking_ = true;
    std::u16string message;
    {
        WaitCursor wait;
        message = submit_(fields_);
    }
    checking_ = false;
    if (!hwnd())
        return;  // gone meanwhile (the program is quitting): nothing more to show
    EnableWindow(hwnd(), TRUE);
    if (message.empty()) {
        accepted_ = true;
        DestroyWindow(hwnd());
        return;
    }
    MessageBoxU(hwnd(), message, L"未完成", MB_OK | MB_ICONEXCLAMATION);
    if (hwnd() && IsWindow(focus))
        SetFocus(focus);  // where the user was, so that Enter and Esc work on
}

LRESULT FormDialog::OnMessage(UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
        case WM_CREATE:
            CreateInputs();
            return 0;
        case WM_COMMAND:
            if (checking_)
                return 0;  // a posted click while disabled
            if (LOWORD(wparam) == IDOK && HIWORD(wparam) == BN_CLICKED) {
                Confirm();
                return 0;
            }
            if (LOWORD(wparam) == IDCANCEL && HIWORD(wparam) == BN_CLICKED) {
                DestroyWindow(hwnd());
                return 0;
            }
            break;
        case WM_CTLCOLORSTATIC:
            return StaticColours(wparam);
        case WM_CLOSE:
            if (!checking_)
                DestroyWindow(hwnd());
            return 0;
        default:
            break;
    }
    return Default(msg, wparam, lparam);
}

bool FormDialog::Run(HWND owner, std::u16string_view title) {
    RegisterWindowClass({.name = kFormClass});
    constexpr DWORD kStyle = WS_CAPTION | WS_SYSMENU;
    constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;
    RECT frame{0, 0, Scale(440), Scale(64 * static_cast<int>(fields_.size()) + 72)};
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    RECT owner_rect{0, 0, 0, 0};
    if (owner)
        GetWindowRect(owner, &owner_rect);
    if (!CreateFor(kExStyle, kFormClass, title, kStyle, owner_rect.left + 40, owner_rect.top + 30,
                   frame.right - frame.left, frame.bottom - frame.top, owner))
        return false;
    if (owner)
        EnableWindow(owner, FALSE);
    ShowWindow(hwnd(), SW_SHOW);
    if (!inputs_.empty())
        SetFocus(inputs_.front());
    (void)RunModalLoop(live());  // a quit meanwhile is posted again and counts as cancel
    if (owner) {
        EnableWindow(owner, TRUE);
        SetForegroundWindow(owner);
    }
    return accepted_;
}

}  // namespace

bool RunFormDialog(HWND owner, std::u16string_view title, std::vector<Field>& fields,
                   const FormSubmit& submit) {
    bool accepted = false;
    {
        FormDialog form(fields, submit);
        accepted = form.Run(owner, title);
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
