#pragma once
// The client window's sound controls: the mixer (open while ChangeMixer is on), mute and
// the sound level with the bars' volume slider, and the level meter while recording.
#include "audio/MeterLogic.h"

#include <functional>
#include <memory>
#include <string>

class wxWindow;

namespace tess {

class SMixer;
class VideoFile;
struct ClientControls;

class ClientSound {
public:
    // The controls are read at every call (the bars come and go); `notify` receives the
    // mixer's change message.
    ClientSound(const ClientControls& controls, wxWindow* notify);
    ~ClientSound();

    // Mute, a volume step of `delta`, or a level from the slider: the settings change and
    // `file` (may be null) and the mixer's speakers line follow.
    void ToggleMute(VideoFile* file);
    void StepVolume(int delta, VideoFile* file);
    void SetLevel(int level, VideoFile* file);
    void Apply(VideoFile* file);
    // Message 977: the sound level follows the mixer's speakers line.
    void FollowMixer();
    // The level meter: the recording's input level (packed left * 256 + right), or zero.
    void ShowLevel(bool recording, int packedLevels);
    // The meter's range and lights, and the slider's range and value.
    void ResetMeter();
    void ResetVolumeSlider();
    // The mixer opened, dropped or made anew for another input device as the settings say;
    // the volume slider shown only while ChangeMixer is on.
    void ApplyMixerSettings();
    void ShowVolumeSlider();
    // A recording's start: the meter set up, the mixer's input and level prepared (by
    // `mixerStep` when given).
    void PrepareForRecording(const std::function<void()>& mixerStep);
    SMixer* mixer() const { return mixer_.get(); }

private:
    const ClientControls& controls_;
    wxWindow* notify_;
    std::unique_ptr<SMixer> mixer_;
    std::string mixerDevice_; // the WaveInDriver the mixer was opened for
    MeterUpdater meterUpdater_;
};

} // namespace tess
