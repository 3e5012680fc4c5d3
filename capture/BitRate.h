#pragma once
#include <cstdint>

namespace tess {

// The bit rate of a window or region recording: one and a half times the area's share of
// the full-screen rate, at least 10000 bit/s, in steps of 10000, never above the full rate.
// An empty area (no window, no region) records the full screen at the full rate.
int64_t RegionBitRate(int64_t fullRate, int64_t screenW, int64_t screenH, int64_t areaW,
                      int64_t areaH);

} // namespace tess
