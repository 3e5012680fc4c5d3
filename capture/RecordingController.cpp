#include "capture/RecordingController.h"

#include <wx/frame.h>

#include "capture/Recording.h"
#include "capture/SnapshotPipeline.h"
#include "capture/UiText.h"
#include "platform/DesktopServices.h"
#include "platform/ScreenPixelSource.h"
#include "platform/ScreenReader.h"
#include "platform/Translate.h"
#include "platform/x11/Monitors.h"
#include "schedule/Schedule.h"
#include "settings/FileNames.h"
#include "settings/Settings.h"

namespace tess {

namespace {

wxFrame* FrameOf(wxWindow* w) {
    return w ? wxDynamicCast(wxGetTopLevelParent(w), wxFrame) : nullptr;
}

} // namespace

int32_t UserRecordingMode(bool vidAudio) {
    return vidAudio ? kRecordVideo | kRecordSound : kRecordVideo;
}

RecordingController::RecordingController(DesktopServices& desktop, wxWindow* window,
                                         RecordingLinks links)
    : desktop_(desktop), window_(window), links_(std::move(links)) {}

void RecordingController::SetStatus(const std::string& text) {
    wxFrame* frame = FrameOf(window_);
    if (frame && frame->GetStatusBar())
        frame->SetStatusText(wxString::FromUTF8(text), 0);
}

bool RecordingController::Start(CaptureRequest request) {
    Settings& s = GlobalSettings();
    const bool video = (request.mode & kRecordVideo) != 0;
    const bool sound = (request.mode & kRecordSound) != 0;
    if (links_.prepare)
        links_.prepare();
    if (!video && !sound) {
        // Nothing to record: the state stays idle.
        desktop_.message("improper mode", "tclient", MessageKind::Error);
        return false;
    }
    CaptureFileName name;
    if (!request.path.empty())
        name = {true, request.path, {}};
    else
        name = MakeCaptureFileName(s.defaultDirectory, request.pattern, video ? "wmv" : "wma",
                                   request.keep, s.fileInstanceMode);
    if (!name.ok) {
        Notify({CaptureNotice::Kind::Failed, {}, name.error});
        desktop_.message(name.error, "Tessaray", MessageKind::Error);
        return false;
    }

    ScreenConnection* screen = WindowThreadScreen();
    RecordingRequest r =
        RequestFromSettings(s, name.path, screen, request.window, request.area, sound);
    r.timeLapse = request.timeLapse;
    r.overlay = std::move(request.overlay);
    r.desktop = &desktop_; // the sound input's messages

    RecordingStartResult started = StartRecording(screen, std::move(r));
    if (!started.ok) {
        Notify({CaptureNotice::Kind::Failed, {}, started.message});
        desktop_.message(started.message, "Tessaray", MessageKind::Error);
        return false;
    }
    withoutSound_ = started.withoutSound;
    links_.setState(CaptureState::Recording);
    // A video whose sound input could not start goes on without sound (the warning log
    // has the reason); the status bar says so beside the name.
    SetStatus(started.withoutSound.empty()
                  ? name.path
                  // TRANSLATORS: the status text of a recording going on without sound: %1$s is
                  // the file, %2$s why there is no sound
                  : FormatUtf8(_("%1$s (without sound: %2$s)"), name.path, started.withoutSound));
    return true;
}

void RecordingController::Stop(bool display) {
    RecordingStopResult stopped = StopRecording();
    scheduleEvent_ = -1;
    scheduleEventName_.clear();
    links_.setState(CaptureState::Idle);
    if (!stopped.ok && stopped.fileName.empty()) {
        const std::string text = FormatUtf8(_("The recording failed: %s"), stopped.message);
        Notify({CaptureNotice::Kind::Failed, {}, text});
        desktop_.message(text, "Tessaray", MessageKind::Error);
        return;
    }
    if (!stopped.ok) {
        // TRANSLATORS: %1$s is why the recording stopped, %2$s the file
        const std::string text = FormatUtf8(_("The recording stopped early: %1$s\nThe file holds "
                                              "what was recorded until then:\n%2$s"),
                                            stopped.message, stopped.fileName);
        Notify({CaptureNotice::Kind::Failed, stopped.fileName, text});
        desktop_.message(text, "Tessaray", MessageKind::Error);
        return;
    }
    Notify({CaptureNotice::Kind::Recording, stopped.fileName, withoutSound_});
    if (links_.finished && !stopped.fileName.empty())
        links_.finished(stopped.fileName);
    if (display && GlobalSettings().displayOpenAuto && !stopped.fileName.empty() && links_.display)
        links_.display(stopped.fileName);
}

void RecordingController::Notify(const CaptureNotice& notice) {
    if (GlobalSettings().notify)
        desktop_.notifyCapture(notice);
}

bool RecordingController::Pause(bool paused) {
    if (!recording() || !PauseRecording(paused))
        return false;
    if (links_.pausedChanged)
        links_.pausedChanged();
    return true;
}

void RecordingController::Abandon() {
    StopRecording();
}

void RecordingController::Check() {
    if (RecordingRunning() && RecordingWriteError() != 0)
        Stop(false);
}

long long RecordingController::ElapsedMs() const {
    return RecordingElapsedMs();
}

int RecordingController::SoundLevels() const {
    return RecordingSoundLevel();
}

void RecordingController::StartUserRecording(CaptureRequest r) {
    Settings& s = GlobalSettings();
    r.pattern = s.fileVidName;
    r.mode = UserRecordingMode(s.vidAudio);
    r.overlay = CreateOverlay(s);
    Start(std::move(r));
}

void RecordingController::RecordArea(const ScreenRect& area) {
    CaptureRequest r;
    r.area = area;
    StartUserRecording(std::move(r));
}

void RecordingController::Record(CaptureMode target, const std::string& path) {
    CaptureRequest r;
    r.path = path;
    if (target == CaptureMode::Window) {
        if (ScreenReadFromSource()) {
            SetStatus(Tr(kWindowCaptureUnavailableMessage));
            return;
        }
        WindowId window = 0;
        if (!links_.selectWindow(&window) || !window)
            return;
        r.window = window;
    } else if (target == CaptureMode::Region) {
        wxFrame* frame = FrameOf(window_);
        const wxString title = frame ? frame->GetTitle() : wxString();
        if (frame)
            frame->SetTitle(wxGetTranslation(kRecordRegionPrompt));
        ScreenRect rect;
        const bool chosen = links_.selectRectangle(&rect);
        if (frame)
            frame->SetTitle(title);
        if (!chosen || rect.empty())
            return;
        r.area = rect;
    }
    if (target == CaptureMode::Monitor)
        r.area = MonitorToCapture(WindowThreadScreen());
    else if (target != CaptureMode::Screen)
        desktop_.wait(kAfterSelectionMs);
    StartUserRecording(std::move(r));
}

void RecordingController::RecordChosen(CaptureMode target, const std::string& path) {
    if (recording()) {
        desktop_.message(
            _("A recording is running. Stop it before starting another.").utf8_string(), "Tessaray",
            MessageKind::Error);
        return;
    }
    Record(target, path);
}

void RecordingController::RecordSound() {
    CaptureRequest r;
    r.pattern = GlobalSettings().fileVidName;
    r.mode = kRecordSound;
    Start(std::move(r));
}

void RecordingController::StartScheduled(int index) {
    scheduleEvent_ = index;
    const EventList& list = LiveSchedule();
    if (index < 0 || index >= list.Count())
        return;
    const ScheduleEvent ev = list.At(index);
    if (ev.action == 0) {
        scheduleEvent_ = -1;
        return;
    }
    // A scheduled recording covers the screen and never carries an overlay.
    if (recording())
        Stop(false);
    CaptureRequest r;
    r.pattern = ev.name;
    r.mode = ev.action & (kRecordVideo | kRecordSound);
    r.keep = ev.keep;
    if (Start(std::move(r))) {
        scheduleEvent_ = index;
        scheduleEventName_ = ev.name;
    }
}

void RecordingController::StopScheduled(int index) {
    const EventList& list = LiveSchedule();
    if (index < 0 || index >= list.Count() || list.At(index).action == 0)
        return;
    if (recording())
        Stop(false);
}

} // namespace tess
