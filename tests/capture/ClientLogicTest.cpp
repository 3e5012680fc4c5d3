// The client window's rules: enablers per capture state, the timer tick's decisions, the
// schedule's answers, time texts, skip steps, sound-level steps and a region's bit rate.
#include <gtest/gtest.h>

#include "capture/BitRate.h"
#include "capture/ClientLogic.h"
#include "capture/DisplayLogic.h"
#include "capture/ExportControl.h"
#include "support/TestSupport.h"

#include "resources/Ids.h"
#include <fstream>

namespace tess {
namespace {

bool Enabled(int cmd, CaptureState state, const Settings& s, bool file = false,
             bool picture = false) {
    ClientView v;
    v.captureState = state;
    v.fileDisplayed = file;
    v.fileIsPicture = picture;
    v.recordingRuns = state == kStateRecording;
    v.settings = &s;
    return CommandUiFor(cmd, v).enabled;
}

TEST(ClientEnablers, FollowTheCaptureStateAndTheDisplayedFile) {
    Settings s;
    for (int cmd : {id::Snapshot, id::SnapshotScreen, id::SnapshotWindow, id::SnapshotRegion,
                    id::RecordVideo, id::RecordScreen, id::RecordWindow, id::RecordRegion,
                    id::RecordSound, id::Nop27105, id::Nop27106, id::Nop27108}) {
        EXPECT_TRUE(Enabled(cmd, kStateIdle, s)) << cmd;
        EXPECT_TRUE(Enabled(cmd, kStatePlaying, s, true)) << cmd;
        EXPECT_FALSE(Enabled(cmd, kStateRecording, s)) << cmd;
    }
    EXPECT_FALSE(Enabled(id::StopRecording, kStateIdle, s));
    EXPECT_TRUE(Enabled(id::StopRecording, kStateRecording, s));
    for (int cmd : {id::Stop, id::RecordWizard, id::FileOpen, id::PrinterSetup, id::Cam,
                    id::ChangeEffects, id::PlayHalfSpeed})
        for (CaptureState state : {kStateIdle, kStatePlaying, kStateRecording})
            EXPECT_TRUE(Enabled(cmd, state, s)) << cmd;
    for (int cmd : {id::Play, id::TogglePlay, id::SkipForward, id::SkipBackward, id::FileOpenWith,
                    id::FileSaveAs, id::FileClose, id::FileProperties}) {
        EXPECT_FALSE(Enabled(cmd, kStateIdle, s)) << cmd;
        EXPECT_TRUE(Enabled(cmd, kStateIdle, s, true)) << cmd;
    }
    // Close and properties also while recording; print only a picture.
    EXPECT_TRUE(Enabled(id::FileClose, kStateRecording, s));
    EXPECT_TRUE(Enabled(id::FileProperties, kStateRecording, s));
    EXPECT_FALSE(Enabled(id::FilePrint, kStatePlaying, s, true));
    EXPECT_TRUE(Enabled(id::FilePrint, kStateIdle, s, true, true));
    ClientView recording;
    recording.fileDisplayed = recording.fileIsRecording = true;
    recording.settings = &s;
    EXPECT_TRUE(CommandUiFor(id::FileExport, recording).enabled);
    recording.fileIsRecording = false; // a picture or another media file
    EXPECT_FALSE(CommandUiFor(id::FileExport, recording).enabled);
    s.changeMixer = false;
    EXPECT_FALSE(Enabled(id::VolumeUp, kStateIdle, s));
    s.changeMixer = true;
    EXPECT_TRUE(Enabled(id::VolumeDown, kStateIdle, s));
}

TEST(ClientEnablers, TicksFollowTheSettingsAndOtherCommandsAreNotTheClients) {
    Settings s;
    s.capSelect = CapSelectOf(CaptureMode::Window);
    s.imageFormat = 3;
    s.captureDelay = s.mute = s.capEnable = true;
    s.effects[5] = s.effects[18] = 1; // Xray and effect 18
    ClientView v;
    v.settings = &s;
    v.fullScreen = true;
    const std::pair<int, bool> ticks[] = {
        {id::Screen, false},    {id::Window, true},     {id::Rectangle, false},
        {id::Monitor, false},   {id::FormatGif, true},  {id::FormatJpg, false},
        {id::FormatPng, false}, {id::FormatBmp, false}, {id::DelaySnapshot, true},
        {id::Mute, true},       {id::Caption, true},    {id::CaptionButton, true},
        {id::Scale, false},     {id::FullScreen, true}, {id::PlaybackBar, false},
        {id::EffectXray, true}, {id::Effect18, true},   {id::EffectMirror, false}};
    for (auto [cmd, checked] : ticks) {
        CommandUi ui = CommandUiFor(cmd, v);
        EXPECT_TRUE(ui.checkable) << cmd;
        EXPECT_EQ(ui.checked, checked) << cmd;
    }
    for (int cmd : ClientCommandIds())
        EXPECT_TRUE(CommandUiFor(cmd, v).known) << cmd;
    // Frame and application commands, and accelerators without a handler.
    for (int cmd : {id::About, id::Preferences, id::NewInstance, id::Exit, id::PageUp, id::PageDown,
                    id::ToolButton1, id::ToolButton2, 0})
        EXPECT_FALSE(CommandUiFor(cmd, v).known) << cmd;
}

TEST(ClientTick, DecisionsInOrderAndScheduleAnswers) {
    // Dragging, file displayed, playing, video (not: a picture); the state; a recording runs.
    const struct {
        TickInputs in;
        TickStep step;
        bool readMode;
    } cases[] = {
        {{true, false, false, false, kStateIdle, true}, TickStep::Nothing, false},
        {{false, true, false, false, kStatePlaying, false}, TickStep::StopPlayback, false}, // ended
        {{false, true, true, true, kStatePlaying, false}, TickStep::ShowPosition, true},
        {{false, true, true, false, kStatePlaying, false}, TickStep::ClearPosition, true},
        {{false, false, false, false, kStateRecording, true}, TickStep::PostRecordTime, true},
        {{false, false, false, false, kStateIdle, false}, TickStep::ClearPosition, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        EXPECT_EQ(DecideTick(c.in).step, c.step);
        EXPECT_EQ(DecideTick(c.in).readCaptureMode, c.readMode);
    }
    EXPECT_EQ(ScheduleActionFor(0).kind, ScheduleAction::None);
    EXPECT_EQ(ScheduleActionFor(1).kind, ScheduleAction::Start);
    EXPECT_EQ(ScheduleActionFor(-1).kind, ScheduleAction::Stop);
    for (auto [answer, event] : {std::pair{1, 0}, {7, 6}, {-1, 0}, {-3, 2}, {INT32_MIN, INT32_MAX}})
        EXPECT_EQ(ScheduleActionFor(answer).event, event) << answer;
    EXPECT_TRUE(HotKeyVideoStops(kStateRecording));
    EXPECT_FALSE(HotKeyVideoStops(kStateIdle));
    EXPECT_FALSE(HotKeyVideoStops(kStatePlaying));
}

TEST(ClientTexts, TimesSkipsLevelsAndBitRates) {
    for (auto [s, text] : {std::pair<long long, const char*>{0, " 0:00"},
                           {59, " 0:59"},
                           {61, " 1:01"},
                           {3599, " 59:59"},
                           {3600, " 1:00:00"},
                           {36061, " 10:01:01"}})
        EXPECT_EQ(PositionTimeText(s), text);
    EXPECT_EQ(RecordingTimeText(999), "");
    EXPECT_EQ(RecordingTimeText(1000), " 0:01");
    EXPECT_EQ(RecordingTimeText(3723000), " 1:02:03");
    // Shift 2 s back / 1 s forward, plain 60 s, Ctrl 600 s (winning over Shift), within the file.
    const struct {
        long long position, duration;
        bool forward, shift, ctrl;
        long long want;
    } skips[] = {{1, 100, false, true, false, 0},      {5, 100, false, true, false, 3},
                 {5, 100, true, true, false, 6},       {5, 100, true, false, false, 65},
                 {5, 100, true, false, true, 100},     {5, 100, true, true, true, 100},
                 {700, 1000, false, false, true, 100}, {30, 1000, false, false, false, 0}};
    for (const auto& k : skips)
        EXPECT_EQ(SkipTarget(k.position, k.duration, k.forward, k.shift, k.ctrl), k.want)
            << k.position << (k.forward ? " forward" : " backward") << k.shift << k.ctrl;
    int l = -1, r = -1;
    UnpackLevels(127 * 256 + 0, l, r);
    EXPECT_EQ(std::pair(l, r), std::pair(100, 0));
    UnpackLevels(64 * 256 + 127, l, r);
    EXPECT_EQ(std::pair(l, r), std::pair(50, 100));
    EXPECT_EQ(StepSoundLevel(95, 10), 100);
    EXPECT_EQ(StepSoundLevel(5, -10), 0);
    EXPECT_EQ(StepSoundLevel(50, 10), 60);
    // A region's share of the full rate, rounded up to 10000, between a floor and the full
    // rate (a quarter: 75000 * 1.5 = 112500 -> 120000); no area records at the full rate.
    EXPECT_EQ(RegionBitRate(300000, 1024, 768, 512, 384), 120000);
    EXPECT_EQ(RegionBitRate(300000, 1024, 768, 10, 10), 10000);
    EXPECT_EQ(RegionBitRate(300000, 1920, 1080, 1700, 1000), 300000);
    EXPECT_EQ(RegionBitRate(300000, 1920, 1080, 1920, 1080), 300000);
    EXPECT_EQ(RegionBitRate(300000, 1920, 1080, 0, 0), 300000);
    EXPECT_EQ(RegionBitRate(2000000000, 7680, 4320, 3840, 2160), 750000000); // no overflow
}

// The names of exports: the dialog's type when the name has no export extension, the copies
// beside a recording without replacing a file; the progress line.
TEST(ExportNames, TargetsCopiesAndProgress) {
    EXPECT_EQ(ExportTargetName("/a/clip", 2), "/a/clip.gif");
    EXPECT_EQ(ExportTargetName("/a/clip.MP4", 0), "/a/clip.MP4");
    EXPECT_EQ(ExportTargetName("/a/clip.mkv", 1), "/a/clip.mkv.mp4");
    test::TempDir dir;
    const std::string rec = dir.str() + "/Tess 1.wmv";
    EXPECT_EQ(AutoExportTarget(rec, ExportFormat::WebM), dir.str() + "/Tess 1.webm");
    std::ofstream(dir.str() + "/Tess 1.gif") << "x";
    std::ofstream(dir.str() + "/Tess 1 (2).gif") << "x";
    EXPECT_EQ(AutoExportTarget(rec, ExportFormat::Gif), dir.str() + "/Tess 1 (3).gif");
    EXPECT_EQ(ExportProgressText({false, false, false, 0.473, -1, ""}), "47 %");
    EXPECT_EQ(ExportProgressText({false, false, false, 0.5, 83.4, ""}), "50 %, about 1:23 left");
}

} // namespace
} // namespace tess
