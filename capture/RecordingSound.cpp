#include "capture/RecordingSound.h"
#include "platform/Translate.h"

#include <mutex>

#include "audio/SWaveIn.h"
#include "media/MediaFile.h"

namespace tess {

namespace {

// Between the wave input and the file: passes the buffers on unless held.
class HeldSink : public MediaFile {
public:
    explicit HeldSink(MediaFile* file) : MediaFile(file->GetFileName()), file_(file) {
        audioFormat_ = file->DefaultAudioFormat();
    }
    size_t WriteAudio(const void* data, size_t bytes) override {
        std::lock_guard lock(mu_);
        return held_ ? 0 : file_->WriteAudio(data, bytes);
    }
    void Hold(bool held) {
        std::lock_guard lock(mu_); // waits for a buffer on its way
        held_ = held;
    }

private:
    MediaFile* file_;
    std::mutex mu_;
    bool held_ = false;
};

class WaveInSound : public RecordingSound {
public:
    WaveInSound(std::unique_ptr<HeldSink> sink, std::unique_ptr<SWaveIn> in)
        : sink_(std::move(sink)), in_(std::move(in)) {}
    ~WaveInSound() override { Stop(); }
    void Stop() override {
        if (in_ && !stopped_) {
            in_->Stop();
            stopped_ = true;
        }
    }
    int Level() override { return in_ ? in_->LastPeakLevel() : 0; }
    bool Running() const override { return in_ && !stopped_ && in_->IsRunning(); }
    void SetPaused(bool paused) override { sink_->Hold(paused); }

private:
    std::unique_ptr<HeldSink> sink_; // outlives the input
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
    void SetPaused(bool paused) override { sound_->SetPaused(paused); }

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
    auto held = std::make_unique<HeldSink>(sink);
    auto in = std::make_unique<SWaveIn>(held.get(), deviceName, nullptr, desktop);
    AudioFormat f; // PCM, 1 channel, 8000 samples/s, 16000 bytes/s, block 2, 16 bits
    if (!in->Start(&f)) {
        if (error)
            *error = Tr("the sound input could not be started");
        return nullptr;
    }
    return std::make_unique<WaveInSound>(std::move(held), std::move(in));
}

} // namespace tess
