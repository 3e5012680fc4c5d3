#pragma once
// How the main window uses the mixer and the volume: the 0..100 volume of the user against
// the mixer's 0..127, and the four moments the mixer is touched. (The volume commands' step
// is `StepSoundLevel`, capture/ClientLogic.h.)
#include <memory>

#include "audio/SMixer.h"
#include "settings/Settings.h"

namespace tess {

inline int VolumeToMixer(int volume) {
    return volume * 127 / 100;
}
inline int MixerToVolume(int mixerValue) {
    return mixerValue * 100 / 127;
}
// At start-up and after the preferences: opens the mixer (ChangeMixer on, none open; kept
// only when it opened) and, unless muted, unmutes MixerInput and sets its speakers volume
// to Volume; with ChangeMixer off an open mixer is dropped.
// A mixer opened here calls `onChange` after a change of a mixer value (SMixer).
void UpdateMixerFromSettings(std::unique_ptr<SMixer>& mixer, const Settings& s,
                             SMixer::ChangeCallback onChange);
// A new Volume from the slider or the volume commands: MixerInput's speakers volume.
bool ApplyVolumeToMixer(SMixer* mixer, const Settings& s);
// Message 977: the Volume the mixer now says, or -1 to leave Volume alone. A mixer value
// that is just Volume's own value (the change this program made) keeps Volume as it is,
// so the rounding of the two scales does not walk the volume down.
int VolumeAfterMixerChange(SMixer* mixer, const Settings& s);
// At the start of a recording: select MixerInput for recording and raise a recording
// level below 90 to 110. Returns the level found (-1 when unknown).
int PrepareMixerForRecording(SMixer* mixer, const Settings& s);

} // namespace tess
