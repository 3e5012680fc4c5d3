#pragma once
// Finding the top-level windows of another running copy of the program on the X display.
// Plain C++ types only; Xlib stays inside InstanceCheck.cpp.
#include <string>

namespace tess {

// True when a top-level window (a child of the root window, or the client window inside a
// window manager's frame) carries WM_CLASS class `windowClass`. False when no display
// answers. Windows of this process (by _NET_WM_PID) and
// override-redirect pop-ups (menus, tool tips) do not count. `displayName` null:
// $DISPLAY.
bool TopLevelWindowOfClassExists(const std::string& windowClass, const char* displayName = nullptr);

} // namespace tess
