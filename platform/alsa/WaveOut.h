#pragma once
// Playing a short sound clip (a RIFF WAVE file in memory) without making the caller wait:
// the clip is opened and played on an ALSA output device by a thread of its own. The
// caller never blocks on the sound device: a missing, busy or stuck device only means no
// sound (the thread gives up after the clip's length plus two seconds).
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tess::platform {

// The PCM samples of a RIFF WAVE file and their format.
struct WaveClip {
    unsigned rate = 0;
    unsigned channels = 0;
    unsigned bits = 0; // 8 (unsigned) or 16 (signed little-endian)
    std::span<const uint8_t> samples;
    unsigned frameBytes() const { return channels * bits / 8; }
};

// Reads the "fmt " and "data" chunks of a RIFF WAVE file; none unless it is plain PCM of 8
// or 16 bits, 1 or 2 channels, with at least one whole sample frame. A data chunk longer
// than the file is cut to the bytes present.
std::optional<WaveClip> ParseWave(std::span<const uint8_t> file);

// Starts playing `file` on the ALSA device `device` and returns at once. False when the file
// is no playable wave or the clip before it still plays (a clip does not queue up behind
// another). The bytes are copied: the caller's buffer may go away.
bool PlayWaveAsync(std::span<const uint8_t> file, const std::string& device = "default");

// Waits at most `timeoutMs` for a playing clip to end; true when none plays.
bool WaitForWaveOut(int timeoutMs);

// What became of the clips played so far in this process.
struct WaveOutStats {
    int started = 0;
    int played = 0; // every sample written to the device
    int failed = 0; // the device could not be opened or failed
    std::string lastError;
};
WaveOutStats GetWaveOutStats();

} // namespace tess::platform
