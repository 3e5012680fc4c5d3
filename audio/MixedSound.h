#pragma once
// The sound of a recording made of the microphone, the desktop's sound or both, for the
// music-quality stream: each source is kept on the recording's clock (audio/SoundTiming.h),
// the two are mixed (audio/SoundMix.h) every 20 ms on a thread of the mix's own, and the
// mix goes to the recording's file as 16-bit stereo at the stream's rate.
//
// The microphone is the wave input (`SWaveIn`, the WaveInDriver device) asked for that
// rate in stereo; the desktop is a monitor of the sound server's outputs
// (platform/pulse). A desktop that sends nothing, or goes away, is silence on the clock.
#include "media/MediaFile.h"

#include <cstdint>
#include <memory>
#include <string>

namespace tess {

class DesktopServices;

enum class SoundSource : int32_t { microphone = 0, desktop = 1, both = 2 };

// What the settings ask of a recording's sound.
struct SoundChoice {
    SoundSource source = SoundSource::microphone;
    std::string desktopSource; // "" = the monitor of the default output
    int32_t qualityKbps = 0;   // 0: the voice stream for the microphone alone, else music
    int32_t balance = 0;       // -100 microphone alone .. 100 desktop alone

    bool microphone() const { return source != SoundSource::desktop; }
    bool desktop() const { return source != SoundSource::microphone; }
    // Whether the recording carries the music stream rather than the voice stream.
    bool music() const { return desktop() || qualityKbps > 0; }
    // The music stream's bit rate: the setting's, 128 kbit/s when it asks for none.
    uint32_t musicBitRate() const {
        return static_cast<uint32_t>(qualityKbps > 0 ? qualityKbps : 128) * 1000;
    }
};

// The desktop source a recording takes and the rate of its music stream. A stored source
// the server no longer has falls back to the default output's monitor with a warning in the
// warning log; without a server the rate is 48000 and the source "".
struct SoundPlan {
    std::string desktopSource;
    uint32_t rate = 48000;
};
SoundPlan PlanSound(const SoundChoice& choice);

class MixedSound {
public:
    // `sink` (not owned) receives the mix; `microphoneDevice` is the WaveInDriver setting;
    // `desktop` shows the wave input's message boxes (null: the warning log).
    MixedSound(MediaFile* sink, const SoundChoice& choice, const SoundPlan& plan,
               std::string microphoneDevice, DesktopServices* desktop);
    ~MixedSound();
    MixedSound(const MixedSound&) = delete;
    MixedSound& operator=(const MixedSound&) = delete;

    // Starts the sources and the mix. False with `error` when a source asked for cannot
    // start.
    bool Start(std::string* error);
    // Stops the sources and the mix; nothing reaches the sink after it returns.
    void Stop();
    // Holds the mix back from the sink (paused) or lets it through again; returns once no
    // mix is on its way to the sink. On resume the sources' queues and the mix's count start
    // anew, so the sink places the next sound afresh.
    void SetPaused(bool paused);
    // Peak of the latest mix, 0..127 (the louder channel).
    int Level() const;
    // False once stopped, or when the microphone went away and there is no desktop.
    bool Running() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace tess
