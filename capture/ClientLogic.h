#pragma once
// The main client window's rules as plain functions: capture states, the enabler (grey /
// tick) of every command, the timer tick's decision, time texts and the sound-level steps.
#include "settings/Settings.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tess {

// The client's capture state; the numbers are those posted with message 1394 (the state
// icons).
enum class CaptureState { Idle = 1, Playing = 3, Recording = 4 };
inline constexpr CaptureState kStateIdle = CaptureState::Idle;
inline constexpr CaptureState kStatePlaying = CaptureState::Playing;
inline constexpr CaptureState kStateRecording = CaptureState::Recording;

// What a capture takes: the whole screen, a window the user clicks, a rectangle the user
// drags, or the monitor under the pointer (the screen when it has one monitor). The order of
// the capture-mode box; the stored CapSelect value is the number.
enum class CaptureMode { Screen = 0, Window = 1, Region = 2, Monitor = 3 };
// The mode of a stored CapSelect value (the screen for one out of range).
inline CaptureMode CaptureModeOf(int32_t capSelect) {
    return capSelect == 1   ? CaptureMode::Window
           : capSelect == 2 ? CaptureMode::Region
           : capSelect == 3 ? CaptureMode::Monitor
                            : CaptureMode::Screen;
}
inline int32_t CapSelectOf(CaptureMode mode) {
    return static_cast<int32_t>(mode);
}

// What the enablers look at.
struct ClientView {
    CaptureState captureState = CaptureState::Idle;
    bool fileDisplayed = false;    // a media file or picture is shown
    bool fileIsPicture = false;    // ... and it is a picture
    bool fileShowsPicture = false; // ... and it is a picture or has a video stream
    bool fileIsRecording = false;  // ... and it is a recording (.wmv, .wma, .asf)
    bool markSet = false;          // ... with an In or Out mark
    bool selection = false;        // ... with both, In before Out
    bool recordingRuns = false;    // a recording's objects exist
    bool recordingPaused = false;  // ... and it is paused
    bool fullScreen = false;
    bool playbackBarShown = false;
    // The last region is stored and lies within the screen.
    bool lastRegionUsable = false;
    bool readingText = false; // text of a picture is being read ("Copy Text")
    const Settings* settings = nullptr;
};

struct CommandUi {
    bool known = false;     // the id is in the client's command table
    bool enabled = true;    // false greys the item or button
    bool checkable = false; // the item shows a tick when `checked`
    bool checked = false;
    std::string text; // when not empty, the item's text
};

// The enabler of command `id`.
// "Delay snapshot Nsec": the menu text of the snapshot delay of `seconds`.
std::string DelayMenuText(int seconds);

CommandUi CommandUiFor(int id, const ClientView& view);

// Every command id of the client's command table.
const std::vector<int>& ClientCommandIds();

// "Volume up" / "Volume down": the sound level moved by `delta`, kept within 0..100.
int StepSoundLevel(int level, int delta);

// " %d:%2.2d:%2.2d" from one hour on, else " %d:%2.2d" (position display, seconds).
std::string PositionTimeText(long long seconds);
// The recording-time text for `ms` elapsed milliseconds; empty below one second.
std::string RecordingTimeText(long long ms);

// Sound input level packed left * 256 + right (0..127 each) to per cent.
void UnpackLevels(int packed, int& left, int& right);

// The timer tick's first step.
struct TickInputs {
    bool dragging = false; // the position slider is being dragged
    bool fileDisplayed = false;
    bool filePlaying = false;
    bool fileIsVideo = false;
    CaptureState captureState = CaptureState::Idle;
    bool recordingRuns = false;
};
enum class TickStep {
    Nothing,        // slider dragged: leave the display alone
    StopPlayback,   // the file reached its end: run "&Stop"
    ShowPosition,   // show the playing file's position
    PostRecordTime, // post message 1240
    ClearPosition,  // clear the position pane
};
struct TickDecision {
    TickStep step = TickStep::Nothing;
    bool readCaptureMode = false; // read the combo box into CapSelect
};
TickDecision DecideTick(const TickInputs& in);

// The schedule's answer n: 0 nothing, n > 0 start event n - 1, n < 0 stop event -n - 1.
struct ScheduleAction {
    enum Kind { None, Start, Stop } kind = None;
    int event = -1;
};
ScheduleAction ScheduleActionFor(int answer);

// Hot key 1 (message 1112): stop when recording, else record.
inline bool HotKeyVideoStops(CaptureState state) {
    return state == CaptureState::Recording;
}

} // namespace tess
