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
    // mixer's change message; `file` gives the displayed file (null when none).
    ClientSound(const ClientControls& controls, wxWindow* notify, std::function<VideoFile*()> file);
    ~ClientSound();

    // Mute, a volume step of `delta`, or a level from the slider (one outside 0..100 is
    // ignored): the settings change and the displayed file and the mixer's speakers line
    // follow.
    void ToggleMute();
    void StepVolume(int delta);
    void SetLevel(int level);
    // Message 977: the sound level follows the mixer's speakers line.
    void FollowMixer();
    // The level meter: the recording's input level (packed left * 256 + right), or zero.
    void ShowLevel(bool recording, int packedLevels);
    // The meter's range and lights, and the slider's range and value.
    void ResetMeter();
    void ResetVolumeSlider();
    // Both, and the volume slider shown as ChangeMixer says.
    void ResetControls();
    // The mixer opened, dropped or made anew for another input device as the settings say;
    // the volume slider shown only while ChangeMixer is on.
    void ApplyMixerSettings();
    void ShowVolumeSlider();
    // A recording's start: the meter set up, the mixer's input and level prepared (by
    // `mixerStep` when given).
    void PrepareForRecording(const std::function<void()>& mixerStep);
    SMixer* mixer() const { return mixer_.get(); }

private:
    void Apply();

    const ClientControls& controls_;
    wxWindow* notify_;
    std::function<VideoFile*()> file_;
    std::unique_ptr<SMixer> mixer_;
    std::string mixerDevice_; // the WaveInDriver the mixer was opened for
    MeterUpdater meterUpdater_;
};

} // namespace tess
