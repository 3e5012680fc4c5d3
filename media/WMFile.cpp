#include "media/WMFile.h"

#include "media/MemBm.h"
#include "media/asf/AsfEditor.h"
#include "media/asf/AsfReader.h"
#include "media/asf/AsfWriter.h"
#include "media/gsm/GsmEncoder.h"
#include "media/mp3/Mp3Encoder.h"
#include "media/mss2/Mss2Encoder.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <strings.h>
#include <sys/stat.h>

namespace tess {

namespace {

constexpr uint32_t kMss2 = 0x3253534D; // "MSS2"

bool EndsWithNoCase(const std::string& s, const char* suffix) {
    const size_t n = std::strlen(suffix);
    return s.size() >= n && strcasecmp(s.c_str() + s.size() - n, suffix) == 0;
}

int64_t SteadyNow() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
               .count() /
           100;
}

} // namespace

bool IsSoundOnlyName(const std::string& fileName) {
    return EndsWithNoCase(fileName, ".wma");
}

bool KeyFramePacing::Due(int64_t time) const {
    if (!haveKey_)
        return true;
    const int64_t since = time - lastKeyTime_;
    if (since >= kMaxSpacing)
        return true;
    if (since < kMinSpacing)
        return false;
    // The bits the rate allows since the last key frame: below 2^31 * 3e8 / 1e7, no overflow.
    const uint64_t allowed = static_cast<uint64_t>(bitRate_ * since / 10000000);
    return (bytesSinceKey_ + lastKeyBytes_) * 8 <= allowed;
}

void KeyFramePacing::Written(int64_t time, size_t bytes, bool key) {
    if (key) {
        haveKey_ = true;
        lastKeyTime_ = time;
        lastKeyBytes_ = bytes;
        bytesSinceKey_ = 0;
    } else {
        bytesSinceKey_ += bytes;
    }
}

WMFile::WMFile(std::string fileName, std::string profileName, int32_t frameRate, int32_t bitRate,
               int32_t frameWidth, int32_t frameHeight, int32_t timeLapse)
    : RecFile(std::move(fileName)), profileName_(std::move(profileName)),
      frameRate_(std::max(frameRate, 1)), bitRate_(bitRate), frameWidth_(frameWidth),
      frameHeight_(frameHeight), timeLapse_(timeLapse), hasVideo_(!IsSoundOnlyName(GetFileName())),
      clock_(SteadyNow), pacing_(bitRate) {
    audioFormat_ = AudioFormat{}; // PCM, 1 channel, 8000 samples/s, 16 bits
}

WMFile::~WMFile() {
    if (writing_.load())
        Close();
}

void WMFile::NoteError(int32_t r) {
    if (r == 0)
        return;
    int32_t expected = 0;
    lastError_.compare_exchange_strong(expected, r);
}

bool WMFile::Open() {
    struct stat st;
    if (::stat(GetFileName().c_str(), &st) == 0 && st.st_size > 0) {
        SetExistingSize(static_cast<uint64_t>(st.st_size));
        asf::AsfReader reader;
        if (reader.Open(GetFileName()))
            duration_ = static_cast<int64_t>(reader.duration());
    }
    if (GetExistingSize() == 0) {
        // The video profile: a size of 0 becomes 1023 x 768.
        if (frameWidth_ <= 0)
            frameWidth_ = 1023;
        if (frameHeight_ <= 0)
            frameHeight_ = 768;
        frameWidth_ = std::min(frameWidth_, Mss2Encoder::kMaxSide);
        frameHeight_ = std::min(frameHeight_, Mss2Encoder::kMaxSide);
        profileReady_ = true;
        videoStream_ = hasVideo_ ? 1 : 0;
    }
    return RecFile::Open();
}

int32_t WMFile::AddAudioStream() {
    if (!profileReady_)
        return kNoProfile;
    std::lock_guard lock(createMu_);
    if (writer_)
        return -EBUSY;
    audioStream_ = static_cast<uint16_t>(videoStream_ + 1);
    audioBitRate_ = GsmEncoder::kAvgBytesPerSec * 8;
    sound_ = std::make_unique<GsmEncoder>();
    return 0;
}

int32_t WMFile::AddMusicStream(uint32_t rate, uint16_t channels, uint32_t bitRate) {
    if (!profileReady_)
        return kNoProfile;
    std::lock_guard lock(createMu_);
    if (writer_)
        return -EBUSY;
    auto coder = std::make_unique<Mp3Encoder>(rate, channels, bitRate);
    if (!coder->valid())
        return -ENOTSUP;
    const CodedSoundFormat f = coder->format();
    audioStream_ = static_cast<uint16_t>(videoStream_ + 1);
    audioBitRate_ = f.avgBytesPerSec * 8;
    audioFormat_.channels = f.channels;
    audioFormat_.samplesPerSec = f.samplesPerSec;
    audioFormat_.blockAlign = static_cast<uint16_t>(2 * f.channels);
    audioFormat_.avgBytesPerSec = f.samplesPerSec * audioFormat_.blockAlign;
    sound_ = std::move(coder);
    repeatToCatchUp_ = false;
    return 0;
}

