#include "media/Trim.h"

#include "media/RecFile.h"
#include "media/asf/AsfReader.h"
#include "media/asf/AsfWriter.h"
#include "media/mp3/Mp3Encoder.h"
#include "media/mss2/Mss2Encoder.h"
#include "platform/Translate.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
}

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <sstream>
#include <strings.h>
#include <thread>

namespace tess {

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kMss2Fourcc = 0x3253534D; // "MSS2"
constexpr uint16_t kMp3Tag = Mp3Encoder::kFormatTag;
// Extradata of the screen video: after the image size (11 bytes) and the BITMAPINFOHEADER.
constexpr size_t kExtradataAt = 11 + 40;
// Its "free colours" field, 127 when the stream is in the 15-bit run-length mode this
// program's encoder writes.
constexpr size_t kFreeColoursAt = 48;
constexpr int64_t kFadeMs = 5;

bool Digits(std::string_view s, int64_t* value) {
    if (s.empty() || s.size() > 12)
        return false;
    int64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    *value = v;
    return true;
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// A libavcodec decoder fed one media object at a time.
class Decoder {
public:
    ~Decoder() {
        av_packet_free(&packet_);
        av_frame_free(&frame_);
        avcodec_free_context(&ctx_);
    }
    bool Open(AVCodecID id, const std::function<void(AVCodecContext*)>& setUp) {
        const AVCodec* codec = avcodec_find_decoder(id);
        ctx_ = codec ? avcodec_alloc_context3(codec) : nullptr;
        frame_ = av_frame_alloc();
        packet_ = av_packet_alloc();
        if (!ctx_ || !frame_ || !packet_)
            return false;
        ctx_->thread_count = 1;
        setUp(ctx_);
        return avcodec_open2(ctx_, codec, nullptr) == 0;
    }
    // Decodes `size` bytes; each picture or block of sound that comes out goes to `each`.
    bool Send(const uint8_t* data, size_t size, const std::function<void(const AVFrame&)>& each) {
        padded_.assign(data, data + size);
        padded_.resize(size + AV_INPUT_BUFFER_PADDING_SIZE, 0);
        packet_->data = padded_.data();
        packet_->size = static_cast<int>(size);
        if (avcodec_send_packet(ctx_, packet_) < 0)
            return false;
        while (avcodec_receive_frame(ctx_, frame_) == 0) {
            each(*frame_);
            av_frame_unref(frame_);
        }
        return true;
    }
    AVCodecContext* context() const { return ctx_; }

private:
    AVCodecContext* ctx_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    std::vector<uint8_t> padded_;
};

// A decoded 15-bit picture as the encoder's 32-bit input, each 5-bit value widened by bit
// replication, which the encoder's reduction maps back to the same value. Empty when the
// picture is not 15-bit or not of the stream's size.
void ToBgrx(const AVFrame& f, int32_t width, int32_t height, std::vector<uint8_t>& bgrx) {
    bgrx.clear();
    if (f.format != AV_PIX_FMT_RGB555 || f.width != width || f.height != height)
        return;
    bgrx.resize(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const uint16_t*>(f.data[0] + y * f.linesize[0]);
        uint8_t* out = bgrx.data() + static_cast<size_t>(y) * width * 4;
        for (int x = 0; x < width; ++x) {
            const unsigned v = row[x], r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
            out[4 * x] = static_cast<uint8_t>((b << 3) | (b >> 2));
            out[4 * x + 1] = static_cast<uint8_t>((g << 3) | (g >> 2));
            out[4 * x + 2] = static_cast<uint8_t>((r << 3) | (r >> 2));
            out[4 * x + 3] = 0;
        }
    }
}

// Blocks of sound of one length (the voice's 40 ms), copied whole. Players join the blocks
// one after the other, so each part takes the blocks that keep the sound's end within half a
// block of the picture's: a part placed at output block `at` starts with the source block
// nearest to the picture's time there and ends at the block nearest to its own end. The
// error stays under half a block however many parts there are.
struct BlockGrid {
    int64_t start = 0; // of the stream's first block, 100-ns units
    int64_t block = 0; // length of a block
    int64_t Index(int64_t t) const { return Nearest(t - start); }
    int64_t Nearest(int64_t t) const {
        return t >= 0 ? (t + block / 2) / block : -((-t + block / 2) / block);
    }
    struct Placed {
        int64_t first, count, at; // source block, number of blocks, output block
    };
    Placed Place(const TrimRange& r, int64_t outMs) const {
        const int64_t at = Nearest(outMs * 10000);
        const int64_t end = Nearest((outMs + r.toMs - r.fromMs) * 10000);
        // The picture at output block `at` shows source time r.fromMs + (at's time - outMs).
        const int64_t first = Index(r.fromMs * 10000 + at * block - outMs * 10000);
        return {first, end - at, at};
    }
};

// The timecode block of the copy: each kept part's marks moved to where the part lands, the
// mark in effect at a part's start moved to that start with its clock time advanced.
class TimecodeBlock : public RecFile {
public:
    explicit TimecodeBlock(int64_t durationMs)
        : RecFile(""), durationMs_(static_cast<int32_t>(durationMs)) {}
    int32_t GetDurationMs() const override { return durationMs_; }

private:
    int32_t durationMs_;
};

std::string MoveTimecode(const std::string& block, const std::vector<TrimRange>& parts) {
    TimecodeBlock source(0);
    if (!source.ParseBlock(block))
        return block;
    // The comments stay as they were: the new block starts from them.
    std::string kept = "SAMPLE TIMECODE\r\n";
    std::istringstream in(block);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("COMMENT", 0) == 0)
            kept += line + "\n";
    int64_t length = 0;
    for (const TrimRange& p : parts)
        length += p.toMs - p.fromMs;
    TimecodeBlock moved(length);
    moved.ParseBlock(kept);
    int64_t at = 0;
    for (const TrimRange& p : parts) {
        const RecFile::Mark* before = nullptr;
        for (const RecFile::Mark& m : source.marks()) {
            if (m.position <= p.fromMs)
                before = &m;
            else if (m.position < p.toMs)
                moved.AddMark(m.position - p.fromMs + at, m.time);
        }
        if (before)
            moved.AddMark(at, before->time + (p.fromMs - before->position + 500) / 1000);
        at += p.toMs - p.fromMs;
    }
    return moved.BuildBlock(false);
}

} // namespace

