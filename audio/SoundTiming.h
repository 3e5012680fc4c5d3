#pragma once
// Keeping a sound source on the recording's clock.
//
// Every sound device runs on a clock of its own: a microphone that says 48000 Hz may give
// 48048 samples a second, and a monitor of the desktop's output another number again. Left
// alone, the difference grows by seconds over a long recording. A `ClockedSource` takes the
// source's buffers as they arrive, converts them to the recording's rate, and hands out
// exactly as many frames as the recording's clock asks for; it watches how full its queue
// is and corrects the conversion ratio by a small amount (at most kMaxCorrection) so the
// queue stays near its target: the clocks' difference is taken out as it appears and
// never accumulates. A source that sends nothing gives silence on the recording's clock;
// when it comes back, its queue fills to the target again before it is heard.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace tess {

// Converts interleaved float frames from one rate to another by cubic (Catmull-Rom)
// interpolation; the ratio may change between calls without a break in the sound.
class Resampler {
public:
    explicit Resampler(int channels) : channels_(channels < 1 ? 1 : channels) {}
    // Input frames per output frame (input rate / output rate).
    void SetStep(double step) { step_ = step > 0 ? step : 1.0; }
    double step() const { return step_; }
    // Appends the output frames that `frames` more input frames allow.
    void Process(const float* in, size_t frames, std::vector<float>& out);
    void Reset();

private:
    int channels_;
    double step_ = 1.0;
    double pos_ = 1.0;           // position of the next output frame in history_, in frames
    std::vector<float> history_; // the input frames not yet passed
    bool started_ = false;
};

class ClockedSource {
public:
    static constexpr double kMaxCorrection = 0.005; // +-0.5 % of the rate

    // `sourceRate` what the device says it delivers, `outRate` the recording's rate;
    // `targetMs` the queue kept between arrival and output (the source's delay in the
    // recording); `channels` of both sides.
    ClockedSource(uint32_t sourceRate, uint32_t outRate, int channels, uint32_t targetMs);

    // A buffer of `frames` interleaved 16-bit frames arrived.
    void Push(const int16_t* pcm, size_t frames);
    // Output frames that the recording's clock asks for now: exactly `frames`, silence
    // where the source has not delivered.
    void Pull(float* out, size_t frames);

    // Drops the oldest frames beyond the target (a source that started earlier than another
    // it is mixed with).
    void TrimToTarget();
    // Frames waiting at the output rate.
    size_t queued() const { return queue_.size() / channels_; }
    // The correction now applied (0.001: the source is taken as 0.1 % fast).
    double correction() const { return correction_; }
    uint32_t targetFrames() const { return target_; }
    // The queue length the correction holds: the target and half the source's buffer.
    double heldFrames() const { return reference_; }
    // Output frames given as silence because the source had nothing, and input frames
    // thrown away because it delivered a burst far beyond the target.
    uint64_t silentFrames() const { return silent_; }
    uint64_t droppedFrames() const { return dropped_; }

private:
    void Adjust(size_t frames);

    const double nominalStep_;
    const uint32_t outRate_;
    const int channels_;
    const uint32_t target_;
    Resampler resampler_;
    std::deque<float> queue_;
    std::vector<float> scratch_;
    std::vector<float> converted_;
    bool filling_ = true;  // waiting for the queue to reach the target (start, after a gap)
    double smoothed_ = 0;  // queue length, averaged over about a second, in frames
    double reference_ = 0; // the length it is held at
    size_t lastPush_ = 0;  // output frames of the latest buffer
    double integral_ = 0;  // of the error, seconds times seconds
    double correction_ = 0;
    uint64_t silent_ = 0;
    uint64_t dropped_ = 0;
};

} // namespace tess
