#include "capture/BitRate.h"

#include <cstdlib>

namespace tess {

int64_t RegionBitRate(int64_t fullRate, int64_t screenW, int64_t screenH, int64_t areaW,
                      int64_t areaH) {
    const int64_t screen = screenW * screenH;
    const int64_t area = areaW * areaH;
    if (area == 0 || screen <= 0)
        return fullRate;
    int64_t r = fullRate * area / screen;
    r = std::llabs((r * 3) >> 1);
    if (r < 10000)
        r = 10000;
    r = (r + 9999) - ((r + 9999) % 10000);
    if (r > fullRate)
        r = fullRate;
    return r;
}

int32_t TargetBitRate(ScreenConnection& screen, int64_t fullRate,
                      const std::optional<ScreenRect>& area, WindowId window) {
    const ScreenRect full = screen.screenRect();
    int64_t w = 0, h = 0;
    if (area) {
        w = area->width();
        h = area->height();
    } else if (window) {
        const WindowId target = screen.grabTarget(window);
        if (auto r = target ? screen.windowRect(target) : std::nullopt) {
            w = r->width();
            h = r->height();
        }
    }
    return static_cast<int32_t>(RegionBitRate(fullRate, full.width(), full.height(), w, h));
}

} // namespace tess
