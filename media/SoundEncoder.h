#pragma once
// A coder of the sound stream of a recording: 16-bit little-endian PCM in (interleaved when
// stereo, any amount per call), blocks of a fixed number of samples out, each block one
// media object of the file; a block has blockBytes() bytes unless TakeBlockSizes says otherwise.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tess {

// What the file's stream properties say about the coded stream (a WAVEFORMATEX).
struct CodedSoundFormat {
    uint16_t formatTag = 0;
    uint16_t channels = 1;
    uint32_t samplesPerSec = 8000;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    std::vector<uint8_t> extra; // the codec's bytes after the WAVEFORMATEX
};

class SoundEncoder {
public:
    virtual ~SoundEncoder() = default;
    virtual bool valid() const = 0;
    // Adds PCM bytes (a partial sample frame is kept for the next call) and appends every
    // block completed by them to `out`. Returns the number of blocks appended.
    virtual size_t Encode(const uint8_t* pcm, size_t bytes, std::vector<uint8_t>& out) = 0;
    // Completes the last block with silence and appends what is left; returns the blocks.
    virtual size_t Finish(std::vector<uint8_t>& out) = 0;
    // True when coding may go on after Finish (each block stands alone), so a pause can
    // write out the samples short of a block.
    virtual bool blocksStandAlone() const { return false; }
    // Sample frames waiting for the next block.
    virtual size_t pendingSamples() const = 0;
    virtual size_t blockBytes() const = 0;
    virtual size_t samplesPerBlock() const = 0;
    // The size of each block appended since the last call, in order; empty when every block
    // has blockBytes() bytes.
    virtual std::vector<uint32_t> TakeBlockSizes() { return {}; }
    virtual CodedSoundFormat format() const = 0;
    virtual const char* codecName() const = 0;
};

} // namespace tess
