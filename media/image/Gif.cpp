// GIF89a with LZW compression, written and read by the program itself. The writer takes an
// 8-bit picture (see ReduceTo8Bits); the reader decodes the first image of a file.
#include <array>
#include <cstring>

#include "media/image/ImageCodec.h"
#include "platform/Translate.h"

namespace tess::image {

namespace {

constexpr int kMaxCodeBits = 12;
constexpr int kMaxCode = 4095; // codes 0..4094 are assigned; the table is cleared at 4095

// Packs variable-width codes, least significant bit first, into 255-byte data sub-blocks.
class CodeWriter {
public:
    explicit CodeWriter(std::vector<uint8_t>& out) : out_(out) {}
    void put(uint32_t code, int bits) {
        acc_ |= static_cast<uint64_t>(code) << nbits_;
        nbits_ += bits;
        while (nbits_ >= 8) {
            byte(static_cast<uint8_t>(acc_));
            acc_ >>= 8;
            nbits_ -= 8;
        }
    }
    void finish() {
        if (nbits_ > 0)
            byte(static_cast<uint8_t>(acc_));
        acc_ = 0;
        nbits_ = 0;
        flushBlock();
        out_.push_back(0); // block terminator
    }

private:
    void byte(uint8_t b) {
        block_[len_++] = b;
        if (len_ == 255)
            flushBlock();
    }
    void flushBlock() {
        if (!len_)
            return;
        out_.push_back(static_cast<uint8_t>(len_));
        out_.insert(out_.end(), block_.begin(), block_.begin() + len_);
        len_ = 0;
    }
    std::vector<uint8_t>& out_;
    std::array<uint8_t, 255> block_{};
    size_t len_ = 0;
    uint64_t acc_ = 0;
    int nbits_ = 0;
};

void Put16(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}

} // namespace

namespace detail {

// LZW of the index stream; the string table is a hash from (prefix code, next index).
void CompressGifLzw(const uint8_t* indices, size_t count, int minCodeSize,
                    std::vector<uint8_t>& out) {
    const uint32_t clear = 1u << minCodeSize;
    const uint32_t eoi = clear + 1;
    constexpr size_t kHashSize = 8192; // power of two, more than twice the codes
    std::vector<uint32_t> hashKey(kHashSize);
    std::vector<uint16_t> hashCode(kHashSize);
    std::vector<uint8_t> used(kHashSize);

    CodeWriter writer(out);
    int codeSize = minCodeSize + 1;
    uint32_t next = eoi + 1;
    auto emit = [&](uint32_t code) {
        writer.put(code, codeSize);
        if (next >= (1u << codeSize) && codeSize < kMaxCodeBits)
            ++codeSize;
    };
    auto reset = [&] {
        std::fill(used.begin(), used.end(), 0);
        codeSize = minCodeSize + 1;
        next = eoi + 1;
    };
    emit(clear);
    const uint8_t* p = indices;
    const uint8_t* end = p + count;
    uint32_t current = count ? *p++ : 0;
    for (; p < end; ++p) {
        const uint32_t k = *p;
        const uint32_t key = (current << 8) | k;
        size_t h = (key * 2654435761u) & (kHashSize - 1);
        bool found = false;
        while (used[h]) {
            if (hashKey[h] == key) {
                found = true;
                break;
            }
            h = (h + 1) & (kHashSize - 1);
        }
        if (found) {
            current = hashCode[h];
            continue;
        }
        emit(current);
        if (next >= kMaxCode) {
            emit(clear);
            reset();
        } else {
            used[h] = 1;
            hashKey[h] = key;
            hashCode[h] = static_cast<uint16_t>(next++);
        }
        current = k;
    }
    emit(current);
    emit(eoi);
    writer.finish();
}

} // namespace detail

bool EncodeGif(const IndexedImage& picture, std::FILE* out) {
    if (!picture.valid() || !out || picture.width > 65535 || picture.height > 65535)
        return false;
    // The colour table holds 2^(n+1) entries, at least 2.
    int n = 0;
    while ((size_t{1} << (n + 1)) < picture.palette.size())
        ++n;
    const size_t tableSize = size_t{1} << (n + 1);
    for (uint8_t idx : picture.indices)
        if (idx >= picture.palette.size())
            return false;

    std::vector<uint8_t> buf;
    buf.reserve(picture.indices.size() / 2 + 1024);
    const char* sig = "GIF89a";
    buf.insert(buf.end(), sig, sig + 6);
    Put16(buf, static_cast<uint32_t>(picture.width));
    Put16(buf, static_cast<uint32_t>(picture.height));
    buf.push_back(static_cast<uint8_t>(0x80 | (7 << 4) | n)); // global table, 8-bit colour
    buf.push_back(0);                                         // background colour index
    buf.push_back(0);                                         // no aspect ratio
    for (size_t i = 0; i < tableSize; ++i) {
        const uint32_t c = i < picture.palette.size() ? picture.palette[i] : 0;
        buf.push_back(static_cast<uint8_t>(c));       // red
        buf.push_back(static_cast<uint8_t>(c >> 8));  // green
        buf.push_back(static_cast<uint8_t>(c >> 16)); // blue
    }
    buf.push_back(0x2C); // image descriptor
    Put16(buf, 0);
    Put16(buf, 0);
    Put16(buf, static_cast<uint32_t>(picture.width));
    Put16(buf, static_cast<uint32_t>(picture.height));
    buf.push_back(0); // no local table, not interlaced
    const int minCodeSize = std::max(2, n + 1);
    buf.push_back(static_cast<uint8_t>(minCodeSize));
    detail::CompressGifLzw(picture.indices.data(), picture.indices.size(), minCodeSize, buf);
    buf.push_back(0x3B); // trailer
    return std::fwrite(buf.data(), 1, buf.size(), out) == buf.size() && std::fflush(out) == 0 &&
           !std::ferror(out);
}

namespace detail {

namespace {

std::unique_ptr<MemBm> GifFail(std::string* error, const char* what) {
    if (error)
        *error = FormatText(Tr("not a readable GIF picture: %s"), Tr(what));
    return nullptr;
}

using Palette = std::array<uint32_t, 256>;

// The file's header and global colour table; `pos` ends past them.
struct GifScreen {
    int32_t width = 0, height = 0;
    Palette global{};
    size_t globalCount = 0;
    uint8_t background = 0;
};

const char* ReadGifScreen(const uint8_t* data, size_t size, GifScreen& screen, size_t& pos) {
    if (size < 13 || (std::memcmp(data, "GIF87a", 6) != 0 && std::memcmp(data, "GIF89a", 6) != 0))
        return N_("no GIF header");
    screen.width = data[6] | (data[7] << 8);
    screen.height = data[8] | (data[9] << 8);
    screen.background = data[11];
    pos = 13;
    if (data[10] & 0x80) {
        screen.globalCount = size_t{2} << (data[10] & 7);
        if (pos + 3 * screen.globalCount > size)
            return N_("the file ends early");
        for (size_t i = 0; i < screen.globalCount; ++i, pos += 3)
            screen.global[i] = data[pos] | (data[pos + 1] << 8) | (data[pos + 2] << 16);
    }
    return nullptr;
}

// One image: its place, its colours and its indices, rows top to bottom.
struct GifImage {
    int32_t left = 0, top = 0, width = 0, height = 0;
    Palette local{};
    const uint32_t* palette = nullptr;
    size_t paletteCount = 0;
    std::vector<uint8_t> indices;
};

// Reads the image whose descriptor starts at `pos` (past its 0x2C); `pos` ends past it.
const char* ReadGifImage(const uint8_t* data, size_t size, const GifScreen& screen, size_t& pos,
                         GifImage& image) {
    if (pos + 9 > size)
        return N_("the file ends early");
    const int32_t left = data[pos] | (data[pos + 1] << 8);
    const int32_t top = data[pos + 2] | (data[pos + 3] << 8);
    const int32_t w = data[pos + 4] | (data[pos + 5] << 8);
    const int32_t h = data[pos + 6] | (data[pos + 7] << 8);
    const uint8_t flags = data[pos + 8];
    pos += 9;
    image.left = left;
    image.top = top;
    image.width = w;
    image.height = h;
    image.palette = screen.global.data();
    image.paletteCount = screen.globalCount;
    if (flags & 0x80) {
        image.paletteCount = size_t{2} << (flags & 7);
        if (pos + 3 * image.paletteCount > size)
            return N_("the file ends early");
        for (size_t i = 0; i < image.paletteCount; ++i, pos += 3)
            image.local[i] = data[pos] | (data[pos + 1] << 8) | (data[pos + 2] << 16);
        image.palette = image.local.data();
    }
    const bool interlaced = flags & 0x40;
    const int32_t outW = std::max(screen.width, left + w);
    const int32_t outH = std::max(screen.height, top + h);
    if (w <= 0 || h <= 0 || outW > kMaxSide || outH > kMaxSide || int64_t{outW} * outH > kMaxPixels)
        return N_("bad size");
    if (pos >= size)
        return N_("the file ends early");
    const int minCodeSize = data[pos++];
    if (minCodeSize < 2 || minCodeSize > 11)
        return N_("bad code size");

    // Gather the data sub-blocks.
    std::vector<uint8_t> lzw;
    while (pos < size && data[pos] != 0) {
        const size_t n = data[pos++];
        const size_t take = std::min(n, size - pos);
        lzw.insert(lzw.end(), data + pos, data + pos + take);
        pos += take;
    }
    ++pos; // the block terminator

    // Twelve-bit codes of at most 4096 pixels each, after 4096 codes that make 8 million
    // pixels at most: a picture far larger than its data can fill is refused, not drawn
    // as an empty screen of hundreds of megabytes.
    if (int64_t{outW} * outH > kMaxFreePixels + int64_t{2731} * static_cast<int64_t>(lzw.size()))
        return N_("the picture data is far too short for its size");

    std::vector<uint8_t> indices(static_cast<size_t>(w) * h, 0);
    const uint32_t clear = 1u << minCodeSize;
    const uint32_t eoi = clear + 1;
    std::vector<uint16_t> prefix(4096);
    std::vector<uint8_t> suffix(4096), stack(4097);
    for (uint32_t i = 0; i < clear; ++i)
        suffix[i] = static_cast<uint8_t>(i);
    int codeSize = minCodeSize + 1;
    uint32_t next = eoi + 1;
    int32_t prev = -1;
    uint8_t first = 0;
    size_t outPos = 0;
    uint64_t acc = 0;
    int nbits = 0;
    size_t in = 0;
    while (outPos < indices.size()) {
        while (nbits < codeSize && in < lzw.size()) {
            acc |= static_cast<uint64_t>(lzw[in++]) << nbits;
            nbits += 8;
        }
        if (nbits < codeSize)
            break; // the data ends early: keep what was decoded
        const uint32_t code = static_cast<uint32_t>(acc & ((1u << codeSize) - 1));
        acc >>= codeSize;
        nbits -= codeSize;
        if (code == clear) {
            codeSize = minCodeSize + 1;
            next = eoi + 1;
            prev = -1;
            continue;
        }
        if (code == eoi)
            break;
        size_t sp = 0;
        uint32_t c = code;
        if (prev < 0) {
            if (code >= clear)
                return N_("bad code");
            indices[outPos++] = static_cast<uint8_t>(code);
            prev = static_cast<int32_t>(code);
            first = static_cast<uint8_t>(code);
            continue;
        }
        if (code > next || (code == next && next >= 4096))
            return N_("bad code");
        if (code == next) {
            stack[sp++] = first;
            c = static_cast<uint32_t>(prev);
        }
        while (c >= clear) {
            if (sp >= 4096 || c >= 4096)
                return N_("bad code");
            stack[sp++] = suffix[c];
            c = prefix[c];
        }
        stack[sp++] = static_cast<uint8_t>(c);
        first = static_cast<uint8_t>(c);
        while (sp > 0 && outPos < indices.size())
            indices[outPos++] = stack[--sp];
        if (next < 4096) {
            prefix[next] = static_cast<uint16_t>(prev);
            suffix[next] = first;
            ++next;
            if (next >= (1u << codeSize) && codeSize < kMaxCodeBits)
                ++codeSize;
        }
        prev = static_cast<int32_t>(code);
    }

    // Rows top to bottom (interlaced pictures come in four passes).
    if (!interlaced) {
        image.indices = std::move(indices);
        return nullptr;
    }
    static constexpr int passStart[4] = {0, 4, 2, 1};
    static constexpr int passStep[4] = {8, 8, 4, 2};
    image.indices.assign(indices.size(), 0);
    size_t srcRow = 0;
    for (int pass = 0; pass < 4; ++pass)
        for (int32_t y = passStart[pass]; y < h; y += passStep[pass], ++srcRow)
            std::memcpy(&image.indices[static_cast<size_t>(y) * w], &indices[srcRow * w], w);
    return nullptr;
}

// Draws an image onto the picture; `transparent` (-1 for none) indices leave it as it is.
void DrawGifImage(const GifImage& image, MemBm& picture, int transparent) {
    for (int32_t y = 0; y < image.height && image.top + y < picture.height(); ++y) {
        const uint8_t* s = &image.indices[static_cast<size_t>(y) * image.width];
        for (int32_t x = 0; x < image.width && image.left + x < picture.width(); ++x) {
            if (s[x] == transparent)
                continue;
            const uint32_t c = s[x] < image.paletteCount ? image.palette[s[x]] : 0;
            uint8_t* d = picture.pixelAddress(image.left + x, image.top + y);
            d[0] = static_cast<uint8_t>(c >> 16);
            d[1] = static_cast<uint8_t>(c >> 8);
            d[2] = static_cast<uint8_t>(c);
        }
    }
}

// Skips an extension's sub-blocks from `pos` (past its label) to past their terminator.
void SkipSubBlocks(const uint8_t* data, size_t size, size_t& pos) {
    while (pos < size && data[pos] != 0)
        pos += size_t{1} + data[pos];
    ++pos;
}

} // namespace

std::unique_ptr<MemBm> DecodeGif(const uint8_t* data, size_t size, std::string* error) {
    GifScreen screen;
    size_t pos = 0;
    if (const char* why = ReadGifScreen(data, size, screen, pos))
        return GifFail(error, why);
    // Skip extensions up to the first image.
    while (true) {
        if (pos >= size)
            return GifFail(error, N_("no image"));
        const uint8_t tag = data[pos++];
        if (tag == 0x2C)
            break;
        if (tag != 0x21)
            return GifFail(error, N_("bad block"));
        if (pos >= size)
            return GifFail(error, N_("the file ends early"));
        ++pos; // extension label
        SkipSubBlocks(data, size, pos);
    }
    GifImage image;
    if (const char* why = ReadGifImage(data, size, screen, pos, image))
        return GifFail(error, why);
    auto picture = std::make_unique<MemBm>(std::max(screen.width, image.left + image.width),
                                           std::max(screen.height, image.top + image.height));
    picture->fill(screen.background < screen.globalCount ? screen.global[screen.background] : 0);
    DrawGifImage(image, *picture, -1);
    return picture;
}

std::vector<GifFrame> DecodeGifFrames(const uint8_t* data, size_t size, std::string* error) {
    std::vector<GifFrame> frames;
    auto fail = [&](const char* why) {
        GifFail(error, why);
        frames.clear();
        return std::vector<GifFrame>{};
    };
    GifScreen screen;
    size_t pos = 0;
    if (const char* why = ReadGifScreen(data, size, screen, pos))
        return fail(why);
    const int64_t screenPixels = int64_t{screen.width} * screen.height;
    if (screen.width <= 0 || screen.height <= 0 || screen.width > kMaxSide ||
        screen.height > kMaxSide || screenPixels > kMaxPixels)
        return fail(N_("bad size"));
    if (screenPixels > kMaxFreePixels + int64_t{2731} * static_cast<int64_t>(size))
        return fail(N_("the picture data is far too short for its size"));
    MemBm canvas(screen.width, screen.height);
    int delayCs = 0, transparent = -1, disposal = 0;
    int64_t pixels = 0;
    while (pos < size && data[pos] != 0x3B) {
        const uint8_t tag = data[pos++];
        if (tag == 0x21) {
            if (pos + 1 < size && data[pos] == 0xF9 && data[pos + 1] == 4 && pos + 6 < size) {
                const uint8_t flags = data[pos + 2];
                disposal = (flags >> 2) & 7;
                delayCs = data[pos + 3] | (data[pos + 4] << 8);
                transparent = (flags & 1) ? data[pos + 5] : -1;
            }
            ++pos; // extension label
            SkipSubBlocks(data, size, pos);
            continue;
        }
        if (tag != 0x2C)
            return fail(N_("bad block"));
        GifImage image;
        if (const char* why = ReadGifImage(data, size, screen, pos, image))
            return fail(why);
        pixels += screenPixels;
        if (pixels > kMaxPixels)
            return fail(N_("too many frames"));
        std::unique_ptr<MemBm> saved;
        if (disposal == 3)
            saved = std::make_unique<MemBm>(canvas);
        DrawGifImage(image, canvas, transparent);
        frames.push_back({std::make_unique<MemBm>(canvas), delayCs});
        if (disposal == 2) {
            MemBm clearRect(image.width, image.height);
            canvas.copyFrom(clearRect, image.left, image.top);
        } else if (saved) {
            canvas.copyFrom(*saved, 0, 0);
        }
        delayCs = 0;
        transparent = -1;
        disposal = 0;
    }
    if (frames.empty())
        return fail(N_("no image"));
    return frames;
}

} // namespace detail
} // namespace tess::image
