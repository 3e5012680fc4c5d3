#pragma once
// Transcoding a recording with GStreamer: its streams decoded as playback decodes them, the
// pictures brought to one frame rate and size, then encoded and muxed into WebM (VP9 profile 0
// + Opus) or MP4 (H.264 + AAC, the index before the data), or handed over as raw frames. The
// pipeline is built element by element, never from text. Only plain C++ types cross this
// interface, so no GStreamer header meets the rest of the program.
//
// `Run` blocks the calling thread (a worker) until the stream ends, fails or is cancelled.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace tess::gst {

enum class TranscodeTarget { WebM, Mp4, Frames };

struct TranscodeJob {
    TranscodeTarget target = TranscodeTarget::WebM;
    std::string input;  // the recording
    std::string output; // the file written (WebM, MP4)
    // MP4: the muxer's temporary file of the data while it writes the index first.
    std::string mp4Scratch;
    int width = 0, height = 0; // the output picture; even for WebM and MP4
    int framesPerSecond = 15;
    bool video = true; // the recording has pictures (a sound recording has none)
    bool sound = true; // the recording has sound, and the target keeps it
    // The recording's sound (0: not known): a voice stream stays one, coded at a voice's rate.
    int soundRate = 0, soundChannels = 0;
    int64_t durationNs = 0; // the recording's length, for the progress
};

// One raw picture for `TranscodeTarget::Frames`: 32-bit pixels blue, green, red, unused, rows
// top to bottom, `stride` bytes apart.
struct RawFrame {
    const uint8_t* pixels = nullptr;
    int width = 0, height = 0, stride = 0;
    int64_t timeNs = 0, durationNs = 0;
};

class Transcoder {
public:
    // Called on a streaming thread for each raw frame; false stops the transcoding as failed.
    std::function<bool(const RawFrame&)> onFrame;
    // Called on the thread of `Run` about ten times a second with the time reached.
    std::function<void(int64_t timeNs)> onProgress;

    // Runs `job` to its end. False with the reason in `error` (or cancelled()).
    bool Run(const TranscodeJob& job, std::string* error);
    // Stops a running `Run` from any thread.
    void Cancel() { cancel_ = true; }
    bool cancelled() const { return cancel_; }

private:
    std::atomic<bool> cancel_{false};
};

} // namespace tess::gst