std::optional<int64_t> ParseTrimTime(std::string_view text) {
    std::vector<std::string_view> fields;
    for (size_t start = 0;;) {
        const size_t colon = text.find(':', start);
        fields.push_back(
            text.substr(start, colon == std::string_view::npos ? colon : colon - start));
        if (colon == std::string_view::npos)
            break;
        start = colon + 1;
    }
    if (fields.size() > 3)
        return std::nullopt;
    const std::string_view last = fields.back();
    const size_t dot = last.find('.');
    int64_t seconds = 0;
    if (!Digits(last.substr(0, dot), &seconds))
        return std::nullopt;
    int64_t tenThousandths = 0;
    if (dot != std::string_view::npos) {
        const std::string_view fraction = last.substr(dot + 1);
        int64_t ignored = 0;
        if (fraction.empty() || fraction.size() > 12 || !Digits(fraction, &ignored))
            return std::nullopt;
        for (size_t i = 0; i < 4; ++i)
            tenThousandths = tenThousandths * 10 + (i < fraction.size() ? fraction[i] - '0' : 0);
    }
    if (fields.size() > 1 && seconds >= 60)
        return std::nullopt;
    int64_t minutes = 0, hours = 0;
    if (fields.size() >= 2 && !Digits(fields[fields.size() - 2], &minutes))
        return std::nullopt;
    if (fields.size() == 3 && (!Digits(fields[0], &hours) || minutes >= 60))
        return std::nullopt;
    return ((hours * 60 + minutes) * 60 + seconds) * 1000 + (tenThousandths + 5) / 10;
}

