#pragma once
// The screen cast's PipeWire stream: connected through the descriptor the portal hands out,
// to the node it names, on a PipeWire thread loop of its own. It offers the pixel formats
// this program reads, asks for buffers of the negotiated size, and hands each newest
// buffer's picture to its owner; older buffers go straight back. The end of the cast (the
// node leaving the graph, the stream failing or disconnecting after it streamed, the
// connection lost) is reported with its reason. Every report comes on PipeWire's thread.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/ScreenPixelSource.h"
#include "platform/Translate.h"

struct pw_thread_loop;
struct pw_context;
struct pw_core;
struct pw_stream;
struct pw_registry;
struct spa_buffer;

namespace tess::portal {

// Why a cast that was stopped from the desktop ended (translate at use: Tr(kCastEndedText)).
inline constexpr const char* kCastEndedText =
    N_("the screen cast ended (sharing was stopped from the desktop)");

struct CastStreamEvents {
    // A picture of `width` x `height` pixels in `format`, rows `stride` bytes apart.
    std::function<void(const uint8_t* pixels, int64_t stride, StreamPixelFormat format,
                       int32_t width, int32_t height)>
        picture;
    // A buffer came that cannot be read (a DMA-BUF the driver does not let us map).
    std::function<void()> unreadable;
    // The cast ended, and why.
    std::function<void(const std::string& why)> ended;
};

class CastStream {
public:
    explicit CastStream(CastStreamEvents events);
    ~CastStream();
    CastStream(const CastStream&) = delete;
    CastStream& operator=(const CastStream&) = delete;

    // Connects to `node` through `fd`, which the stream takes (also when it fails); false
    // when the stream cannot be opened.
    bool open(int fd, uint32_t node);
    // Stops the loop and lets go of the stream; no report comes after it.
    void close();

private:
    struct Listeners; // PipeWire's hooks and the callbacks they call
    void takePicture(const spa_buffer& buffer);

    CastStreamEvents events_;
    pw_thread_loop* loop_ = nullptr;
    pw_context* context_ = nullptr;
    pw_core* core_ = nullptr;
    pw_stream* stream_ = nullptr;
    pw_registry* registry_ = nullptr;
    std::unique_ptr<Listeners> listeners_;
    uint32_t node_ = 0;
    bool streamWasActive_ = false;
    int format_ = 0; // tess_stream_format_index, 0 before a format was agreed
    int32_t width_ = 0, height_ = 0;
};

} // namespace tess::portal
