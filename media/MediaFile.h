#pragma once
// The interface of the media files that the program writes (a recording's file). The
// recording start and stop code opens and closes it, the picture writer hands it video
// frames, and the wave input hands it sound buffers through WriteAudio from its own thread.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tess {

class MemBm;

// The sound format of a buffer handed to WriteAudio (a WAVEFORMATEX's PCM fields).
struct AudioFormat {
    uint16_t formatTag = 1; // 1 = PCM
    uint16_t channels = 1;
    uint32_t samplesPerSec = 8000;
    uint32_t avgBytesPerSec = 16000;
    uint16_t blockAlign = 2;
    uint16_t bitsPerSample = 16;
};

class MediaFile {
public:
    explicit MediaFile(std::string fileName) : fileName_(std::move(fileName)) {}
    virtual ~MediaFile() = default;
    MediaFile(const MediaFile&) = delete;
    MediaFile& operator=(const MediaFile&) = delete;

    virtual bool Open() { return false; }
    virtual bool Flush() { return false; }
    virtual bool Close() { return false; }
    virtual bool IsValid() const { return false; }
    virtual int32_t GetPositionMs() const { return 0; }
    virtual bool SeekMs(int32_t /*ms*/) { return false; }
    void SetExistingSize(uint64_t bytes) { existingSize_ = bytes; }
    uint64_t GetExistingSize() const { return existingSize_; }
    virtual int32_t GetDurationMs() const { return 0; }

    // Sound from the wave input's worker thread; returns the bytes taken.
    virtual size_t WriteAudio(const void* /*data*/, size_t /*bytes*/) { return 0; }
    // The sound handed to WriteAudio was heard this long (100-ns units) before it arrives,
    // beyond its own length: a queue kept against jitter. The first buffer is placed that
    // much earlier.
    virtual void SetSoundDelay(int64_t /*delay*/) {}
    // A video frame (format 2 of the picture writer); returns 0 or an error code.
    virtual int32_t AddBitmapFrame(const MemBm& /*frame*/) { return 0; }
    // The same for a picture held elsewhere (32-bit blue, green, red, unused; `stride` bytes
    // a row), read during the call only: the screen's pixels where they were grabbed. By
    // default copied into a picture for AddBitmapFrame.
    virtual int32_t AddFramePixels(const uint8_t* bgrx, int32_t width, int32_t height,
                                   int32_t stride);

    // The file name after its last path separator; empty when the file is not valid.
    std::string GetDisplayName() const;
    const std::string& GetFileName() const { return fileName_; }

    // Reads a header attribute as text into `out` (may be null); returns the length needed
    // (characters + 1), or 0 when there is no such attribute.
    virtual int32_t GetAttribute(const std::string& /*name*/, std::string* /*out*/) { return 0; }
    // Writes a text header attribute into the finished file; 0 on success, else an error.
    virtual int32_t SetAttribute(const std::string& /*name*/, const std::string& /*text*/) {
        return -1;
    }

    virtual void SetPaused(bool paused) { paused_ = paused; }
    virtual bool IsPaused() const { return paused_; }
    virtual bool HasDuration() const { return true; }
    int32_t GetTimeUnitsPerSecond() const { return HasDuration() ? 1000 : 0; }
    virtual bool WantsSignature() const { return false; }

    const AudioFormat& DefaultAudioFormat() const { return audioFormat_; }

protected:
    AudioFormat audioFormat_;

private:
    std::string fileName_;
    uint64_t existingSize_ = 0;
    bool paused_ = false;
};

} // namespace tess
