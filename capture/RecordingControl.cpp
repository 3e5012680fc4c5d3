#include "capture/RecordingControl.h"

#include <chrono>
#include <thread>

#include <wx/frame.h>
#include <wx/msgdlg.h>

#include "audio/MixerUse.h"
#include "audio/SMixer.h"
#include "audio/ui/Gauges.h"
#include "capture/BitRate.h"
#include "capture/ClientSnapshot.h"
#include "capture/Recording.h"
#include "capture/SelectR.h"
#include "capture/SnapshotPipeline.h"
#include "capture/TClient.h"
#include "capture/WxDesktopServices.h"
#include "platform/ScreenPixelSource.h"
#include "platform/ScreenReader.h"
#include "resources/Ids.h"
#include "schedule/Schedule.h"
#include "settings/FileNames.h"
#include "settings/Settings.h"

namespace tess {

namespace {

wxFrame* FrameOf(wxWindow* w) {
    return wxDynamicCast(wxGetTopLevelParent(w), wxFrame);
}

void ShowMessage(const std::string& text, const std::string& caption) {
    if (RecordingHooksForTesting().message)
        RecordingHooksForTesting().message(text, caption);
    else
        wxMessageBox(wxString::FromUTF8(text), wxString::FromUTF8(caption), wxOK | wxICON_ERROR);
}

void Wait(int ms) {
    if (RecordingHooksForTesting().wait)
        RecordingHooksForTesting().wait(ms);
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void SetStatus(wxWindow* client, const std::string& text) {
    wxFrame* frame = FrameOf(client);
    if (frame && frame->GetStatusBar())
        frame->SetStatusText(wxString::FromUTF8(text), 0);
}

} // namespace

RecordingHooks& RecordingHooksForTesting() {
    static RecordingHooks hooks;
    return hooks;
}

int32_t UserRecordingMode(bool vidAudio) {
    return vidAudio ? kRecordVideo | kRecordSound : kRecordVideo;
}

bool TClient::StartCapture(CaptureRequest request) {
    Settings& s = GlobalSettings();
    const bool video = (request.mode & kRecordVideo) != 0;
    const bool sound = (request.mode & kRecordSound) != 0;
    if (controls_.meter) {
        controls_.meter->SetRange(0, 100);
        controls_.meter->SetLed(5, 80);
    }
    // The mixer (kept while ChangeMixer is on) records from MixerInput at a usable level.
    if (RecordingHooksForTesting().prepareMixer)
        RecordingHooksForTesting().prepareMixer();
    else if (mixer_)
        PrepareMixerForRecording(mixer_.get(), s);
    if (!video && !sound) {
        // Nothing to record: the state stays idle.
        ShowMessage("improper mode", "tclient");
        return false;
    }
    CaptureFileName name;
    if (!request.path.empty())
        name = {true, request.path, {}};
    else
        name = MakeCaptureFileName(s.defaultDirectory, request.pattern, video ? "wmv" : "wma",
                                   request.keep, s.fileInstanceMode);
    if (!name.ok) {
        ShowMessage(name.error, "Tessaray");
        return false;
    }

    RecordingRequest r;
    r.fileName = name.path;
    r.frameRate = s.wmFrameRate;
    r.stripCopy = s.vidStealth;
    r.window = request.window;
    r.area = request.area;
    r.timeLapse = request.timeLapse;
    if (sound)
        r.audioDevice = s.waveInDriver;
    ScreenConnection* screen = WindowThreadScreen();
    // A window or region gets its share of the full-screen rate.
    r.bitRate = video && screen ? TargetBitRate(*screen, s.wmBitRate, request.area, request.window)
                                : s.wmBitRate;
    r.overlay = std::move(request.overlay);
    static WxDesktopServices soundBoxes; // the sound input's message boxes, without a parent
    r.desktop = &soundBoxes;

    RecordingStartResult started = StartRecording(screen, std::move(r));
    if (!started.ok) {
        ShowMessage(started.message, "Tessaray");
        return false;
    }
    SetCaptureState(kStateRecording);
    DoLayout();
    RebuildTitle(); // the recording's name
    // A video whose sound input could not start goes on without sound (the warning log
    // has the reason); the status bar says so beside the name.
    SetStatus(this, started.withoutSound.empty()
                        ? name.path
                        : name.path + " (without sound: " + started.withoutSound + ")");
    return true;
}

void TClient::StopCapture(bool display) {
    RecordingStopResult stopped = ::tess::StopRecording();
    ShowSoundLevel(false);
    PostMessage(this, msg::RecordTime);
    SetPane(controls_.recordTimePane, "");
    scheduleEvent_ = -1;
    scheduleEventName_.clear();
    if (captureState() != kStateIdle)
        SetCaptureState(kStateIdle);
    RebuildTitle(); // without the recording's name
    if (!stopped.ok && stopped.fileName.empty()) {
        ShowMessage("The recording failed: " + stopped.message, "Tessaray");
        return;
    }
    if (!stopped.ok) {
        ShowMessage("The recording stopped early: " + stopped.message +
                        "\nThe file holds what was recorded until then:\n" + stopped.fileName,
                    "Tessaray");
        return;
    }
    if (display && GlobalSettings().displayOpenAuto && !stopped.fileName.empty()) {
        if (RecordingHooksForTesting().display)
            RecordingHooksForTesting().display(stopped.fileName);
        else
            DisplayFile(stopped.fileName);
    }
}

void TClient::CheckRecording() {
    if (RecordingRunning() && RecordingWriteError() != 0)
        StopCapture(false);
}

void TClient::StopRecordingWork() {
    ::tess::StopRecording();
}

long long TClient::RecordingElapsedMs() const {
    return ::tess::RecordingElapsedMs();
}

int TClient::RecordingSoundLevels() const {
    return RecordingSoundLevel();
}

void TClient::DoRecordScreen() {
    RecordScreen({});
}

void TClient::DoRecordWindow() {
    RecordWindow({});
}

void TClient::DoRecordRegion() {
    RecordRegion({});
}

void TClient::RecordScreen(const std::string& path) {
    Settings& s = GlobalSettings();
    CaptureRequest r;
    r.pattern = s.fileVidName;
    r.path = path;
    r.mode = UserRecordingMode(s.vidAudio);
    r.overlay = CreateOverlay(s);
    StartCapture(std::move(r));
}

void TClient::RecordWindow(const std::string& path) {
    if (ScreenReadFromSource()) {
        SetStatus(this, kWindowCaptureUnavailableMessage);
        return;
    }
    Settings& s = GlobalSettings();
    WindowId window = 0;
    bool chosen = false;
    if (RecordingHooksForTesting().selectWindow) {
        chosen = RecordingHooksForTesting().selectWindow(&window);
    } else {
        wxFrame* frame = FrameOf(this);
        SelectR dlg(frame ? static_cast<wxWindow*>(frame) : this, SelectionColour(s.selColor),
                    nullptr, &window, true);
        chosen = dlg.ShowModal() == wxID_OK;
    }
    if (!chosen || !window)
        return;
    Wait(100);
    CaptureRequest r;
    r.pattern = s.fileVidName;
    r.path = path;
    r.mode = UserRecordingMode(s.vidAudio);
    r.window = window;
    r.overlay = CreateOverlay(s);
    StartCapture(std::move(r));
}

void TClient::RecordRegion(const std::string& path) {
    Settings& s = GlobalSettings();
    wxFrame* frame = FrameOf(this);
    wxString title = frame ? frame->GetTitle() : wxString();
    if (frame)
        frame->SetTitle(kRecordRegionPrompt);
    ScreenRect rect;
    bool chosen = false;
    if (RecordingHooksForTesting().selectRectangle) {
        chosen = RecordingHooksForTesting().selectRectangle(&rect);
    } else {
        SelectR dlg(frame ? static_cast<wxWindow*>(frame) : this, SelectionColour(s.selColor),
                    &rect, nullptr, true);
        chosen = dlg.ShowModal() == wxID_OK;
    }
    if (frame)
        frame->SetTitle(title);
    if (!chosen || rect.empty())
        return;
    Wait(100);
    CaptureRequest r;
    r.pattern = s.fileVidName;
    r.path = path;
    r.mode = UserRecordingMode(s.vidAudio);
    r.area = rect;
    r.overlay = CreateOverlay(s);
    StartCapture(std::move(r));
}

void TClient::StartChosenCapture(bool picture, CaptureTarget target, const std::string& path) {
    // The dialog that asked (the record wizard) must be off the screen before anything is
    // grabbed or frozen for a selection.
    WaitRepainting(kAfterSelectionMs);
    if (picture) {
        const int command = target == CaptureTarget::Window   ? id::SnapshotWindow
                            : target == CaptureTarget::Region ? id::SnapshotRegion
                                                              : id::SnapshotScreen;
        RunClientSnapshot(this, command, path);
        return;
    }
    if (captureState() == kStateRecording) {
        ShowMessage("A recording is running. Stop it before starting another.", "Tessaray");
        return;
    }
    if (target == CaptureTarget::Window)
        RecordWindow(path);
    else if (target == CaptureTarget::Region)
        RecordRegion(path);
    else
        RecordScreen(path);
}

void TClient::DoRecordSound() {
    CaptureRequest r;
    r.pattern = GlobalSettings().fileVidName;
    r.mode = kRecordSound;
    StartCapture(std::move(r));
}

void TClient::StartScheduledRecording(int index) {
    const EventList& list = LiveSchedule();
    if (index < 0 || index >= list.Count())
        return;
    const ScheduleEvent ev = list.At(index);
    if (ev.action == 0) {
        scheduleEvent_ = -1;
        return;
    }
    // A scheduled recording covers the screen and never carries an overlay.
    if (captureState() == kStateRecording)
        StopCapture(false);
    CaptureRequest r;
    r.pattern = ev.name;
    r.mode = ev.action & (kRecordVideo | kRecordSound);
    r.keep = ev.keep;
    if (StartCapture(std::move(r))) {
        scheduleEvent_ = index;
        scheduleEventName_ = ev.name;
    }
}

void TClient::StopScheduledRecording(int index) {
    const EventList& list = LiveSchedule();
    if (index < 0 || index >= list.Count() || list.At(index).action == 0)
        return;
    if (captureState() == kStateRecording)
        StopCapture(false);
}

} // namespace tess
