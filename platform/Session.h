#pragma once
// What kind of desktop session the program runs in.

namespace tess {

// True in a Wayland session: XDG_SESSION_TYPE is "wayland" and WAYLAND_DISPLAY is set. The
// program's windows then live on Xwayland, which shows X clients only the windows of other X
// clients: the screen has to be read through the desktop portal, and keys pressed in a native
// Wayland window never reach an X key grab.
bool IsWaylandSession();

} // namespace tess
