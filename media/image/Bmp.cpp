// BMP: written as 24 bits per pixel, bottom-up, uncompressed; read in the uncompressed
// forms of 1, 4, 8, 16, 24 and 32 bits per pixel (with or without bit-field masks).
#include <algorithm>
#include <cstring>

#include "media/image/ImageCodec.h"
#include "platform/Translate.h"

namespace tess::image {

namespace {

void Put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
    Put16(p, v);
    Put16(p + 2, v >> 16);
}
uint32_t Get16(const uint8_t* p) {
    return p[0] | (p[1] << 8);
}
uint32_t Get32(const uint8_t* p) {
    return Get16(p) | (Get16(p + 2) << 16);
}

std::unique_ptr<MemBm> Fail(std::string* error, const char* what) {
    if (error)
        *error = FormatText(Tr("not a readable BMP picture: %s"), Tr(what));
    return nullptr;
}

// Position and width of the bits of a channel mask, for scaling a field to 8 bits.
struct Field {
    int shift = 0;
    int bits = 0;
    uint32_t mask = 0;
    explicit Field(uint32_t m) : mask(m) {
        if (!m)
            return;
        while (!((m >> shift) & 1))
            ++shift;
        while (bits < 32 - shift && ((m >> (shift + bits)) & 1))
            ++bits;
    }
    uint8_t value(uint32_t px) const {
        if (!bits)
            return 0;
        const uint32_t v = (px & mask) >> shift;
        const uint32_t max = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
        return static_cast<uint8_t>((static_cast<uint64_t>(v) * 255 + max / 2) / max);
    }
};

// Run-length data (8 or 4 bits per pixel) into one index per pixel, rows in file order
// (bottom-up for the usual height). Skipped pixels stay 0, pixels of a run that passes the
// row's end are dropped, and data ending early keeps what was decoded.
bool DecodeRle(const uint8_t* p, size_t n, int32_t w, int32_t h, bool four,
               std::vector<uint8_t>& out) {
    out.assign(static_cast<size_t>(w) * h, 0);
    int32_t x = 0, y = 0;
    size_t i = 0;
    auto put = [&](uint8_t v) {
        if (x < w && y < h)
            out[static_cast<size_t>(y) * w + x++] = v;
        return true;
    };
    while (i + 1 < n && y < h) {
        const uint8_t count = p[i], value = p[i + 1];
        i += 2;
        if (count > 0) {
            for (int k = 0; k < count; ++k) {
                const uint8_t v = four ? ((k & 1) ? value & 0x0F : value >> 4) : value;
                if (!put(v))
                    return false;
            }
        } else if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of picture
            break;
        } else if (value == 2) { // delta
            if (i + 1 >= n)
                break;
            x = std::min(x + p[i], w);
            y += p[i + 1];
            i += 2;
        } else { // absolute run of `value` pixels, padded to 16 bits
            const size_t bytes = four ? (value + 1) / 2 : value;
            if (i + bytes > n)
                break;
            for (int k = 0; k < value; ++k) {
                const uint8_t b = p[i + (four ? k / 2 : k)];
                const uint8_t v = four ? ((k & 1) ? b & 0x0F : b >> 4) : b;
                if (!put(v))
                    return false;
            }
            i += bytes + (bytes & 1);
        }
    }
    return true;
}

} // namespace

bool EncodeBmp(const MemBm& picture, std::FILE* out) {
    if (picture.empty() || !out)
        return false;
    const uint32_t w = static_cast<uint32_t>(picture.width());
    const uint32_t h = static_cast<uint32_t>(picture.height());
    const uint64_t rowBytes = (static_cast<uint64_t>(w) * 3 + 3) & ~uint64_t{3};
    const uint64_t imageBytes = rowBytes * h;
    if (54 + imageBytes > 0xFFFFFFFFu)
        return false; // too large for the format's 32-bit sizes
    uint8_t header[54] = {};
    header[0] = 'B';
    header[1] = 'M';
    Put32(header + 2, static_cast<uint32_t>(54 + imageBytes));
    Put32(header + 10, 54);
    Put32(header + 14, 40);
    Put32(header + 18, w);
    Put32(header + 22, h); // positive: rows bottom-up
    Put16(header + 26, 1);
    Put16(header + 28, 24);
    Put32(header + 34, static_cast<uint32_t>(imageBytes));
    Put32(header + 38, 3780); // 96 dots per inch
    Put32(header + 42, 3780);
    if (std::fwrite(header, 1, sizeof header, out) != sizeof header)
        return false;
    std::vector<uint8_t> row(rowBytes, 0);
    for (int32_t y = picture.height() - 1; y >= 0; --y) {
        const uint8_t* s = picture.pixelAddress(0, y);
        uint8_t* d = row.data();
        for (uint32_t x = 0; x < w; ++x, s += 4, d += 3) {
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
        }
        if (std::fwrite(row.data(), 1, row.size(), out) != row.size())
            return false;
    }
    return std::fflush(out) == 0 && !std::ferror(out);
}

