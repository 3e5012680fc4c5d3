#pragma once
// The media player: one GStreamer playbin for one file. The picture goes into a native X
// window given by its id (the video-overlay interface); the sound goes to the default output
// or to the first output device whose name contains a given text. Only plain C++ types cross
// this interface, so no GStreamer header meets the rest of the program.
//
// Window thread only. Nothing here runs a main loop: the owner polls `Poll()` (the window's
// timer does) to learn of the end of the stream and of errors.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tess::gst {

// Starts GStreamer once for the process; false (with `error`) when it cannot start.
bool Initialise(std::string* error = nullptr);

// True when an element factory of this name is installed (for example "ximagesink").
bool HasElement(const std::string& factoryName);

struct OpenResult {
    bool ok = false;     // the file can be played (perhaps without one of its streams)
    std::string message; // empty, or why a stream or the file cannot be played
};

class Player {
public:
    Player();
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Opens `path` and waits (at most `timeoutMs`) until its first frame is ready, paused.
    // `windowId` is the X window that shows the picture (0: no window, the picture is
    // dropped); `soundDevice` picks the sound output ("" / "<default>" / "-1": the default).
    // A file that plays in part opens with a message: a stream in a format no installed
    // plug-in reads, no picture output, or no working sound output (then the pictures play
    // without the sound). The message names a missing plug-in with its Debian package.
    OpenResult Open(const std::string& path, unsigned long windowId, const std::string& soundDevice,
                    int timeoutMs = 5000);

    bool Play();
    bool Pause();
    // Stops for good (state NULL); the player can be opened again afterwards.
    void Close();

    // Handles what the pipeline reported since the last call. Returns true when the stream
    // ended or failed since then (the player is paused then); `error` gets a failure's text.
    bool Poll(std::string* error = nullptr);
    bool playing() const { return playing_; }
    bool ended() const { return ended_; }

    // Position and duration in milliseconds; -1 when unknown (the position: the last one
    // known or sought when the pipeline cannot tell).
    int64_t PositionMs() const;
    int64_t DurationMs() const;
    // Seeks to `ms`, exactly (decoding on from the key frame before it). Waits for the new
    // frame, at most a few seconds.
    bool SeekMs(int64_t ms);
    bool SetRate(double rate);
    double rate() const { return rate_; }

    // The stream volume in decibels (0 is full, -100 is silence for our purposes).
    bool SetVolumeDb(double db);
    // The volume the pipeline itself holds, in decibels (-inf when it is at zero).
    double VolumeDb() const;

    bool hasVideo() const { return videoStreams_ > 0; }
    bool hasAudio() const { return audioStreams_ > 0; }
    int videoWidth() const { return width_; }
    int videoHeight() const { return height_; }
    // The nominal or measured bit rate from the stream tags; 0 when none is given.
    int64_t bitRate() const { return bitRate_; }
    // The name of the sound output element's device, empty for the default.
    const std::string& soundDeviceUsed() const { return soundDeviceUsed_; }

    // Places the picture at (x, y, w, h) of the window; (0, 0, 0, 0) fills it. Before a
    // sink that does not scale (the plain X image one), the picture is scaled to fit w x h,
    // proportions kept, and centred by the sink (0 x 0: its own size); a paused picture is
    // decoded again at the new size.
    void SetRenderRectangle(int x, int y, int w, int h);
    // Draws the last frame again (after the window was exposed).
    void Expose();
    // The size of the picture the sink has last drawn (false when none).
    bool ShownSize(int* width, int* height) const;
    // The frame shown now at the video's own size, as rows of width * 4 bytes from the top,
    // each pixel blue, green, red, unused. False (nothing filled) when there is none.
    bool CurrentFrame(std::vector<uint8_t>* bgrx, int* width, int* height) const;

private:
    // One attempt of `Open`, with or without the sound; sets soundOutputFailed_ when the
    // sound output is what failed.
    OpenResult OpenOnce(const std::string& path, unsigned long windowId,
                        const std::string& soundDevice, int timeoutMs, bool withSound);

    struct Impl;
    std::unique_ptr<Impl> impl_;
    bool playing_ = false;
    bool ended_ = false;
    double rate_ = 1.0;
    int videoStreams_ = 0, audioStreams_ = 0;
    int width_ = 0, height_ = 0;
    int64_t bitRate_ = 0;
    mutable int64_t lastPositionMs_ = -1;
    std::string soundDeviceUsed_;
    bool soundOutputFailed_ = false;
};

} // namespace tess::gst
