// The main window: the signed-in user's delivery notes, the search box, the status bar and
// every command.
#pragma once

#include <windows.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "notes/recall.h"
#include "notes/records.h"
#include "ui/ui_win.h"
#include "ui/window_win.h"

namespace nv {

class MainWindow : public Window {
public:
    MainWindow() = default;
    // Creates the window with its menu bar at the given restored placement (hidden).
    [[nodiscard]] bool Open(int left, int top, int width, int height);
    // Reads the signed-in user's notes into the list; nothing without a user or a window.
    void LoadNotes();
    // F5, Ctrl+N and Ctrl+P; true when the key was taken.
    bool HandleKey(const MSG& msg);

private:
    LRESULT OnMessage(UINT msg, WPARAM wparam, LPARAM lparam) override;
    void Create();
    void Layout();
    void SetStatus(std::u16string_view text);
    // Where the commands run from here report their outcome: the status bar.
    StatusSink Reporter();
    // `notes_changed` is false for a new search text: when it selects the same notes as
    // before, nothing on screen changes (selection and scroll position too).
    void RefillList(bool notes_changed = true);
    void SetNotes(std::vector<DeliveryNote> notes);
    int SelectedNoteIndex();
    void AfterEditor(bool saved);
    void NewNote();
    void EditSelected();
    void DeleteSelected();
    bool LoginFromMain();
    void SessionRefused(bool tell);
    void SignOut();
    void About();
    void Finance();
    void SavePlacement();
    void ContextMenu(LPARAM lparam);
    void OnCommand(int id, int code);
    LRESULT OnNotify(NMHDR* hdr);

    HWND new_button_ = nullptr;
    HWND search_ = nullptr;
    HWND status_ = nullptr;
    // An owner-data list view: it asks for the cells of row r when it draws it, and row r
    // shows loaded note shown_[r]. Refilling 10,000 notes is a count update instead of
    // 100,000 inserts.
    HWND list_ = nullptr;
    std::vector<DeliveryNote> notes_;                    // the loaded notes
    std::vector<std::array<std::u16string, 10>> cells_;  // their row texts
    std::vector<double> totals_;
    std::vector<int> shown_;  // row -> note index
    Recall recall_;           // what the editor proposes, from the loaded notes
    bool login_open_ = false;
};

}  // namespace nv
