#pragma once
// The arithmetic of the level meter, the gauges and the sliders, apart from their windows.
#include <vector>

namespace tess {

struct IRect {
    int x = 0, y = 0, w = 0, h = 0;
    int Right() const { return x + w; }
    int Bottom() const { return y + h; }
    bool Contains(int px, int py) const { return px >= x && px < x + w && py >= y && py < y + h; }
    bool operator==(const IRect&) const = default;
};

// ---- level meter ----

// What the meter shows for a PeakLevel reading: one bar (percent) or two (left, right).
struct MeterReading {
    bool stereo = false;
    int mono = 0, left = 0, right = 0;
};
// 16-bit peaks of 128 give 100 (percent = level * 100 / 127, per channel for two).
MeterReading MeterFromLevel(int level, int channels);

// The meter as the level display drives it.
class LevelMeter {
public:
    virtual ~LevelMeter() = default;
    virtual void SetMono(int percent) = 0;
    virtual void SetStereo(int left, int right) = 0;
};

// Remembers the level shown last; a new level goes to the meter only when it differs.
class MeterUpdater {
public:
    // Returns true when the meter was told.
    bool Update(LevelMeter& meter, int level, int channels);
    // The capture is gone: a level of 0, shown as one bar.
    bool Clear(LevelMeter& meter) { return Update(meter, 0, 1); }
    int LastLevel() const { return last_; }

private:
    int last_ = 0;
};

// Meter layout: the full gauge, and the two halves (stacked: upper and lower; else left
// and right).
struct MeterLayout {
    IRect full, first, second;
};
MeterLayout LayoutMeter(int width, int height, bool stacked);

// ---- gauge ----

// The lit LED segments of a gauge's bar inside `inner`: one segment per `spacing` units of
// the range, each `thicknessPercent` of its slot wide, lit while it starts below the value.
std::vector<IRect> GaugeSegments(const IRect& inner, int min, int max, int value, int spacing,
                                 int thicknessPercent);

// ---- slider ----

// max - min, or 1 when they are equal.
int SliderRange(int min, int max);
// Held within min..max, then to the nearest tic when snapping with a gap > 0.
int SliderPosition(int requested, int min, int max, int ticGap, bool snap);

// What a click on the horizontal slider does.
enum class SliderHit { None, ThumbTrack, ThumbPosition, PageUp, PageDown };
SliderHit SliderHitZone(const IRect& thumb, int x, int y);

// Left edge of the thumb for `pos` on a track of `trackWidth` pixels starting at `margin`,
// and the position nearest to a thumb centre at `x`.
int ThumbLeft(int pos, int min, int max, int trackWidth, int thumbWidth, int margin);
int PositionAtX(int x, int min, int max, int trackWidth, int thumbWidth, int margin);

// The wedge of the volume slider's slot: a right triangle rising from bottom left to top
// right inside a `margin` pixel border: (left, bottom), (right, bottom), (right, top).
struct Wedge {
    int left, right, top, bottom;
};
Wedge VolumeWedge(int width, int height, int margin = 3);

} // namespace tess
