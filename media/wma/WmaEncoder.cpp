#include "media/wma/WmaEncoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
}

#include <algorithm>
#include <cstring>

namespace tess {

struct WmaEncoder::Impl {
    AVCodecContext* ctx = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    std::string error;
    uint16_t channels = 2;
    size_t frameSize = 0;         // sample frames per block
    size_t blockBytes = 0;        // bytes per coded block
    size_t skip = 0;              // input sample frames still to drop (the coder's lead)
    size_t staged = 0;            // sample frames in `frame`
    uint64_t given = 0;           // sample frames handed in, the dropped ones included
    uint64_t blocks = 0;          // blocks appended
    std::vector<uint8_t> partial; // bytes of an incomplete sample frame
    int64_t pts = 0;

    ~Impl() {
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&ctx);
    }

    void Fail(const char* what, int err) {
        char text[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(err, text, sizeof text);
        error = std::string(what) + ": " + text;
        avcodec_free_context(&ctx);
    }

    // Codes the full frame and appends the blocks the coder gives back.
    size_t Send(std::vector<uint8_t>& out) {
        frame->nb_samples = static_cast<int>(frameSize);
        frame->pts = pts;
        pts += static_cast<int64_t>(frameSize);
        staged = 0;
        size_t n = 0;
        if (int r = avcodec_send_frame(ctx, frame); r < 0) {
            char text[AV_ERROR_MAX_STRING_SIZE] = {};
            av_strerror(r, text, sizeof text);
            error = std::string("the encoder refused a frame: ") + text;
            return 0;
        }
        while (avcodec_receive_packet(ctx, packet) == 0) {
            // A superframe shorter than the block size is padded: the stream's blocks all
            // have the size its format says.
            const size_t at = out.size();
            out.resize(at + blockBytes, 0);
            std::memcpy(out.data() + at, packet->data,
                        std::min(blockBytes, static_cast<size_t>(packet->size)));
            av_packet_unref(packet);
            ++n;
        }
        blocks += n;
        // The next frame gets fresh buffers when the coder kept a reference to this one.
        if (av_frame_make_writable(frame) < 0)
            error = "no memory";
        return n;
    }

    void Put(const int16_t* s, size_t frames, std::vector<uint8_t>& out, size_t& made) {
        while (frames > 0) {
            if (skip > 0) {
                const size_t k = std::min(skip, frames);
                skip -= k;
                s += k * channels;
                frames -= k;
                continue;
            }
            const size_t k = std::min(frameSize - staged, frames);
            for (uint16_t c = 0; c < channels; ++c) {
                auto* dst = reinterpret_cast<float*>(frame->data[c]) + staged;
                for (size_t i = 0; i < k; ++i)
                    dst[i] = static_cast<float>(s[i * channels + c]) * (1.0f / 32768.0f);
            }
            staged += k;
            s += k * channels;
            frames -= k;
            if (staged == frameSize)
                made += Send(out);
        }
    }
};

WmaEncoder::WmaEncoder(uint32_t rate, uint16_t channels, uint32_t bitRate)
    : d_(std::make_unique<Impl>()) {
    d_->channels = channels == 1 ? 1 : 2;
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_WMAV2);
    if (!codec) {
        d_->error = "libavcodec has no Windows Media Audio 2 encoder";
        return;
    }
    d_->ctx = avcodec_alloc_context3(codec);
    d_->frame = av_frame_alloc();
    d_->packet = av_packet_alloc();
    if (!d_->ctx || !d_->frame || !d_->packet) {
        d_->error = "no memory";
        avcodec_free_context(&d_->ctx);
        return;
    }
    d_->ctx->sample_rate = static_cast<int>(rate);
    d_->ctx->bit_rate = bitRate;
    d_->ctx->sample_fmt = AV_SAMPLE_FMT_FLTP;
    av_channel_layout_default(&d_->ctx->ch_layout, d_->channels);
    if (int r = avcodec_open2(d_->ctx, codec, nullptr); r < 0) {
        d_->Fail("cannot open the Windows Media Audio 2 encoder", r);
        return;
    }
    d_->frameSize = static_cast<size_t>(d_->ctx->frame_size);
    d_->blockBytes = static_cast<size_t>(d_->ctx->block_align);
    d_->skip = static_cast<size_t>(std::max(d_->ctx->initial_padding, 0));
    d_->frame->format = d_->ctx->sample_fmt;
    d_->frame->sample_rate = d_->ctx->sample_rate;
    d_->frame->nb_samples = static_cast<int>(d_->frameSize);
    av_channel_layout_copy(&d_->frame->ch_layout, &d_->ctx->ch_layout);
    if (d_->frameSize == 0 || d_->blockBytes == 0) {
        d_->Fail("the encoder gave no block size", AVERROR(EINVAL));
        return;
    }
    if (int r = av_frame_get_buffer(d_->frame, 0); r < 0) {
        d_->Fail("no memory for the sound frame", r);
        return;
    }
}

