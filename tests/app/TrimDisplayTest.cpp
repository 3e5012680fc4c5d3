// The marks of a displayed recording on a real X server: the keys pressed where they act and
// where they must not, the frame steps, Play Selection and the trimmed copy.
#include "app/AppTestSupport.h"
#include "app/ControlBar.h"
#include "capture/ExportControl.h"
#include "capture/FileDisplay.h"
#include "capture/RangeStrip.h"
#include "media/Grab.h"
#include "media/VideoFile.h"
#include "media/WMFile.h"
#include "recording/RecordingTestUtil.h"
#include "support/LayoutCheck.h"

#include <cstring>
#include <wx/checkbox.h>
#include <wx/slider.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace tess {
namespace {

class TrimDisplay : public test::FrameFixture {
protected:
    void SetUp() override {
        if (!test::HaveProgram("xdotool") || !test::HaveProgram("ffprobe"))
            GTEST_SKIP() << "needs xdotool and ffprobe";
        FrameFixture::SetUp();
        if (IsSkipped())
            return;
        MakeFrame();
    }
    // Keys pressed on the server, into the window that has the focus.
    void Keys(const std::string& keys) {
        test::RunCommand("xdotool key --delay 30 " + keys);
        test::Pump(300);
    }
    // The first and last columns of the strip under the position slider, as the screen shows
    // it, that differ from its left end ({-1, -1}: none).
    std::pair<int, int> StripBand() {
        test::Pump(100);
        const wxRect r = frame->playbackBar().range->GetScreenRect();
        const ScreenRect area{r.x, r.y, r.x + r.width, r.y + r.height};
        int32_t result = -1;
        auto bm = GrabScreenPicture(*WindowThreadScreen(), false, true, true, &area, &result);
        if (!bm)
            return {-2, -2}; // no grab
        const uint8_t* row = bm->bits() + bm->height() / 2 * bm->stride();
        std::pair band{-1, -1};
        for (int x = 0; x < bm->width(); ++x)
            if (std::memcmp(row + x * 4, row, 3) != 0)
                band = {band.first < 0 ? x : band.first, x};
        return band;
    }
};

TEST_F(TrimDisplay, KeysSetMarksOnFramesInTheVideoAreaOnlyAndTheSelectionPlaysAndIsSaved) {
    const std::string in = dir.str() + "/rec.wmv", copy = dir.str() + "/rec (trimmed).wmv";
    {
        WMFile f(in, "", 10, 2000, 96, 64, -1);
        ASSERT_TRUE(f.Open());
        std::vector<uint8_t> p(96 * 64 * 4, 0x40);
        for (int i = 0; i < 30; ++i) {
            p[static_cast<size_t>(i) * 4 * 97] = 0xff;
            ASSERT_EQ(f.AddFrame(p.data(), 96, 64, 96 * 4, i * 1000000LL, false), 0);
        }
        ASSERT_TRUE(f.Close());
    }
    FileDisplay& display = client->display();
    display.Display(in);
    test::Pump(300);
    ASSERT_TRUE(display.displayed());
    EXPECT_FALSE(Ui(id::PlaySelection).GetEnabled());
    display.file()->SetPositionMs(1030);
    // The frame takes the server's keyboard focus (no window manager gives it), then the
    // video area the frame's.
    test::RunCommand("xdotool search --name '^rec.wmv Tessaray$' windowfocus --sync");
    client->SetFocus();
    test::Pump(100);
    Keys("i period period period o comma");
    EXPECT_EQ(display.marks().in(), 1000);
    EXPECT_EQ(display.marks().out(), 1400); // the end of the frame at 1.3 s
    EXPECT_EQ(display.file()->GetPositionMs(), 1200);
    test::Pump(500); // the timer's ticks keep the frame's time in the position pane
    auto* pane = wxDynamicCast(wxWindow::FindWindowById(id::PositionPane, frame), wxStaticText);
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(pane->GetLabel().utf8_string(), "0:01.200");
    EXPECT_EQ(frame->GetStatusBar()->GetStatusText().utf8_string(), "In 0:01.000, Out 0:01.400");
    EXPECT_TRUE(Ui(id::PlaySelection).GetEnabled());
    // The strip under the slider, as wide as it, shows the selection between the marks.
    const PlaybackBarGadgets& bar = frame->playbackBar();
    EXPECT_EQ(bar.range->GetSize().x, bar.position->GetSize().x);
    EXPECT_EQ(test::LayoutProblems(bar.bar), std::vector<std::string>{});
    const double perMs = (bar.range->GetSize().x - 1) / double(display.marks().durationMs());
    const auto [from, to] = StripBand();
    EXPECT_NEAR(from, 1000 * perMs, 1.0);
    EXPECT_NEAR(to, 1400 * perMs, 1.0);
    // A playback bar hidden and shown again gets the marks at once.
    frame->ShowPlaybackBar(false);
    frame->ShowPlaybackBar(true);
    test::Pump(200);
    EXPECT_EQ(StripBand(), std::pair(from, to));

    // The tool bar's edit box keeps every letter.
    auto* edit = wxDynamicCast(wxWindow::FindWindowById(id::ToolEdit, frame), wxTextCtrl);
    ASSERT_NE(edit, nullptr);
    edit->SetFocus();
    test::Pump(100);
    Keys("i o comma period");
    EXPECT_EQ(edit->GetValue().utf8_string(), "io,.");
    EXPECT_EQ(display.marks().in(), 1000);
    EXPECT_EQ(display.marks().out(), 1400);

    ASSERT_TRUE(Menu(id::PlaySelection));
    EXPECT_EQ(State(), CaptureState::Playing);
    ASSERT_TRUE(test::PumpUntil([&] { return State() != CaptureState::Playing; }, 5000));
    EXPECT_EQ(display.file()->GetPositionMs(), 1400);

    // Export... offers the selection, ticked, in a dialog laid out without a fault.
    {
        ExportOptionsDialog options(frame, ExportFormat::Gif, 10, display.marks().Kept(false));
        options.Show();
        test::Pump(200);
        EXPECT_EQ(test::LayoutProblems(&options), std::vector<std::string>{});
        EXPECT_EQ(options.options().parts, (std::vector<TrimRange>{{1000, 1400}}));
        wxCheckBox* only = nullptr;
        for (wxWindow* w : options.GetChildren())
            only = only ? only : dynamic_cast<wxCheckBox*>(w);
        ASSERT_NE(only, nullptr);
        only->SetValue(false);
        EXPECT_TRUE(options.options().parts.empty());
    }

    EXPECT_EQ(TrimmedCopyName(in), copy);
    ExportControl& exports = client->exports();
    ASSERT_TRUE(exports.StartTrim(in, copy, display.marks().Kept(false)));
    ASSERT_NE(exports.progressDialog(), nullptr);
    ASSERT_TRUE(test::PumpUntil([&] { return !exports.running(); }, 30000));
    EXPECT_EQ(test::VideoFrameTimes(copy).size(), 4u);
    EXPECT_EQ(frame->GetStatusBar()->GetStatusText().utf8_string(),
              "Trimmed copy saved to " + copy);
    ASSERT_FALSE(desktop.notices.empty());
    EXPECT_EQ(desktop.notices.back().path, copy);
    EXPECT_EQ(TrimmedCopyName(in), dir.str() + "/rec (trimmed) (2).wmv");
    ASSERT_TRUE(Menu(id::ClearMarks));
    EXPECT_FALSE(display.marks().markSet());
    EXPECT_EQ(StripBand(), std::pair(-1, -1));
}

} // namespace
} // namespace tess
