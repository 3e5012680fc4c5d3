#pragma once
// The settings group "Main" that the main client window loads and saves: the capture mode,
// mute, sound level, the frame's place and size, the latest directory, six effect
// switches, the screen back end, the portal's restore token and the rectangle chosen last. Registry
// mode stores raw one- and four-byte values, ini mode decimal text.
#include "platform/ScreenRect.h"
#include "settings/Settings.h"
#include "settings/SettingsStore.h"

#include <functional>
#include <optional>
#include <string>

namespace tess {

struct WindowGeometry {
    int x = 0, y = 0, w = 0, h = 0;
};

// Window values as loaded: a left edge that is negative or beyond screenWidth - 100
// becomes 100 (the same for the top edge against the height); a width or height below
// 64 becomes 400 / 800 in registry mode and 0 in ini mode.
int ClampWindowEdge(int value, int screenExtent);
int ClampWindowWidth(int value, bool registryMode);
int ClampWindowHeight(int value, bool registryMode);

void LoadMainGroup(SettingsAccess& a, Settings& s, int screenWidth, int screenHeight);
// `frame` is the main frame's current place and size, null when no frame exists (the
// window values are then not written). `currentDirectory` becomes LatestDirectory
// (registry mode only).
void SaveMainGroup(SettingsAccess& a, const Settings& s, const WindowGeometry* frame,
                   const std::string& currentDirectory);

// The stored last rectangle: "X,Y,W,H" in decimal, W and H above 0, every number within
// +-2^20 (the command line's --region rules); none for anything else.
std::optional<ScreenRect> ParseLastRegion(const std::string& text);
std::string LastRegionText(const ScreenRect& r);
// The stored rectangle when there is one and it lies wholly within `desktop` (a screen
// made smaller since leaves it unusable).
std::optional<ScreenRect> UsableLastRegion(const std::string& text, const ScreenRect& desktop);

// The main frame's place and size for the next save; answers false while no frame exists.
using FrameGeometrySource = std::function<bool(WindowGeometry&)>;
void SetFrameGeometrySource(FrameGeometrySource source);
bool CurrentFrameGeometry(WindowGeometry& g);

} // namespace tess
