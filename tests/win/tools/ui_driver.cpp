// Drives the Norvane windows from another process by window messages, for the end-to-end
// tests. One action per run; results go to stdout as UTF-8, exit code 0 on success.
//
//   wait CLASS [SECONDS]           a top-level window of CLASS exists (prints nothing)
//   gone CLASS [SECONDS]           no top-level window of CLASS exists any more
//   settext CLASS ID TEXT          WM_SETTEXT to child ID (0: the window itself)
//   gettext CLASS ID               prints the text
//   proposals                      the editor's open drop-down, "> " before the chosen line
//   setdate CLASS ID YYYY-MM-DD    sets a date picker
//   enabled CLASS ID               prints 1 or 0
//   click CLASS ID                 posts BN_CLICKED of button ID to the window
//   command CLASS ID               posts WM_COMMAND ID (menu commands)
//   key CLASS ID VK                posts WM_KEYDOWN VK to child ID (0: the window)
//   combo CLASS ID INDEX           CB_SETCURSEL
//   check CLASS ID 0|1             BM_SETCHECK
//   rows CLASS ID                  prints each list-view row, cells joined by TAB
//   colwidths CLASS ID             prints the list view's column widths in pixels
//   foreground                     prints the class of the foreground window
//   realclick CLASS ID             a left click at the child's centre through SendInput
//   realkey CLASS 0 VK             a key press through SendInput, to what has the focus
//   select CLASS ID ROW            selects and focuses list-view row ROW
//   msgbox [SECONDS]               prints caption, a line feed and the text of a message box
//   msgbox-click ID                presses button ID (1 OK, 6 Yes, 7 No) of the message box
//   time-settext CLASS ID TEXT     WM_SETTEXT plus a synchronous repaint; prints milliseconds
//   time-command CLASS ID          WM_COMMAND ID sent and waited for; prints milliseconds
//   close CLASS                    posts WM_CLOSE
//   rect CLASS                     prints left top right bottom of the window
//   time-window CLASS ID TARGET    posts WM_COMMAND ID, prints milliseconds until a window of
//                                  class TARGET is shown
//   filedialog TITLE [PATH]        the file dialog of that title: prints the proposed file name;
//                                  with PATH types it and presses the dialog's OK button
//   filedialog-cancel TITLE        presses the file dialog's Cancel button
//   contextmenu CLASS ID           WM_CONTEXTMENU for child ID as the keyboard sends it (-1, -1)
//   menu-keys VK...                posts WM_KEYDOWN of each VK to the open pop-up menu
//   dropdown CLASS ID 0|1          CB_SHOWDROPDOWN
//   dropped CLASS ID               prints 1 when the combo box's list is open, else 0
//   items CLASS ID                 prints each entry of a combo box on its own line
//   choose CLASS ID INDEX          selects entry INDEX of a combo box as the user would
//                                  (CB_SETCURSEL, then CBN_SELCHANGE to the window)
//   dblclick CLASS ID              NM_DBLCLK of list view ID to the window
//   resize CLASS WIDTH HEIGHT      asks the window to take that outer size
#include <windows.h>

#include <commctrl.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& w) {
    if (w.empty())
        return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                        nullptr);
    return s;
}

void Print(const std::wstring& w) {
    std::string s = Utf8(w);
    std::fwrite(s.data(), 1, s.size(), stdout);
}

// A window counts once it is shown: before that it may still be creating its controls.
HWND FindTop(const wchar_t* cls, double seconds) {
    for (int i = 0; i <= static_cast<int>(seconds * 20); ++i) {
        HWND w = FindWindowW(cls, nullptr);
        if (w && IsWindowVisible(w))
            return w;
        Sleep(50);
    }
    return nullptr;
}

HWND Child(HWND top, int id) {
    return id == 0 ? top : GetDlgItem(top, id);
}

std::wstring Text(HWND w) {
    wchar_t buf[8192];
    LRESULT n = SendMessageW(w, WM_GETTEXT, 8192, reinterpret_cast<LPARAM>(buf));
    return std::wstring(buf, static_cast<std::size_t>(n));
}

HWND FindMessageBox(double seconds) {
    for (int i = 0; i <= static_cast<int>(seconds * 20); ++i) {
        HWND w = nullptr;
        while ((w = FindWindowExW(nullptr, w, L"#32770", nullptr)) != nullptr) {
            if (IsWindowVisible(w))
                return w;
        }
        Sleep(50);
    }
    return nullptr;
}

