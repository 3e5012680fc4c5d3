#pragma once
// The file of one recording: an ASF file with the screen-video stream "Video1" (MSS2, the
// recording's size and frame rate) and, with sound, the sound stream "Audio1": the voice
// stream (GSM 6.10, 8000 Hz mono) or the music stream (MPEG Layer-3, 44.1 or 48 kHz
// stereo). A ".wma" file holds the sound stream only.
//
// Video frames arrive on the recording thread (the first one on the window thread), sound
// buffers on the wave input's worker thread. The ASF writer locks itself; the video time that
// the sound side reads is one atomic 64-bit value. Sample times are in 100-ns units.
#include "media/RecFile.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tess {

class SoundEncoder;
class Mss2Encoder;
namespace asf {
class AsfWriter;
struct Attribute;
} // namespace asf

// True for a file name that makes a sound-only recording (".wma", in any case).
bool IsSoundOnlyName(const std::string& fileName);

// When the video stream takes its next key frame. A 15-bit run-length key frame of a desktop
// costs hundreds of kilobytes where the inter frames of a still screen cost a few bytes, so
// key frames are spaced by the stream's bit rate: one is due when the bytes written since the
// last key frame plus the size of that key frame fit into what the bit rate allows for the
// time since it, but never sooner than kMinSpacing and always by kMaxSpacing. A still screen
// thus records at about the bit rate; a higher bit rate buys closer seek points. Times are
// sample times in 100-ns units.
class KeyFramePacing {
public:
    static constexpr int64_t kMinSpacing = 10000000;  // 1 s
    static constexpr int64_t kMaxSpacing = 300000000; // 30 s

    explicit KeyFramePacing(int64_t bitRate) : bitRate_(bitRate > 0 ? bitRate : 0) {}

    // Whether the frame at `time` should be a key frame (the first one always is).
    bool Due(int64_t time) const;
    // Records a frame of `bytes` written at `time`.
    void Written(int64_t time, size_t bytes, bool key);

    int64_t lastKeyTime() const { return lastKeyTime_; }
    uint64_t bytesSinceKey() const { return bytesSinceKey_; }

private:
    int64_t bitRate_;
    bool haveKey_ = false;
    int64_t lastKeyTime_ = 0;
    uint64_t lastKeyBytes_ = 0;
    uint64_t bytesSinceKey_ = 0; // of the frames after the last key frame
};

class WMFile : public RecFile {
public:
    // Returns a time in 100-ns units; only differences matter.
    using Clock = std::function<int64_t()>;

    // Results besides 0 and negative errno values.
    static constexpr int32_t kNoProfile = 6;

    // frameWidth / frameHeight 0 give 1023 x 768; frameRate below 1 becomes 1; timeLapse
    // below 2 means real time.
    WMFile(std::string fileName, std::string profileName, int32_t frameRate, int32_t bitRate,
           int32_t frameWidth, int32_t frameHeight, int32_t timeLapse);
    ~WMFile() override;

    bool Open() override;
    // Finishes the file (last packet, index, final header), then the timecode layer. False
    // when any write failed; LastError tells which.
    bool Close() override;
    bool IsValid() const override { return true; }
    int32_t GetPositionMs() const override;
    bool SeekMs(int32_t ms) override;
    int32_t GetDurationMs() const override;

    // Adds the voice stream (after Open, before the first sample).
    int32_t AddAudioStream();
    // Adds the music stream instead: WriteAudio then takes 16-bit PCM of `channels` at
    // `rate`, coded as MP3 at `bitRate` bits per second. -ENOTSUP when
    // the coder refuses them.
    int32_t AddMusicStream(uint32_t rate, uint16_t channels, uint32_t bitRate);

