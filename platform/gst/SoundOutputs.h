#pragma once

#include <string>
#include <vector>

namespace tess {

// The sound output devices the player can open, by the names it matches against the
// "WaveOutDriver" setting (the first device whose name contains that text plays).
std::vector<std::string> SoundOutputDeviceNames();

} // namespace tess
