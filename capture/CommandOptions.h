#pragma once
// Values of the command-line capture options (--window, --region, --seconds), shared by the
// command-line snapshot and recording.
#include <string>
#include <utility>
#include <vector>

#include "platform/Translate.h"
#include "platform/x11/Screen.h"

namespace tess {

// What the capture commands say about --monitor and about choosing more than one target.
inline constexpr const char* kMonitorValueMissing =
    N_("--monitor needs a monitor's name or number (tessaray --list-monitors shows them)");
inline constexpr const char* kOneTargetOnly =
    N_("only one of --window, --region and --monitor can be given");

// A whole number in `base`; false for empty text, trailing characters or overflow.
bool ParseOptionNumber(const std::string& text, int base, long long* value);

using LongOptions = std::vector<std::pair<std::string, std::string>>;

// True when `name` is among the long options.
bool HasLongOption(const LongOptions& options, const std::string& name);

// A window id above 0, decimal or hexadecimal with 0x.
bool ParseWindowOption(const std::string& text, WindowId* id);

// "X,Y,W,H" with W and H above 0 and every number within +-2^20, as a rectangle.
bool ParseRegionOption(const std::string& text, ScreenRect* r);

// --region's value: "X,Y,W,H", or "last" for the rectangle chosen last in the window
// (`lastRegion`, the stored "X,Y,W,H"); false with the reason in `error` otherwise.
bool ParseRegionValue(const std::string& text, const std::string& lastRegion, ScreenRect* r,
                      std::string* error);

} // namespace tess
