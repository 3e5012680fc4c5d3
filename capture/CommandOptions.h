#pragma once
// Values of the command-line capture options (--window, --region, --seconds), shared by the
// command-line snapshot and recording.
#include <string>

#include "platform/x11/Screen.h"

namespace tess {

// A whole number in `base`; false for empty text, trailing characters or overflow.
bool ParseOptionNumber(const std::string& text, int base, long long* value);

// "X,Y,W,H" with W and H above 0 and every number within +-2^20, as a rectangle.
bool ParseRegionOption(const std::string& text, ScreenRect* r);

} // namespace tess
