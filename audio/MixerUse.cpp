#include "audio/MixerUse.h"

#include <algorithm>

namespace tess {

void UpdateMixerFromSettings(std::unique_ptr<SMixer>& mixer, const Settings& s,
                             SMixer::ChangeCallback onChange) {
    if (!s.changeMixer) {
        mixer.reset();
        return;
    }
    if (!mixer) {
        auto m = std::make_unique<SMixer>(MixerKind::WaveIn, s.waveInDriver, std::move(onChange));
        if (!m->IsOpen())
            return;
        mixer = std::move(m);
    }
    if (!s.mute) {
        mixer->SetLineMute(s.mixerInput, false);
        mixer->SetLineVolume(MixerDest::Speakers, s.mixerInput, VolumeToMixer(s.soundLevel));
    }
}

bool ApplyVolumeToMixer(SMixer* mixer, const Settings& s) {
    if (!mixer)
        return false;
    return mixer->SetLineVolume(MixerDest::Speakers, s.mixerInput, VolumeToMixer(s.soundLevel));
}

int VolumeAfterMixerChange(SMixer* mixer, const Settings& s) {
    if (!mixer)
        return -1;
    int v = mixer->GetLineVolume(MixerDest::Speakers, s.mixerInput);
    if (v < 0)
        return -1;
    if (v == VolumeToMixer(s.soundLevel))
        return s.soundLevel;
    return MixerToVolume(v);
}

int PrepareMixerForRecording(SMixer* mixer, const Settings& s) {
    if (!mixer)
        return -1;
    mixer->SelectRecordSource(s.mixerInput);
    int level = mixer->GetLineVolume(MixerDest::WaveIn, s.mixerInput);
    if (level >= 0 && level < 90)
        mixer->SetLineVolume(MixerDest::WaveIn, s.mixerInput, 110);
    return level;
}

} // namespace tess