// Memory in the process that owns `wnd`, for messages that carry pointers.
struct Remote {
    HANDLE process = nullptr;
    void* mem = nullptr;
    explicit Remote(HWND wnd, SIZE_T size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(wnd, &pid);
        process =
            OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (process)
            mem = VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    }
    ~Remote() {
        if (mem)
            VirtualFreeEx(process, mem, 0, MEM_RELEASE);
        if (process)
            CloseHandle(process);
    }
    void Write(const void* data, SIZE_T n, SIZE_T offset = 0) {
        WriteProcessMemory(process, static_cast<char*>(mem) + offset, data, n, nullptr);
    }
    void Read(void* data, SIZE_T n, SIZE_T offset = 0) {
        ReadProcessMemory(process, static_cast<char*>(mem) + offset, data, n, nullptr);
    }
};

std::wstring CellText(HWND list, Remote& r, int row, int col) {
    LVITEMW item{};
    item.iSubItem = col;
    item.cchTextMax = 1024;
    item.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(r.mem) + sizeof(LVITEMW));
    r.Write(&item, sizeof item);
    LRESULT n = SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(r.mem));
    wchar_t buf[1024] = {};
    r.Read(buf, sizeof buf, sizeof(LVITEMW));
    return std::wstring(buf, static_cast<std::size_t>(n));
}

int Fail(const char* what) {
    std::fprintf(stderr, "ui_driver: %s\n", what);
    return 1;
}