namespace detail {

std::unique_ptr<MemBm> DecodeBmp(const uint8_t* data, size_t size, std::string* error) {
    if (size < 26 || data[0] != 'B' || data[1] != 'M')
        return Fail(error, N_("no BMP header"));
    const uint32_t offBits = Get32(data + 10);
    const uint32_t infoSize = Get32(data + 14);
    int64_t w, h;
    uint32_t bpp, compression = 0, colorsUsed = 0;
    if (infoSize == 12) { // OS/2 core header
        w = Get16(data + 18);
        h = static_cast<int16_t>(Get16(data + 20));
        bpp = Get16(data + 24);
    } else if (infoSize >= 40 && size >= 14 + 40) {
        w = static_cast<int32_t>(Get32(data + 18));
        h = static_cast<int32_t>(Get32(data + 22));
        bpp = Get16(data + 28);
        compression = Get32(data + 30);
        colorsUsed = Get32(data + 46);
    } else {
        return Fail(error, N_("unknown header"));
    }
    const bool topDown = h < 0;
    if (topDown)
        h = -h;
    if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide || w * h > kMaxPixels)
        return Fail(error, N_("bad size"));
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return Fail(error, N_("unsupported bit depth"));

    uint32_t masks[3] = {0, 0, 0};
    if (compression == 3 && (bpp == 16 || bpp == 32)) { // BI_BITFIELDS
        const size_t at = 14 + 40; // the masks follow the 40-byte part of the header
        if (size < at + 12)
            return Fail(error, N_("the file ends early"));
        for (int i = 0; i < 3; ++i)
            masks[i] = Get32(data + at + 4 * i);
    } else if ((compression == 1 && bpp == 8) || (compression == 2 && bpp == 4)) {
        // run-length encoded, decoded below
    } else if (compression != 0) {
        return Fail(error, N_("unsupported compression"));
    } else if (bpp == 16) {
        masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    } else if (bpp == 32) {
        masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    }

    std::vector<uint32_t> palette; // 0x00RRGGBB
    if (bpp <= 8) {
        const size_t entry = infoSize == 12 ? 3 : 4;
        size_t n = colorsUsed ? colorsUsed : (size_t{1} << bpp);
        if (n > 256)
            return Fail(error, N_("bad palette"));
        const size_t at = 14 + static_cast<size_t>(infoSize);
        if (infoSize > size || at + n * entry > size)
            return Fail(error, N_("the file ends early"));
        for (size_t i = 0; i < n; ++i) {
            const uint8_t* e = data + at + i * entry;
            palette.push_back(e[0] | (e[1] << 8) | (e[2] << 16));
        }
    }

    if (compression == 1 || compression == 2) {
        if (offBits > size)
            return Fail(error, N_("the file ends early"));
        // A run of two bytes makes at most 255 pixels; skips and the end mark leave the rest
        // black. A picture far larger than its data can fill is refused.
        if (w * h > kMaxFreePixels + 256 * static_cast<int64_t>(size - offBits))
            return Fail(error, N_("the run-length data is far too short for the picture size"));
        std::vector<uint8_t> indices;
        if (!DecodeRle(data + offBits, size - offBits, static_cast<int32_t>(w),
                       static_cast<int32_t>(h), compression == 2, indices))
            return Fail(error, N_("bad run-length data"));
        auto picture = std::make_unique<MemBm>(static_cast<int32_t>(w), static_cast<int32_t>(h));
        for (int64_t row = 0; row < h; ++row) {
            const int32_t y = static_cast<int32_t>(topDown ? row : h - 1 - row);
            uint8_t* d = picture->pixelAddress(0, y);
            for (int64_t x = 0; x < w; ++x, d += 4) {
                const uint8_t idx = indices[static_cast<size_t>(row * w + x)];
                const uint32_t c = idx < palette.size() ? palette[idx] : 0;
                d[0] = static_cast<uint8_t>(c);
                d[1] = static_cast<uint8_t>(c >> 8);
                d[2] = static_cast<uint8_t>(c >> 16);
            }
        }
        return picture;
    }

    const uint64_t rowBytes = ((static_cast<uint64_t>(w) * bpp + 31) / 32) * 4;
    if (offBits > size || rowBytes * static_cast<uint64_t>(h) > size - offBits)
        return Fail(error, N_("the file ends early"));

    auto picture = std::make_unique<MemBm>(static_cast<int32_t>(w), static_cast<int32_t>(h));
    const Field fr(masks[0]), fg(masks[1]), fb(masks[2]);
    for (int64_t row = 0; row < h; ++row) {
        const uint8_t* s = data + offBits + rowBytes * row;
        const int32_t y = static_cast<int32_t>(topDown ? row : h - 1 - row);
        uint8_t* d = picture->pixelAddress(0, y);
        for (int64_t x = 0; x < w; ++x, d += 4) {
            uint32_t c = 0;
            switch (bpp) {
            case 1:
            case 4:
            case 8: {
                const uint64_t bit = static_cast<uint64_t>(x) * bpp;
                const unsigned idx = (s[bit / 8] >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
                c = idx < palette.size() ? palette[idx] : 0;
                break;
            }
            case 16: {
                const uint32_t px = Get16(s + 2 * x);
                c = (fr.value(px) << 16) | (fg.value(px) << 8) | fb.value(px);
                break;
            }
            case 24:
                c = s[3 * x] | (s[3 * x + 1] << 8) | (s[3 * x + 2] << 16);
                break;
            case 32: {
                const uint32_t px = Get32(s + 4 * x);
                c = (fr.value(px) << 16) | (fg.value(px) << 8) | fb.value(px);
                break;
            }
            }
            d[0] = static_cast<uint8_t>(c);
            d[1] = static_cast<uint8_t>(c >> 8);
            d[2] = static_cast<uint8_t>(c >> 16);
            d[3] = 0;
        }
    }
    return picture;
}

} // namespace detail
} // namespace tess::image
