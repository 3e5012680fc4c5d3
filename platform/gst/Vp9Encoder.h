#pragma once
// VP9 for the WebM export, through libavcodec's libvpx encoder: GStreamer's vp9enc cannot tell
// libvpx that the pictures are a screen, and that tuning makes a screen of text a third smaller
// at the same quality. Real-time speed, constant quality, no frames held back, so each picture
// given comes straight back coded.
// Only plain C++ types cross this interface.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tess::gst {

class Vp9Encoder {
public:
    struct Packet {
        const uint8_t* data = nullptr;
        size_t size = 0;
        int64_t index = 0; // the picture's number, counted in frame periods from 0
        bool key = false;
    };
    using Sink = std::function<bool(const Packet&)>; // false: stop, the packet was not taken

    Vp9Encoder();
    ~Vp9Encoder();
    Vp9Encoder(const Vp9Encoder&) = delete;
    Vp9Encoder& operator=(const Vp9Encoder&) = delete;

    // `quality` is libvpx's constant-quality level (0 best to 63). False with the reason.
    bool Open(int width, int height, int framesPerSecond, int quality, std::string* error);
    // Codes one 4:2:0 picture (BT.601, studio range): three planes and their row strides.
    bool Encode(const uint8_t* const planes[3], const int strides[3], int64_t index,
                const Sink& sink, std::string* error);
    // Hands over what the coder still holds.
    bool Finish(const Sink& sink, std::string* error);

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace tess::gst
