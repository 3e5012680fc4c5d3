#pragma once
// The monitors of the X screen (RandR 1.5), as plain rectangles with their names: the one
// monitor lookup of the program (the capture mode "Monitor", --monitor, --list-monitors, the
// countdown's corner). libXrandr is loaded on first use, so the launcher's plain snapshot
// does not load it.
#include <optional>
#include <string>
#include <vector>

#include "platform/ScreenRect.h"

namespace tess {

class ScreenConnection;

struct Monitor {
    std::string name;
    ScreenRect rect;
    bool primary = false;
};

// The server's monitors in its order. A server without RandR 1.5 (or one that lists none)
// has one: the whole screen, named "screen".
std::vector<Monitor> ListMonitors(ScreenConnection& screen);

// The monitor that holds (x, y); where monitors overlap, the smallest. Null when none does.
const Monitor* MonitorAt(const std::vector<Monitor>& monitors, int x, int y);

// The rectangle of the monitor that holds (x, y) on `screen`, else of the whole screen: where
// the countdown window goes and what the frame's layout fits into.
ScreenRect MonitorRectAt(ScreenConnection& screen, int x, int y);

// The monitor under the pointer, when the screen has more than one and the pointer is on one:
// what the capture mode "Monitor" takes. Nothing otherwise (the whole screen is taken), and
// nothing when the screen is read from a source such as the portal's cast, which is itself
// the monitor the desktop gave.
std::optional<ScreenRect> MonitorToCapture(ScreenConnection* screen);

// --monitor's value: a name, or the index that ListMonitors gives (from 0). The monitor's
// rectangle, or nothing with the reason (the monitors there are) in `error`.
std::optional<ScreenRect> FindMonitor(const std::vector<Monitor>& monitors, const std::string& text,
                                      std::string* error);

// One line a monitor, as --list-monitors prints it: "0 NAME 1920x1080+0+0 primary".
std::string MonitorListText(const std::vector<Monitor>& monitors);

} // namespace tess