int32_t WMFile::CreateWriter() {
    std::lock_guard lock(createMu_);
    if (writer_)
        return createResult_;
    if (!profileReady_) {
        // An existing file is never overwritten.
        createResult_ = GetExistingSize() != 0 ? -EEXIST : kNoProfile;
        return createResult_;
    }
    std::vector<asf::StreamInfo> streams;
    if (hasVideo_) {
        asf::StreamInfo v;
        v.video = true;
        v.number = videoStream_;
        v.name = "Video1";
        v.typeSpecific = asf::VideoTypeSpecific(
            frameWidth_, frameHeight_, 24, kMss2,
            Mss2Encoder::Extradata(frameWidth_, frameHeight_, static_cast<float>(frameRate_),
                                   static_cast<uint32_t>(std::max(bitRate_, 0))));
        v.bitRate = static_cast<uint32_t>(std::max(bitRate_, 0));
        v.avgTimePerFrame = static_cast<uint64_t>(avgTimePerFrame());
        v.sampleDuration = v.avgTimePerFrame;
        v.codecName = "MSS2 screen video, 15-bit run-length";
        v.codecInfo = {'M', 'S', 'S', '2'};
        streams.push_back(v);
        encoder_ = std::make_unique<Mss2Encoder>(frameWidth_, frameHeight_);
    }
    if (audioStream_ != 0) {
        asf::StreamInfo a;
        a.video = false;
        a.number = audioStream_;
        a.name = "Audio1";
        const CodedSoundFormat f = sound_->format();
        a.typeSpecific =
            asf::AudioTypeSpecific(f.formatTag, f.channels, f.samplesPerSec, f.avgBytesPerSec,
                                   f.blockAlign, f.bitsPerSample, f.extra);
        a.errorCorrection = asf::AudioSpreadData(f.blockAlign);
        a.bitRate = audioBitRate_;
        a.sampleDuration = sound_->samplesPerBlock() * 10000000ULL / f.samplesPerSec;
        a.codecName = sound_->codecName();
        a.codecInfo = {static_cast<uint8_t>(f.formatTag), static_cast<uint8_t>(f.formatTag >> 8)};
        streams.push_back(a);
    }
    if (streams.empty()) {
        createResult_ = kNoProfile;
        return createResult_;
    }
    asf::WriterOptions options;
    // A packet is written out at the latest when it spans a second, padded to its full size:
    // on a still screen that padding is most of what a second costs besides the key frames
    // (8 KB packets: about 0.45 MiB a minute; 2 KB: 0.1). Packet headers take about 1.5 % of
    // a busy screen's bytes at 2 KB.
    options.packetSize = hasVideo_ ? 2048 : 1024;
    auto writer = std::make_unique<asf::AsfWriter>();
    createResult_ = writer->Open(GetFileName(), std::move(streams), {}, options);
    NoteError(createResult_);
    writer_ = std::move(writer);
    writing_.store(createResult_ == 0);
    return createResult_;
}

int32_t WMFile::AddBitmapFrame(const MemBm& frame, int64_t time, bool forceKey) {
    return AddFrame(frame.bits(), frame.width(), frame.height(), frame.stride(), time, forceKey);
}

int32_t WMFile::AddFrame(const uint8_t* bgrx, int32_t width, int32_t height, int32_t stride,
                         int64_t time, bool forceKey) {
    if (int32_t r = CreateWriter(); r != 0)
        return r;
    if (!hasVideo_)
        return kNoProfile;
    std::lock_guard lock(videoMu_);
    if (IsPaused())
        return 0;
    if (firstFrame_) {
        firstFrame_ = false;
        startTime_ = clock_();
    }
    int64_t t = time;
    const int32_t n = framesWritten_.load();
    if (t == 0 && n != 0) {
        t = clock_() - startTime_;
        if (timeLapse_ > 1)
            t /= timeLapse_;
    }
    // The encoder also makes a key frame of its own when most of the picture changed.
    const bool due = forceKey || needKeyFrame_ || pacing_.Due(t);
    const bool key = encoder_->Encode(bgrx, width, height, stride, due, coded_);
    framesWritten_.store(n + 1);
    pacing_.Written(t, coded_.size(), key);
    const int32_t r = writer_->Write(videoStream_, t, key, coded_.data(), coded_.size());
    // A frame that did not reach the file leaves the decoder's picture behind the encoder's:
    // the next frame starts afresh.
    needKeyFrame_ = r != 0;
    NoteError(r);
    videoTime_.store(t);
    if (silentSound_.load() && audioStream_ != 0 && r == 0)
        PadSoundTo(t);
    return r;
}

