#include "audio/MeterLogic.h"

#include <algorithm>

namespace tess {

MeterReading MeterFromLevel(int level, int channels) {
    MeterReading r;
    if (channels > 1) {
        r.stereo = true;
        r.left = (level / 256) * 100 / 127;
        r.right = (level % 256) * 100 / 127;
    } else {
        r.mono = level * 100 / 127;
    }
    return r;
}

bool MeterUpdater::Update(LevelMeter& meter, int level, int channels) {
    if (level == last_)
        return false;
    MeterReading r = MeterFromLevel(level, channels);
    if (r.stereo)
        meter.SetStereo(r.left, r.right);
    else
        meter.SetMono(r.mono);
    last_ = level;
    return true;
}

MeterLayout LayoutMeter(int width, int height, bool stacked) {
    MeterLayout l;
    l.full = {0, 0, width, height};
    if (stacked) {
        l.first = {0, 0, width, height / 2};
        l.second = {0, height / 2, width, height - height / 2};
    } else {
        l.first = {0, 0, width / 2, height};
        l.second = {width / 2, 0, width - width / 2, height};
    }
    return l;
}

std::vector<IRect> GaugeSegments(const IRect& inner, int min, int max, int value, int spacing,
                                 int thicknessPercent) {
    std::vector<IRect> out;
    int range = SliderRange(min, max);
    if (inner.w <= 0 || inner.h <= 0)
        return out;
    value = std::clamp(value, min, std::max(min, max));
    if (spacing <= 0) { // a plain bar
        int w = inner.w * (value - min) / range;
        if (w > 0)
            out.push_back({inner.x, inner.y, w, inner.h});
        return out;
    }
    int count = (range + spacing - 1) / spacing;
    for (int i = 0; i < count && min + i * spacing < value; ++i) {
        int x0 = inner.x + inner.w * i * spacing / range;
        int x1 = inner.x + std::min(inner.w, inner.w * (i + 1) * spacing / range);
        int w = std::max(1, (x1 - x0) * std::clamp(thicknessPercent, 1, 100) / 100);
        out.push_back({x0, inner.y, w, inner.h});
    }
    return out;
}

int SliderRange(int min, int max) {
    return max == min ? 1 : max - min;
}

int SliderPosition(int p, int min, int max, int ticGap, bool snap) {
    p = std::clamp(p, std::min(min, max), std::max(min, max));
    if (snap && ticGap > 0) {
        p = ((p - min + ticGap / 2) / ticGap) * ticGap + min;
        if (p > std::max(min, max)) // a range that does not end on a tic
            p -= ticGap;
    }
    return p;
}

SliderHit SliderHitZone(const IRect& thumb, int x, int y) {
    if (thumb.Contains(x, y))
        return SliderHit::ThumbTrack;
    if (x >= thumb.x && x < thumb.Right())
        return y >= thumb.Bottom() ? SliderHit::ThumbPosition : SliderHit::None;
    return x < thumb.x ? SliderHit::PageUp : SliderHit::PageDown;
}

int ThumbLeft(int pos, int min, int max, int trackWidth, int thumbWidth, int margin) {
    int travel = std::max(0, trackWidth - thumbWidth);
    return margin +
           travel * (std::clamp(pos, min, std::max(min, max)) - min) / SliderRange(min, max);
}

int PositionAtX(int x, int min, int max, int trackWidth, int thumbWidth, int margin) {
    int travel = std::max(1, trackWidth - thumbWidth);
    int range = SliderRange(min, max);
    int off = std::clamp(x - margin - thumbWidth / 2, 0, travel);
    return min + (off * range + travel / 2) / travel;
}

Wedge VolumeWedge(int width, int height, int margin) {
    return {margin, std::max(margin, width - 1 - margin), margin,
            std::max(margin, height - 1 - margin)};
}

} // namespace tess
