#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/frame.h>
#include <wx/panel.h>

#include "audio/AudioTestSupport.h"
#include "audio/MeterLogic.h"
#include "audio/ui/Gauges.h"
#include "audio/ui/Sliders.h"

namespace tess {
namespace {

struct CountingMeter : LevelMeter {
    int monoCalls = 0, stereoCalls = 0, a = -1, b = -1;
    void SetMono(int p) override { ++monoCalls, a = p; }
    void SetStereo(int l, int r) override { ++stereoCalls, a = l, b = r; }
};

TEST(MeterLogic, LevelsBecomePercentagesAndOnlyChangesReachTheMeter) {
    MeterReading m = MeterFromLevel(128, 1);
    EXPECT_FALSE(m.stereo);
    EXPECT_EQ(m.mono, 100);
    MeterReading s = MeterFromLevel(64 * 256, 2);
    EXPECT_TRUE(s.stereo);
    EXPECT_EQ(s.left, 50);
    EXPECT_EQ(s.right, 0);
    CountingMeter meter;
    MeterUpdater up;
    EXPECT_FALSE(up.Update(meter, 0, 1)); // 0 is what the meter shows at first
    EXPECT_TRUE(up.Update(meter, 64, 1));
    EXPECT_EQ(meter.a, 50);
    EXPECT_FALSE(up.Update(meter, 64, 1)); // same level next tick: nothing
    EXPECT_EQ(meter.monoCalls, 1);
    EXPECT_TRUE(up.Update(meter, 127 * 256 + 3, 2)); // a loud left, a quiet right
    EXPECT_EQ(meter.stereoCalls, 1);
    EXPECT_EQ(meter.a, 100) << "left";
    EXPECT_EQ(meter.b, 2) << "right";
    EXPECT_TRUE(up.Clear(meter)); // recording stopped
    EXPECT_EQ(meter.monoCalls, 2);
    EXPECT_EQ(meter.a, 0);
    EXPECT_FALSE(up.Clear(meter));
}

TEST(MeterLogic, GaugeLayoutSegmentsWedgeAndSliderArithmetic) {
    EXPECT_EQ(LayoutMeter(50, 20, true).first, (IRect{0, 0, 50, 10}));
    EXPECT_EQ(LayoutMeter(50, 20, true).second, (IRect{0, 10, 50, 10}));
    EXPECT_EQ(LayoutMeter(51, 20, false).first, (IRect{0, 0, 25, 20}));
    EXPECT_EQ(LayoutMeter(51, 20, false).second, (IRect{25, 0, 26, 20}));
    // Spacing 5 over 0..100 gives 20 LEDs; each 80 % of its slot; values held to the range.
    IRect inner{0, 0, 100, 10};
    for (auto [value, leds] : {std::pair{100, 20u}, {51, 11u}, {0, 0u}, {250, 20u}})
        EXPECT_EQ(GaugeSegments(inner, 0, 100, value, 5, 80).size(), leds) << value;
    auto half = GaugeSegments(inner, 0, 100, 50, 5, 80);
    ASSERT_EQ(half.size(), 10u);
    EXPECT_EQ(half[1], (IRect{5, 0, 4, 10}));
    Wedge w = VolumeWedge(50, 20);
    EXPECT_EQ(std::vector<int>({w.left, w.right, w.top, w.bottom}),
              std::vector<int>({3, 46, 3, 16}));

    EXPECT_EQ(SliderRange(10, 10), 1);
    EXPECT_EQ(SliderRange(0, 100), 100);
    // {asked, min, max, snap, position}: tics are counted from the minimum; the nearest tic
    // may be past the end.
    for (auto [asked, mn, mx, snap, want] : {std::tuple{55, 0, 100, true, 60},
                                             {54, 0, 100, true, 50},
                                             {54, 0, 100, false, 54},
                                             {150, 0, 100, true, 100},
                                             {-5, 0, 100, true, 0},
                                             {17, 2, 100, true, 22},
                                             {94, 0, 95, true, 90}})
        EXPECT_EQ(SliderPosition(asked, mn, mx, 10, snap), want)
            << asked << " in " << mn << ".." << mx;
    IRect thumb{20, 0, 9, 15};
    EXPECT_EQ(SliderHitZone(thumb, 24, 5), SliderHit::ThumbTrack);
    EXPECT_EQ(SliderHitZone(thumb, 24, 17), SliderHit::ThumbPosition);
    EXPECT_EQ(SliderHitZone(thumb, 24, -1), SliderHit::None);
    EXPECT_EQ(SliderHitZone(thumb, 5, 5), SliderHit::PageUp);
    EXPECT_EQ(SliderHitZone(thumb, 40, 5), SliderHit::PageDown);
    EXPECT_EQ(ThumbLeft(0, 0, 100, 50, 9, 0), 0);
    EXPECT_EQ(ThumbLeft(100, 0, 100, 50, 9, 0), 41);
    for (int p : {0, 30, 50, 100}) // thumb travel and its inverse
        EXPECT_NEAR(PositionAtX(ThumbLeft(p, 0, 100, 50, 9, 0) + 4, 0, 100, 50, 9, 0), p, 2);
}

class Widgets : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::gWxStarted)
            GTEST_SKIP() << "no display for wxWidgets";
        frame = new wxFrame(nullptr, wxID_ANY, "meter test", wxDefaultPosition, wxSize(300, 120));
        panel = new wxPanel(frame);
        frame->Show();
    }
    void TearDown() override {
        if (frame)
            frame->Destroy();
        if (test::gWxStarted)
            wxTheApp->ProcessPendingEvents();
    }
    wxFrame* frame = nullptr;
    wxPanel* panel = nullptr;
};

