#pragma once
#include <cstdint>
#include <optional>

#include "platform/x11/Screen.h"

namespace tess {

// The bit rate of a window or region recording: one and a half times the area's share of
// the full-screen rate, at least 10000 bit/s, in steps of 10000, never above the full rate.
// An empty area (no window, no region) records the full screen at the full rate.
int64_t RegionBitRate(int64_t fullRate, int64_t screenW, int64_t screenH, int64_t areaW,
                      int64_t areaH);

// RegionBitRate for what a recording takes on `screen`: the rectangle `area` when given,
// else the window `window` with its frame (measured now; a vanished window counts as no
// window), else the whole screen.
int32_t TargetBitRate(ScreenConnection& screen, int64_t fullRate,
                      const std::optional<ScreenRect>& area, WindowId window);

} // namespace tess
