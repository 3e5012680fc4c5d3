#include "audio/SoundTiming.h"

#include <algorithm>
#include <cmath>

namespace tess {

void Resampler::Reset() {
    history_.clear();
    pos_ = 1.0;
    started_ = false;
}

void Resampler::Process(const float* in, size_t frames, std::vector<float>& out) {
    const size_t c = static_cast<size_t>(channels_);
    if (!started_) {
        // The first frame stands in for the one before it.
        if (frames == 0)
            return;
        history_.assign(in, in + c);
        started_ = true;
    }
    history_.insert(history_.end(), in, in + frames * c);
    const size_t have = history_.size() / c;
    // Frame i is interpolated between history frames floor(pos) and floor(pos) + 1, using
    // one more on either side.
    while (pos_ + 2 < static_cast<double>(have)) {
        const size_t i = static_cast<size_t>(pos_);
        const float t = static_cast<float>(pos_ - static_cast<double>(i));
        for (size_t ch = 0; ch < c; ++ch) {
            const float p0 = history_[(i - 1) * c + ch], p1 = history_[i * c + ch];
            const float p2 = history_[(i + 1) * c + ch], p3 = history_[(i + 2) * c + ch];
            const float a = -0.5f * p0 + 1.5f * p1 - 1.5f * p2 + 0.5f * p3;
            const float b = p0 - 2.5f * p1 + 2.0f * p2 - 0.5f * p3;
            const float d = -0.5f * p0 + 0.5f * p2;
            out.push_back(((a * t + b) * t + d) * t + p1);
        }
        pos_ += step_;
    }
    // Keep the frame before the next position and everything after it (when converting
    // down, the next position may lie beyond the frames there are).
    const size_t keepFrom = std::min(static_cast<size_t>(pos_) - 1, have);
    history_.erase(history_.begin(), history_.begin() + static_cast<std::ptrdiff_t>(keepFrom * c));
    pos_ -= static_cast<double>(keepFrom);
}

ClockedSource::ClockedSource(uint32_t sourceRate, uint32_t outRate, int channels, uint32_t targetMs)
    : nominalStep_(static_cast<double>(std::max<uint32_t>(sourceRate, 1)) /
                   std::max<uint32_t>(outRate, 1)),
      outRate_(std::max<uint32_t>(outRate, 1)), channels_(channels < 1 ? 1 : channels),
      target_(static_cast<uint32_t>(static_cast<uint64_t>(outRate_) * targetMs / 1000)),
      resampler_(channels_) {
    resampler_.SetStep(nominalStep_);
}

void ClockedSource::Push(const int16_t* pcm, size_t frames) {
    const size_t n = frames * static_cast<size_t>(channels_);
    scratch_.resize(n);
    for (size_t i = 0; i < n; ++i)
        scratch_[i] = static_cast<float>(pcm[i]) * (1.0f / 32768.0f);
    converted_.clear();
    resampler_.Process(scratch_.data(), frames, converted_);
    queue_.insert(queue_.end(), converted_.begin(), converted_.end());
    lastPush_ = converted_.size() / static_cast<size_t>(channels_);
    // A burst far beyond the target (a device that stalled and then handed over its
    // backlog): the oldest sound goes, the delay stays bounded.
    const size_t limit = static_cast<size_t>(target_) * 3 + outRate_ / 4;
    if (queued() > limit) {
        const size_t drop = queued() - target_;
        queue_.erase(queue_.begin(),
                     queue_.begin() + static_cast<std::ptrdiff_t>(drop * channels_));
        dropped_ += drop;
        smoothed_ = reference_ = target_;
    }
}

void ClockedSource::TrimToTarget() {
    if (queued() <= target_)
        return;
    const size_t drop = queued() - target_;
    queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(drop * channels_));
    dropped_ += drop;
}

void ClockedSource::Pull(float* out, size_t frames) {
    const size_t c = static_cast<size_t>(channels_);
    if (filling_ && queued() >= target_ + frames) {
        // A source that comes in bursts leaves a queue that rises by a burst and drains
        // between two: it is held at the target plus half a burst on average, and starts
        // there (the older sound goes), so every source's delay is its target plus one burst
        // (half in the queue, half on average in the device's buffer) from the start.
        filling_ = false;
        reference_ = static_cast<double>(target_) + static_cast<double>(lastPush_) / 2;
        const size_t keep = static_cast<size_t>(reference_) + frames;
        if (queued() > keep)
            queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(
                                                              (queued() - keep) * channels_));
        smoothed_ = static_cast<double>(queued() - frames);
        integral_ = 0;
    }
    if (filling_ || queued() < frames) {
        // Nothing, or not enough: silence on the recording's clock, and the queue fills to
        // its target again before the source is heard.
        std::fill(out, out + frames * c, 0.0f);
        silent_ += frames;
        filling_ = true;
        return;
    }
    std::copy_n(queue_.begin(), frames * c, out);
    queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(frames * c));
    Adjust(frames);
}

// A PI control of the queue's length: the correction moves the conversion step so that
// the source's surplus (or shortfall) goes, and the integral takes out a steady difference of
// the clocks without leaving a standing error.
void ClockedSource::Adjust(size_t frames) {
    const double dt = static_cast<double>(frames) / outRate_;
    const double a = std::min(1.0, dt / 1.0); // averaged over about a second
    smoothed_ += (static_cast<double>(queued()) - smoothed_) * a;
    const double error = (smoothed_ - reference_) / outRate_; // seconds of surplus
    // Critically damped over about a minute: 30 ms off the reference bends the pitch by 0.09 %
    // (1.5 cents), so the correction is never heard.
    constexpr double kp = 0.03, ki = kp * kp / 4;
    double c = kp * error + ki * integral_;
    if (std::abs(c) < kMaxCorrection)
        integral_ += error * dt; // no wind-up while the correction is at its bound
    c = std::clamp(c, -kMaxCorrection, kMaxCorrection);
    correction_ = c;
    resampler_.SetStep(nominalStep_ * (1.0 + c));
}

} // namespace tess
