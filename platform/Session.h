#pragma once
// What kind of desktop session the program runs in, and which process of the program owns
// the session's screen-cast permission.
#include <string>

namespace tess {

// True in a Wayland session: XDG_SESSION_TYPE is "wayland" and WAYLAND_DISPLAY is set. The
// program's windows then live on Xwayland, which shows X clients only the windows of other X
// clients: the screen has to be read through the desktop portal, and keys pressed in a native
// Wayland window never reach an X key grab.
bool IsWaylandSession();

// True when a session bus can be reached without starting one (its address is set, or the
// runtime directory has its socket): GIO would otherwise try to launch a bus of its own.
bool SessionBusAddressKnown();

// The screen-cast permission (the desktop portal's restore token) is single-use, so one
// process owns it at a time: the first to take the lock at this path, which it holds until it
// ends (the window program while it runs; a command-line command otherwise). Another process
// casts without the token and keeps none: the desktop asks it.
std::string ScreenCastOwnerLockPath();
// Takes that lock for the rest of the process; true when this process owns the permission.
// Where no lock file can be made, every process counts as the owner.
bool OwnScreenCastPermission();

} // namespace tess
