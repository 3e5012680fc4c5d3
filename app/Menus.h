#pragma once
// The menus and the accelerator table of the main frame: menu 100, the frame's pop-up
// menu, the tray menu 1200 and accelerator table 100.
#include <vector>
#include <wx/accel.h>
#include <wx/menu.h>

namespace tess {

// Items of commands that have a 16 x 16 image show it.
wxMenuBar* BuildMainMenu();
wxMenu* BuildPopupMenu();
// The one pop-up of menu 1200 ("&Tray"); its first item is "&Restore window".
wxMenu* BuildTrayMenu();
// Accelerator table 100.
std::vector<wxAcceleratorEntry> AcceleratorEntries();
wxAcceleratorTable BuildAccelerators();

// Shows `item` in bold as the menu's default item where the toolkit allows it; false
// when it could not.
bool MakeDefaultItem(wxMenuItem* item);

} // namespace tess
