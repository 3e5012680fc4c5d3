#include "audio/SWaveIn.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/DesktopServices.h"
#include "platform/Log.h"
#include "platform/Translate.h"

namespace tess {
namespace {

platform::WaveFormat ToWave(const AudioFormat& f) {
    platform::WaveFormat w;
    w.formatTag = f.formatTag;
    w.channels = f.channels;
    w.samplesPerSec = f.samplesPerSec;
    w.avgBytesPerSec = f.avgBytesPerSec;
    w.blockAlign = f.blockAlign;
    w.bitsPerSample = f.bitsPerSample;
    return w;
}

} // namespace

// ---- SWaveInDev ----

SWaveInDev::SWaveInDev(platform::WaveInSystem& system, const std::string& name,
                       const platform::WaveFormat& format, platform::WaveInProc proc,
                       void* instance) {
    std::string product;
    int chosen = system.DeviceName(-1, &product) ? -1 : 0;
    if (!name.empty()) {
        int count = system.DeviceCount();
        for (int i = 0; i < count; ++i)
            if (system.DeviceName(i, &product) && product == name)
                chosen = i; // the last device with this name wins
    }
    deviceId_ = chosen;
    device_ = system.Open(chosen, format, proc, instance, &openError_);
}

SWaveInDev::~SWaveInDev() {
    if (running_)
        Stop();
    device_.reset();
}

int SWaveInDev::Prepare(platform::WaveHeader* h) {
    return device_ ? device_->Prepare(h) : platform::kWaveInvalidHandle;
}

int SWaveInDev::Add(platform::WaveHeader* h) {
    return device_ ? device_->Add(h) : platform::kWaveInvalidHandle;
}

int SWaveInDev::Start() {
    running_ = true;
    return device_ ? device_->Start() : platform::kWaveInvalidHandle;
}

int SWaveInDev::Stop() {
    running_ = false;
    if (!device_)
        return platform::kWaveInvalidHandle;
    int r = device_->Stop();
    device_->Reset();
    return r;
}

int SWaveInDev::Unprepare(platform::WaveHeader* h) {
    return device_ ? device_->Unprepare(h) : platform::kWaveInvalidHandle;
}

// ---- SWaveIn ----

SWaveIn::SWaveIn(MediaFile* sink, const std::string& deviceName, platform::WaveInSystem* system,
                 DesktopServices* desktop)
    : sink_(sink), desktop_(desktop), system_(system ? system : &platform::AlsaWaveInSystem()) {
    if (sink_)
        defaultFormat_ = sink_->DefaultAudioFormat();
    format_ = defaultFormat_;
    deviceName_ = deviceName.substr(0, 259);
    uint32_t len = defaultFormat_.avgBytesPerSec / 5;
    if (defaultFormat_.blockAlign > 0)
        len -= len % defaultFormat_.blockAlign;
    len = std::min(len, kMaxBufferBytes);
    for (int i = 0; i < kBuffers; ++i) {
        data_[i] = std::make_unique<char[]>(kMaxBufferBytes);
        auto& h = headers_[i];
        h.data = data_[i].get();
        h.bufferLength = len;
        h.bytesRecorded = 0;
        h.flags = 0;
        h.loops = 0;
        h.user = static_cast<uintptr_t>(i);
    }
    ring_ = 0;
    Resume();
}

SWaveIn::~SWaveIn() {
    Stop();
    {
        std::lock_guard lk(lock_);
        device_.reset();
    }
    EndThread(std::chrono::milliseconds(2000));
    if (ownsSink_)
        delete sink_;
}

uint32_t SWaveIn::BufferLength(const AudioFormat& f) {
    uint32_t len = f.avgBytesPerSec / 5;
    len = std::clamp(len, kMinBufferBytes, kMaxBufferBytes);
    if (f.blockAlign > 0)
        len -= len % f.blockAlign;
    return len;
}

void SWaveIn::ShowMessage(const std::string& text) {
    if (desktop_)
        desktop_->message(text, "wavein");
    else
        LogWarning("%s", text.c_str());
}

void SWaveIn::Callback(void* instance, unsigned msg, platform::WaveHeader*) {
    if (instance && (msg == platform::kWimData || msg == platform::kWimError))
        static_cast<SWaveIn*>(instance)->wake_.Set();
}

bool SWaveIn::Start(const AudioFormat* format) {
    callbackMode_ = true;
    if (device_ && device_->IsOpen() && !stopping_)
        return true;
    const AudioFormat& f = format ? *format : defaultFormat_;
    if (f.formatTag == 1)
        format_ = f;
    if (!device_ || !device_->IsOpen()) {
        std::string product;
        if (!system_->DeviceName(deviceNumber_, &product))
            deviceNumber_ = 0;
        auto dev = std::make_unique<SWaveInDev>(*system_, deviceName_, ToWave(format_),
                                                &SWaveIn::Callback, this);
        if (!dev->IsOpen()) {
            LogWarning("Cannot open wave input driver %d", dev->DeviceId());
            return false;
        }
        deviceNumber_ = dev->DeviceId();
        std::lock_guard lk(lock_);
        failureLogged_ = false;
        device_ = std::move(dev);
    }
    const char* failure = nullptr;
    int r = platform::kWaveOk;
    {
        std::lock_guard lk(lock_);
        uint32_t len = BufferLength(format_);
        for (int i = 0; i < kBuffers && !failure; ++i) {
            auto& h = headers_[i];
            if (h.flags.load() & platform::kWaveInQueue)
                continue; // still queued from a start that failed later on
            h.bufferLength = len;
            h.bytesRecorded = 0;
            h.flags.fetch_and(platform::kWavePrepared);
            h.loops = 0;
            if (device_->Prepare(&h) != platform::kWaveOk)
                failure = Tr("can't prepare wave buffer");
            else if (device_->Add(&h) != platform::kWaveOk)
                failure = Tr("can't add wave buffer");
        }
        if (!failure) {
            ring_ = 0;
            stopping_ = false;
            r = device_->Start();
            if (r != platform::kWaveOk)
                stopping_ = true;
        }
    }
    if (failure) {
        ShowMessage(failure);
        return false;
    }
    if (r != platform::kWaveOk) {
        ShowMessage(FormatText(Tr("Can't start wave input\nReturn code %x,dev %x,handle %x"),
                               static_cast<unsigned>(r), static_cast<unsigned>(deviceNumber_),
                               static_cast<unsigned>(device_->Handle())));
        return false;
    }
    return true;
}

bool SWaveIn::ProcessBuffer(platform::WaveHeader* h) {
    if (!h) {
        if (!callbackMode_ || !device_ || !device_->IsOpen())
            return false;
        h = &headers_[ring_];
        if (!(h->flags.load(std::memory_order_acquire) & platform::kWaveDone))
            return false;
        ring_ = (ring_ + 1) % kBuffers;
    }
    uint32_t bytes = std::min(h->bytesRecorded.load(), kMaxBufferBytes);
    if (h->bufferLength != 0) {
        std::lock_guard lk(lastMutex_);
        std::memcpy(last_.data(), h->data, bytes);
        lastBytes_ = bytes;
    }
    if (bytes > 0 && sink_)
        sink_->WriteAudio(h->data, bytes);
    h->bytesRecorded = 0;
    // Taken: the done flag goes so that the ring does not take the buffer twice.
    h->flags.fetch_and(~platform::kWaveDone);
    if (stopping_)
        return true;
    if (!device_ || device_->Add(h) != platform::kWaveOk) {
        LogWarning("Cannot add wave input buffer %d", static_cast<int>(h->user & 7));
        return false;
    }
    return true;
}

void SWaveIn::Run() {
    for (;;) {
        wake_.Wait(std::chrono::milliseconds(500));
        if (QuitRequested())
            return;
        std::lock_guard lk(lock_);
        ProcessBuffer();
        ProcessBuffer();
        // More already waiting (the device hands back a burst): come round again at once
        // rather than after the next buffer, so the device is not left without buffers.
        if (device_ && (headers_[ring_].flags.load() & platform::kWaveDone))
            wake_.Set();
        if (device_ && device_->Failed() && !failureLogged_) {
            // The device is gone: what it handed back goes to the sink, then capture ends.
            while (ProcessBuffer()) {
            }
            failureLogged_ = true;
            LogWarning("Wave input device lost, sound capture ended (%s)",
                       device_->FailureText().c_str());
        }
    }
}

bool SWaveIn::IsRunning() const {
    return device_ && device_->IsOpen() && device_->IsRunning() && !stopping_ && !device_->Failed();
}

bool SWaveIn::Stop() {
    if (!device_) {
        ring_ = 0;
        return true;
    }
    {
        std::lock_guard lk(lock_); // the worker then re-queues nothing more
        stopping_ = true;
    }
    device_->Stop(); // stop, then reset: every queued buffer comes back done
    // Give the worker a tenth of a second to hand the returned buffers to the sink.
    for (int i = 0; i < 10; ++i) {
        bool pending = false;
        for (auto& h : headers_)
            if (h.flags.load() & platform::kWaveDone)
                pending = true;
        if (!pending)
            break;
        Wake();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    bool ok = true;
    std::lock_guard lk(lock_);
    for (auto& h : headers_)
        if (device_->Unprepare(&h) != platform::kWaveOk)
            ok = false;
    device_.reset();
    ring_ = 0;
    return ok;
}

int SWaveIn::PeakLevel(const void* data, size_t bytes) const {
    const auto* p = static_cast<const int8_t*>(data);
    if (!p || bytes == 0)
        return 0;
    auto eight = [](int8_t s) { return std::abs(std::abs(static_cast<int>(s)) - 127); };
    auto high = [](int8_t s) { return std::abs(static_cast<int>(s)); };
    if (format_.channels <= 1) {
        int peak = 0;
        if (format_.bitsPerSample == 16) {
            for (size_t i = 0; i + 1 < bytes; i += 2)
                peak = std::max(peak, high(p[i + 1]));
        } else {
            for (size_t i = 0; i < bytes; ++i)
                peak = std::max(peak, eight(p[i]));
        }
        return peak;
    }
    int l = 0, r = 0;
    if (format_.bitsPerSample == 8) {
        for (size_t i = 0; i + 1 < bytes; i += 2) {
            l = std::max(l, eight(p[i]));
            r = std::max(r, eight(p[i + 1]));
        }
    } else {
        for (size_t i = 0; i + 3 < bytes; i += 4) {
            l = std::max(l, high(p[i + 1]));
            r = std::max(r, high(p[i + 3]));
        }
    }
    return l * 256 + r;
}

int SWaveIn::LastPeakLevel() {
    std::lock_guard lk(lastMutex_);
    return PeakLevel(last_.data(), lastBytes_);
}

} // namespace tess
