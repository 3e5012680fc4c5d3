#include "platform/gst/Vp9Encoder.h"

#include "platform/Translate.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
}

namespace tess::gst {

namespace {

// `what` is a translated text with one %s for the coder's reason.
std::string Reason(const char* what, int err) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(err, text, sizeof text);
    return FormatText(what, text);
}

} // namespace

struct Vp9Encoder::Impl {
    AVCodecContext* ctx = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;

    ~Impl() {
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&ctx);
    }

    // Hands every coded packet waiting in the coder to `sink`.
    bool Drain(const Sink& sink, std::string* error) {
        for (;;) {
            const int r = avcodec_receive_packet(ctx, packet);
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
                return true;
            if (r < 0) {
                *error = Reason(Tr("The VP9 coder failed: %s"), r);
                return false;
            }
            Packet p;
            p.data = packet->data;
            p.size = static_cast<size_t>(packet->size);
            p.index = packet->pts;
            p.key = (packet->flags & AV_PKT_FLAG_KEY) != 0;
            const bool taken = sink(p);
            av_packet_unref(packet);
            if (!taken)
                return false;
        }
    }
};

Vp9Encoder::Vp9Encoder() : d_(std::make_unique<Impl>()) {}
Vp9Encoder::~Vp9Encoder() = default;

bool Vp9Encoder::Open(int width, int height, int framesPerSecond, int quality, std::string* error) {
    // libavcodec's notes (the libvpx version at every start) are not for the user's terminal.
    if (av_log_get_level() > AV_LOG_WARNING)
        av_log_set_level(AV_LOG_WARNING);
    const AVCodec* codec = avcodec_find_encoder_by_name("libvpx-vp9");
    if (!codec) {
        *error = Tr("libavcodec has no VP9 encoder (libvpx-vp9): install the Debian package "
                    "libavcodec59.");
        return false;
    }
    d_->ctx = avcodec_alloc_context3(codec);
    d_->frame = av_frame_alloc();
    d_->packet = av_packet_alloc();
    if (!d_->ctx || !d_->frame || !d_->packet) {
        *error = Tr("Out of memory for the VP9 coder.");
        return false;
    }
    AVCodecContext* c = d_->ctx;
    c->width = width;
    c->height = height;
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->time_base = AVRational{1, framesPerSecond};
    c->framerate = AVRational{framesPerSecond, 1};
    c->sample_aspect_ratio = AVRational{1, 1};
    c->colorspace = AVCOL_SPC_SMPTE170M;
    c->color_primaries = AVCOL_PRI_SMPTE170M;
    c->color_trc = AVCOL_TRC_SMPTE170M;
    c->color_range = AVCOL_RANGE_MPEG;
    c->bit_rate = 0; // constant quality: no bit rate aimed at
    c->gop_size = framesPerSecond * 10;
    c->thread_count = 2;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "deadline", "realtime", 0);
    av_dict_set(&options, "cpu-used", "8", 0);
    av_dict_set(&options, "row-mt", "1", 0);
    av_dict_set(&options, "lag-in-frames", "0", 0);
    av_dict_set(&options, "tune-content", "screen", 0);
    av_dict_set_int(&options, "crf", quality, 0);
    const int r = avcodec_open2(c, codec, &options);
    av_dict_free(&options);
    if (r < 0) {
        *error = Reason(Tr("The VP9 coder did not start: %s"), r);
        avcodec_free_context(&d_->ctx);
        return false;
    }
    d_->frame->format = AV_PIX_FMT_YUV420P;
    d_->frame->width = width;
    d_->frame->height = height;
    return true;
}

bool Vp9Encoder::Encode(const uint8_t* const planes[3], const int strides[3], int64_t index,
                        const Sink& sink, std::string* error) {
    if (!d_->ctx) {
        *error = Tr("The VP9 coder is not open.");
        return false;
    }
    AVFrame* f = d_->frame;
    for (int i = 0; i < 3; ++i) {
        f->data[i] = const_cast<uint8_t*>(planes[i]);
        f->linesize[i] = strides[i];
    }
    f->pts = index;
    // The frame borrows the caller's planes; the coder copies what it keeps.
    const int r = avcodec_send_frame(d_->ctx, f);
    for (auto& data : f->data)
        data = nullptr;
    if (r < 0) {
        *error = Reason(Tr("The VP9 coder refused a picture: %s"), r);
        return false;
    }
    return d_->Drain(sink, error);
}

bool Vp9Encoder::Finish(const Sink& sink, std::string* error) {
    if (!d_->ctx)
        return true;
    if (const int r = avcodec_send_frame(d_->ctx, nullptr); r < 0 && r != AVERROR_EOF) {
        *error = Reason(Tr("The VP9 coder could not finish: %s"), r);
        return false;
    }
    return d_->Drain(sink, error);
}

} // namespace tess::gst
