#pragma once
// Mixing the microphone with the desktop's sound: both at unity gain, the balance turning
// one of them down, and a limiter above -1 dBFS, so the mix never clips and a 16-bit sample
// never wraps around.
#include <cstddef>
#include <cstdint>

namespace tess {

// The gains of a balance from -100 (the microphone alone) through 0 (both at unity gain) to
// 100 (the desktop alone); values beyond are taken as the bound.
struct MixGains {
    float microphone = 1.0f;
    float desktop = 1.0f;
};
MixGains GainsOfBalance(int balance);

// A peak limiter over interleaved frames with a soft knee from -1 dBFS up: a frame whose
// peak p passes the threshold T is turned down at once to T + R tanh((p - T) / R), R = 0.99 - T,
// which stays below full scale however loud the sum (the gain is shared by the channels, so
// the stereo picture stays), and the gain comes back over the release time. Sound below
// -1 dBFS passes untouched, so two sources that only now and then peak together keep their
// levels.
class Limiter {
public:
    static constexpr float kThreshold = 0.891250938f; // -1 dBFS

    Limiter(uint32_t rate, int channels, float releaseMs = 80.0f);
    void Process(float* frames, size_t count);
    float gain() const { return gain_; }
    // The peak a frame of peak `p` is given.
    static float Shaped(float p);

private:
    int channels_;
    float release_; // share of the way back to unity per frame
    float gain_ = 1.0f;
};

// Sums `mic` and `desktop` (interleaved floats of `channels`, either may be null for
// silence) with the balance's gains, limits the sum and writes 16-bit samples to `out`.
class SoundMixer {
public:
    SoundMixer(uint32_t rate, int channels, int balance);
    void SetBalance(int balance) { gains_ = GainsOfBalance(balance); }
    // `scratch` needs room for count * channels floats.
    void Mix(const float* mic, const float* desktop, size_t count, float* scratch, int16_t* out);
    // The peak of the last mix, packed as the level meter takes it (left * 256 + right, each
    // 0..127).
    uint32_t lastPeak() const { return lastPeak_; }

private:
    int channels_;
    MixGains gains_;
    Limiter limiter_;
    uint32_t lastPeak_ = 0;
};

// A float sample (-1..1) as a 16-bit one, rounded and held within range.
int16_t ToPcm16(float v);

} // namespace tess