std::optional<TrimRange> ParseTrimRange(std::string_view text) {
    const size_t dash = text.find('-');
    if (dash == std::string_view::npos)
        return std::nullopt;
    const auto from = ParseTrimTime(text.substr(0, dash));
    const auto to = ParseTrimTime(text.substr(dash + 1));
    if (!from || !to || *from >= *to)
        return std::nullopt;
    return TrimRange{*from, *to};
}

std::string FormatTrimTime(int64_t ms) {
    char text[40];
    const int64_t s = ms / 1000;
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld.%03lld",
                      static_cast<long long>(s / 3600), static_cast<long long>(s / 60 % 60),
                      static_cast<long long>(s % 60), static_cast<long long>(ms % 1000));
    else
        std::snprintf(text, sizeof text, "%lld:%02lld.%03lld", static_cast<long long>(s / 60),
                      static_cast<long long>(s % 60), static_cast<long long>(ms % 1000));
    return text;
}

bool KeptRanges(int64_t durationMs, std::optional<int64_t> from, std::optional<int64_t> to,
                const std::vector<TrimRange>& cuts, std::vector<TrimRange>* kept,
                std::string* error) {
    const std::string length = FormatTrimTime(durationMs);
    const int64_t a = from.value_or(0), b = to.value_or(durationMs);
    if (a > durationMs || b > durationMs) {
        *error =
            FormatText(Tr("the time %1$s lies outside the recording (the recording lasts %2$s)"),
                       FormatTrimTime(std::max(a, b)).c_str(), length.c_str());
        return false;
    }
    if (a >= b) {
        *error = FormatText(Tr("nothing lies between %1$s and %2$s"), FormatTrimTime(a).c_str(),
                            FormatTrimTime(b).c_str());
        return false;
    }
    std::vector<TrimRange> parts{{a, b}};
    for (const TrimRange& cut : cuts) {
        if (cut.fromMs < 0 || cut.toMs > durationMs || cut.fromMs >= cut.toMs) {
            *error = FormatText(
                Tr("the cut %1$s-%2$s lies outside the recording (the recording lasts %3$s)"),
                FormatTrimTime(cut.fromMs).c_str(), FormatTrimTime(cut.toMs).c_str(),
                length.c_str());
            return false;
        }
        std::vector<TrimRange> left;
        for (const TrimRange& p : parts) {
            if (cut.fromMs > p.fromMs)
                left.push_back({p.fromMs, std::min(p.toMs, cut.fromMs)});
            if (cut.toMs < p.toMs)
                left.push_back({std::max(p.fromMs, cut.toMs), p.toMs});
        }
        parts.clear();
        for (const TrimRange& p : left)
            if (p.fromMs < p.toMs)
                parts.push_back(p);
    }
    if (parts.empty()) {
        *error = Tr("nothing of the recording would be left");
        return false;
    }
    *kept = std::move(parts);
    return true;
}

bool SameRecordingFormat(const fs::path& in, const fs::path& out) {
    const std::string a = Lower(in.extension().string()), b = Lower(out.extension().string());
    return a == b && (a == ".wmv" || a == ".wma" || a == ".asf");
}

bool TrimMarks::Load(const std::string& path) {
    *this = TrimMarks{};
    asf::AsfReader reader;
    std::vector<asf::ObjectDesc> objects;
    if (!reader.Open(path) || !reader.finished() || !reader.ReadObjects(objects))
        return false;
    const asf::StreamDesc* video = nullptr;
    for (const asf::StreamDesc& s : reader.streams())
        if (s.video && !video)
            video = &s;
    for (const asf::ObjectDesc& o : objects)
        if (video && o.stream == video->number && o.complete)
            frames_.push_back(o.timeMs);
    std::sort(frames_.begin(), frames_.end());
    durationMs_ = static_cast<int64_t>(reader.duration() / 10000);
    return durationMs_ > 0;
}

int64_t TrimMarks::FrameAt(int64_t ms) const {
    return std::upper_bound(frames_.begin(), frames_.end(), ms) - frames_.begin() - 1;
}

