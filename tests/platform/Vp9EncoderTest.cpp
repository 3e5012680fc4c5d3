// The WebM export's VP9 coder: each picture comes straight back as one packet with its number
// and key flag, and libavcodec's own VP9 decoder gives the pictures back.
#include "platform/gst/Vp9Encoder.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace tess::gst {
namespace {

constexpr int kW = 96, kH = 64; // padded strides below: the coder must honour them

// A 4:2:0 picture of sharp blocks and a one-pixel grid, a dark square at `step`.
struct Picture {
    std::vector<uint8_t> y = std::vector<uint8_t>((kW + 32) * kH, 0);
    std::vector<uint8_t> u = std::vector<uint8_t>((kW / 2 + 16) * kH / 2, 128);
    std::vector<uint8_t> v = std::vector<uint8_t>((kW / 2 + 16) * kH / 2, 128);
    const int strides[3] = {kW + 32, kW / 2 + 16, kW / 2 + 16};
    const uint8_t* planes[3] = {y.data(), u.data(), v.data()};

    explicit Picture(int step) {
        for (int r = 0; r < kH; ++r)
            for (int c = 0; c < kW; ++c) {
                const bool square = c / 16 == step % 6 && r / 16 == 1;
                y[r * strides[0] + c] = square                       ? 20
                                        : (r % 8 == 0 || c % 8 == 0) ? 60
                                                                     : 16 + (c / 16) * 35;
            }
        for (int r = 0; r < kH / 2; ++r)
            for (int c = 0; c < kW / 2; ++c)
                u[r * strides[1] + c] = static_cast<uint8_t>(64 + c * 2);
    }
};

double LumaPsnr(const Picture& a, const AVFrame* b) {
    double se = 0;
    for (int r = 0; r < kH; ++r)
        for (int c = 0; c < kW; ++c) {
            const double d = a.y[r * a.strides[0] + c] - b->data[0][r * b->linesize[0] + c];
            se += d * d;
        }
    return se == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / (se / (kW * kH)));
}

TEST(Vp9Encoder, EachPictureComesBackAsOnePacketThatDecodesToIt) {
    Vp9Encoder coder;
    std::string error;
    {
        Vp9Encoder closed;
        const Picture p(0);
        EXPECT_FALSE(closed.Encode(p.planes, p.strides, 0, {}, &error));
        EXPECT_FALSE(error.empty());
    }
    ASSERT_TRUE(coder.Open(kW, kH, 10, 44, &error)) << error;

    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_VP9);
    ASSERT_NE(codec, nullptr);
    AVCodecContext* decoder = avcodec_alloc_context3(codec);
    ASSERT_EQ(avcodec_open2(decoder, codec, nullptr), 0);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();

    std::vector<Vp9Encoder::Packet> got;
    std::vector<double> psnr;
    const auto decode = [&](const Vp9Encoder::Packet& p, const Picture& source) {
        got.push_back(p);
        av_new_packet(packet, static_cast<int>(p.size));
        std::copy(p.data, p.data + p.size, packet->data);
        EXPECT_EQ(avcodec_send_packet(decoder, packet), 0);
        av_packet_unref(packet);
        while (avcodec_receive_frame(decoder, frame) == 0)
            psnr.push_back(LumaPsnr(source, frame));
        return true;
    };
    for (int i = 0; i < 12; ++i) {
        const Picture p(i);
        ASSERT_TRUE(coder.Encode(
            p.planes, p.strides, i, [&](const Vp9Encoder::Packet& c) { return decode(c, p); },
            &error))
            << error;
        // Nothing is held back: a WebM's pictures keep their times.
        ASSERT_EQ(got.size(), static_cast<size_t>(i + 1));
        EXPECT_EQ(got.back().index, i);
        EXPECT_EQ(got.back().key, i == 0);
    }
    EXPECT_TRUE(coder.Finish([&](const Vp9Encoder::Packet&) { return false; }, &error)) << error;
    ASSERT_EQ(psnr.size(), 12u);
    // A lossy coder of a tiny synthetic picture: 36 to 40 dB here; a plane read with the wrong
    // stride would give garbage far below 30.
    for (double db : psnr)
        EXPECT_GT(db, 30.0);

    // A sink that takes no more (the pipeline stopping) stops the coding without a message.
    Vp9Encoder again;
    ASSERT_TRUE(again.Open(kW, kH, 10, 44, &error));
    error.clear();
    const Picture p(1);
    EXPECT_FALSE(again.Encode(
        p.planes, p.strides, 0, [](const auto&) { return false; }, &error));
    EXPECT_TRUE(error.empty()) << error;

    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&decoder);
}

} // namespace
} // namespace tess::gst
