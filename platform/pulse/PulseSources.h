#pragma once
// The desktop's sound through the sound server (PulseAudio, or PipeWire's PulseAudio
// service): the monitor sources of its outputs, and the capture of one of them.
//
// Everything here speaks libpulse's asynchronous API on a main loop of its own, run by the
// calling thread (the list) or by the capture's own thread; nothing waits without a bound.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tess::pulse {

struct SoundSource {
    std::string name;        // the server's name, e.g. "alsa_output.pci-0000_00_1f.3.monitor"
    std::string description; // what the user reads, e.g. "Monitor of Built-in Audio"
    uint32_t rate = 0;       // the source's own sample rate
};

struct MonitorList {
    std::vector<SoundSource> monitors; // the server's order
    std::string defaultMonitor;        // the monitor of the default output ("" when none)
    std::string error;                 // why the list is empty (no server, ...)
};

// The monitors of the server's outputs. Waits at most `timeout` for the server.
MonitorList ListMonitorSources(std::chrono::milliseconds timeout = std::chrono::seconds(2));

// The rate a desktop recording takes for a source that runs at `sourceRate`: 44100 stays,
// anything else becomes 48000.
uint32_t CaptureRateFor(uint32_t sourceRate);

// Captures one source as 16-bit stereo at CaptureRateFor(its rate) in small fragments on a
// thread of its own. When the source disappears or the server goes away, one warning goes to
// the warning log and the capture goes on handing out silence paced by the steady clock, so
// whoever records it keeps the recording's time.
class SourceCapture {
public:
    // Called on the capture's thread with interleaved stereo frames.
    using Sink = std::function<void(const int16_t* frames, size_t count)>;

    SourceCapture();
    ~SourceCapture(); // stops
    SourceCapture(const SourceCapture&) = delete;
    SourceCapture& operator=(const SourceCapture&) = delete;

    // Starts capturing `source` ("" = the monitor of the default output). Waits at most
    // `timeout` for the stream to run; false with `error` when it does not.
    bool Start(const std::string& source, Sink sink, std::string* error,
               std::chrono::milliseconds timeout = std::chrono::seconds(3));
    void Stop();

    uint32_t rate() const;
    static constexpr uint16_t kChannels = 2;
    // The source's server name (the default's, looked up, when started with "").
    std::string sourceName() const;
    // True once the source or the server went away (silence is handed out since).
    bool lost() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace tess::pulse
