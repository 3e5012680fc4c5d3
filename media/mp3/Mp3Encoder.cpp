#include "media/mp3/Mp3Encoder.h"
#include "platform/Translate.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
}

#include <algorithm>
#include <cstring>

namespace tess {

struct Mp3Encoder::Impl {
    AVCodecContext* ctx = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    std::string error;
    uint16_t channels = 2;
    size_t frameSize = 0;         // sample frames per block
    size_t blockBytes = 0;        // bytes of a frame with its padding byte
    size_t delay = 0;             // the coder's and the decoder's delay, in sample frames
    size_t skip = 0;              // input sample frames still to drop (that delay)
    size_t staged = 0;            // sample frames in `frame`
    uint64_t given = 0;           // sample frames handed in, the dropped ones included
    uint64_t blocks = 0;          // blocks appended
    std::vector<uint8_t> partial; // bytes of an incomplete sample frame
    std::vector<uint32_t> sizes;  // of the blocks appended since TakeBlockSizes
    int64_t pts = 0;

    ~Impl() {
        // What the coder still holds is dropped (Finish has written what the file needs).
        if (ctx && packet && avcodec_send_frame(ctx, nullptr) == 0)
            while (avcodec_receive_packet(ctx, packet) == 0)
                av_packet_unref(packet);
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&ctx);
    }

    // `what` is a translated text with one %s for the coder's reason.
    void Fail(const char* what, int err) {
        char text[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(err, text, sizeof text);
        error = FormatText(what, text);
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
            error = FormatText(Tr("the encoder refused a frame: %s"), text);
            return 0;
        }
        while (avcodec_receive_packet(ctx, packet) == 0) {
            // One packet is one frame.
            out.insert(out.end(), packet->data, packet->data + packet->size);
            sizes.push_back(static_cast<uint32_t>(packet->size));
            av_packet_unref(packet);
            ++n;
        }
        blocks += n;
        // The next frame gets fresh buffers when the coder kept a reference to this one.
        if (av_frame_make_writable(frame) < 0)
            error = Tr("no memory");
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

Mp3Encoder::Mp3Encoder(uint32_t rate, uint16_t channels, uint32_t bitRate)
    : d_(std::make_unique<Impl>()) {
    d_->channels = channels == 1 ? 1 : 2;
    const AVCodec* codec = avcodec_find_encoder_by_name("libmp3lame");
    if (!codec) {
        d_->error = Tr("libavcodec has no MP3 encoder (it is built without LAME)");
        return;
    }
    d_->ctx = avcodec_alloc_context3(codec);
    d_->frame = av_frame_alloc();
    d_->packet = av_packet_alloc();
    if (!d_->ctx || !d_->frame || !d_->packet) {
        d_->error = Tr("no memory");
        avcodec_free_context(&d_->ctx);
        return;
    }
    d_->ctx->sample_rate = static_cast<int>(rate);
    d_->ctx->bit_rate = bitRate;
    d_->ctx->sample_fmt = AV_SAMPLE_FMT_FLTP;
    av_channel_layout_default(&d_->ctx->ch_layout, d_->channels);
    if (int r = avcodec_open2(d_->ctx, codec, nullptr); r < 0) {
        d_->Fail(Tr("cannot open the MP3 encoder: %s"), r);
        return;
    }
    d_->frameSize = static_cast<size_t>(d_->ctx->frame_size);
    // An MPEG-1 Layer III frame: 144 bytes per bit per second over the rate, plus one byte of
    // padding where that is no whole number.
    const uint64_t perFrame = 144ull * bitRate;
    d_->blockBytes = static_cast<size_t>(perFrame / rate + (perFrame % rate != 0 ? 1 : 0));
    d_->delay = static_cast<size_t>(std::max(d_->ctx->initial_padding, 0));
    d_->skip = d_->delay;
    d_->frame->format = d_->ctx->sample_fmt;
    d_->frame->sample_rate = d_->ctx->sample_rate;
    d_->frame->nb_samples = static_cast<int>(d_->frameSize);
    av_channel_layout_copy(&d_->frame->ch_layout, &d_->ctx->ch_layout);
    if (d_->frameSize == 0 || d_->blockBytes == 0) {
        d_->Fail(Tr("the encoder gave no block size: %s"), AVERROR(EINVAL));
        return;
    }
    if (int r = av_frame_get_buffer(d_->frame, 0); r < 0) {
        d_->Fail(Tr("no memory for the sound frame: %s"), r);
        return;
    }
}

Mp3Encoder::~Mp3Encoder() = default;

bool Mp3Encoder::valid() const {
    return d_->ctx != nullptr && d_->error.empty();
}

size_t Mp3Encoder::delaySamples() const {
    return d_->delay;
}

const std::string& Mp3Encoder::error() const {
    return d_->error;
}

size_t Mp3Encoder::Encode(const uint8_t* pcm, size_t bytes, std::vector<uint8_t>& out) {
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

size_t Mp3Encoder::Finish(std::vector<uint8_t>& out) {
    if (!valid())
        return 0;
    size_t made = 0;
    d_->partial.clear();
    // Silence until every sample handed in has come out of the coder, behind its delay.
    const int16_t zeros[2 * 256] = {};
    while (valid() && d_->blocks * d_->frameSize < d_->given) {
        const size_t k = std::min<size_t>(256, d_->frameSize - d_->staged);
        d_->Put(zeros, k, out, made);
    }
    return made;
}

size_t Mp3Encoder::pendingSamples() const {
    const uint64_t out = d_->blocks * d_->frameSize;
    return d_->given > out ? static_cast<size_t>(d_->given - out) : 0;
}

size_t Mp3Encoder::blockBytes() const {
    return d_->blockBytes;
}

size_t Mp3Encoder::samplesPerBlock() const {
    return d_->frameSize;
}

std::vector<uint32_t> Mp3Encoder::TakeBlockSizes() {
    std::vector<uint32_t> sizes;
    sizes.swap(d_->sizes);
    return sizes;
}

CodedSoundFormat Mp3Encoder::format() const {
    CodedSoundFormat f;
    f.formatTag = kFormatTag;
    f.channels = d_->channels;
    if (d_->ctx) {
        f.samplesPerSec = static_cast<uint32_t>(d_->ctx->sample_rate);
        f.avgBytesPerSec = static_cast<uint32_t>(d_->ctx->bit_rate / 8);
    }
    // MPEGLAYER3WAVEFORMAT: block align 1, no bits per sample, then wID (MPEG), fdwFlags
    // (padding as the standard says), nBlockSize (a frame), nFramesPerBlock and nCodecDelay.
    f.blockAlign = 1;
    f.bitsPerSample = 0;
    const auto u16 = [&f](uint32_t v) {
        f.extra.push_back(static_cast<uint8_t>(v));
        f.extra.push_back(static_cast<uint8_t>(v >> 8));
    };
    u16(1);
    u16(0);
    u16(0);
    u16(static_cast<uint32_t>(d_->blockBytes));
    u16(1);
    u16(static_cast<uint32_t>(d_->delay));
    return f;
}

} // namespace tess
