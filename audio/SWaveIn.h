#pragma once
// Sound capture for a recording: five buffers of one fifth of a second queued on a capture
// device, taken back strictly in order by a worker thread that hands each one to the
// recording's media file and keeps a copy of the latest for the level meter.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "media/MediaFile.h"
#include "platform/Threading.h"
#include "platform/alsa/WaveIn.h"

namespace tess {

class DesktopServices;

// A recording source. Only Stop and destruction are used by the recording code.
class SRecord {
public:
    virtual ~SRecord() = default;
    virtual bool Stop() = 0;
    virtual bool IsRunning() const = 0;
};

// One open capture device, chosen by product name (the last device with that exact name),
// or the default device when no name matches.
class SWaveInDev {
public:
    SWaveInDev(platform::WaveInSystem& system, const std::string& name,
               const platform::WaveFormat& format, platform::WaveInProc proc, void* instance);
    virtual ~SWaveInDev();
    SWaveInDev(const SWaveInDev&) = delete;
    SWaveInDev& operator=(const SWaveInDev&) = delete;

    virtual int Prepare(platform::WaveHeader* h);
    virtual int Add(platform::WaveHeader* h);
    virtual int Start();
    virtual int Stop(); // stop, then reset; returns the stop's result
    virtual int Unprepare(platform::WaveHeader* h);
    virtual bool IsOpen() const { return device_ != nullptr; }
    virtual bool IsRunning() const { return running_; }

    int DeviceId() const { return deviceId_; }
    int OpenError() const { return openError_; }
    // True once the device reported that it is gone.
    bool Failed() const { return device_ && device_->Failed(); }
    std::string FailureText() const { return device_ ? device_->FailureText() : std::string(); }
    // The device's handle in messages (0 when not open).
    uintptr_t Handle() const { return reinterpret_cast<uintptr_t>(device_.get()); }

private:
    std::unique_ptr<platform::WaveInDevice> device_;
    bool running_ = false;
    int deviceId_ = -1;
    int openError_ = 0;
};

class SWaveIn : public ThreadObject, public SRecord {
public:
    static constexpr int kBuffers = 5;
    static constexpr uint32_t kMaxBufferBytes = 45000;
    static constexpr uint32_t kMinBufferBytes = 1200;

    // `sink` receives the sound (not owned); `deviceName` is the WaveInDriver setting.
    // `system` defaults to the ALSA devices. `desktop` shows Start's message boxes ("wavein"
    // caption); without one they go to the warning log.
    SWaveIn(MediaFile* sink, const std::string& deviceName,
            platform::WaveInSystem* system = nullptr, DesktopServices* desktop = nullptr);
    ~SWaveIn() override;

    // Starts capture in `format` (the sink's default when null); true when capture runs.
    virtual bool Start(const AudioFormat* format = nullptr);
    // The worker's step: takes the next completed buffer of the ring when `h` is null.
    virtual bool ProcessBuffer(platform::WaveHeader* h = nullptr);
    bool Stop() override;
    // True while the device captures (false after Stop or when the device went away).
    bool IsRunning() const override;

    // Peak of a block of samples in the capture's format: 0..128 for 16-bit mono, 0..127
    // for 8-bit mono, left * 256 + right for two channels.
    int PeakLevel(const void* data, size_t bytes) const;
    // PeakLevel of the latest completed buffer; safe from the window thread.
    int LastPeakLevel();
    const AudioFormat& Format() const { return format_; }
    // Bytes per buffer for `f`: a fifth of a second, 1200..45000, whole sample frames.
    static uint32_t BufferLength(const AudioFormat& f);

    void SetOwnsSink(bool owns) { ownsSink_ = owns; }
    int DeviceNumber() const { return deviceNumber_; }

    void Run() override;

private:
    static void Callback(void* instance, unsigned msg, platform::WaveHeader* h);
    void ShowMessage(const std::string& text);
    void CloseDevice();

    std::mutex lastMutex_; // guards the last-buffer copy (the worker holds it only to copy)
    uint32_t lastBytes_ = 0;
    std::array<char, kMaxBufferBytes> last_{};
    AudioFormat format_;
    MediaFile* sink_;
    std::atomic<bool> callbackMode_{false};
    int ring_ = 0;
    bool ownsSink_ = false;
    std::array<platform::WaveHeader, kBuffers> headers_;
    std::array<std::unique_ptr<char[]>, kBuffers> data_;
    std::string deviceName_;
    std::unique_ptr<SWaveInDev> device_;
    int deviceNumber_ = -1;
    std::atomic<bool> stopping_{true};
    AudioFormat defaultFormat_;
    DesktopServices* desktop_;
    platform::WaveInSystem* system_;
    bool failureLogged_ = false;
};

} // namespace tess
