#pragma once
// The command-line recording for scripts and tests:
//   tessaray --record [--seconds N] [--window ID | --region X,Y,W,H|last | --monitor NAME|N]
//                     [--audio] [--audio-source mic|desktop|both|NAME]
//                     [--output FILE] [--notify]
// Runs the same recorder as the record commands, without a window: it stops after N seconds
// (decimals allowed), on SIGINT or SIGTERM, or when the file cannot be written further;
// finishes the file in every case and prints its path. Nothing is shown or saved.
#include <atomic>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "audio/MixedSound.h"
#include "platform/DesktopServices.h"
#include "platform/x11/Screen.h"

namespace tess {

struct Settings;

inline constexpr int kRecordExitOk = 0;
inline constexpr int kRecordExitFailed = 1;
inline constexpr int kRecordExitUsage = 2;

struct RecordOptions {
    bool ok = false;
    std::string error;
    double seconds = -1; // below 0: until a signal
    WindowId window = 0;
    std::optional<ScreenRect> area;
    std::string monitor; // --monitor: looked up once the display is open
    bool audio = false;
    std::string audioSource; // --audio-source: mic, desktop, both or a source; "" the settings'
    std::string outputPath;
};

// What --audio-source VALUE makes of the settings' sound: "mic", "desktop" and "both" choose
// the sources; anything else is the desktop's sound from the source of that name (the
// command refuses a name the sound server does not have, listing the sources).
void ApplyAudioSource(const std::string& value, SoundChoice& sound);

bool WantsRecordCommand(const std::vector<std::pair<std::string, std::string>>& longOptions);

RecordOptions
ParseRecordOptions(const std::vector<std::pair<std::string, std::string>>& longOptions,
                   const std::string& lastRegion = {});

// Runs the command with the loaded `settings` (video pattern, capture directory, frame rate,
// bit rate, strip copy, caption, sound device; the frames carry the cursor). `screen` null: no
// display. `stop`, when given, ends the recording like a signal does (tests). `result`, when
// given, receives what a notification of the recording says (not for a usage error).
int RunRecordCommand(const std::vector<std::pair<std::string, std::string>>& longOptions,
                     ScreenConnection* screen, Settings& settings, std::ostream& out,
                     std::ostream& err, const std::atomic<bool>* stop = nullptr,
                     CaptureNotice* result = nullptr);

} // namespace tess
