#pragma once
// TTrayWin: the frame's taskbar tray icon, with its tip "Tessaray", its icon (1004 idle,
// 1005 recording, 1007 playing) and the tray menu 1200. Add / modify / delete follow the
// shown flag: Show() adds or modifies, Remove() deletes when shown.
#include <wx/taskbar.h>
#include <wx/weakref.h>

#include <string>

class wxFrame;

namespace tess {

class TTrayWin : public wxTaskBarIcon {
public:
    explicit TTrayWin(wxFrame* frame);

    void SetIconId(int iconId) { iconId_ = iconId; }
    // The tip shown from the next Show() on ("Tessaray" at first).
    void SetTip(const std::string& tip) { tip_ = tip; }
    const std::string& tip() const { return tip_; }
    int iconId() const { return iconId_; }
    bool shown() const { return shown_; }
    // Add when not shown, else modify (new icon and tip).
    void Show();
    // Delete when shown.
    void Remove();
    // True when the last menu had its first item drawn bold (the default item).
    bool lastMenuHadBoldDefault() const { return boldDefault_; }
    // The tray menu with its items greyed and ticked by the same enablers as the main menu's.
    wxMenu* BuildMenu();
    // The tray menu on the screen now, or null.
    wxMenu* menuShown() const { return shownMenu_.get(); }

protected:
    wxMenu* CreatePopupMenu() override;

private:
    void OnLeftDown(wxTaskBarIconEvent& e);
    void OnMenu(wxCommandEvent& e);

    wxFrame* frame_;
    int iconId_;
    std::string tip_ = "Tessaray";
    bool shown_ = false;
    bool boldDefault_ = false;
    wxWeakRef<wxMenu> shownMenu_;
};

} // namespace tess
