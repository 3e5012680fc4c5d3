// The animated GIF writer. Each frame is shown from its own time to the next frame's, so a
// frame is written when the next one (or the end) comes; delays are whole centiseconds,
// rounded from the frames' times so that they add up to the animation's length. Frames that
// come less than two centiseconds apart (which viewers would slow down) replace each other,
// and a frame like the one before lengthens it.
//
// Only the rectangle that changed since the last frame is written; in it, unchanged pixels
// are transparent, or continue the run of the index before them when the viewer already
// shows that colour there. Colours: the first frame's palette is the file's table and the
// palette of the first scene; a frame whose colours are all in the scene's palette, or
// close to it, uses it unless a small table of its own exact colours makes it smaller; a
// frame of at most 255 colours otherwise gets them exactly; a frame of more colours gets a
// palette of its own (its frequent colours exactly, the rest by median cut), or the scene's
// when that serves it nearly as well. A frame that changes half the screen or more starts
// a new scene. Error diffusion is used only where a frame has more colours than its palette
// comes close to, and only across smooth areas (gradients, photographs), never across text.
#include "media/image/GifAnimation.h"

#include <algorithm>
#include <cstring>

#include "media/image/ImageCodec.h"
#include "media/image/Quantize.h"
#include "platform/Translate.h"

namespace tess::image {

namespace {

void Put16(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}

int64_t ToCentiseconds(int64_t ms) {
    return ms <= 0 ? 0 : (ms + 5) / 10;
}

// 0x00RRGGBB pixel word <-> 0x00BBGGRR colour value (the same swap both ways).
inline uint32_t SwapRB(uint32_t v) {
    return ((v >> 16) & 0xFF) | (v & 0xFF00) | ((v & 0xFF) << 16);
}

// Bits of a table that holds `colors` and the transparent index after them (1..8).
int TableBits(size_t colors) {
    int bits = 1;
    while ((size_t{1} << bits) < colors + 1)
        ++bits;
    return bits;
}

constexpr int64_t kMaxDelayCs = 65535;
constexpr size_t kMaxColors = 255; // one index is kept for transparency
// A palette whose nearest colours are this close (squared distance over three channels, on
// average) serves a frame: 40 dB over the changed pixels.
constexpr double kCloseError = 20;

const char* const kWriteError = N_("the animation could not be written (is the disk full?)");

} // namespace

void GifAnimationWriter::Palette::assign(std::vector<uint32_t> c, bool isExact) {
    colors = std::move(c);
    table = ColorTable();
    table.assign(colors);
    exact = isExact;
}

GifAnimationWriter::GifAnimationWriter(std::FILE* out, int width, int height)
    : out_(out), width_(width), height_(height) {
    if (!out_)
        error_ = Tr("no file to write the animation to");
    else if (width <= 0 || height <= 0 || width > 65535 || height > 65535)
        error_ = FormatText(Tr("an animation of %d x %d pixels cannot be written as GIF"), width,
                            height);
}

bool GifAnimationWriter::fail(const std::string& what) {
    if (error_.empty())
        error_ = what;
    return false;
}

bool GifAnimationWriter::write(const std::vector<uint8_t>& bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), out_) != bytes.size() || std::ferror(out_))
        return fail(Tr(kWriteError));
    return true;
}

bool GifAnimationWriter::writeHeader(const Palette& global) {
    std::vector<uint8_t> h;
    const char* sig = "GIF89a";
    h.insert(h.end(), sig, sig + 6);
    Put16(h, static_cast<uint32_t>(width_));
    Put16(h, static_cast<uint32_t>(height_));
    const int bits = TableBits(global.colors.size());
    h.push_back(static_cast<uint8_t>(0x80 | (7 << 4) | (bits - 1))); // global table
    h.push_back(0);                                                  // background index
    h.push_back(0);                                                  // no aspect ratio
    for (size_t i = 0; i < (size_t{1} << bits); ++i) {
        const uint32_t c = i < global.colors.size() ? global.colors[i] : 0;
        h.insert(h.end(), {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8),
                           static_cast<uint8_t>(c >> 16)});
    }
    // Loop forever.
    const uint8_t loop[] = {0x21, 0xFF, 0x0B, 'N', 'E',  'T',  'S',  'C',  'A', 'P',
                            'E',  '2',  '.',  '0', 0x03, 0x01, 0x00, 0x00, 0x00};
    h.insert(h.end(), loop, loop + sizeof loop);
    return write(h);
}