WmaEncoder::~WmaEncoder() = default;

bool WmaEncoder::valid() const {
    return d_->ctx != nullptr && d_->error.empty();
}

const std::string& WmaEncoder::error() const {
    return d_->error;
}

size_t WmaEncoder::Encode(const uint8_t* pcm, size_t bytes, std::vector<uint8_t>& out) {
    if (!valid())
        return 0;
    const size_t frameBytes = 2u * d_->channels;
    size_t made = 0;
    if (!d_->partial.empty()) {
        const size_t k = std::min(frameBytes - d_->partial.size(), bytes);
        d_->partial.insert(d_->partial.end(), pcm, pcm + k);
        pcm += k;
        bytes -= k;
        if (d_->partial.size() < frameBytes)
            return 0;
        int16_t s[2];
        std::memcpy(s, d_->partial.data(), frameBytes);
        d_->partial.clear();
        ++d_->given;
        d_->Put(s, 1, out, made);
    }
    const size_t frames = bytes / frameBytes;
    if (frames > 0) {
        // The PCM may sit at any address: copied in pieces to aligned samples.
        int16_t chunk[2048];
        const size_t per = sizeof chunk / frameBytes;
        for (size_t done = 0; done < frames;) {
            const size_t k = std::min(per, frames - done);
            std::memcpy(chunk, pcm + done * frameBytes, k * frameBytes);
            d_->Put(chunk, k, out, made);
            done += k;
        }
        d_->given += frames;
    }
    d_->partial.assign(pcm + frames * frameBytes, pcm + bytes);
    return made;
}

size_t WmaEncoder::Finish(std::vector<uint8_t>& out) {
    if (!valid())
        return 0;
    size_t made = 0;
    d_->partial.clear();
    // Silence until every sample handed in has come out of the coder, behind its lead.
    const int16_t zeros[2 * 256] = {};
    while (valid() && d_->blocks * d_->frameSize < d_->given) {
        const size_t k = std::min<size_t>(256, d_->frameSize - d_->staged);
        d_->Put(zeros, k, out, made);
    }
    return made;
}

size_t WmaEncoder::pendingSamples() const {
    const uint64_t out = d_->blocks * d_->frameSize;
    return d_->given > out ? static_cast<size_t>(d_->given - out) : 0;
}

size_t WmaEncoder::blockBytes() const {
    return d_->blockBytes;
}

size_t WmaEncoder::samplesPerBlock() const {
    return d_->frameSize;
}

CodedSoundFormat WmaEncoder::format() const {
    CodedSoundFormat f;
    f.formatTag = kFormatTag;
    f.channels = d_->channels;
    if (d_->ctx) {
        f.samplesPerSec = static_cast<uint32_t>(d_->ctx->sample_rate);
        f.avgBytesPerSec = static_cast<uint32_t>(d_->ctx->bit_rate / 8);
        f.extra.assign(d_->ctx->extradata, d_->ctx->extradata + d_->ctx->extradata_size);
    }
    f.blockAlign = static_cast<uint16_t>(d_->blockBytes);
    f.bitsPerSample = 16;
    return f;
}

} // namespace tess
