#include "capture/RecordingSound.h"

#include <mutex>

#include "audio/SWaveIn.h"

namespace tess {

namespace {

class WaveInSound : public RecordingSound {
public:
    explicit WaveInSound(std::unique_ptr<SWaveIn> in) : in_(std::move(in)) {}
    ~WaveInSound() override { Stop(); }
    void Stop() override {
        if (in_ && !stopped_) {
            in_->Stop();
            stopped_ = true;
        }
    }
    int Level() override { return in_ ? in_->LastPeakLevel() : 0; }
    bool Running() const override { return in_ && !stopped_ && in_->IsRunning(); }

private:
    std::unique_ptr<SWaveIn> in_;
    bool stopped_ = false;
};

class MixedRecordingSound : public RecordingSound {
public:
    explicit MixedRecordingSound(std::unique_ptr<MixedSound> sound) : sound_(std::move(sound)) {}
    ~MixedRecordingSound() override { Stop(); }
    void Stop() override { sound_->Stop(); }
    int Level() override { return sound_->Level(); }
    bool Running() const override { return sound_->Running(); }

private:
    std::unique_ptr<MixedSound> sound_;
};

} // namespace

std::unique_ptr<RecordingSound> StartMixedRecordingSound(MediaFile* sink, const SoundChoice& choice,
                                                         const SoundPlan& plan,
                                                         const std::string& deviceName,
                                                         DesktopServices* desktop,
                                                         std::string* error) {
    auto sound = std::make_unique<MixedSound>(sink, choice, plan, deviceName, desktop);
    if (!sound->Start(error))
        return nullptr;
    return std::make_unique<MixedRecordingSound>(std::move(sound));
}

std::unique_ptr<RecordingSound> StartRecordingSound(MediaFile* sink, const std::string& deviceName,
                                                    DesktopServices* desktop, std::string* error) {
    auto in = std::make_unique<SWaveIn>(sink, deviceName, nullptr, desktop);
    AudioFormat f; // PCM, 1 channel, 8000 samples/s, 16000 bytes/s, block 2, 16 bits
    if (!in->Start(&f)) {
        if (error)
            *error = "the sound input could not be started";
        return nullptr;
    }
    return std::make_unique<WaveInSound>(std::move(in));
}

} // namespace tess