void GifAnimationWriter::appendImage(std::vector<uint8_t>& b, const Rect& r, const Palette& palette,
                                     bool local, const std::vector<uint8_t>& indices,
                                     int64_t delayCs, bool transparency) const {
    const size_t transparent = palette.colors.size();
    // Graphic control: leave the picture in place; the delay; the transparent index.
    b.insert(b.end(), {0x21, 0xF9, 0x04, static_cast<uint8_t>(0x04 | (transparency ? 1 : 0))});
    Put16(b, static_cast<uint32_t>(delayCs));
    b.push_back(static_cast<uint8_t>(transparency ? transparent : 0));
    b.push_back(0);
    b.push_back(0x2C);
    Put16(b, static_cast<uint32_t>(r.x));
    Put16(b, static_cast<uint32_t>(r.y));
    Put16(b, static_cast<uint32_t>(r.w));
    Put16(b, static_cast<uint32_t>(r.h));
    const int bits = TableBits(palette.colors.size());
    if (local) {
        b.push_back(static_cast<uint8_t>(0x80 | (bits - 1)));
        for (size_t i = 0; i < (size_t{1} << bits); ++i) {
            const uint32_t c = i < palette.colors.size() ? palette.colors[i] : 0;
            b.insert(b.end(), {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8),
                               static_cast<uint8_t>(c >> 16)});
        }
    } else {
        b.push_back(0);
    }
    const int minCodeSize = std::max(2, bits);
    b.push_back(static_cast<uint8_t>(minCodeSize));
    detail::CompressGifLzw(indices.data(), indices.size(), minCodeSize, b);
}