    size_t WriteAudio(const void* data, size_t bytes) override;
    void SetSoundDelay(int64_t delay) override { soundDelay_.store(delay); }
    // Pausing writes out the sound waiting in the encoder and the packet being filled, so a
    // file cut off during the pause plays to it; while paused no frame and no sound is
    // written. On resume the clock goes on from the paused time (the pause leaves no gap),
    // the next frame is a key frame and the next sound buffer is placed anew.
    void SetPaused(bool paused) override;
    // No sound input feeds the voice stream (it could not start): from now on each frame
    // brings the stream's silence up to its own time, so the file plays to its end with a
    // sound stream that keeps pace with the pictures.
    void FillSoundWithSilence() { silentSound_.store(true); }
    int32_t AddBitmapFrame(const MemBm& frame) override { return AddBitmapFrame(frame, 0, false); }
    int32_t AddFramePixels(const uint8_t* bgrx, int32_t width, int32_t height,
                           int32_t stride) override {
        return AddFrame(bgrx, width, height, stride, 0, false);
    }
    // time 0: take it from the clock. Returns 0 or a negative errno.
    int32_t AddBitmapFrame(const MemBm& frame, int64_t time, bool forceKey);
    // The same for a bare 32-bit BGRx top-down picture.
    int32_t AddFrame(const uint8_t* bgrx, int32_t width, int32_t height, int32_t stride,
                     int64_t time, bool forceKey);

    // "framecount", "duration" (100-ns units), "filesize" (bytes) or any text attribute.
    int32_t GetAttribute(const std::string& name, std::string* out) override;
    // Stores a text attribute in the finished file (kept until Close while writing).
    int32_t SetAttribute(const std::string& name, const std::string& text) override;

    void SetClock(Clock clock) { clock_ = std::move(clock); }
    // The first write error met (negative errno), 0 when none.
    int32_t LastError() const { return lastError_.load(); }

    int32_t frameRate() const { return frameRate_; }
    int32_t bitRate() const { return bitRate_; }
    int32_t frameWidth() const { return frameWidth_; }
    int32_t frameHeight() const { return frameHeight_; }
    int64_t avgTimePerFrame() const { return 10000000LL / frameRate_; }
    int32_t framesWritten() const { return framesWritten_.load(); }
    int64_t videoTime() const { return videoTime_.load(); }
    int64_t audioTime() const { return audioTime_.load(); }
    bool hasVideo() const { return hasVideo_; }
    bool hasAudio() const { return audioStream_ != 0; }
    uint16_t videoStream() const { return videoStream_; }
    uint16_t audioStream() const { return audioStream_; }

protected:
    // Codes one PCM buffer at `time` into the voice stream. Returns 0 or a negative errno.
    virtual int32_t WriteAudioBuffer(int64_t time, const uint8_t* data, size_t bytes);

private:
    int32_t CreateWriter();
    int32_t WriteAudioBlocks(bool finish);
    void NoteError(int32_t r);
    // Writes silence into the voice stream from where it stands up to `end`.
    void PadSoundTo(int64_t end);

    const std::string profileName_;
    int32_t frameRate_;
    int32_t bitRate_;
    int32_t frameWidth_;
    int32_t frameHeight_;
    int32_t timeLapse_;
    bool hasVideo_;

    bool profileReady_ = false;
    uint16_t videoStream_ = 0;
    uint16_t audioStream_ = 0;
    uint32_t audioBitRate_ = 0;
    int64_t duration_ = 0; // of an existing file

    Clock clock_;
    std::mutex createMu_;
    std::atomic<bool> writing_{false};
    int32_t createResult_ = 0;
    std::unique_ptr<asf::AsfWriter> writer_;
    std::vector<asf::Attribute> pendingAttributes_;

    std::mutex videoMu_;
    std::unique_ptr<Mss2Encoder> encoder_;
    std::vector<uint8_t> coded_;
    bool firstFrame_ = true;
    bool needKeyFrame_ = false;
    int64_t startTime_ = 0; // the clock at the first frame, moved on by every pause's length
    int64_t pausedAt_ = 0;  // the clock when the pause began
    KeyFramePacing pacing_;
    std::atomic<int32_t> framesWritten_{0};
    std::atomic<int64_t> videoTime_{0};

    std::mutex audioMu_;
    std::unique_ptr<SoundEncoder> sound_;
    std::atomic<int64_t> soundDelay_{0};
    bool repeatToCatchUp_ = true; // the voice stream's rule (the music stream comes timed)
    std::vector<uint8_t> audioBlocks_;
    int64_t blockBase_ = 0;     // time of the first sample waiting in the encoder, when it
    uint64_t blockSamples_ = 0; // was empty, and the sample frames coded since then
    std::atomic<int64_t> audioTime_{0};
    bool audioStarted_ = false;            // the first sound buffer was placed (sound thread only)
    std::atomic<bool> silentSound_{false}; // no input: the frames' thread writes silence

    std::atomic<int32_t> lastError_{0};
};

} // namespace tess
