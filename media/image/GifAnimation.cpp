// The animated GIF writer: each frame is shown from its own time to the next frame's, so a
// frame is written when the next one (or the end) comes. Delays are whole centiseconds,
// rounded from the frames' times so that they add up to the animation's length.
#include "media/image/GifAnimation.h"

#include <algorithm>
#include <cstring>

#include "media/MemBm.h"
#include "media/image/ImageCodec.h"

namespace tess::image {

namespace {

void Put16(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}

int64_t ToCentiseconds(int64_t ms) {
    return ms <= 0 ? 0 : (ms + 5) / 10;
}

} // namespace

GifAnimationWriter::GifAnimationWriter(std::FILE* out, int width, int height)
    : out_(out), width_(width), height_(height) {
    if (!out_)
        error_ = "no file to write the animation to";
    else if (width <= 0 || height <= 0 || width > 65535 || height > 65535)
        error_ = "an animation of " + std::to_string(width) + " x " + std::to_string(height) +
                 " pixels cannot be written as GIF";
}

bool GifAnimationWriter::fail(const std::string& what) {
    if (error_.empty())
        error_ = what;
    return false;
}

bool GifAnimationWriter::write(const std::vector<uint8_t>& bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), out_) != bytes.size() || std::ferror(out_))
        return fail("the animation could not be written (is the disk full?)");
    return true;
}

bool GifAnimationWriter::writeHeader() {
    std::vector<uint8_t> h;
    const char* sig = "GIF89a";
    h.insert(h.end(), sig, sig + 6);
    Put16(h, static_cast<uint32_t>(width_));
    Put16(h, static_cast<uint32_t>(height_));
    h.push_back(0x70); // no global table, 8-bit colour
    h.push_back(0);    // background colour index
    h.push_back(0);    // no aspect ratio
    // Loop forever.
    const uint8_t loop[] = {0x21, 0xFF, 0x0B, 'N', 'E',  'T',  'S',  'C',  'A', 'P',
                            'E',  '2',  '.',  '0', 0x03, 0x01, 0x00, 0x00, 0x00};
    h.insert(h.end(), loop, loop + sizeof loop);
    headerWritten_ = true;
    return write(h);
}

bool GifAnimationWriter::flushPending(int64_t delayCs) {
    if (!headerWritten_ && !writeHeader())
        return false;
    MemBm frame(width_, height_);
    std::memcpy(frame.bits(), pending_.data(), pending_.size());
    const IndexedImage indexed = ReduceTo8Bits(frame, true);
    int n = 0;
    while ((size_t{1} << (n + 1)) < indexed.palette.size())
        ++n;
    std::vector<uint8_t> b;
    while (delayCs > 0) {
        const int64_t d = std::min<int64_t>(delayCs, 65535);
        delayCs -= d;
        b.insert(b.end(), {0x21, 0xF9, 0x04, 0x04}); // graphic control: keep the picture
        Put16(b, static_cast<uint32_t>(d));
        b.insert(b.end(), {0x00, 0x00});
        b.push_back(0x2C);
        Put16(b, 0);
        Put16(b, 0);
        Put16(b, static_cast<uint32_t>(width_));
        Put16(b, static_cast<uint32_t>(height_));
        b.push_back(static_cast<uint8_t>(0x80 | n)); // local table
        for (size_t i = 0; i < (size_t{1} << (n + 1)); ++i) {
            const uint32_t c = i < indexed.palette.size() ? indexed.palette[i] : 0;
            b.insert(b.end(), {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8),
                               static_cast<uint8_t>(c >> 16)});
        }
        const int minCodeSize = std::max(2, n + 1);
        b.push_back(static_cast<uint8_t>(minCodeSize));
        detail::CompressGifLzw(indexed.indices.data(), indexed.indices.size(), minCodeSize, b);
    }
    hasPending_ = false;
    return write(b);
}

bool GifAnimationWriter::AddFrame(const uint8_t* pixels, int strideBytes, int64_t timeMs) {
    if (!error_.empty())
        return false;
    if (finished_)
        return fail("the animation is already finished");
    if (!pixels || strideBytes < width_ * 4)
        return fail("a frame without pixels");
    int64_t startCs = ToCentiseconds(timeMs);
    if (hasPending_) {
        startCs = std::max(startCs, pendingStartCs_);
        if (startCs > pendingStartCs_ && !flushPending(startCs - pendingStartCs_))
            return false;
    } else if (!headerWritten_) {
        startCs = 0; // the first frame shows from the start
    }
    const size_t row = static_cast<size_t>(width_) * 4;
    pending_.resize(row * static_cast<size_t>(height_));
    for (int y = 0; y < height_; ++y)
        std::memcpy(&pending_[row * y], pixels + static_cast<size_t>(strideBytes) * y, row);
    hasPending_ = true;
    pendingStartCs_ = startCs;
    return true;
}

bool GifAnimationWriter::Finish(int64_t endMs) {
    if (!error_.empty())
        return false;
    if (finished_)
        return true;
    finished_ = true;
    if (!hasPending_)
        return fail("an animation needs at least one frame");
    const int64_t endCs = std::max(ToCentiseconds(endMs), pendingStartCs_ + 1);
    if (!flushPending(endCs - pendingStartCs_))
        return false;
    if (!write({0x3B}))
        return false;
    if (std::fflush(out_) != 0)
        return fail("the animation could not be written (is the disk full?)");
    return true;
}

} // namespace tess::image