GifAnimationWriter::Rect GifAnimationWriter::changedRect() const {
    int x0 = width_, y0 = height_, x1 = -1, y1 = -1;
    for (int y = 0; y < height_; ++y) {
        const uint32_t* a = &pending_[static_cast<size_t>(width_) * y];
        const uint32_t* b = &last_[static_cast<size_t>(width_) * y];
        if (std::memcmp(a, b, static_cast<size_t>(width_) * 4) == 0)
            continue;
        int l = 0, r = width_ - 1;
        while (a[l] == b[l])
            ++l;
        while (a[r] == b[r])
            --r;
        x0 = std::min(x0, l);
        x1 = std::max(x1, r);
        y0 = std::min(y0, y);
        y1 = y;
    }
    if (x1 < 0)
        return {};
    return {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

bool GifAnimationWriter::flushPending(int64_t delayCs) {
    hasPending_ = false;
    const bool first = !started_;
    Rect r{0, 0, width_, height_};
    if (!first)
        r = changedRect();
    if (r.w == 0) // nothing changed: one transparent pixel carries the delay
        r = {0, 0, 1, 1};
    const size_t area = static_cast<size_t>(r.w) * r.h;

    // The pixels that changed and their colours (up to one more than a table holds).
    std::vector<uint8_t> changed(area, 1);
    std::vector<uint32_t> rectPixels(area);
    ColorTable seen;
    std::vector<uint32_t> colors;
    uint32_t lastWord = 0xFFFFFFFFu;
    for (int y = 0; y < r.h; ++y) {
        const size_t row = static_cast<size_t>(width_) * (r.y + y) + r.x;
        for (int x = 0; x < r.w; ++x) {
            const size_t i = static_cast<size_t>(y) * r.w + x;
            const uint32_t word = pending_[row + x];
            rectPixels[i] = word;
            if (!first && word == last_[row + x]) {
                changed[i] = 0;
                continue;
            }
            if (word == lastWord || colors.size() > kMaxColors)
                continue;
            lastWord = word;
            if (seen.insert(SwapRB(word), static_cast<uint8_t>(colors.size())))
                colors.push_back(SwapRB(word));
        }
    }
    const bool bigChange = area * 2 >= static_cast<size_t>(width_) * height_;
    const uint8_t* pixels = reinterpret_cast<const uint8_t*>(rectPixels.data());
    const int stride = r.w * 4;

    std::vector<uint8_t> best;
    std::vector<uint8_t> bestIndices;
    std::vector<uint32_t> bestColors;
    auto encode = [&](const Palette& palette, bool local, std::vector<uint8_t> indices) {
        // An unchanged pixel that shows the colour of the index before it continues that
        // index's run rather than breaking it with a transparent one.
        const uint8_t transparent = static_cast<uint8_t>(palette.colors.size());
        for (int y = 0; y < r.h && !first; ++y) {
            uint8_t* row = &indices[static_cast<size_t>(y) * r.w];
            const uint32_t* shown = &canvas_[static_cast<size_t>(width_) * (r.y + y) + r.x];
            for (int x = 1; x < r.w; ++x)
                if (row[x] == transparent && row[x - 1] != transparent &&
                    palette.colors[row[x - 1]] == shown[x])
                    row[x] = row[x - 1];
        }
        std::vector<uint8_t> b;
        appendImage(b, r, palette, local, indices, std::min(delayCs, kMaxDelayCs), !first);
        if (best.empty() || b.size() < best.size()) {
            best.swap(b);
            bestIndices.swap(indices);
            bestColors = palette.colors;
        }
    };
    auto useScene = [&](const Palette& palette) {
        scene_.assign(palette.colors, palette.exact);
        sceneIsGlobal_ = false;
    };

    // Mean squared error (three channels) of the changed pixels in a palette's nearest colours.
    auto meanError = [&](const Palette& palette) {
        detail::NearestColor nearest(palette.colors);
        const size_t step = std::max<size_t>(1, area / 65536) | 1;
        double sum = 0;
        size_t n = 0;
        for (size_t i = 0; i < area; i += step) {
            if (!changed[i])
                continue;
            const uint8_t* p = pixels + i * 4;
            const uint32_t c = palette.colors[nearest(p[2], p[1], p[0])];
            const int dr = p[2] - static_cast<int>(c & 0xFF);
            const int dg = p[1] - static_cast<int>((c >> 8) & 0xFF);
            const int db = p[0] - static_cast<int>((c >> 16) & 0xFF);
            sum += dr * dr + dg * dg + db * db;
            ++n;
        }
        return n ? sum / n : 0.0;
    };

    if (colors.size() <= kMaxColors) {
        // Exact colours: the scene's palette when it has them all, or a table of their own.
        Palette own;
        own.assign(colors, true);
        auto indicesOf = [&](const Palette& palette) {
            std::vector<uint8_t> indices(area);
            const uint8_t transparent = static_cast<uint8_t>(palette.colors.size());
            for (size_t i = 0; i < area; ++i)
                indices[i] =
                    changed[i] ? palette.table.indexOf(SwapRB(rectPixels[i])) : transparent;
            return indices;
        };
        if (first) {
            global_ = own;
            scene_ = own;
            encode(global_, false, indicesOf(global_));
        } else {
            const bool inScene = !scene_.colors.empty() &&
                                 std::all_of(colors.begin(), colors.end(), [&](uint32_t c) {
                                     return scene_.colors[scene_.table.indexOf(c)] == c;
                                 });
            if (inScene) {
                encode(scene_, !sceneIsGlobal_, indicesOf(scene_));
            } else if (!bigChange && meanError(scene_) <= kCloseError) {
                // Colours the scene's palette comes close to need no table of their own.
                std::vector<uint8_t> indices(area);
                detail::MapToPalette(pixels, stride, r.w, r.h, scene_.colors,
                                     detail::Diffusion::None, changed.data(),
                                     static_cast<uint8_t>(scene_.colors.size()), indices.data());
                encode(scene_, !sceneIsGlobal_, indices);
            }
            encode(own, true, indicesOf(own));
            if (bigChange && !inScene)
                useScene(own);
        }
    } else {
        // More colours than a table holds: a palette made for this frame's changed pixels,
        // or the scene's when that serves them nearly as well.
        Palette own;
        own.assign(detail::ScreenPalette(pixels, stride, r.w, r.h, first ? nullptr : changed.data(),
                                         kMaxColors),
                   false);
        const Palette* chosen = &own;
        bool local = true;
        if (first) {
            global_ = own;
            scene_ = own;
            chosen = &global_;
            local = false;
        } else if (!scene_.colors.empty() && !scene_.exact &&
                   meanError(scene_) <= meanError(own) * 1.25 + 3) {
            chosen = &scene_;
            local = !sceneIsGlobal_;
        } else if (bigChange) {
            useScene(own);
            chosen = &scene_;
        }
        std::vector<uint8_t> indices(area);
        // Where the palette comes close, error diffusion would only add grain.
        const bool diffuse = meanError(*chosen) > kCloseError;
        detail::MapToPalette(pixels, stride, r.w, r.h, chosen->colors,
                             diffuse ? detail::Diffusion::SmoothAreas : detail::Diffusion::None,
                             first ? nullptr : changed.data(),
                             static_cast<uint8_t>(chosen->colors.size()), indices.data());
        encode(*chosen, local, indices);
    }

    if (first) {
        if (!writeHeader(global_))
            return false;
        started_ = true;
    }
    // A delay longer than the format holds goes on in images of one transparent pixel.
    for (int64_t rest = delayCs - kMaxDelayCs; rest > 0; rest -= kMaxDelayCs) {
        const std::vector<uint8_t> none{static_cast<uint8_t>(global_.colors.size())};
        appendImage(best, {0, 0, 1, 1}, global_, false, none, std::min(rest, kMaxDelayCs), true);
    }
    // What the viewer shows now.
    canvas_.resize(static_cast<size_t>(width_) * height_);
    for (int y = 0; y < r.h; ++y) {
        const uint8_t* row = &bestIndices[static_cast<size_t>(y) * r.w];
        uint32_t* shown = &canvas_[static_cast<size_t>(width_) * (r.y + y) + r.x];
        for (int x = 0; x < r.w; ++x)
            if (row[x] < bestColors.size())
                shown[x] = bestColors[row[x]];
    }
    std::swap(last_, pending_);
    return write(best);
}

bool GifAnimationWriter::AddFrame(const uint8_t* pixels, int strideBytes, int64_t timeMs) {
    if (!error_.empty())
        return false;
    if (finished_)
        return fail(Tr("the animation is already finished"));
    if (!pixels || strideBytes < width_ * 4)
        return fail(Tr("a frame without pixels"));
    const size_t count = static_cast<size_t>(width_) * height_;
    incoming_.resize(count);
    for (int y = 0; y < height_; ++y) {
        const uint8_t* s = pixels + static_cast<size_t>(strideBytes) * y;
        uint32_t* d = &incoming_[static_cast<size_t>(width_) * y];
        for (int x = 0; x < width_; ++x, s += 4)
            d[x] = s[0] | (s[1] << 8) | (static_cast<uint32_t>(s[2]) << 16);
    }
    int64_t startCs = started_ || hasPending_ ? ToCentiseconds(timeMs) : 0;
    if (hasPending_) {
        if (incoming_ == pending_)
            return true; // the pending frame lasts on
        if (startCs - pendingStartCs_ < 2) {
            std::swap(pending_, incoming_); // too soon to show both: the newer one wins
            return true;
        }
        if (!flushPending(startCs - pendingStartCs_))
            return false;
    }
    std::swap(pending_, incoming_);
    pendingStartCs_ = startCs;
    hasPending_ = true;
    return true;
}

bool GifAnimationWriter::Finish(int64_t endMs) {
    if (!error_.empty())
        return false;
    if (finished_)
        return true;
    finished_ = true;
    if (!hasPending_)
        return fail(Tr("an animation needs at least one frame"));
    const int64_t endCs = std::max(ToCentiseconds(endMs), pendingStartCs_ + 2);
    if (!flushPending(endCs - pendingStartCs_) || !write({0x3B}))
        return false;
    if (std::fflush(out_) != 0 || std::ferror(out_))
        return fail(Tr(kWriteError));
    return true;
}

} // namespace tess::image
