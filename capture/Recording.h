#pragma once
// Starting and stopping a recording. One recording exists at a time; its three objects (the
// media file, the recorder thread and the sound capture) live in process-wide slots owned
// by these functions and used from the window thread only (the command-line recording is
// its own window thread). The first frame is grabbed on the calling thread; the recorder
// thread grabs the rest through its own display connection.
#include <cerrno>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "audio/MixedSound.h"
#include "media/Caption.h"
#include "platform/x11/Screen.h"

namespace tess {

class DesktopServices;

struct RecordingRequest {
    std::string fileName;                   // ".wma": sound only; anything else: video
    int32_t frameRate = 5;                  // below 1 counts as 1
    int32_t bitRate = 300000;               // bits per second of the video stream
    bool stripCopy = false;                 // copy the screen in 20 strips
    bool wholeDesktop = false;              // the whole desktop instead of the primary screen
    std::optional<std::string> audioDevice; // none: no sound (ignored for ".wma")
    SoundChoice sound;                      // microphone, desktop or both; voice or music
    WindowId window = 0;                    // a window to record, or 0
    std::optional<ScreenRect> area;         // a rectangle (all zero: the whole screen)
    int32_t timeLapse = -1;                 // above 1: the clock runs that many times slower
    std::unique_ptr<Fx> overlay;            // taken over by the recorder; null for none
    bool drawCursor = true;       // a recording's frames carry the cursor (off: tests of pixels)
    bool replaceExisting = false; // delete a file of the name first (a path the user named)
    DesktopServices* desktop = nullptr; // the sound input's message boxes (null: the log)
};

struct Settings;

// A request for `fileName` as the settings ask: their frame rate, strip copy and sound
// input (when `sound`), and for a video their full-screen bit rate shared out to `area` or
// `window` on `screen` (null: the full rate). The caller adds the overlay and the rest.
RecordingRequest RequestFromSettings(const Settings& s, std::string fileName,
                                     ScreenConnection* screen, WindowId window,
                                     std::optional<ScreenRect> area, bool sound);

struct RecordingStartResult {
    RecordingStartResult() = default;
    RecordingStartResult(bool ok_, std::string message_, std::string withoutSound_ = {})
        : ok(ok_), message(std::move(message_)), withoutSound(std::move(withoutSound_)) {}

    bool ok = false;
    std::string message; // why not
    // A video whose sound input could not start records without it: why (empty when the
    // sound runs or none was asked for).
    std::string withoutSound;
};

// Starts a recording. On failure nothing runs, no slot is filled and a file made for it is
// removed. `screen` is the calling thread's connection (null: no display). A recording that
// still runs is stopped first. A sound input that cannot start fails a sound-only recording;
// a video goes on without it (written to the warning log, told in `withoutSound`), its sound
// stream silent to the last frame.
RecordingStartResult StartRecording(ScreenConnection* screen, RecordingRequest request);

struct RecordingStopResult {
    bool stopped = false; // a recording was running
    bool ok = true;       // its file was finished without a write error
    std::string fileName; // empty when nothing was recorded and no file is left
    std::string message;  // why the file is incomplete or missing, when not ok
};

// Stops the sound, then the recorder thread, then finishes the file. Safe when nothing runs.
RecordingStopResult StopRecording();

// Pauses or resumes the running recording; false when none runs or it already is so. A pause
// writes out what the file holds so far (a program killed meanwhile leaves a playable file
// up to the pause), grabs and writes nothing and keeps the screen cast; the recording goes
// on after a resume as if the pause had not been.
bool PauseRecording(bool paused);
bool RecordingPaused();

bool RecordingRunning();
// The file name of the running recording (empty when none).
std::string RecordingFileName();
// The time recorded, pauses left out.
int64_t RecordingElapsedMs();
// Peak of the latest sound buffer (0 without sound).
int RecordingSoundLevel();
// Frames written so far.
int32_t RecordingFramesWritten();
// The first write error of the running recording (negative errno, e.g. disk full), 0 while
// all is well. Set by the worker threads; read by the window thread's tick. A lost display
// is -ENOTCONN, a screen cast that ended (platform/ScreenPixelSource.h) kRecordingCastEnded.
int32_t RecordingWriteError();
inline constexpr int32_t kRecordingCastEnded = -ESHUTDOWN;
// A sentence for a write error code.
std::string RecordingErrorText(int32_t code);

// The recording's frame size: the area's, else the window's, else the screen's (or the
// desktop's), scaled by an overlay's scale above 0. Zero when the window is gone.
struct FrameSize {
    int32_t width = 0, height = 0;
};
FrameSize RecordingFrameSize(ScreenConnection& screen, WindowId window, const ScreenRect* area,
                             bool wholeDesktop, int32_t overlayScale);

} // namespace tess
