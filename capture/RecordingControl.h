#pragma once
// The record commands of the main client window: what to record (the screen, a window or
// a dragged rectangle), the overlay, the file name, the bit rate, the start and stop of the
// recording (capture/Recording.h), the capture state, and the schedule's starts and ends.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "media/Caption.h"
#include "platform/x11/Screen.h"

namespace tess {

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
    "Click and drag the rectangle that you wish to video...";

// What the record commands do that tests replace (empty members: the real behaviour).
struct RecordingHooks {
    std::function<bool(WindowId*)> selectWindow;      // default: SelectR
    std::function<bool(ScreenRect*)> selectRectangle; // default: SelectR
    std::function<void(int ms)> wait;                 // default: sleep
    std::function<void(const std::string& text, const std::string& caption)> message;
    std::function<void(const std::string& path)> display; // default: TClient::DisplayFile
    // The recording start's mixer step (select MixerInput, raise a recording level below
    // 90 to 110); by default done on the capture device's mixer when the mode has sound.
    std::function<void()> prepareMixer;
};
RecordingHooks& RecordingHooksForTesting();

} // namespace tess
