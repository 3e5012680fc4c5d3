#include "capture/ClientCommands.h"

#include "capture/AnnotationEditor.h"
#include "capture/CaptureModeBox.h"
#include "capture/ClientSnapshot.h"
#include "capture/ClientSound.h"
#include "capture/ExportControl.h"
#include "capture/Recording.h"
#include "capture/RecordingController.h"
#include "capture/TClient.h"
#include "capture/TextCapture.h"
#include "media/Effects.h"
#include "media/MemBm.h"
#include "media/VideoFile.h"
#include "resources/Ids.h"
#include "settings/Settings.h"

#include <unordered_map>
#include <wx/frame.h>

namespace tess {

namespace {

// "&Record Video": the mode box's target; the displayed file goes as "&Close" takes it (its
// name leaves the title and the playback bar goes).
void RecordVideo(TClient& c) {
    c.modeBox().Read();
    if (c.display().displayed())
        c.RunCommand(id::FileClose);
    c.recorder().Record(c.captureMode());
}

void StopRecording(TClient& c) {
    if (c.RecordingRuns())
        c.recorder().Stop(true);
}

void ShowPlaybackBar(TClient& c, Settings& s, bool show) {
    s.playbackBarShown = show;
    if (c.showPlaybackBar)
        c.showPlaybackBar(show);
}

void CloseFile(TClient& c, Settings& s) {
    c.Stop();
    c.display().Close();
    ShowPlaybackBar(c, s, false);
    c.RebuildTitle();
    c.DoLayout();
}

void Call(const std::function<void()>& hook) {
    if (hook)
        hook();
}

using Work = void (*)(TClient&, Settings&);

const std::unordered_map<int, Work>& CommandTable() {
    static const std::unordered_map<int, Work> work = {
        {id::Screen, [](TClient& c, Settings&) { c.modeBox().Set(CaptureMode::Screen); }},
        {id::Window, [](TClient& c, Settings&) { c.modeBox().Set(CaptureMode::Window); }},
        {id::Rectangle, [](TClient& c, Settings&) { c.modeBox().Set(CaptureMode::Region); }},
        {id::Monitor, [](TClient& c, Settings&) { c.modeBox().Set(CaptureMode::Monitor); }},
        {id::Snapshot,
         [](TClient& c, Settings&) {
             c.modeBox().Read();
             RunClientSnapshot(c, c.captureMode());
         }},
        {id::SnapshotScreen,
         [](TClient& c, Settings&) { RunClientSnapshot(c, CaptureMode::Screen); }},
        {id::SnapshotWindow,
         [](TClient& c, Settings&) { RunClientSnapshot(c, CaptureMode::Window); }},
        {id::SnapshotRegion,
         [](TClient& c, Settings&) { RunClientSnapshot(c, CaptureMode::Region); }},
        {id::SnapshotLastRegion,
         [](TClient& c, Settings&) {
             if (auto area = c.LastRegion())
                 RunClientAreaSnapshot(c, *area);
         }},
        {id::FormatJpg, [](TClient&, Settings& s) { s.imageFormat = 4; }},
        {id::FormatPng, [](TClient&, Settings& s) { s.imageFormat = 0; }},
        {id::FormatBmp, [](TClient&, Settings& s) { s.imageFormat = 1; }},
        {id::FormatGif, [](TClient&, Settings& s) { s.imageFormat = 3; }},
        {id::DelaySnapshot,
         [](TClient&, Settings& s) { s.threeSecondDelay = s.captureDelay = !s.captureDelay; }},
        {id::RecordVideo, [](TClient& c, Settings&) { RecordVideo(c); }},
        {id::RecordScreen, [](TClient& c, Settings&) { c.recorder().Record(CaptureMode::Screen); }},
        {id::RecordWindow, [](TClient& c, Settings&) { c.recorder().Record(CaptureMode::Window); }},
        {id::RecordRegion, [](TClient& c, Settings&) { c.recorder().Record(CaptureMode::Region); }},
        {id::RecordLastRegion,
         [](TClient& c, Settings&) {
             if (auto area = c.LastRegion())
                 c.recorder().RecordArea(*area);
         }},
        {id::RecordSound, [](TClient& c, Settings&) { c.recorder().RecordSound(); }},
        {id::RecordWizard, [](TClient& c, Settings&) { Call(c.recordWizard); }},
        {id::StopRecording, [](TClient& c, Settings&) { StopRecording(c); }},
        {id::PauseRecording, [](TClient& c, Settings&) { c.recorder().Pause(!RecordingPaused()); }},
        {id::Play, [](TClient& c, Settings&) { c.display().Play(); }},
        {id::Stop, [](TClient& c, Settings&) { c.Stop(); }},
        {id::TogglePlay,
         [](TClient& c, Settings&) {
             c.captureState() == CaptureState::Playing ? c.Stop() : c.display().Play();
         }},
        {id::PlayHalfSpeed, [](TClient& c, Settings&) { c.display().PlayHalfSpeed(); }},
        {id::SkipForward, [](TClient& c, Settings&) { c.display().Skip(true); }},
        {id::SkipBackward, [](TClient& c, Settings&) { c.display().Skip(false); }},
        {id::FullScreen, [](TClient& c, Settings&) { c.SetFullScreen(!c.fullScreen()); }},
        {id::Mute, [](TClient& c, Settings&) { c.sound().ToggleMute(); }},
        {id::Mute2, [](TClient& c, Settings&) { c.sound().ToggleMute(); }},
        {id::VolumeUp, [](TClient& c, Settings&) { c.sound().StepVolume(+10); }},
        {id::VolumeDown, [](TClient& c, Settings&) { c.sound().StepVolume(-10); }},
        {id::Caption, [](TClient&, Settings& s) { s.capEnable = !s.capEnable; }},
        {id::CaptionButton, [](TClient&, Settings& s) { s.capEnable = !s.capEnable; }},
        {id::Scale, [](TClient&, Settings& s) { s.scaleEnable = !s.scaleEnable; }},
        {id::ChangeEffects, [](TClient& c, Settings&) { Call(c.changeEffects); }},
        {id::PlaybackBar,
         [](TClient& c, Settings& s) { ShowPlaybackBar(c, s, !c.View().playbackBarShown); }},
        {id::SecondToolBar,
         [](TClient&, Settings& s) { s.secondToolBarShown = !s.secondToolBarShown; }},
        {id::FileOpen, [](TClient& c, Settings&) { c.display().OpenFile(); }},
        {id::FileOpenWith, [](TClient& c, Settings&) { c.display().OpenWith(); }},
        {id::FileSaveAs, [](TClient& c, Settings&) { c.display().SaveAs(); }},
        {id::FileCopy, [](TClient& c, Settings&) { c.display().Copy(); }},
        {id::FileEdit, [](TClient& c, Settings&) { c.display().Edit(); }},
        {id::FileExport,
         [](TClient& c, Settings&) {
             if (c.View().fileIsRecording)
                 c.exports().ExportRecording(c.displayedFile()->fileName(),
                                             c.display().marks().Kept(false));
         }},
        {id::SetIn, [](TClient& c, Settings&) { c.display().SetMark(true); }},
        {id::SetOut, [](TClient& c, Settings&) { c.display().SetMark(false); }},
        {id::ClearMarks, [](TClient& c, Settings&) { c.display().ClearMarks(); }},
        {id::PlaySelection, [](TClient& c, Settings&) { c.display().PlaySelection(); }},
        {id::FrameBackward, [](TClient& c, Settings&) { c.display().StepFrame(false); }},
        {id::FrameForward, [](TClient& c, Settings&) { c.display().StepFrame(true); }},
        {id::SaveTrimmedCopy,
         [](TClient& c, Settings&) {
             c.exports().SaveTrimmedCopy(c.displayedFile()->fileName(),
                                         c.display().marks().Kept(false), false);
         }},
        {id::SaveWithoutSelection,
         [](TClient& c, Settings&) {
             c.exports().SaveTrimmedCopy(c.displayedFile()->fileName(),
                                         c.display().marks().Kept(true), true);
         }},
        {id::CopyTextFromRegion,
         [](TClient& c, Settings&) {
             if (!c.text().running())
                 c.text().Start(GrabClientRegionForText(c));
         }},
        {id::FileCopyText,
         [](TClient& c, Settings&) {
             const VideoFile* file = c.displayedFile();
             if (file && file->picture())
                 c.text().Start(std::make_unique<MemBm>(*file->picture()));
         }},
        {id::FileClose, CloseFile},
        {id::FileProperties, [](TClient& c, Settings&) { c.display().Properties(); }},
        {id::FilePrint, [](TClient& c, Settings&) { c.display().Print(); }},
        {id::PrinterSetup, [](TClient& c, Settings&) { c.display().PrinterSetup(); }},
    };
    return work;
}

// The commands that start a capture or another editor: refused while the mark-up editor is
// open, so no second capture runs inside its modal loop (a scheduled recording still starts).
bool StartsCapture(int cmd) {
    switch (cmd) {
    case id::Snapshot:
    case id::SnapshotScreen:
    case id::SnapshotWindow:
    case id::SnapshotRegion:
    case id::SnapshotLastRegion:
    case id::RecordVideo:
    case id::RecordScreen:
    case id::RecordWindow:
    case id::RecordRegion:
    case id::RecordLastRegion:
    case id::RecordSound:
    case id::RecordWizard:
    case id::FileEdit:
        return true;
    default:
        return false;
    }
}

} // namespace

void RunClientCommandWork(TClient& client, int cmd) {
    if (AnnotationEditorOpen() && StartsCapture(cmd)) {
        if (auto* frame = wxDynamicCast(wxGetTopLevelParent(&client), wxFrame))
            if (frame->GetStatusBar())
                frame->SetStatusText(wxGetTranslation(kEditorOpenRefusal), 0);
        return;
    }
    Settings& s = GlobalSettings();
    const auto& work = CommandTable();
    if (auto it = work.find(cmd); it != work.end())
        it->second(client, s);
    else
        ToggleEffect(s.effects, cmd); // 1800 and the accepted commands without work: nothing
}

} // namespace tess
