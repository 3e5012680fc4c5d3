#include "capture/ClientSound.h"

#include <wx/toolbar.h>

#include "audio/MixedSound.h"
#include "audio/MixerUse.h"
#include "audio/SMixer.h"
#include "audio/ui/Gauges.h"
#include "audio/ui/Sliders.h"
#include "capture/ClientLogic.h"
#include "capture/TClient.h"
#include "media/VideoFile.h"
#include "settings/Settings.h"

namespace tess {

ClientSound::ClientSound(const ClientControls& controls, wxWindow* notify,
                         std::function<VideoFile*()> file)
    : controls_(controls), notify_(notify), file_(std::move(file)) {}

ClientSound::~ClientSound() = default;

void ClientSound::ToggleMute() {
    GlobalSettings().mute = !GlobalSettings().mute;
    Apply();
}

void ClientSound::StepVolume(int delta) {
    Settings& s = GlobalSettings();
    s.soundLevel = StepSoundLevel(s.soundLevel, delta);
    Apply();
    if (controls_.volumeSlider)
        controls_.volumeSlider->SetValue(s.soundLevel);
}

void ClientSound::SetLevel(int level) {
    if (level < 0 || level > 100)
        return;
    GlobalSettings().soundLevel = level;
    Apply();
}

void ClientSound::Apply() {
    // The displayed file plays at the level (muted or not); the mixer's speakers line
    // takes it too.
    const Settings& s = GlobalSettings();
    if (VideoFile* file = file_ ? file_() : nullptr) {
        file->SetMute(s.mute);
        file->SetVolume(s.soundLevel);
    }
    ApplyVolumeToMixer(mixer_.get(), s);
}

void ClientSound::FollowMixer() {
    int v = VolumeAfterMixerChange(mixer_.get(), GlobalSettings());
    if (v < 0)
        return;
    GlobalSettings().soundLevel = v;
    if (controls_.volumeSlider)
        controls_.volumeSlider->SetValue(v);
}

void ClientSound::ShowLevel(bool recording, int packedLevels) {
    if (!controls_.meter)
        return;
    if (recording)
        meterUpdater_.Update(*controls_.meter, packedLevels, 1);
    else
        meterUpdater_.Clear(*controls_.meter);
}

void ClientSound::ResetMeter() {
    if (!controls_.meter)
        return;
    controls_.meter->SetRange(0, 100);
    controls_.meter->SetLed(5, 80);
    meterUpdater_.Clear(*controls_.meter);
}

void ClientSound::ResetVolumeSlider() {
    if (controls_.volumeSlider) {
        controls_.volumeSlider->SetRange(0, 100);
        controls_.volumeSlider->SetValue(GlobalSettings().soundLevel);
    }
}

void ClientSound::ResetControls() {
    ResetMeter();
    ResetVolumeSlider();
    ShowVolumeSlider();
}

void ClientSound::ShowVolumeSlider() {
    wxWindow* slider = controls_.volumeSlider;
    if (!slider || slider->IsShown() == GlobalSettings().changeMixer)
        return;
    slider->Show(GlobalSettings().changeMixer);
    if (auto* bar = wxDynamicCast(slider->GetParent(), wxToolBar))
        bar->Realize();
}

void ClientSound::ApplyMixerSettings() {
    const Settings& s = GlobalSettings();
    // A mixer belongs to one input device's card.
    if (mixer_ && s.waveInDriver != mixerDevice_)
        mixer_.reset();
    // The mixer's thread only queues the message for the window.
    UpdateMixerFromSettings(mixer_, s, [w = notify_] { PostMessage(w, kMsgMixerControlChange); });
    mixerDevice_ = s.waveInDriver;
    ShowVolumeSlider();
}

void ClientSound::PrepareForRecording(const std::function<void()>& mixerStep) {
    if (controls_.meter) {
        controls_.meter->SetRange(0, 100);
        controls_.meter->SetLed(5, 80);
    }
    // The mixer (kept while ChangeMixer is on) records from MixerInput at a usable level;
    // it is the microphone's, so a recording of the desktop's sound alone leaves it be.
    if (static_cast<SoundSource>(GlobalSettings().soundSource) == SoundSource::desktop)
        return;
    if (mixerStep)
        mixerStep();
    else if (mixer_)
        PrepareMixerForRecording(mixer_.get(), GlobalSettings());
}

} // namespace tess