void TrimMarks::Set(bool in, int64_t positionMs) {
    int64_t at = std::clamp<int64_t>(positionMs, 0, durationMs_);
    if (!frames_.empty()) {
        const int64_t k = std::max<int64_t>(FrameAt(at), 0);
        at = in                                             ? frames_[k]
             : k + 1 < static_cast<int64_t>(frames_.size()) ? frames_[k + 1]
                                                            : durationMs_;
    }
    (in ? in_ : out_) = at;
}

int64_t TrimMarks::Step(int64_t positionMs, bool forward) const {
    if (frames_.empty())
        return positionMs;
    const int64_t k = std::max<int64_t>(FrameAt(positionMs), 0);
    const int64_t next =
        std::clamp<int64_t>(k + (forward ? 1 : -1), 0, static_cast<int64_t>(frames_.size()) - 1);
    return frames_[next];
}

std::vector<TrimRange> TrimMarks::Kept(bool without) const {
    if (!selection())
        return {};
    if (!without)
        return {{in_, out_}};
    std::vector<TrimRange> parts;
    if (in_ > 0)
        parts.push_back({0, in_});
    if (out_ < durationMs_)
        parts.push_back({out_, durationMs_});
    return parts;
}

struct Trim::Impl {
    mutable std::mutex lock;
    std::condition_variable changed;
    TrimStatus status;
    bool running = false;
    std::atomic<bool> cancel{false};
    std::thread worker;

    void Join() {
        if (worker.joinable())
            worker.join();
    }

    void Run(fs::path in, fs::path out, fs::path part, std::vector<TrimRange> keep);
    bool Copy(const asf::AsfReader& reader, const std::string& target, std::vector<TrimRange> keep,
              std::string* note, std::string* error);
};

int64_t Trim::DurationMs(const fs::path& in, std::string* error) {
    asf::AsfReader reader;
    std::string why;
    if (!reader.Open(in.string(), &why)) {
        *error = FormatText(Tr("%1$s is not a recording that can be trimmed (%2$s)."),
                            in.string().c_str(), why.c_str());
        return 0;
    }
    if (!reader.finished() || reader.duration() == 0) {
        *error = FormatText(Tr("%s is not a finished recording."), in.string().c_str());
        return 0;
    }
    return static_cast<int64_t>(reader.duration() / 10000);
}

Trim::Trim() : impl_(std::make_unique<Impl>()) {}

Trim::~Trim() {
    Cancel();
    impl_->Join();
}

bool Trim::Start(const fs::path& in, const fs::path& out, const std::vector<TrimRange>& keep,
                 std::string* error) {
    {
        std::lock_guard<std::mutex> hold(impl_->lock);
        if (impl_->running) {
            *error = Tr("A trimmed copy is already being written.");
            return false;
        }
    }
    impl_->Join();
    if (!SameRecordingFormat(in, out)) {
        *error = FormatText(Tr("A trimmed copy of %1$s keeps its format: name it %2$s."),
                            in.string().c_str(),
                            (out.stem().string() + in.extension().string()).c_str());
        return false;
    }
    std::string why;
    if (DurationMs(in, &why) == 0) {
        *error = why;
        return false;
    }
    if (keep.empty()) {
        *error = FormatText(Tr("Nothing of %s is to be kept."), in.string().c_str());
        return false;
    }
    std::error_code ec;
    if (fs::equivalent(in, out, ec)) {
        *error =
            FormatText(Tr("A trimmed copy cannot replace its recording %s."), in.string().c_str());
        return false;
    }
    const fs::path part = ReserveBeside(out, ".part", &why);
    if (part.empty()) {
        *error = why;
        return false;
    }
    std::lock_guard<std::mutex> hold(impl_->lock);
    impl_->status = TrimStatus{};
    impl_->running = true;
    impl_->cancel = false;
    impl_->worker = std::thread(&Impl::Run, impl_.get(), in, out, part, keep);
    return true;
}

