#pragma once
// Wave input devices in the shape the wave-input object expects: numbered devices with
// product names, a device-wide default ("mapper"), and an open device that fills queued
// buffers in order, marks each one done and calls a callback on its own reading thread.
// AlsaWaveInSystem() is the real one (ALSA capture); tests may supply their own.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace tess::platform {

// The PCM fields of a sound format.
struct WaveFormat {
    uint16_t formatTag = 1; // 1 = PCM
    uint16_t channels = 1;
    uint32_t samplesPerSec = 8000;
    uint32_t avgBytesPerSec = 16000;
    uint16_t blockAlign = 2;
    uint16_t bitsPerSample = 16;
};

// Header flags.
constexpr uint32_t kWaveDone = 0x01;     // the device has finished with the buffer
constexpr uint32_t kWavePrepared = 0x02; // Prepare was called
constexpr uint32_t kWaveInQueue = 0x10;  // queued on the device

// Result codes of the device operations (0 = success).
constexpr int kWaveOk = 0;
constexpr int kWaveError = 1;
constexpr int kWaveBadDeviceId = 2;
constexpr int kWaveInvalidHandle = 5;
constexpr int kWaveInvalidParam = 11;
constexpr int kWaveBadFormat = 32;
constexpr int kWaveStillQueued = 33;
constexpr int kWaveUnprepared = 34;

// One buffer handed to a device. `flags` and `bytesRecorded` are written by the reading
// thread; a reader that sees kWaveDone (acquire) also sees the bytes.
struct WaveHeader {
    char* data = nullptr;
    uint32_t bufferLength = 0;
    std::atomic<uint32_t> bytesRecorded{0};
    uintptr_t user = 0;
    std::atomic<uint32_t> flags{0};
    uint32_t loops = 0;
};

// Messages to the callback.
constexpr unsigned kWimData = 1;  // a buffer is done
constexpr unsigned kWimError = 2; // the device failed (gone); no more buffers will fill

// Called on the device's own thread. Must not block.
using WaveInProc = void (*)(void* instance, unsigned msg, WaveHeader* header);

// An open capture device. Closing (destruction) stops and resets it first.
class WaveInDevice {
public:
    virtual ~WaveInDevice() = default;
    virtual int Prepare(WaveHeader* h) = 0;
    virtual int Add(WaveHeader* h) = 0;
    virtual int Start() = 0;
    // Stops filling; a buffer partly filled is handed back done.
    virtual int Stop() = 0;
    // Stops and hands back every queued buffer done, in queue order.
    virtual int Reset() = 0;
    virtual int Unprepare(WaveHeader* h) = 0;
    // True after the device reported kWimError.
    virtual bool Failed() const = 0;
    // Text of the last failure, for the warning log.
    virtual std::string FailureText() const = 0;
};

// The set of capture devices.
class WaveInSystem {
public:
    virtual ~WaveInSystem() = default;
    virtual int DeviceCount() = 0;
    // Product name of device `id` (-1 = the default device); false when unreadable.
    virtual bool DeviceName(int id, std::string* name) = 0;
    // Opens device `id` (-1 = default). Null on failure, with the reason in *error.
    virtual std::unique_ptr<WaveInDevice> Open(int id, const WaveFormat& format, WaveInProc proc,
                                               void* instance, int* error) = 0;
};

// The ALSA capture devices: -1 is ALSA's "default", then the sound server and every card's
// capture device with conversions ("plughw").
WaveInSystem& AlsaWaveInSystem();

// Sets up the PulseAudio client library of this process so that a sound server that goes
// away mid-capture is reported rather than hanging the reader (see AlsaWaveIn.cpp).
// Called by AlsaWaveInSystem() and by the mixer; harmless to call again.
void PreparePulseClient();

} // namespace tess::platform
