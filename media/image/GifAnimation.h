#pragma once
// An animated GIF written frame by frame as the frames arrive (the GIF export of a
// recording). The animation loops forever; each frame lasts until the next one's time.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace tess::image {

class GifAnimationWriter {
public:
    // Writes to `out` (left open); every frame is width x height pixels.
    GifAnimationWriter(std::FILE* out, int width, int height);
    GifAnimationWriter(const GifAnimationWriter&) = delete;
    GifAnimationWriter& operator=(const GifAnimationWriter&) = delete;

    // 32-bit pixels as MemBm holds them (blue, green, red, unused), rows `strideBytes`
    // apart; `timeMs` is the frame's time from the start of the animation.
    bool AddFrame(const uint8_t* pixels, int strideBytes, int64_t timeMs);
    // Writes the last frame, lasting until `endMs`, and the trailer.
    bool Finish(int64_t endMs);
    // What went wrong, empty while all is well.
    std::string error() const { return error_; }

private:
    bool fail(const std::string& what);
    bool writeHeader();
    bool flushPending(int64_t delayCs);
    bool write(const std::vector<uint8_t>& bytes);

    std::FILE* out_;
    int width_;
    int height_;
    std::string error_;
    bool headerWritten_ = false;
    bool finished_ = false;
    std::vector<uint8_t> pending_; // the frame waiting for its duration (width x height x 4)
    bool hasPending_ = false;
    int64_t pendingStartCs_ = 0; // when the pending frame shows, in centiseconds
};

} // namespace tess::image
