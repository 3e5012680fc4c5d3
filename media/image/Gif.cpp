// GIF89a with LZW compression, written and read by the program itself. The writer takes an
// 8-bit picture (see ReduceTo8Bits); the reader decodes the first image of a file.
#include <array>
#include <cstring>

#include "media/image/ImageCodec.h"

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

// LZW of the index stream; the string table is a hash from (prefix code, next index).
void CompressLzw(const IndexedImage& picture, int minCodeSize, std::vector<uint8_t>& out) {
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
    const uint8_t* p = picture.indices.data();
    const uint8_t* end = p + picture.indices.size();
    uint32_t current = *p++;
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

void Put16(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}

} // namespace

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
    CompressLzw(picture, minCodeSize, buf);
    buf.push_back(0x3B); // trailer
    return std::fwrite(buf.data(), 1, buf.size(), out) == buf.size() && std::fflush(out) == 0 &&
           !std::ferror(out);
}

namespace detail {

namespace {

std::unique_ptr<MemBm> GifFail(std::string* error, const char* what) {
    if (error)
        *error = std::string("not a readable GIF picture: ") + what;
    return nullptr;
}

} // namespace

std::unique_ptr<MemBm> DecodeGif(const uint8_t* data, size_t size, std::string* error) {
    if (size < 13 || (std::memcmp(data, "GIF87a", 6) != 0 && std::memcmp(data, "GIF89a", 6) != 0))
        return GifFail(error, "no GIF header");
    const int32_t screenW = data[6] | (data[7] << 8);
    const int32_t screenH = data[8] | (data[9] << 8);
    size_t pos = 13;
    std::array<uint32_t, 256> global{}, local{};
    size_t globalCount = 0;
    uint8_t background = data[11];
    if (data[10] & 0x80) {
        globalCount = size_t{2} << (data[10] & 7);
        if (pos + 3 * globalCount > size)
            return GifFail(error, "the file ends early");
        for (size_t i = 0; i < globalCount; ++i, pos += 3)
            global[i] = data[pos] | (data[pos + 1] << 8) | (data[pos + 2] << 16);
    }
    // Skip extensions up to the first image.
    while (true) {
        if (pos >= size)
            return GifFail(error, "no image");
        const uint8_t tag = data[pos++];
        if (tag == 0x2C)
            break;
        if (tag != 0x21)
            return GifFail(error, "bad block");
        if (pos >= size)
            return GifFail(error, "the file ends early");
        ++pos; // extension label
        while (pos < size && data[pos] != 0)
            pos += size_t{1} + data[pos];
        ++pos;
    }
    if (pos + 9 > size)
        return GifFail(error, "the file ends early");
    const int32_t left = data[pos] | (data[pos + 1] << 8);
    const int32_t top = data[pos + 2] | (data[pos + 3] << 8);
    const int32_t w = data[pos + 4] | (data[pos + 5] << 8);
    const int32_t h = data[pos + 6] | (data[pos + 7] << 8);
    const uint8_t flags = data[pos + 8];
    pos += 9;
    const uint32_t* palette = global.data();
    size_t paletteCount = globalCount;
    if (flags & 0x80) {
        paletteCount = size_t{2} << (flags & 7);
        if (pos + 3 * paletteCount > size)
            return GifFail(error, "the file ends early");
        for (size_t i = 0; i < paletteCount; ++i, pos += 3)
            local[i] = data[pos] | (data[pos + 1] << 8) | (data[pos + 2] << 16);
        palette = local.data();
    }
    const bool interlaced = flags & 0x40;
    const int32_t outW = std::max(screenW, left + w);
    const int32_t outH = std::max(screenH, top + h);
    if (w <= 0 || h <= 0 || outW > kMaxSide || outH > kMaxSide || int64_t{outW} * outH > kMaxPixels)
        return GifFail(error, "bad size");
    if (pos >= size)
        return GifFail(error, "the file ends early");
    const int minCodeSize = data[pos++];
    if (minCodeSize < 2 || minCodeSize > 11)
        return GifFail(error, "bad code size");

    // Gather the data sub-blocks.
    std::vector<uint8_t> lzw;
    while (pos < size && data[pos] != 0) {
        const size_t n = data[pos++];
        const size_t take = std::min(n, size - pos);
        lzw.insert(lzw.end(), data + pos, data + pos + take);
        pos += take;
    }

    // Twelve-bit codes of at most 4096 pixels each, after 4096 codes that make 8 million
    // pixels at most: a picture far larger than its data can fill is refused, not drawn
    // as an empty screen of hundreds of megabytes.
    if (int64_t{outW} * outH > kMaxFreePixels + int64_t{2731} * static_cast<int64_t>(lzw.size()))
        return GifFail(error, "the picture data is far too short for its size");

    auto picture = std::make_unique<MemBm>(outW, outH);
    const uint32_t bg = background < globalCount ? global[background] : 0;
    picture->fill(bg);
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
                return GifFail(error, "bad code");
            indices[outPos++] = static_cast<uint8_t>(code);
            prev = static_cast<int32_t>(code);
            first = static_cast<uint8_t>(code);
            continue;
        }
        if (code > next || (code == next && next >= 4096))
            return GifFail(error, "bad code");
        if (code == next) {
            stack[sp++] = first;
            c = static_cast<uint32_t>(prev);
        }
        while (c >= clear) {
            if (sp >= 4096 || c >= 4096)
                return GifFail(error, "bad code");
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

    // Place the rows (interlaced pictures come in four passes).
    static constexpr int passStart[4] = {0, 4, 2, 1};
    static constexpr int passStep[4] = {8, 8, 4, 2};
    int32_t srcRow = 0;
    auto putRow = [&](int32_t y) {
        const uint8_t* s = &indices[static_cast<size_t>(srcRow++) * w];
        if (top + y >= outH)
            return;
        uint8_t* d = picture->pixelAddress(left, top + y);
        for (int32_t x = 0; x < w; ++x, d += 4) {
            const uint32_t c = s[x] < paletteCount ? palette[s[x]] : 0;
            d[0] = static_cast<uint8_t>(c >> 16);
            d[1] = static_cast<uint8_t>(c >> 8);
            d[2] = static_cast<uint8_t>(c);
        }
    };
    if (interlaced) {
        for (int pass = 0; pass < 4; ++pass)
            for (int32_t y = passStart[pass]; y < h; y += passStep[pass])
                putRow(y);
    } else {
        for (int32_t y = 0; y < h; ++y)
            putRow(y);
    }
    return picture;
}

} // namespace detail
} // namespace tess::image
