#pragma once
// The music-quality sound stream: Windows Media Audio 2 (format tag 0x0161) through
// libavcodec's encoder, 16-bit stereo PCM in at 44100 or 48000 Hz. Every block is one coded
// superframe of 2048 sample frames and the same size (constant bit rate).
//
// The coder puts its first block a block's length before its input (the decoder's overlap
// needs it); the first 2048 input samples are dropped so that decoded block k holds the
// input samples of block k, and the sound keeps its place against the pictures.
#include "media/SoundEncoder.h"

#include <memory>
#include <string>

namespace tess {

class WmaEncoder : public SoundEncoder {
public:
    static constexpr uint16_t kFormatTag = 0x0161;

    // `channels` 1 or 2, `rate` in Hz, `bitRate` in bits per second. valid() is false when
    // libavcodec has no such encoder or refuses the settings (error() says why).
    WmaEncoder(uint32_t rate, uint16_t channels, uint32_t bitRate);
    ~WmaEncoder() override;

    bool valid() const override;
    size_t Encode(const uint8_t* pcm, size_t bytes, std::vector<uint8_t>& out) override;
    size_t Finish(std::vector<uint8_t>& out) override;
    size_t pendingSamples() const override;
    size_t blockBytes() const override;
    size_t samplesPerBlock() const override;
    CodedSoundFormat format() const override;
    const char* codecName() const override { return "Windows Media Audio 2"; }
    const std::string& error() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace tess