// A wait that timed out says what it saw instead: the visible top-level windows.
int FailShowingWindows(const char* what) {
    std::wstring seen;
    EnumWindows(
        [](HWND w, LPARAM out) -> BOOL {
            if (IsWindowVisible(w)) {
                wchar_t cls[128] = {};
                GetClassNameW(w, cls, 128);
                auto& s = *reinterpret_cast<std::wstring*>(out);
                s += L" [" + std::wstring(cls) + L" \"" + Text(w) + L"\"" +
                     (IsWindowEnabled(w) ? L"" : L" disabled") + L"]";
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&seen));
    std::fprintf(stderr, "ui_driver: %s; visible:%s\n", what, Utf8(seen).c_str());
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);  // line feeds as they are
    // The caller learns that the driver itself ran: a failure without this file happened
    // before it, in Wine, and the call may safely be made again.
    if (const wchar_t* mark = _wgetenv(L"NV_DRIVER_MARK")) {
        if (FILE* f = _wfopen(mark, L"wb"))
            std::fclose(f);
    }
    if (argc < 2)
        return Fail("no action");
    std::wstring action = argv[1];
    auto arg = [&](int i) { return i < argc ? std::wstring(argv[i]) : std::wstring(); };
    auto num = [&](int i, double fallback) {
        return i < argc ? std::wcstod(argv[i], nullptr) : fallback;
    };

    if (action == L"foreground") {  // the class of the foreground window
        wchar_t name[256] = {};
        if (HWND fg = GetForegroundWindow())
            GetClassNameW(fg, name, 256);
        Print(name);
        return 0;
    }
    if (action == L"msgbox") {
        HWND box = FindMessageBox(num(2, 10));
        if (!box)
            return Fail("no message box");
        Print(Text(box) + L"\n" + Text(GetDlgItem(box, 0xFFFF)));
        return 0;
    }
    if (action == L"proposals") {  // the editor's open drop-down of proposals, a line each
        HWND list = FindWindowW(L"ListBox", L"NorvaneProposals");
        if (!list || !IsWindowVisible(list))
            return 0;
        int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
        int selected = static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
        for (int i = 0; i < count; ++i) {
            wchar_t buf[1024] = {};
            SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buf));
            Print(std::wstring(i == selected ? L"> " : L"") + buf + L"\n");
        }
        return 0;
    }
    if (action == L"msgbox-click") {
        HWND box = FindMessageBox(10);
        if (!box)
            return Fail("no message box");
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(static_cast<int>(num(2, 1)), BN_CLICKED), 0);
        for (int i = 0; i < 100 && IsWindow(box); ++i) Sleep(50);
        return 0;
    }
    if (action == L"menu-keys") {
        HWND menu = nullptr;
        for (int i = 0; i < 100 && !menu; ++i) {
            menu = FindWindowW(L"#32768", nullptr);
            if (!menu || !IsWindowVisible(menu)) {
                menu = nullptr;
                Sleep(50);
            }
        }
        if (!menu)
            return Fail("no pop-up menu");
        for (int i = 2; i < argc; ++i) {
            PostMessageW(menu, WM_KEYDOWN, static_cast<WPARAM>(num(i, 0)), 1);
            Sleep(100);
        }
        return 0;
    }
    if (action == L"filedialog" || action == L"filedialog-cancel") {
        std::wstring title = arg(2);
        HWND dlg = nullptr;
        for (int i = 0; i < 200 && !dlg; ++i) {
            dlg = FindWindowW(L"#32770", title.c_str());
            if (!dlg || !IsWindowVisible(dlg)) {
                dlg = nullptr;
                Sleep(50);
            }
        }
        if (!dlg)
            return Fail("no file dialog");
        Sleep(300);  // the dialog fills its controls after it shows
        if (action == L"filedialog-cancel") {
            PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDCANCEL)));
            return 0;
        }
        HWND name = GetDlgItem(dlg, 0x480);  // edt1, the file name box
        if (!name)
            name = GetDlgItem(dlg, 0x47C);  // cmb13 in the newer template
        if (!name)
            return Fail("no file name box");
        if (argc < 4) {
            Print(Text(name));
            return 0;
        }
        std::wstring path = arg(3);
        SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
        PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDOK)));
        return 0;
    }
    std::wstring cls = arg(2);
    if (action == L"gone") {
        for (int i = 0; i <= static_cast<int>(num(3, 10) * 20); ++i) {
            if (!FindWindowW(cls.c_str(), nullptr))
                return 0;
            Sleep(50);
        }
        return Fail("window still there");
    }
    HWND top = FindTop(cls.c_str(), action == L"wait" ? num(3, 10) : 15);
    if (!top)
        return FailShowingWindows("window not found");
    if (action == L"wait")
        return 0;
    if (action == L"close") {
        PostMessageW(top, WM_CLOSE, 0, 0);
        return 0;
    }
    if (action == L"rect") {
        RECT r;
        GetWindowRect(top, &r);
        std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
        return 0;
    }
    int id = static_cast<int>(num(3, 0));
    if (action == L"resize") {
        SetWindowPos(top, nullptr, 0, 0, static_cast<int>(num(3, 0)), static_cast<int>(num(4, 0)),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    if (action == L"command") {
        PostMessageW(top, WM_COMMAND, MAKEWPARAM(id, 0), 0);
        return 0;
    }
    if (action == L"time-window") {
        std::wstring target = arg(4);
        LARGE_INTEGER f, a, b;
        QueryPerformanceFrequency(&f);
        QueryPerformanceCounter(&a);
        PostMessageW(top, WM_COMMAND, MAKEWPARAM(id, 0), 0);
        for (int i = 0; i < 60000; ++i) {
            HWND w = FindWindowW(target.c_str(), nullptr);
            if (w && IsWindowVisible(w))
                break;
            Sleep(1);
        }
        QueryPerformanceCounter(&b);
        std::printf("%.1f\n", (b.QuadPart - a.QuadPart) * 1000.0 / f.QuadPart);
        return 0;
    }
    if (action == L"time-command") {
        LARGE_INTEGER f, a, b;
        QueryPerformanceFrequency(&f);
        QueryPerformanceCounter(&a);
        SendMessageW(top, WM_COMMAND, MAKEWPARAM(id, 0), 0);
        QueryPerformanceCounter(&b);
        std::printf("%.1f\n", (b.QuadPart - a.QuadPart) * 1000.0 / f.QuadPart);
        return 0;
    }
    HWND c = Child(top, id);
    if (!c)
        return Fail("control not found");
    if (action == L"settext") {
        std::wstring t = arg(4);
        SendMessageW(c, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(t.c_str()));
    } else if (action == L"time-settext") {
        std::wstring t = arg(4);
        LARGE_INTEGER f, a, b;
        QueryPerformanceFrequency(&f);
        QueryPerformanceCounter(&a);
        SendMessageW(c, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(t.c_str()));
        RedrawWindow(top, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        QueryPerformanceCounter(&b);
        std::printf("%.1f\n", (b.QuadPart - a.QuadPart) * 1000.0 / f.QuadPart);
    } else if (action == L"gettext") {
        Print(Text(c));
    } else if (action == L"enabled") {
        std::printf("%d", IsWindowEnabled(c) ? 1 : 0);
    } else if (action == L"click") {
        PostMessageW(top, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(c));
    } else if (action == L"key") {
        PostMessageW(c, WM_KEYDOWN, static_cast<WPARAM>(num(4, 0)), 1);
    } else if (action == L"contextmenu") {
        PostMessageW(top, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(c), static_cast<LPARAM>(-1));
    } else if (action == L"dropdown") {
        SendMessageW(c, CB_SHOWDROPDOWN, num(4, 0) != 0, 0);
    } else if (action == L"dropped") {
        std::printf("%d", SendMessageW(c, CB_GETDROPPEDSTATE, 0, 0) ? 1 : 0);
    } else if (action == L"items") {
        int count = static_cast<int>(SendMessageW(c, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            wchar_t buf[1024] = {};
            SendMessageW(c, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buf));
            Print(std::wstring(buf) + L"\n");
        }
    } else if (action == L"choose") {
        SendMessageW(c, CB_SETCURSEL, static_cast<WPARAM>(num(4, 0)), 0);
        PostMessageW(top, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(c));
    } else if (action == L"dblclick") {
        // The notification lives in the window's process and stays there: the window may
        // answer it with a modal message box, long after this driver has ended.
        Remote r(c, sizeof(NMITEMACTIVATE));
        NMITEMACTIVATE note{};
        note.hdr.hwndFrom = c;
        note.hdr.idFrom = static_cast<UINT_PTR>(id);
        note.hdr.code = NM_DBLCLK;
        note.iItem = static_cast<int>(
            SendMessageW(c, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
        r.Write(&note, sizeof note);
        PostMessageW(top, WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(r.mem));
        r.mem = nullptr;  // left to the window's process
    } else if (action == L"combo") {
        SendMessageW(c, CB_SETCURSEL, static_cast<WPARAM>(num(4, 0)), 0);
    } else if (action == L"check") {
        SendMessageW(c, BM_SETCHECK, num(4, 0) != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
    } else if (action == L"realclick" || action == L"realkey") {
        // Input as a user gives it, through the system's input queue: a click moves the focus
        // to the control it hits, a key goes to whatever has the focus.
        SetForegroundWindow(top);
        Sleep(200);
        std::vector<INPUT> in;
        if (action == L"realclick") {
            RECT r;
            GetWindowRect(c, &r);
            INPUT m{};
            m.type = INPUT_MOUSE;
            m.mi.dx = ((r.left + r.right) / 2) * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
            m.mi.dy = ((r.top + r.bottom) / 2) * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
            for (DWORD flag : {MOUSEEVENTF_MOVE, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP}) {
                m.mi.dwFlags = flag | MOUSEEVENTF_ABSOLUTE;
                in.push_back(m);
            }
        } else {
            INPUT k{};
            k.type = INPUT_KEYBOARD;
            k.ki.wVk = static_cast<WORD>(num(4, 0));
            in.push_back(k);
            k.ki.dwFlags = KEYEVENTF_KEYUP;
            in.push_back(k);
        }
        SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
        Sleep(300);
    } else if (action == L"colwidths") {
        HWND header = reinterpret_cast<HWND>(SendMessageW(c, LVM_GETHEADER, 0, 0));
        int cols = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
        for (int col = 0; col < cols; ++col)
            std::printf("%s%d", col ? " " : "",
                        static_cast<int>(SendMessageW(c, LVM_GETCOLUMNWIDTH, col, 0)));
    } else if (action == L"rows") {
        int count = static_cast<int>(SendMessageW(c, LVM_GETITEMCOUNT, 0, 0));
        HWND header = reinterpret_cast<HWND>(SendMessageW(c, LVM_GETHEADER, 0, 0));
        int cols = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
        Remote r(c, sizeof(LVITEMW) + 2048 * 2);
        for (int row = 0; row < count; ++row) {
            std::wstring line;
            for (int col = 0; col < cols; ++col) {
                if (col)
                    line += L'\t';
                line += CellText(c, r, row, col);
            }
            Print(line + L"\n");
        }
    } else if (action == L"select") {
        Remote r(c, sizeof(LVITEMW));
        LVITEMW item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = 0;
        r.Write(&item, sizeof item);
        SendMessageW(c, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(r.mem));
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        r.Write(&item, sizeof item);
        SendMessageW(c, LVM_SETITEMSTATE, static_cast<WPARAM>(num(4, 0)),
                     reinterpret_cast<LPARAM>(r.mem));
    } else if (action == L"setdate") {  // a date picker to YYYY-MM-DD
        std::wstring d = arg(4);
        SYSTEMTIME st{};
        st.wYear = static_cast<WORD>(std::wcstol(d.substr(0, 4).c_str(), nullptr, 10));
        st.wMonth = static_cast<WORD>(std::wcstol(d.substr(5, 2).c_str(), nullptr, 10));
        st.wDay = static_cast<WORD>(std::wcstol(d.substr(8, 2).c_str(), nullptr, 10));
        Remote r(c, sizeof st);
        r.Write(&st, sizeof st);
        SendMessageW(c, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(r.mem));
    } else {
        return Fail("unknown action");
    }
    return 0;
}