TEST_F(Widgets, MeterSwitchesBetweenOneAndTwoBarsAndSkipsUnchangedValues) {
    auto* meter = new SMeter(panel);
    meter->SetRange(0, 100);
    meter->SetLed(5, 80);
    EXPECT_TRUE(meter->Gauge(0)->IsShown());
    EXPECT_FALSE(meter->Gauge(1)->IsShown());
    // Stacked halves: left on top.
    EXPECT_EQ(meter->Gauge(1)->GetPosition(), wxPoint(0, 0));
    EXPECT_EQ(meter->Gauge(2)->GetPosition(), wxPoint(0, 10));
    EXPECT_EQ(meter->Gauge(2)->GetSize(), wxSize(50, 10));
    MeterUpdater up;
    up.Update(*meter, 64 * 256, 2);
    EXPECT_TRUE(meter->IsStereo());
    EXPECT_FALSE(meter->Gauge(0)->IsShown());
    EXPECT_TRUE(meter->Gauge(1)->IsShown());
    EXPECT_EQ(meter->Gauge(1)->GetValue(), 50);
    EXPECT_EQ(meter->Gauge(2)->GetValue(), 0);
    EXPECT_FALSE(meter->Gauge(1)->Segments().empty());
    EXPECT_TRUE(meter->Gauge(2)->Segments().empty());
    int before = meter->Gauge(1)->RepaintRequests();
    EXPECT_FALSE(up.Update(*meter, 64 * 256, 2));
    meter->SetStereo(50, 0); // even told again, an unchanged gauge does not repaint
    EXPECT_EQ(meter->Gauge(1)->RepaintRequests(), before);
    up.Update(*meter, 100, 1);
    EXPECT_FALSE(meter->IsStereo());
    EXPECT_TRUE(meter->Gauge(0)->IsShown());
    EXPECT_FALSE(meter->Gauge(2)->IsShown());
    EXPECT_EQ(meter->Gauge(0)->GetValue(), 78);
}

TEST_F(Widgets, VolumeSliderRangePositionsAndClicks) {
    auto* slider = new VolumeSlider(panel, VolumeSlider::kId, wxPoint(10, 10));
    std::vector<std::pair<wxEventType, int>> events;
    panel->Bind(wxEVT_SCROLL_CHANGED, [&](wxScrollEvent& e) {
        EXPECT_EQ(e.GetId(), 1818);
        events.emplace_back(e.GetEventType(), e.GetPosition());
    });
    panel->Bind(wxEVT_SCROLL_PAGEUP,
                [&](wxScrollEvent& e) { events.emplace_back(e.GetEventType(), e.GetPosition()); });
    EXPECT_EQ(slider->GetSize(), wxSize(50, 20));
    slider->SetRange(10, 10);
    EXPECT_EQ(slider->GetRange(), 1);
    slider->SetRange(0, 100);
    slider->SetPosition(47);
    EXPECT_EQ(slider->GetValue(), 50); // snapped to the nearest tic
    slider->SetPosition(250);
    EXPECT_EQ(slider->GetValue(), 100);
    slider->SetValue(50);
    IRect t = slider->ThumbRect();
    EXPECT_EQ(t.w, 9);
    EXPECT_EQ(t.h, 20);
    EXPECT_EQ(slider->Click(t.x + 4, 5), SliderHit::ThumbTrack);
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(slider->Click(t.x - 2, 5), SliderHit::PageUp);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0], std::make_pair(wxEventType(wxEVT_SCROLL_PAGEUP), 40));
    EXPECT_EQ(events[1], std::make_pair(wxEventType(wxEVT_SCROLL_CHANGED), 40));
    EXPECT_EQ(slider->Click(slider->ThumbRect().Right() + 1, 5), SliderHit::PageDown);
    EXPECT_EQ(slider->GetValue(), 50);
    wxBitmap thumb = VolumeSlider::ThumbBitmap();
    EXPECT_EQ(thumb.GetWidth(), 18);
    EXPECT_EQ(thumb.GetHeight(), 20);
}

} // namespace
} // namespace tess
