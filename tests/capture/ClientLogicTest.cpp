// The client window's rules: enablers per capture state, the timer tick's decisions, the
// schedule's answers, time texts and sound-level steps.
#include <gtest/gtest.h>

#include "capture/ClientLogic.h"
#include "resources/Ids.h"

#include <set>

namespace tess {
namespace {

ClientView ViewFor(CaptureState state, const Settings& s, bool file = false, bool picture = false) {
    ClientView v;
    v.captureState = state;
    v.fileDisplayed = file;
    v.fileIsPicture = picture;
    v.recordingRuns = state == kStateRecording;
    v.settings = &s;
    return v;
}

TEST(ClientEnablers, CaptureCommandsAreGreyWhileRecording) {
    Settings s;
    const int notWhileRecording[] = {id::Snapshot,       id::SnapshotScreen, id::SnapshotWindow,
                                     id::SnapshotRegion, id::RecordVideo,    id::RecordScreen,
                                     id::RecordWindow,   id::RecordRegion,   id::RecordSound,
                                     id::Nop27105,       id::Nop27106,       id::Nop27108};
    for (int cmd : notWhileRecording) {
        EXPECT_TRUE(CommandUiFor(cmd, ViewFor(kStateIdle, s)).enabled) << cmd;
        EXPECT_TRUE(CommandUiFor(cmd, ViewFor(kStatePlaying, s, true)).enabled) << cmd;
        EXPECT_FALSE(CommandUiFor(cmd, ViewFor(kStateRecording, s)).enabled) << cmd;
    }
    EXPECT_FALSE(CommandUiFor(id::StopRecording, ViewFor(kStateIdle, s)).enabled);
    EXPECT_TRUE(CommandUiFor(id::StopRecording, ViewFor(kStateRecording, s)).enabled);
    // Always available.
    for (int cmd : {id::Stop, id::RecordWizard, id::FileOpen, id::PrinterSetup, id::Cam,
                    id::ChangeEffects, id::PlayHalfSpeed})
        for (CaptureState state : {kStateIdle, kStatePlaying, kStateRecording})
            EXPECT_TRUE(CommandUiFor(cmd, ViewFor(state, s)).enabled) << cmd;
}

TEST(ClientEnablers, FileCommandsFollowTheDisplayedFile) {
    Settings s;
    for (int cmd : {id::Play, id::TogglePlay, id::SkipForward, id::SkipBackward, id::FileOpenWith,
                    id::FileSaveAs}) {
        EXPECT_FALSE(CommandUiFor(cmd, ViewFor(kStateIdle, s)).enabled) << cmd;
        EXPECT_TRUE(CommandUiFor(cmd, ViewFor(kStateIdle, s, true)).enabled) << cmd;
    }
    // Close and properties: a displayed file or a running recording.
    for (int cmd : {id::FileClose, id::FileProperties}) {
        EXPECT_FALSE(CommandUiFor(cmd, ViewFor(kStateIdle, s)).enabled);
        EXPECT_TRUE(CommandUiFor(cmd, ViewFor(kStateIdle, s, true)).enabled);
        EXPECT_TRUE(CommandUiFor(cmd, ViewFor(kStateRecording, s)).enabled);
    }
    // Print: only a picture.
    EXPECT_FALSE(CommandUiFor(id::FilePrint, ViewFor(kStatePlaying, s, true)).enabled);
    EXPECT_TRUE(CommandUiFor(id::FilePrint, ViewFor(kStateIdle, s, true, true)).enabled);
    // Volume steps need mixer changes allowed.
    s.changeMixer = false;
    EXPECT_FALSE(CommandUiFor(id::VolumeUp, ViewFor(kStateIdle, s)).enabled);
    s.changeMixer = true;
    EXPECT_TRUE(CommandUiFor(id::VolumeDown, ViewFor(kStateIdle, s)).enabled);
}

TEST(ClientEnablers, TicksFollowTheSettings) {
    Settings s;
    s.capSelect = CapSelectOf(CaptureMode::Window);
    s.imageFormat = 3;
    s.captureDelay = true;
    s.mute = true;
    s.capEnable = true;
    s.effects[5] = 1; // Xray
    s.effects[18] = 1;
    ClientView v = ViewFor(kStateIdle, s);
    v.fullScreen = true;
    auto checked = [&](int cmd) {
        CommandUi ui = CommandUiFor(cmd, v);
        EXPECT_TRUE(ui.checkable) << cmd;
        return ui.checked;
    };
    EXPECT_FALSE(checked(id::Screen));
    EXPECT_TRUE(checked(id::Window));
    EXPECT_FALSE(checked(id::Rectangle));
    EXPECT_TRUE(checked(id::FormatGif));
    EXPECT_FALSE(checked(id::FormatJpg));
    EXPECT_FALSE(checked(id::FormatPng));
    EXPECT_FALSE(checked(id::FormatBmp));
    EXPECT_TRUE(checked(id::DelaySnapshot));
    EXPECT_TRUE(checked(id::Mute));
    EXPECT_TRUE(checked(id::Caption));
    EXPECT_TRUE(checked(id::CaptionButton));
    EXPECT_FALSE(checked(id::Scale));
    EXPECT_TRUE(checked(id::FullScreen));
    EXPECT_FALSE(checked(id::PlaybackBar));
    EXPECT_TRUE(checked(id::EffectXray));
    EXPECT_TRUE(checked(id::Effect18));
    EXPECT_FALSE(checked(id::EffectMirror));
}

TEST(ClientEnablers, TableHoldsEveryCommandOnceAndNothingElse) {
    const auto& ids = ClientCommandIds();
    std::set<int> unique(ids.begin(), ids.end());
    EXPECT_EQ(unique.size(), ids.size());
    Settings s;
    for (int cmd : ids)
        EXPECT_TRUE(CommandUiFor(cmd, ViewFor(kStateIdle, s)).known) << cmd;
    // Frame and application commands, and the accelerators without a handler, are not
    // the client's.
    for (int cmd : {id::About, id::Preferences, id::NewInstance, id::Exit, id::PageUp, id::PageDown,
                    id::ToolButton1, id::ToolButton2, 0})
        EXPECT_FALSE(CommandUiFor(cmd, ViewFor(kStateIdle, s)).known) << cmd;
}

TEST(ClientTick, DecisionsInOrder) {
    TickInputs in;
    in.dragging = true;
    in.recordingRuns = true;
    EXPECT_EQ(DecideTick(in).step, TickStep::Nothing);
    EXPECT_FALSE(DecideTick(in).readCaptureMode);

    in = {};
    in.fileDisplayed = true;
    in.filePlaying = false;
    in.captureState = kStatePlaying; // the file reached its end
    EXPECT_EQ(DecideTick(in).step, TickStep::StopPlayback);
    EXPECT_FALSE(DecideTick(in).readCaptureMode);

    in.filePlaying = true;
    in.fileIsVideo = true;
    EXPECT_EQ(DecideTick(in).step, TickStep::ShowPosition);
    EXPECT_TRUE(DecideTick(in).readCaptureMode);

    in.fileIsVideo = false; // a picture shows no position
    EXPECT_EQ(DecideTick(in).step, TickStep::ClearPosition);

    in = {};
    in.recordingRuns = true;
    in.captureState = kStateRecording;
    EXPECT_EQ(DecideTick(in).step, TickStep::PostRecordTime);
    EXPECT_TRUE(DecideTick(in).readCaptureMode);

    in = {};
    EXPECT_EQ(DecideTick(in).step, TickStep::ClearPosition);
}

TEST(ClientTick, ScheduleAnswers) {
    EXPECT_EQ(ScheduleActionFor(0).kind, ScheduleAction::None);
    EXPECT_EQ(ScheduleActionFor(1).kind, ScheduleAction::Start);
    EXPECT_EQ(ScheduleActionFor(1).event, 0);
    EXPECT_EQ(ScheduleActionFor(7).event, 6);
    EXPECT_EQ(ScheduleActionFor(-1).kind, ScheduleAction::Stop);
    EXPECT_EQ(ScheduleActionFor(-1).event, 0);
    EXPECT_EQ(ScheduleActionFor(-3).event, 2);
    EXPECT_EQ(ScheduleActionFor(INT32_MIN).event, INT32_MAX);
    EXPECT_TRUE(HotKeyVideoStops(kStateRecording));
    EXPECT_FALSE(HotKeyVideoStops(kStateIdle));
    EXPECT_FALSE(HotKeyVideoStops(kStatePlaying));
}

TEST(ClientTexts, TimesAndLevels) {
    EXPECT_EQ(PositionTimeText(0), " 0:00");
    EXPECT_EQ(PositionTimeText(59), " 0:59");
    EXPECT_EQ(PositionTimeText(61), " 1:01");
    EXPECT_EQ(PositionTimeText(3599), " 59:59");
    EXPECT_EQ(PositionTimeText(3600), " 1:00:00");
    EXPECT_EQ(PositionTimeText(36061), " 10:01:01");
    EXPECT_EQ(RecordingTimeText(999), "");
    EXPECT_EQ(RecordingTimeText(1000), " 0:01");
    EXPECT_EQ(RecordingTimeText(3723000), " 1:02:03");
    int l = -1, r = -1;
    UnpackLevels(127 * 256 + 0, l, r);
    EXPECT_EQ(l, 100);
    EXPECT_EQ(r, 0);
    UnpackLevels(64 * 256 + 127, l, r);
    EXPECT_EQ(l, 50);
    EXPECT_EQ(r, 100);
    EXPECT_EQ(StepSoundLevel(95, 10), 100);
    EXPECT_EQ(StepSoundLevel(5, -10), 0);
    EXPECT_EQ(StepSoundLevel(50, 10), 60);
}

} // namespace
} // namespace tess