void WMFile::PadSoundTo(int64_t end) {
    const int64_t at = audioTime_.load();
    if (end <= at)
        return;
    const uint32_t rate = std::max<uint32_t>(audioFormat_.avgBytesPerSec, 1);
    const size_t align = std::max<size_t>(audioFormat_.blockAlign, 1);
    std::vector<uint8_t> zeros(static_cast<size_t>((end - at) * rate / 10000000) / align * align);
    if (!zeros.empty() && WriteAudioBuffer(at, zeros.data(), zeros.size()) == 0)
        audioTime_.store(at + static_cast<int64_t>(zeros.size()) * 10000000 / rate);
}

size_t WMFile::WriteAudio(const void* data, size_t bytes) {
    if (IsPaused() || bytes == 0)
        return 0;
    if (CreateWriter() != 0 || audioStream_ == 0)
        return 0;
    const auto* p = static_cast<const uint8_t*>(data);
    int64_t at = audioTime_.load();
    const uint32_t rate = std::max<uint32_t>(audioFormat_.avgBytesPerSec, 1);
    const int64_t d = static_cast<int64_t>(bytes) * 10000000 / rate;
    if (!audioStarted_) {
        audioStarted_ = true;
        // The sound device starts after the first frame, and its first buffer arrives a
        // buffer's length after its first sample: the buffer goes where that sample was
        // heard, after silence, so sound and picture start together. (Left at the start and
        // caught up by repetition, every later sound would stay late by the difference.)
        int64_t place = -1;
        {
            std::lock_guard lock(videoMu_);
            if (hasVideo_ && !firstFrame_ && timeLapse_ <= 1)
                place = clock_() - startTime_ - d - soundDelay_.load();
        }
        const size_t align = std::max<size_t>(audioFormat_.blockAlign, 1);
        const size_t silent =
            place > at ? static_cast<size_t>((place - at) * rate / 10000000) / align * align : 0;
        if (silent > 0) {
            std::vector<uint8_t> zeros(silent, 0);
            if (WriteAudioBuffer(at, zeros.data(), zeros.size()) != 0)
                return 0;
            at += static_cast<int64_t>(silent) * 10000000 / rate;
        }
    }
    if (WriteAudioBuffer(at, p, bytes) != 0)
        return 0;
    at += d;
    audioTime_.store(at);
    // The voice stream never lags the video by more than a buffer (a lost buffer, a stalled
    // device): repeat the latest buffer until it catches up. Less than a buffer is the
    // device's own delay; repeating for it would put every later sound a buffer late. (The
    // music stream comes from a mix that keeps the recording's clock itself.)
    while (repeatToCatchUp_ && d > 0 && at + d < videoTime_.load()) {
        if (WriteAudioBuffer(at, p, bytes) != 0)
            break;
        at += d;
        audioTime_.store(at);
    }
    return bytes;
}

void WMFile::SetPaused(bool paused) {
    // Under the frames' lock: a frame being written ends before the pause begins, and none
    // starts while the flag changes. The sound input is held before the file pauses
    // (capture/RecordingSound.h), so no buffer arrives meanwhile.
    std::lock_guard lock(videoMu_);
    if (paused == IsPaused())
        return;
    MediaFile::SetPaused(paused);
    if (paused) {
        pausedAt_ = clock_();
        if (!writing_.load())
            return;
        std::lock_guard audioLock(audioMu_);
        if (audioStream_ != 0 && sound_ && sound_->blocksStandAlone() &&
            writer_->LastError() == 0) {
            WriteAudioBlocks(true); // the samples short of a block, completed with silence
            const uint64_t rate = std::max<uint32_t>(sound_->format().samplesPerSec, 1);
            const int64_t end = blockBase_ + static_cast<int64_t>(blockSamples_ * 10000000 / rate);
            if (end > audioTime_.load())
                audioTime_.store(end);
        }
        NoteError(writer_->Flush());
        return;
    }
    if (!firstFrame_)
        startTime_ += clock_() - pausedAt_;
    needKeyFrame_ = true;
    audioStarted_ = false; // the sound input's delay is measured again
}

int32_t WMFile::WriteAudioBuffer(int64_t time, const uint8_t* data, size_t bytes) {
    std::lock_guard lock(audioMu_);
    if (!sound_ || !sound_->valid())
        return -EINVAL;
    if (sound_->pendingSamples() == 0) {
        blockBase_ = time;
        blockSamples_ = 0;
    }
    sound_->Encode(data, bytes, audioBlocks_);
    return WriteAudioBlocks(false);
}

