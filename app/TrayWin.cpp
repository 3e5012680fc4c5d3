#include "app/TrayWin.h"

#include "app/Menus.h"
#include "resources/Ids.h"
#include "resources/ui/Art.h"
#include "resources/ui/Messages.h"

#include <wx/frame.h>

namespace tess {

TTrayWin::TTrayWin(wxFrame* frame) : frame_(frame), iconId_(id::IconIdleSmall) {
    Bind(wxEVT_TASKBAR_LEFT_DOWN, &TTrayWin::OnLeftDown, this);
    Bind(wxEVT_MENU, &TTrayWin::OnMenu, this);
}

void TTrayWin::Show() {
    // The tip has at most 63 characters.
    if (SetIcon(wxBitmapBundle(ProgramIcon(iconId_)), wxString::FromUTF8(tip_.substr(0, 63))))
        shown_ = true;
}

void TTrayWin::Remove() {
    if (!shown_)
        return;
    RemoveIcon();
    shown_ = false;
}

wxMenu* TTrayWin::BuildMenu() {
    wxMenu* menu = BuildTrayMenu();
    // The toolkit asks the tray's hidden window, not the frame, for the items' state: ask the
    // frame (and through it the client) here.
    for (wxMenuItem* item : menu->GetMenuItems()) {
        if (item->IsSeparator())
            continue;
        wxUpdateUIEvent e(item->GetId());
        e.SetEventObject(frame_);
        if (!frame_->GetEventHandler()->ProcessEvent(e))
            continue;
        if (e.GetSetEnabled())
            item->Enable(e.GetEnabled());
        if (e.GetSetChecked() && item->IsCheckable())
            item->Check(e.GetChecked());
    }
    return menu;
}

wxMenu* TTrayWin::CreatePopupMenu() {
    wxMenu* menu = BuildMenu();
    // The first item, "&Restore window", is the default item.
    boldDefault_ = MakeDefaultItem(menu->FindItemByPosition(0));
    shownMenu_ = menu;
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

} // namespace tess
