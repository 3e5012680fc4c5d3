#pragma once
// The music-quality sound stream: MPEG-1 Layer III (format tag 0x0055, the MPEG Layer-3 wave
// format) through LAME, by way of libavcodec's libmp3lame encoder; 16-bit PCM in at 44100 or
// 48000 Hz, constant bit rate. Every block is one MP3 frame of 1152 sample frames. At 48000 Hz
// all frames have the same size; at 44100 Hz some carry the padding byte, so the encoder
// reports each block's size (TakeBlockSizes).
//
// The coded sound comes out of a decoder the coder's delay plus the decoder's (LAME's 576 and
// the synthesis filter's 529 sample frames) after its input: that many input samples are
// dropped at the start, so that decoded sample k is input sample k and the sound keeps its
// place against the pictures.
#include "media/SoundEncoder.h"

#include <memory>
#include <string>

namespace tess {

class Mp3Encoder : public SoundEncoder {
public:
    static constexpr uint16_t kFormatTag = 0x0055;

    // `channels` 1 or 2, `rate` in Hz, `bitRate` in bits per second. valid() is false when
    // libavcodec has no such encoder or refuses the settings (error() says why).
    Mp3Encoder(uint32_t rate, uint16_t channels, uint32_t bitRate);
    ~Mp3Encoder() override;

    bool valid() const override;
    size_t Encode(const uint8_t* pcm, size_t bytes, std::vector<uint8_t>& out) override;
    size_t Finish(std::vector<uint8_t>& out) override;
    size_t pendingSamples() const override;
    size_t blockBytes() const override;
    size_t samplesPerBlock() const override;
    std::vector<uint32_t> TakeBlockSizes() override;
    CodedSoundFormat format() const override;
    const char* codecName() const override { return "MPEG Layer-3"; }
    const std::string& error() const;
    // The sample frames dropped at the start (the coder's and the decoder's delay): the first
    // this many samples handed in are never heard.
    size_t delaySamples() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace tess
