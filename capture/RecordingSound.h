#pragma once
// The sound side of a recording behind a small interface, so the recording code does not
// see the wave input's headers (and their thread helpers).
#include <memory>
#include <string>

#include "audio/MixedSound.h"

namespace tess {

class DesktopServices;
class MediaFile;

class RecordingSound {
public:
    virtual ~RecordingSound() = default;
    // Stops capture; no buffer reaches the file after it returns.
    virtual void Stop() = 0;
    // Peak of the latest buffer, 0..128.
    virtual int Level() = 0;
    // False once the device went away.
    virtual bool Running() const = 0;
    // Holds the sound back from the file (paused) or lets it through again. Returns once no
    // buffer is on its way to the file; what arrives while held is dropped.
    virtual void SetPaused(bool paused) = 0;
};

// Starts capture from `deviceName` (the WaveInDriver setting) into `sink` as PCM, 1 channel,
// 8000 samples per second, 16 bits. Null with *error filled when it cannot start; the sound
// input's own messages go to `desktop` (null: the warning log).
std::unique_ptr<RecordingSound> StartRecordingSound(MediaFile* sink, const std::string& deviceName,
                                                    DesktopServices* desktop, std::string* error);

// Starts the music stream's sound: the microphone (`deviceName`), the desktop or both as
// `choice` and `plan` say, mixed into `sink` as 16-bit stereo at the plan's rate.
std::unique_ptr<RecordingSound> StartMixedRecordingSound(MediaFile* sink, const SoundChoice& choice,
                                                         const SoundPlan& plan,
                                                         const std::string& deviceName,
                                                         DesktopServices* desktop,
                                                         std::string* error);

} // namespace tess
