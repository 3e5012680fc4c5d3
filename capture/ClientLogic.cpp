#include "capture/ClientLogic.h"

#include "media/Effects.h"
#include "media/WriteImageFile.h"
#include "platform/Translate.h"
#include "resources/Ids.h"

#include <cstdio>

namespace tess {

const std::vector<int>& ClientCommandIds() {
    static const std::vector<int> ids = [] {
        std::vector<int> v = {
            id::Screen,
            id::Window,
            id::Rectangle,
            id::Monitor,
            id::Snapshot,
            id::SnapshotScreen,
            id::SnapshotWindow,
            id::SnapshotRegion,
            id::FormatJpg,
            id::FormatPng,
            id::FormatBmp,
            id::FormatGif,
            id::DelaySnapshot,
            id::RecordVideo,
            id::RecordScreen,
            id::RecordWindow,
            id::RecordRegion,
            id::RecordSound,
            id::RecordWizard,
            id::StopRecording,
            id::PauseRecording,
            id::Play,
            id::Stop,
            id::TogglePlay,
            id::PlayHalfSpeed,
            id::SkipForward,
            id::SkipBackward,
            id::FullScreen,
            id::Mute,
            id::Mute2,
            id::VolumeUp,
            id::VolumeDown,
            id::Caption,
            id::CaptionButton,
            id::Scale,
            id::ChangeEffects,
            id::PlaybackBar,
            id::SecondToolBar,
            id::FileOpen,
            id::FileOpenWith,
            id::FileSaveAs,
            id::FileCopy,
            id::FileEdit,
            id::FileExport,
            id::SetIn,
            id::SetOut,
            id::PlaySelection,
            id::ClearMarks,
            id::SaveTrimmedCopy,
            id::SaveWithoutSelection,
            id::FrameBackward,
            id::FrameForward,
            id::FileClose,
            id::FileProperties,
            id::FilePrint,
            id::PrinterSetup,
            id::Cam,
            id::Nop27105,
            id::Nop27106,
            id::Nop27108,
            id::Nop27001,
            id::Nop27002,
            id::Nop27003,
            id::Nop25021,
            id::Nop25022,
            id::Nop28000,
            id::Nop1814,
            id::SnapshotLastRegion,
            id::RecordLastRegion,
            id::CopyTextFromRegion,
            id::FileCopyText,
        };
        for (const EffectSwitch& e : EffectSwitches())
            v.push_back(e.command);
        return v;
    }();
    return ids;
}

std::string DelayMenuText(int seconds) {
    // TRANSLATORS: a menu item; %d is the delay in seconds
    return FormatText(
        TrN("Delay snapshot %dsec", "Delay snapshot %dsec", static_cast<unsigned long>(seconds)),
        seconds);
}

CommandUi CommandUiFor(int command, const ClientView& v) {
    static const Settings kDefaults;
    const Settings& s = v.settings ? *v.settings : kDefaults;
    const bool recording = v.captureState == CaptureState::Recording;
    CommandUi ui;
    ui.known = true;
    auto tick = [&](bool on) {
        ui.checkable = true;
        ui.checked = on;
    };
    switch (command) {
    case id::Screen:
        tick(s.capSelect == CapSelectOf(CaptureMode::Screen));
        break;
    case id::Window:
        tick(s.capSelect == CapSelectOf(CaptureMode::Window));
        break;
    case id::Rectangle:
        tick(s.capSelect == CapSelectOf(CaptureMode::Region));
        break;
    case id::Monitor:
        tick(s.capSelect == CapSelectOf(CaptureMode::Monitor));
        break;
    case id::Snapshot:
    case id::SnapshotScreen:
    case id::SnapshotWindow:
    case id::SnapshotRegion:
    case id::RecordVideo:
    case id::RecordScreen:
    case id::RecordWindow:
    case id::RecordRegion:
    case id::RecordSound:
    case id::Nop27105:
    case id::Nop27106:
    case id::Nop27108:
        ui.enabled = !recording;
        break;
    case id::CopyTextFromRegion:
        ui.enabled = !recording && !v.readingText;
        break;
    case id::FileCopyText:
        ui.enabled = v.fileDisplayed && v.fileIsPicture && !v.readingText;
        break;
    case id::SnapshotLastRegion:
    case id::RecordLastRegion:
        ui.enabled = !recording && v.lastRegionUsable;
        break;
    case id::FormatJpg:
        tick(s.imageFormat == StoredValue(ImageFormat::kJpeg));
        break;
    case id::FormatPng:
        tick(s.imageFormat == StoredValue(ImageFormat::kPng));
        break;
    case id::FormatBmp:
        tick(s.imageFormat == StoredValue(ImageFormat::kBmp));
        break;
    case id::FormatGif:
        tick(s.imageFormat == StoredValue(ImageFormat::kGif));
        break;
    case id::DelaySnapshot:
        tick(s.captureDelay);
        ui.text = DelayMenuText(s.snapshotDelay);
        break;
    case id::StopRecording:
        ui.enabled = recording;
        break;
    case id::PauseRecording:
        ui.enabled = recording;
        tick(recording && v.recordingPaused);
        break;
    case id::Play:
    case id::TogglePlay:
    case id::SkipForward:
    case id::SkipBackward:
    case id::FileOpenWith:
    case id::FileSaveAs:
        ui.enabled = v.fileDisplayed;
        break;
    case id::FileExport:
    case id::SetIn:
    case id::SetOut:
        ui.enabled = v.fileIsRecording;
        break;
    case id::FrameBackward:
    case id::FrameForward:
        ui.enabled =
            v.fileIsRecording && v.fileShowsPicture && v.captureState != CaptureState::Playing;
        break;
    case id::PlaySelection:
    case id::SaveTrimmedCopy:
    case id::SaveWithoutSelection:
        ui.enabled = v.fileIsRecording && v.selection;
        break;
    case id::ClearMarks:
        ui.enabled = v.fileIsRecording && v.markSet;
        break;
    case id::FullScreen:
        tick(v.fullScreen);
        break;
    case id::Mute:
    case id::Mute2:
        tick(s.mute);
        break;
    case id::VolumeUp:
    case id::VolumeDown:
        ui.enabled = s.changeMixer;
        break;
    case id::Caption:
    case id::CaptionButton:
        tick(s.capEnable);
        break;
    case id::Scale:
        tick(s.scaleEnable);
        break;
    case id::PlaybackBar:
        tick(v.playbackBarShown);
        break;
    case id::SecondToolBar:
        tick(s.secondToolBarShown);
        break;
    case id::FileClose:
    case id::FileProperties:
        ui.enabled = v.fileDisplayed || v.recordingRuns;
        break;
    case id::FilePrint:
        ui.enabled = v.fileDisplayed && v.fileIsPicture;
        break;
    case id::FileCopy:
        ui.enabled = v.fileShowsPicture;
        break;
    case id::FileEdit:
        ui.enabled = v.fileDisplayed && v.fileIsPicture && v.fileShowsPicture;
        break;
    case id::RecordWizard:
    case id::Stop:
    case id::PlayHalfSpeed:
    case id::ChangeEffects:
    case id::FileOpen:
    case id::PrinterSetup:
    case id::Cam:
    case id::Nop27001:
    case id::Nop27002:
    case id::Nop27003:
    case id::Nop25021:
    case id::Nop25022:
    case id::Nop28000:
    case id::Nop1814:
        break;
    default:
        if (EffectForCommand(command)) {
            tick(IsEffectOn(s.effects, command));
            break;
        }
        ui.known = false;
        break;
    }
    return ui;
}

int StepSoundLevel(int level, int delta) {
    int v = level + delta;
    if (v > 100)
        v = 100;
    if (v < 0)
        v = 0;
    return v;
}

std::string PositionTimeText(long long s) {
    if (s < 0)
        s = 0;
    char buf[64];
    if (s >= 3600)
        std::snprintf(buf, sizeof buf, " %lld:%2.2lld:%2.2lld", s / 3600, (s % 3600) / 60, s % 60);
    else
        std::snprintf(buf, sizeof buf, " %lld:%2.2lld", (s % 3600) / 60, s % 60);
    return buf;
}

std::string RecordingTimeText(long long ms) {
    if (ms < 1000)
        return {};
    return PositionTimeText(ms / 1000);
}

void UnpackLevels(int packed, int& left, int& right) {
    int l = (packed >> 8) & 0xff, r = packed & 0xff;
    if (l > 127)
        l = 127;
    if (r > 127)
        r = 127;
    left = l * 100 / 127;
    right = r * 100 / 127;
}

TickDecision DecideTick(const TickInputs& in) {
    TickDecision d;
    if (in.dragging)
        return d;
    if (in.fileDisplayed && !in.filePlaying && in.captureState == CaptureState::Playing) {
        d.step = TickStep::StopPlayback;
    } else if (in.fileDisplayed && in.filePlaying && in.fileIsVideo) {
        d.step = TickStep::ShowPosition;
        d.readCaptureMode = true;
    } else if (in.recordingRuns) {
        d.step = TickStep::PostRecordTime;
        d.readCaptureMode = true;
    } else {
        d.step = TickStep::ClearPosition;
        d.readCaptureMode = true;
    }
    return d;
}

ScheduleAction ScheduleActionFor(int n) {
    ScheduleAction a;
    if (n > 0) {
        a.kind = ScheduleAction::Start;
        a.event = n - 1;
    } else if (n < 0) {
        a.kind = ScheduleAction::Stop;
        a.event = -(n + 1); // no overflow for the most negative answer
    }
    return a;
}

} // namespace tess
