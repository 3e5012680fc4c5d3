#include "app/TrayWin.h"

#include "app/Menus.h"
#include "resources/Art.h"
#include "resources/Ids.h"
#include "resources/Messages.h"

#include <wx/frame.h>

namespace tess {

TTrayWin::TTrayWin(wxFrame* frame) : frame_(frame), iconId_(id::IconIdleSmall) {
    Bind(wxEVT_TASKBAR_LEFT_DOWN, &TTrayWin::OnLeftDown, this);
    Bind(wxEVT_MENU, &TTrayWin::OnMenu, this);
    Bind(wxEVT_UPDATE_UI, &TTrayWin::OnUpdateUi, this);
}

void TTrayWin::Show() {
    // The tip has at most 63 characters.
    if (SetIcon(wxBitmapBundle(ProgramIcon(iconId_)), "Tessaray"))
        shown_ = true;
}

void TTrayWin::Remove() {
    if (!shown_)
        return;
    RemoveIcon();
    shown_ = false;
}

wxMenu* TTrayWin::CreatePopupMenu() {
    wxMenu* menu = BuildTrayMenu();
    // The first item, "&Restore window", is the default item.
    boldDefault_ = MakeDefaultItem(menu->FindItemByPosition(0));
    return menu;
}

void TTrayWin::OnLeftDown(wxTaskBarIconEvent&) {
    PostMessage(frame_->GetEventHandler(), msg::TrayCallback, 0, id::TrayRestore);
}

void TTrayWin::OnMenu(wxCommandEvent& e) {
    // The tray menu's commands are the frame's (and through it the client's).
    wxCommandEvent copy(e);
    copy.SetEventObject(frame_);
    frame_->GetEventHandler()->ProcessEvent(copy);
}

void TTrayWin::OnUpdateUi(wxUpdateUIEvent& e) {
    e.SetEventObject(frame_);
    frame_->GetEventHandler()->ProcessEvent(e);
}

} // namespace tess