// Writes the coded blocks waiting in audioBlocks_ (audioMu_ held).
int32_t WMFile::WriteAudioBlocks(bool finish) {
    if (!sound_)
        return 0;
    if (finish)
        sound_->Finish(audioBlocks_);
    // One block per media object: players that hand each object to the decoder as one frame
    // (GStreamer's) expect exactly one block. Times count samples, so a block length that is
    // no whole number of 100-ns units does not drift.
    const std::vector<uint32_t> sizes = sound_->TakeBlockSizes();
    const size_t size = sound_->blockBytes();
    const uint64_t per = sound_->samplesPerBlock();
    const uint64_t rate = std::max<uint32_t>(sound_->format().samplesPerSec, 1);
    int32_t r = 0;
    for (size_t at = 0, i = 0; r == 0; ++i) {
        const size_t n = sizes.empty() ? size : i < sizes.size() ? sizes[i] : 0;
        if (n == 0 || at + n > audioBlocks_.size())
            break;
        const int64_t t = blockBase_ + static_cast<int64_t>(blockSamples_ * 10000000 / rate);
        blockSamples_ += per;
        const int64_t end = blockBase_ + static_cast<int64_t>(blockSamples_ * 10000000 / rate);
        r = writer_->Write(audioStream_, t, true, audioBlocks_.data() + at, n, end - t);
        at += n;
    }
    audioBlocks_.clear();
    NoteError(r);
    return r;
}

int32_t WMFile::GetPositionMs() const {
    return static_cast<int32_t>(videoTime_.load() / 10000);
}

bool WMFile::SeekMs(int32_t ms) {
    videoTime_.store(static_cast<int64_t>(ms) * 10000);
    audioTime_.store(static_cast<int64_t>(ms) * 10000);
    return true;
}

int32_t WMFile::GetDurationMs() const {
    return static_cast<int32_t>(duration_ / 10000);
}

int32_t WMFile::GetAttribute(const std::string& name, std::string* out) {
    std::string value;
    bool found = true;
    if (strcasecmp(name.c_str(), "framecount") == 0) {
        value = std::to_string(framesWritten_.load());
    } else if (writing_.load()) {
        if (strcasecmp(name.c_str(), "duration") == 0) {
            value = std::to_string(writer_->Duration());
        } else if (strcasecmp(name.c_str(), "filesize") == 0) {
            value = std::to_string(writer_->FileSize());
        } else {
            std::lock_guard lock(createMu_);
            found = false;
            for (const auto& a : pendingAttributes_)
                if (strcasecmp(a.name.c_str(), name.c_str()) == 0) {
                    value = a.value;
                    found = true;
                }
        }
    } else {
        asf::AsfReader reader;
        if (!reader.Open(GetFileName()))
            return 0;
        if (strcasecmp(name.c_str(), "duration") == 0)
            value = std::to_string(reader.duration());
        else if (strcasecmp(name.c_str(), "filesize") == 0)
            value = std::to_string(reader.finished() ? reader.headerFileSize() : reader.fileSize());
        else
            found = reader.GetAttribute(name, &value);
    }
    if (!found)
        return 0;
    if (out)
        *out = value;
    return static_cast<int32_t>(value.size() + 1);
}

int32_t WMFile::SetAttribute(const std::string& name, const std::string& text) {
    if (writing_.load()) {
        std::lock_guard lock(createMu_);
        for (auto& a : pendingAttributes_)
            if (strcasecmp(a.name.c_str(), name.c_str()) == 0) {
                a.value = text;
                return 0;
            }
        pendingAttributes_.push_back({name, text});
        return 0;
    }
    return asf::SetTextAttribute(GetFileName(), name, text);
}

bool WMFile::Close() {
    bool ok = true;
    if (writing_.load()) {
        if (audioStream_ != 0 && writer_->LastError() == 0) {
            // Sound stops before the frames: silence takes it to the last frame (all of it
            // when no sound arrived).
            // (The music stream to the end of the last frame's time, as players count it.)
            if (hasVideo_)
                PadSoundTo(videoTime_.load() + (repeatToCatchUp_ ? 0 : avgTimePerFrame()));
            std::lock_guard lock(audioMu_);
            WriteAudioBlocks(true);
        }
        const int32_t r = writer_->Close();
        NoteError(r);
        writing_.store(false);
        std::vector<asf::Attribute> pending;
        {
            std::lock_guard lock(createMu_);
            pending.swap(pendingAttributes_);
        }
        if (r == 0) {
            for (const auto& a : pending)
                NoteError(asf::SetTextAttribute(GetFileName(), a.name, a.value));
        }
    }
    ok = lastError_.load() == 0;
    RecFile::Close();
    return ok;
}

} // namespace tess
