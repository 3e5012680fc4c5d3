#pragma once
// The recordings of the main client window: what to record (the screen, a window or a
// dragged rectangle), the overlay, the file name, the bit rate, the start and stop of the
// recording (capture/Recording.h), the tick's check for a file that cannot grow, and the
// schedule's starts and ends. The client owns one and routes the record commands to it.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "capture/ClientLogic.h"
#include "media/Caption.h"
#include "platform/Translate.h"
#include "platform/x11/Screen.h"

class wxWindow;

namespace tess {

class DesktopServices;
struct CaptureNotice;

// Recording mode bits: video 2, sound 1 (a schedule event's action uses the same values).
inline constexpr int32_t kRecordSound = 1;
inline constexpr int32_t kRecordVideo = 2;

struct CaptureRequest {
    std::string pattern;            // file-name pattern
    std::string path;               // a chosen file name instead of one from the pattern
    int32_t mode = kRecordVideo;    // kRecordVideo and / or kRecordSound
    int32_t keep = -1;              // files of the pattern to keep (-1 all)
    WindowId window = 0;            // a window, or 0
    std::optional<ScreenRect> area; // a rectangle, or none
    int32_t timeLapse = -1;
    std::unique_ptr<Fx> overlay; // null for none
};

// The mode of the user's record commands: video with sound when VidAudio is on.
int32_t UserRecordingMode(bool vidAudio);

// The prompt in the frame's title while the user drags the rectangle to record.
inline constexpr const char* kRecordRegionPrompt =
    N_("Click and drag the rectangle that you wish to video...");

// What the controller asks of the client window around it.
struct RecordingLinks {
    std::function<CaptureState()> state;
    // The state changed by a start or a stop: the client follows with its layout, title,
    // meters and panes.
    std::function<void(CaptureState)> setState;
    // Shows a finished recording (DisplayOpenAuto).
    std::function<void(const std::string& path)> display;
    // Told of every recording finished whole (its copy in another format).
    std::function<void(const std::string& path)> finished;
    // Before every start: the meter's range and the mixer's recording input and level.
    std::function<void()> prepare;
    // The user's choice of a window or a rectangle; false when cancelled.
    std::function<bool(WindowId*)> selectWindow;
    std::function<bool(ScreenRect*)> selectRectangle;
    // The recording was paused or resumed: the title, tray tip and time follow.
    std::function<void()> pausedChanged;
};

class RecordingController {
public:
    // `window` is the client window: its frame's title and status bar show the prompt and
    // the recording's name. Messages and waits go through `desktop`.
    RecordingController(DesktopServices& desktop, wxWindow* window, RecordingLinks links);

    // The record commands for `target`, to a chosen file (empty: a name from the pattern).
    void Record(CaptureMode target, const std::string& path = {});
    // The record command for a rectangle known beforehand (the last region).
    void RecordArea(const ScreenRect& area);
    // The tool bar's sound command: a sound-only recording.
    void RecordSound();
    // The record wizard's recording: refused with a message while another runs.
    void RecordChosen(CaptureMode target, const std::string& path);
    // Makes the state recording only when the recording runs, and otherwise shows why.
    bool Start(CaptureRequest request);
    // Stops it, makes the state idle, notifies the desktop (when `Notify` is on) and, with
    // `display` and DisplayOpenAuto on, displays the file. A failed or shortened recording is
    // reported (and notified) instead.
    void Stop(bool display);
    // Pauses or resumes the running recording (capture/Recording.h); false when it is not
    // running or already so.
    bool Pause(bool paused);
    // Ends a running recording quietly (the window is closing).
    void Abandon();
    // On each tick while recording: a recording whose file cannot be written any further
    // (a full disk) is stopped and the reason shown.
    void Check();
    // The schedule's answer on a tick: start event `index` / stop event `index`.
    void StartScheduled(int index);
    void StopScheduled(int index);
    // "&Stop" forgets the scheduled event.
    void ForgetScheduledEvent() { scheduleEvent_ = -1; }

    long long ElapsedMs() const;
    // The input level packed left * 256 + right.
    int SoundLevels() const;

private:
    void SetStatus(const std::string& text);
    // The desktop's notification of a capture, when the settings want one.
    void Notify(const CaptureNotice& notice);
    // The user's video recording of `r` (its target chosen), with the overlay.
    void StartUserRecording(CaptureRequest r);
    bool recording() const { return links_.state() == CaptureState::Recording; }

    DesktopServices& desktop_;
    wxWindow* window_;
    RecordingLinks links_;
    int scheduleEvent_ = -1;
    std::string scheduleEventName_;
    std::string withoutSound_; // why the running recording has no sound (empty: it has)
};

} // namespace tess
