#pragma once
// The screen of a Wayland session, read through the desktop portal's screen-cast interface
// and the PipeWire stream it opens. D-Bus is spoken through GDBus on a thread of this
// object's own, with a main context of its own (never the toolkit's); the stream runs on
// PipeWire's thread loop, which copies each new picture into the newest-picture buffer under
// a lock. Grabs read that buffer, from any thread.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/ScreenPixelSource.h"

namespace tess {

struct PortalCastOptions {
    bool cursor = true;       // the cursor drawn into the first cast's pictures, where the
                              // portal can (later casts follow wantCursor)
    bool window = false;      // ask for a window instead of a monitor
    std::string restoreToken; // permission given before; empty: the portal asks
    // Called on the thread that started the cast with the token that restores this
    // permission next time (tokens are single-use); empty when the portal gave none.
    std::function<void(const std::string&)> tokenChanged;
    // Answers that involve no user, and the stream's first picture. A desktop that went away
    // is seen at once (its name leaves the bus, or it closes the session); these only bound
    // one that hangs, and a busy machine's desktop was seen to take over 10 s to answer.
    int requestTimeoutMs = 25000;
    int firstPictureTimeoutMs = 15000;
    // Some desktops send a picture only when the screen changes, so a new cast of a still
    // screen would get none: when none came within firstPictureNudgeMs of the stream's
    // opening, this is called (on the thread that started the cast, with the place the
    // portal announced for the stream, if any, in the compositor's coordinates) to make the
    // screen repaint without changing, and again every half second while none comes.
    std::function<void(const std::optional<ScreenRect>& announced)> askForRepaint;
    int firstPictureNudgeMs = 30;
    // A cast that nothing has read (or held) for this long ends (the desktop's "sharing" indicator
    // goes away) when the portal gave a token, so the next read starts it again without asking; 0:
    // it runs until stopped.
    int idleStopMs = 0;
};

class PortalScreenCast : public ScreenPixelSource {
public:
    explicit PortalScreenCast(PortalCastOptions options);
    ~PortalScreenCast() override;
    PortalScreenCast(const PortalScreenCast&) = delete;
    PortalScreenCast& operator=(const PortalScreenCast&) = delete;

    bool start() override;
    bool grab(const ScreenRect& area, const ScreenRect& xScreen, uint8_t* dst,
              int32_t dstStride) override;
    bool ended() const override;
    std::string failure() const override;
    void hold(bool on) override;
    void wantCursor(bool on) override;
    void screenChanged(int limitMs) override;

    // Ends the cast (the session is closed, the stream stopped); start() begins a new one.
    void stop();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace tess
