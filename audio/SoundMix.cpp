#include "audio/SoundMix.h"

#include <algorithm>
#include <cmath>

namespace tess {

MixGains GainsOfBalance(int balance) {
    const float b = static_cast<float>(std::clamp(balance, -100, 100)) / 100.0f;
    return {b > 0 ? 1.0f - b : 1.0f, b < 0 ? 1.0f + b : 1.0f};
}

Limiter::Limiter(uint32_t rate, int channels, float releaseMs)
    : channels_(channels < 1 ? 1 : channels),
      release_(1.0f - std::exp(-1000.0f / (std::max(releaseMs, 1.0f) *
                                           static_cast<float>(std::max<uint32_t>(rate, 1))))) {}

float Limiter::Shaped(float p) {
    if (p <= kThreshold)
        return p;
    constexpr float room = 0.99f - kThreshold; // at most -0.09 dBFS, never full scale
    return kThreshold + room * std::tanh((p - kThreshold) / room);
}

void Limiter::Process(float* frames, size_t count) {
    const size_t c = static_cast<size_t>(channels_);
    for (size_t i = 0; i < count; ++i) {
        float* f = frames + i * c;
        float peak = 0;
        for (size_t ch = 0; ch < c; ++ch)
            peak = std::max(peak, std::abs(f[ch]));
        const float allowed = peak > kThreshold ? Shaped(peak) / peak : 1.0f;
        gain_ = std::min(allowed, gain_ + (1.0f - gain_) * release_);
        for (size_t ch = 0; ch < c; ++ch)
            f[ch] *= gain_;
    }
}

int16_t ToPcm16(float v) {
    const float s = std::nearbyint(v * 32767.0f);
    return static_cast<int16_t>(std::clamp(s, -32768.0f, 32767.0f));
}

SoundMixer::SoundMixer(uint32_t rate, int channels, int balance)
    : channels_(channels < 1 ? 1 : channels), gains_(GainsOfBalance(balance)),
      limiter_(rate, channels_) {}

void SoundMixer::Mix(const float* mic, const float* desktop, size_t count, float* scratch,
                     int16_t* out) {
    const size_t n = count * static_cast<size_t>(channels_);
    for (size_t i = 0; i < n; ++i)
        scratch[i] = (mic ? mic[i] * gains_.microphone : 0.0f) +
                     (desktop ? desktop[i] * gains_.desktop : 0.0f);
    limiter_.Process(scratch, count);
    float peak[2] = {0, 0};
    for (size_t i = 0; i < n; ++i) {
        out[i] = ToPcm16(scratch[i]);
        float& p = peak[channels_ == 1 ? 0 : i % 2];
        p = std::max(p, std::abs(scratch[i]));
    }
    if (channels_ == 1)
        peak[1] = peak[0];
    const auto level = [](float p) { return static_cast<uint32_t>(std::min(p, 1.0f) * 127.0f); };
    lastPeak_ = level(peak[0]) * 256 + level(peak[1]);
}

} // namespace tess
