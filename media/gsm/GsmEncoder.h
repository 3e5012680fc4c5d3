#pragma once
// GSM 6.10 voice coding in the framing of the WAVE format tag 0x0031: 65-byte blocks of 320
// samples (8000 Hz, mono, 16-bit), each two GSM frames packed together. PCM arrives in any
// amount; a partial block waits for the next call.
#include "media/SoundEncoder.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct gsm_state;

namespace tess {

class GsmEncoder : public SoundEncoder {
public:
    static constexpr size_t kSamplesPerBlock = 320;
    static constexpr size_t kBlockBytes = 65;
    static constexpr uint16_t kFormatTag = 0x0031;
    static constexpr uint32_t kAvgBytesPerSec = 1625;

    GsmEncoder();
    ~GsmEncoder() override;
    GsmEncoder(const GsmEncoder&) = delete;
    GsmEncoder& operator=(const GsmEncoder&) = delete;

    bool valid() const override { return state_ != nullptr; }

    // Adds little-endian 16-bit PCM bytes (an odd byte is kept for the next call) and appends
    // every block completed by them to `out`. Returns the number of blocks appended.
    size_t Encode(const uint8_t* pcm, size_t bytes, std::vector<uint8_t>& out) override;
    // Completes a partial block with silence and appends it; returns the blocks appended.
    size_t Finish(std::vector<uint8_t>& out) override;
    bool blocksStandAlone() const override { return true; }
    // Samples waiting for the next block.
    size_t pendingSamples() const override { return pending_.size(); }
    size_t blockBytes() const override { return kBlockBytes; }
    size_t samplesPerBlock() const override { return kSamplesPerBlock; }
    // Tag 0x0031, mono, 8000 Hz, 1625 bytes/s, 65-byte blocks, 320 samples per block.
    CodedSoundFormat format() const override {
        return {kFormatTag, 1, 8000, kAvgBytesPerSec, kBlockBytes, 0, {0x40, 0x01}};
    }
    const char* codecName() const override { return "GSM 6.10"; }

private:
    void EncodeBlock(const int16_t* samples, std::vector<uint8_t>& out);

    gsm_state* state_ = nullptr;
    std::vector<int16_t> pending_;
    bool haveOddByte_ = false;
    uint8_t oddByte_ = 0;
};

} // namespace tess
