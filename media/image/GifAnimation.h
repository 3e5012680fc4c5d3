#pragma once
// An animated GIF written frame by frame as the frames arrive (the GIF export of a
// recording). The animation loops forever; each frame lasts until the next one's time.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "media/image/ColorTable.h"

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
    // Colour values (0x00BBGGRR) and their indices; the index after the last is transparent.
    struct Palette {
        std::vector<uint32_t> colors;
        ColorTable table;
        bool exact = false; // every colour was in the pictures it was made for
        void assign(std::vector<uint32_t> c, bool isExact);
    };
    struct Rect {
        int x = 0, y = 0, w = 0, h = 0;
    };

    bool fail(const std::string& what);
    bool write(const std::vector<uint8_t>& bytes);
    bool writeHeader(const Palette& global);
    bool flushPending(int64_t delayCs);
    Rect changedRect() const;
    // Appends one image (control block, descriptor, table when not global, data).
    void appendImage(std::vector<uint8_t>& b, const Rect& r, const Palette& palette, bool local,
                     const std::vector<uint8_t>& indices, int64_t delayCs, bool transparency) const;

    std::FILE* out_;
    int width_;
    int height_;
    std::string error_;
    bool started_ = false; // the header and the first frame are written
    bool finished_ = false;
    // Frames as pixel words (0x00RRGGBB): the last written, the one waiting for its
    // duration and the one coming in.
    std::vector<uint32_t> last_, pending_, incoming_;
    std::vector<uint32_t> canvas_; // what a viewer shows now (colour values)
    bool hasPending_ = false;
    int64_t pendingStartCs_ = 0; // when the pending frame shows, in centiseconds
    Palette global_;             // the file's table
    Palette scene_;              // the table of the current scene (may be the global one)
    bool sceneIsGlobal_ = true;
};

} // namespace tess::image
