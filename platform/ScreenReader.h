#pragma once
// Reading the screen: one interface, two back ends. The X server's reader is the display
// connection itself (platform/x11/Screen.h); in a Wayland session an X client sees only the
// windows of other X clients, so the screen is read from a stream the desktop hands out
// (the portal's screen cast, platform/portal/) through the source reader below. The back end
// is chosen once, at start-up (app/ScreenBackendSetup.cpp), and every grab asks ReaderFor
// for the reader of its connection; the rest of the program goes on speaking X coordinates
// (Xwayland's, which are the compositor's logical ones).
#include <cstdint>
#include <optional>
#include <string>

#include "platform/ScreenRect.h"

namespace tess {

class ScreenConnection;
class ScreenPixelSource;

class ScreenReader {
public:
    virtual ~ScreenReader() = default;
    // Copies `area` (screen coordinates) into `dst` as 32-bit blue, green, red, unused
    // (`dstStride` bytes a row; area.width() x area.height() pixels). Parts that show
    // nothing are black. False when no pixels came (dst is then black).
    virtual bool grab(const ScreenRect& area, uint8_t* dst, int32_t dstStride) = 0;
    // The same into the reader's own memory, where it has one the pixels arrive in (the X
    // server's shared segment): their address and row length in *stride, for the caller to
    // read and draw on until the next grab through this reader. Null (nothing grabbed) when
    // it has none, or `area` is not wholly on the desktop: then grab() into a picture.
    virtual uint8_t* grabInPlace(const ScreenRect& area, int32_t* stride) {
        (void)area;
        (void)stride;
        return nullptr;
    }
    // The cursor image and position to draw into a picture; none when the reader has none
    // (a stream's pictures show the cursor themselves when it is wanted).
    virtual std::optional<CursorImage> cursor() = 0;
    // A reader that reads at its own pace and must never wait (the recorder thread's): it
    // never starts its source, its grabs fail once the source has ended, and the source is
    // not stopped for want of use while the reader lives.
    virtual void hold() {}
    // True once the reader's source stopped delivering (sharing was stopped).
    virtual bool ended() const { return false; }
    // Why the source failed to start or ended; empty when nothing went wrong.
    virtual std::string failure() const { return {}; }
    // Whether the next grabs' pictures are to show the cursor (a recording's frames always
    // do; a snapshot as the user set it).
    virtual void wantCursor(bool on) { (void)on; }
};

// The back end chosen at start-up: the screen is read from `source` (the caller keeps it
// alive while it is set) instead of the X server; null, the default, reads the X server.
void SetScreenPixelSource(ScreenPixelSource* source);
// True when the screen is read from a source rather than the X server, where only the
// windows of X programs can be picked.
bool ScreenReadFromSource();
// Tells the source, when the screen is read from one, that the program just took a window
// of its own off the screen (ScreenPixelSource::screenChanged).
void ScreenChangedForSource(int limitMs);

// The reader of the chosen back end for grabs over `connection` (on its thread): the
// connection itself, or the source seen through it. Valid while the connection lives.
ScreenReader& ReaderFor(ScreenConnection& connection);

} // namespace tess