void Trim::Impl::Run(fs::path in, fs::path out, fs::path part, std::vector<TrimRange> keep) {
    std::string error, note;
    asf::AsfReader reader;
    bool ok = reader.Open(in.string(), &error) && Copy(reader, part.string(), keep, &note, &error);
    std::error_code ec;
    if (ok) {
        fs::rename(part, out, ec);
        if (ec) {
            ok = false;
            error = FormatText(Tr("Cannot write %1$s: %2$s"), out.string().c_str(),
                               ec.message().c_str());
        }
    } else if (!cancel) {
        error = FormatText(Tr("Cannot trim %1$s: %2$s"), in.string().c_str(), error.c_str());
    }
    if (!ok)
        fs::remove(part, ec);
    TrimStatus s;
    s.done = true;
    s.ok = ok;
    s.cancelled = !ok && cancel;
    s.fraction = ok ? 1 : 0;
    s.secondsLeft = 0;
    if (ok)
        s.note = note;
    else if (!s.cancelled)
        s.message = error;
    {
        std::lock_guard<std::mutex> hold(lock);
        status = s;
        running = false;
    }
    changed.notify_all();
}

bool Trim::Impl::Copy(const asf::AsfReader& reader, const std::string& target,
                      std::vector<TrimRange> keep, std::string* note, std::string* error) {
    std::vector<asf::ObjectDesc> objects;
    std::string why;
    if (!reader.ReadObjects(objects, &why)) {
        *error = FormatText(Tr("the file is damaged (%s)"), why.c_str());
        return false;
    }
    const asf::StreamDesc* video = nullptr;
    const asf::StreamDesc* music = nullptr;
    for (const asf::StreamDesc& s : reader.streams()) {
        if (s.video && !video)
            video = &s;
        else if (!s.video && s.formatTag == kMp3Tag && !music)
            music = &s;
    }

    // The picture: the frame shown at each part's start, and the key frame it is decoded from.
    struct Frame {
        uint32_t timeMs;
        bool key;
    };
    std::vector<Frame> frames;
    for (const asf::ObjectDesc& o : objects)
        if (video && o.stream == video->number && o.complete)
            frames.push_back({o.timeMs, o.keyFrame});
    const bool reproducible = video && video->fourcc == kMss2Fourcc &&
                              video->typeSpecific.size() >= kExtradataAt + kFreeColoursAt + 4 &&
                              video->typeSpecific[kExtradataAt + kFreeColoursAt + 3] == 127 &&
                              video->typeSpecific[kExtradataAt + kFreeColoursAt + 2] == 0;
    struct Part {
        TrimRange range;
        int64_t outMs = 0;
        int64_t cut = -1; // index of the frame shown at the start
        int64_t key = -1; // the key frame before it
    };
    std::vector<Part> parts;
    for (const TrimRange& r : keep) {
        Part p{r};
        if (!frames.empty()) {
            auto after = std::upper_bound(frames.begin(), frames.end(), r.fromMs,
                                          [](int64_t t, const Frame& f) { return t < f.timeMs; });
            p.cut = std::max<int64_t>(0, after - frames.begin() - 1);
            p.key = p.cut;
            while (p.key >= 0 && !frames[p.key].key)
                --p.key;
            if (p.key < 0) {
                *error = Tr("its pictures do not start with a key frame");
                return false;
            }
            if (!reproducible && p.key != p.cut) {
                p.range.fromMs = frames[p.key].timeMs;
                p.cut = p.key;
                *note = Tr("The cuts were moved to the key frames before them: the pictures of "
                           "this recording are not in the form this program codes.");
            }
        }
        if (!parts.empty() && p.range.fromMs <= parts.back().range.toMs)
            parts.back().range.toMs = std::max(parts.back().range.toMs, p.range.toMs);
        else
            parts.push_back(p);
    }
    int64_t length = 0;
    for (Part& p : parts) {
        p.outMs = length;
        length += p.range.toMs - p.range.fromMs;
    }
    std::vector<TrimRange> ranges;
    for (const Part& p : parts)
        ranges.push_back(p.range);

    // The streams and attributes of the copy.
    std::vector<asf::StreamInfo> streams;
    for (const asf::StreamDesc& s : reader.streams()) {
        asf::StreamInfo info;
        info.video = s.video;
        info.number = s.number;
        info.name = s.name;
        info.typeSpecific = s.typeSpecific;
        info.errorCorrection = s.errorCorrection;
        info.bitRate = s.bitRate;
        info.avgTimePerFrame = s.avgTimePerFrame;
        info.sampleDuration = s.video ? s.avgTimePerFrame : 0;
        info.codecName = s.codecName;
        info.codecInfo = s.codecInfo;
        streams.push_back(info);
    }
    std::vector<asf::Attribute> attributes = reader.attributes();
    for (asf::Attribute& a : attributes)
        if (strcasecmp(a.name.c_str(), RecFile::kTimecodeAttribute) == 0)
            a.value = MoveTimecode(a.value, ranges);

    // Decoders and coders.
    Decoder pictures;
    std::unique_ptr<Mss2Encoder> keyCoder;
    if (video && reproducible) {
        const int32_t width = video->width, height = std::abs(video->height);
        const std::vector<uint8_t>& ts = video->typeSpecific;
        const bool opened = pictures.Open(AV_CODEC_ID_MSS2, [&](AVCodecContext* c) {
            c->width = width;
            c->height = height;
            const size_t n = ts.size() - kExtradataAt;
            c->extradata = static_cast<uint8_t*>(av_mallocz(n + AV_INPUT_BUFFER_PADDING_SIZE));
            if (c->extradata) {
                std::memcpy(c->extradata, ts.data() + kExtradataAt, n);
                c->extradata_size = static_cast<int>(n);
            }
        });
        if (!opened) {
            *error = Tr("its pictures cannot be decoded");
            return false;
        }
        keyCoder = std::make_unique<Mss2Encoder>(width, height);
    }
    Decoder sound;
    std::unique_ptr<Mp3Encoder> soundCoder;
    if (music) {
        soundCoder = std::make_unique<Mp3Encoder>(music->sampleRate, music->channels,
                                                  music->avgBytesPerSec * 8);
        const bool opened =
            soundCoder->valid() && sound.Open(AV_CODEC_ID_MP3, [&](AVCodecContext* c) {
                c->sample_rate = static_cast<int>(music->sampleRate);
                av_channel_layout_default(&c->ch_layout, music->channels);
            });
        if (!opened) {
            // Sound this program cannot code again is copied in whole blocks.
            soundCoder.reset();
            music = nullptr;
        } else {
            const CodedSoundFormat f = soundCoder->format();
            for (asf::StreamInfo& s : streams)
                if (s.number == music->number)
                    s.typeSpecific = asf::AudioTypeSpecific(f.formatTag, f.channels,
                                                            f.samplesPerSec, f.avgBytesPerSec,
                                                            f.blockAlign, f.bitsPerSample, f.extra);
        }
    }

    asf::AsfWriter writer;
    asf::WriterOptions options;
    options.packetSize = reader.packetSize();
    options.prerollMs = reader.prerollMs();
    if (int32_t r = writer.Open(target, streams, attributes, options); r != 0) {
        *error = std::strerror(-r);
        return false;
    }

    // The music: decoded samples (interleaved 16-bit) by their index from the stream's start.
    // (The coder drops the first samples of the copy as it does those of a recording.)
    const int rate = music ? static_cast<int>(music->sampleRate) : 1;
    const int channels = music ? music->channels : 1;
    int64_t musicIndex = -1; // of the next decoded sample frame; -1 before the first block
    int64_t musicBlocks = 0;
    const int64_t fade = kFadeMs * rate / 1000;
    std::vector<int16_t> samples, piece;
    std::vector<uint8_t> coded;
    auto sampleAt = [&](int64_t ms) { return ms * rate / 1000; };
    auto writeMusic = [&]() {
        std::vector<uint32_t> sizes = soundCoder->TakeBlockSizes();
        const size_t per = soundCoder->samplesPerBlock();
        size_t at = 0;
        for (size_t i = 0; at < coded.size(); ++i) {
            const size_t n = i < sizes.size() ? sizes[i] : soundCoder->blockBytes();
            if (at + n > coded.size())
                break;
            const int64_t t = musicBlocks * per * 10000000 / rate;
            ++musicBlocks;
            const int64_t end = musicBlocks * per * 10000000 / rate;
            if (int32_t r = writer.Write(music->number, t, true, coded.data() + at, n, end - t))
                return r;
            at += n;
        }
        coded.clear();
        return 0;
    };
    auto feedMusic = [&](const int16_t* s, int64_t first, int64_t count) {
        for (size_t i = 0; i < parts.size(); ++i) {
            const int64_t from = sampleAt(parts[i].range.fromMs),
                          to = sampleAt(parts[i].range.toMs);
            const int64_t x = std::max(first, from), y = std::min(first + count, to);
            if (x >= y)
                continue;
            piece.assign(s + (x - first) * channels, s + (y - first) * channels);
            for (int64_t k = x; k < y; ++k) {
                double gain = 1;
                if (i > 0 && k - from < fade)
                    gain = static_cast<double>(k - from) / fade;
                if (i + 1 < parts.size() && to - 1 - k < fade)
                    gain = std::min(gain, static_cast<double>(to - 1 - k) / fade);
                if (gain < 1)
                    for (int c = 0; c < channels; ++c) {
                        int16_t& v = piece[(k - x) * channels + c];
                        v = static_cast<int16_t>(std::lround(v * gain));
                    }
            }
            soundCoder->Encode(reinterpret_cast<const uint8_t*>(piece.data()), piece.size() * 2,
                               coded);
        }
        return writeMusic();
    };
    auto toPcm = [&](const AVFrame& f) {
        samples.resize(static_cast<size_t>(f.nb_samples) * channels);
        const int have = f.ch_layout.nb_channels;
        for (int i = 0; i < f.nb_samples; ++i)
            for (int c = 0; c < channels; ++c) {
                const int from = std::min(c, have - 1);
                double v = 0;
                switch (f.format) {
                case AV_SAMPLE_FMT_FLTP:
                    v = reinterpret_cast<const float*>(f.extended_data[from])[i];
                    break;
                case AV_SAMPLE_FMT_FLT:
                    v = reinterpret_cast<const float*>(f.data[0])[i * have + from];
                    break;
                case AV_SAMPLE_FMT_S16P:
                    v = reinterpret_cast<const int16_t*>(f.extended_data[from])[i] / 32768.0;
                    break;
                case AV_SAMPLE_FMT_S16:
                    v = reinterpret_cast<const int16_t*>(f.data[0])[i * have + from] / 32768.0;
                    break;
                default:
                    break;
                }
                samples[static_cast<size_t>(i) * channels + c] =
                    static_cast<int16_t>(std::clamp(std::lround(v * 32768), -32768L, 32767L));
            }
    };

    std::vector<uint8_t> bgrx, keyFrame;
    int64_t frameIndex = 0;
    size_t done = 0;
    const auto start = std::chrono::steady_clock::now();
    int32_t writeError = 0;
    std::string failure;
    std::map<uint16_t, BlockGrid> blockGrids;
    auto partAt = [&](int64_t ms) -> const Part* {
        for (const Part& p : parts)
            if (p.range.fromMs <= ms && ms < p.range.toMs)
                return &p;
        return nullptr;
    };
    const bool walked = reader.ForEachObject(
        [&](const asf::ObjectDesc& o, const uint8_t* data) {
            if (cancel)
                return false;
            if (++done % 64 == 0) {
                const double f = static_cast<double>(done) / std::max<size_t>(objects.size(), 1);
                const double spent =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                std::lock_guard<std::mutex> hold(lock);
                status.fraction = std::min(f, 1.0);
                status.secondsLeft = f > 0.01 ? spent * (1 - f) / f : -1;
            }
            if (video && o.stream == video->number) {
                const int64_t n = frameIndex++;
                bool decode = false, isCut = false;
                for (const Part& p : parts) {
                    decode = decode || (reproducible && p.key <= n && n <= p.cut && p.key != p.cut);
                    isCut = isCut || p.cut == n;
                }
                if (decode && !pictures.Send(data, o.size, [&](const AVFrame& f) {
                        if (isCut)
                            ToBgrx(f, keyCoder->width(), keyCoder->height(), bgrx);
                    })) {
                    failure = FormatText(Tr("a picture at %s cannot be decoded"),
                                         FormatTrimTime(o.timeMs).c_str());
                    return false;
                }
                // A frame inside a part, after the one it starts with: copied.
                const Part* in = partAt(o.timeMs);
                if (in && n > in->cut)
                    writeError = writer.Write(video->number,
                                              (o.timeMs - in->range.fromMs + in->outMs) * 10000,
                                              o.keyFrame, data, o.size);
                // The frame shown at a part's start: at the part's place, as a key frame.
                for (const Part& p : parts) {
                    if (p.cut != n || writeError)
                        continue;
                    const int64_t t = p.outMs * 10000;
                    if (o.keyFrame || !reproducible) {
                        writeError = writer.Write(video->number, t, o.keyFrame, data, o.size);
                        continue;
                    }
                    if (bgrx.empty()) {
                        failure = FormatText(Tr("the picture at %s cannot be decoded"),
                                             FormatTrimTime(o.timeMs).c_str());
                        return false;
                    }
                    keyCoder->Encode(bgrx.data(), keyCoder->width(), keyCoder->height(),
                                     keyCoder->width() * 4, true, keyFrame);
                    writeError =
                        writer.Write(video->number, t, true, keyFrame.data(), keyFrame.size());
                }
                bgrx.clear();
                return writeError == 0;
            }
            if (music && o.stream == music->number) {
                if (musicIndex < 0)
                    musicIndex = sampleAt(o.timeMs);
                const bool sent = sound.Send(data, o.size, [&](const AVFrame& f) {
                    toPcm(f);
                    if (writeError == 0)
                        writeError = feedMusic(samples.data(), musicIndex, f.nb_samples);
                    musicIndex += f.nb_samples;
                });
                if (!sent) {
                    failure = FormatText(Tr("the music at %s cannot be decoded"),
                                         FormatTrimTime(o.timeMs).c_str());
                    return false;
                }
                return writeError == 0;
            }
            // Other sound: whole blocks.
            const asf::StreamDesc* s = reader.FindStream(o.stream);
            if (!s || s->video || s->avgBytesPerSec == 0)
                return true;
            auto& grid = blockGrids[o.stream];
            if (grid.block == 0)
                grid = {int64_t{o.timeMs} * 10000,
                        std::max<int64_t>(1, int64_t{o.size} * 10000000 / s->avgBytesPerSec)};
            const int64_t k = grid.Index(int64_t{o.timeMs} * 10000);
            for (const Part& p : parts) {
                const auto [first, count, at] = grid.Place(p.range, p.outMs);
                if (k >= first && k < first + count)
                    writeError = writer.Write(o.stream, (at + k - first) * grid.block, true, data,
                                              o.size, grid.block);
            }
            return writeError == 0;
        },
        &why);
    if (walked && !cancel && failure.empty() && writeError == 0 && soundCoder) {
        soundCoder->Finish(coded);
        writeError = writeMusic();
    }
    const int32_t closed = writer.Close();
    if (cancel)
        return false;
    if (!walked) {
        *error = FormatText(Tr("the file is damaged (%s)"), why.c_str());
        return false;
    }
    if (!failure.empty()) {
        *error = failure;
        return false;
    }
    if (writeError || closed) {
        *error = std::strerror(-(writeError ? writeError : closed));
        return false;
    }
    return true;
}

void Trim::Cancel() {
    impl_->cancel = true;
}

TrimStatus Trim::Status() const {
    std::lock_guard<std::mutex> hold(impl_->lock);
    return impl_->status;
}

bool Trim::Wait(int timeoutMs) {
    std::unique_lock<std::mutex> hold(impl_->lock);
    return WaitUntil(hold, impl_->changed, timeoutMs, [&] { return !impl_->running; });
}

} // namespace tess
