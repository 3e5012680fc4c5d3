#pragma once
// GSM 6.10 voice coding in the framing of the WAVE format tag 0x0031: 65-byte blocks of 320
// samples (8000 Hz, mono, 16-bit), each two GSM frames packed together. PCM arrives in any
// amount; a partial block waits for the next call.
#include <cstddef>
#include <cstdint>
#include <vector>

struct gsm_state;

namespace tess {

class GsmEncoder {
public:
    static constexpr size_t kSamplesPerBlock = 320;
    static constexpr size_t kBlockBytes = 65;
    static constexpr uint16_t kFormatTag = 0x0031;
    static constexpr uint32_t kAvgBytesPerSec = 1625;

    GsmEncoder();
    ~GsmEncoder();
    GsmEncoder(const GsmEncoder&) = delete;
    GsmEncoder& operator=(const GsmEncoder&) = delete;

    bool valid() const { return state_ != nullptr; }

    // Adds little-endian 16-bit PCM bytes (an odd byte is kept for the next call) and appends
    // every block completed by them to `out`. Returns the number of blocks appended.
    size_t Encode(const uint8_t* pcm, size_t bytes, std::vector<uint8_t>& out);
    // Completes a partial block with silence and appends it; returns the blocks appended.
    size_t Finish(std::vector<uint8_t>& out);
    // Samples waiting for the next block.
    size_t pendingSamples() const { return pending_.size(); }

private:
    void EncodeBlock(const int16_t* samples, std::vector<uint8_t>& out);

    gsm_state* state_ = nullptr;
    std::vector<int16_t> pending_;
    bool haveOddByte_ = false;
    uint8_t oddByte_ = 0;
};

} // namespace tess
