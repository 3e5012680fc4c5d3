// JPEG through libjpeg (libjpeg-turbo: it reads and writes our blue-green-red-unused rows
// directly).
#include <algorithm>
#include <csetjmp>
#include <cstdio>
// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include "media/image/ImageCodec.h"
#include "platform/Translate.h"

namespace tess::image {

namespace {

struct ErrorManager {
    jpeg_error_mgr pub;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    longjmp(err->jump, 1);
}

void QuietMessage(j_common_ptr, int) {}

// Everything that changes after setjmp lives in the caller and is reached by reference.
bool Compress(jpeg_compress_struct& cinfo, ErrorManager& err, const MemBm& picture, std::FILE* out,
              int quality) {
    if (setjmp(err.jump))
        return false;
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, out);
    cinfo.image_width = static_cast<JDIMENSION>(picture.width());
    cinfo.image_height = static_cast<JDIMENSION>(picture.height());
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (quality >= 90) {
        // No chroma subsampling at high quality: coloured text on screens stays sharp.
        for (int c = 0; c < cinfo.num_components; ++c)
            cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
    }
    cinfo.dct_method = JDCT_ISLOW;
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(
            picture.pixelAddress(0, static_cast<int32_t>(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    return true;
}

bool Decompress(jpeg_decompress_struct& cinfo, ErrorManager& err, const uint8_t* data, size_t size,
                std::unique_ptr<MemBm>& picture, std::vector<uint8_t>& cmyk) {
    if (setjmp(err.jump))
        return false;
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    if (cinfo.image_width > static_cast<JDIMENSION>(detail::kMaxSide) ||
        cinfo.image_height > static_cast<JDIMENSION>(detail::kMaxSide) ||
        int64_t{cinfo.image_width} * cinfo.image_height > detail::kMaxPixels) {
        std::snprintf(err.message, sizeof err.message, "%s", Tr("too large"));
        return false;
    }
    // An 8 x 8 block takes a few bits at the very least: a picture far larger than its data
    // could hold is refused before hundreds of megabytes of grey are decoded.
    if (int64_t{cinfo.image_width} * cinfo.image_height >
        detail::kMaxFreePixels + 1024 * static_cast<int64_t>(size)) {
        std::snprintf(err.message, sizeof err.message, "%s",
                      Tr("the picture data is far too short for its size"));
        return false;
    }
    const bool isCmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = isCmyk ? JCS_CMYK : JCS_EXT_BGRX;
    jpeg_start_decompress(&cinfo);
    picture = std::make_unique<MemBm>(static_cast<int32_t>(cinfo.output_width),
                                      static_cast<int32_t>(cinfo.output_height));
    if (picture->empty()) {
        std::snprintf(err.message, sizeof err.message, "%s", Tr("empty picture"));
        return false;
    }
    if (isCmyk)
        cmyk.resize(static_cast<size_t>(cinfo.output_width) * 4);
    while (cinfo.output_scanline < cinfo.output_height) {
        uint8_t* dst = picture->pixelAddress(0, static_cast<int32_t>(cinfo.output_scanline));
        JSAMPROW row = isCmyk ? cmyk.data() : dst;
        jpeg_read_scanlines(&cinfo, &row, 1);
        if (isCmyk) {
            // Adobe writes the inks inverted: the stored values are 255 - ink.
            for (JDIMENSION x = 0; x < cinfo.output_width; ++x) {
                const uint8_t* s = &cmyk[x * 4];
                dst[x * 4 + 0] = static_cast<uint8_t>(s[2] * s[3] / 255);
                dst[x * 4 + 1] = static_cast<uint8_t>(s[1] * s[3] / 255);
                dst[x * 4 + 2] = static_cast<uint8_t>(s[0] * s[3] / 255);
            }
        }
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}

} // namespace

bool EncodeJpeg(const MemBm& picture, std::FILE* out, int quality) {
    if (picture.empty() || !out)
        return false;
    quality = std::clamp(quality, 1, 100);
    jpeg_compress_struct cinfo{};
    ErrorManager err{};
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    err.pub.emit_message = QuietMessage;
    const bool ok = Compress(cinfo, err, picture, out, quality);
    jpeg_destroy_compress(&cinfo);
    return ok && std::fflush(out) == 0 && !std::ferror(out);
}

namespace detail {

std::unique_ptr<MemBm> DecodeJpeg(const uint8_t* data, size_t size, std::string* error) {
    if (!data || size == 0) {
        if (error)
            *error = Tr("not a readable JPEG picture: empty file");
        return nullptr;
    }
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    err.pub.emit_message = QuietMessage;
    std::unique_ptr<MemBm> picture;
    std::vector<uint8_t> cmyk;
    const bool ok = Decompress(cinfo, err, data, size, picture, cmyk);
    jpeg_destroy_decompress(&cinfo);
    if (!ok) {
        if (error)
            *error = FormatText(Tr("not a readable JPEG picture: %s"), err.message);
        return nullptr;
    }
    return picture;
}

} // namespace detail
} // namespace tess::image
