#include "media/asf/AsfWriter.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace tess::asf {

namespace {

constexpr size_t kPacketHeaderSize = 14;  // error correction, flags, padding, time, duration
constexpr size_t kPayloadHeaderSize = 17; // stream, object, offset, replicated data, length
constexpr int kMaxPayloads = 63;
constexpr uint64_t kIndexInterval = 10000000; // one index entry per second

// 100-ns units between 1601-01-01 and 1970-01-01.
constexpr uint64_t kEpochDelta = 116444736000000000ULL;

Guid RandomGuid() {
    std::random_device rd;
    Guid g;
    for (size_t i = 0; i < g.size(); i += 4) {
        uint32_t v = rd();
        std::memcpy(&g[i], &v, 4);
    }
    g[7] = static_cast<uint8_t>((g[7] & 0x0F) | 0x40);
    g[8] = static_cast<uint8_t>((g[8] & 0x3F) | 0x80);
    return g;
}

std::vector<uint8_t> FilePropertiesBody(const FileState& s) {
    Bytes b;
    b.Put(s.fileId);
    b.U64(s.fileSize);
    b.U64(s.creationTime);
    b.U64(s.packets);
    b.U64(s.playDuration);
    b.U64(s.sendDuration);
    b.U64(s.prerollMs);
    b.U32(s.flags);
    b.U32(s.packetSize);
    b.U32(s.packetSize);
    b.U32(s.maxBitrate);
    return std::move(b.data());
}

std::vector<uint8_t> StreamPropertiesBody(const StreamInfo& s) {
    Bytes b;
    b.Put(s.video ? kVideoMedia : kAudioMedia);
    b.Put(s.errorCorrection.empty() ? kNoErrorCorrection : kAudioSpread);
    b.U64(0); // time offset
    b.U32(static_cast<uint32_t>(s.typeSpecific.size()));
    b.U32(static_cast<uint32_t>(s.errorCorrection.size()));
    b.U16(static_cast<uint16_t>(s.number & 0x7F));
    b.U32(0);
    b.Put(s.typeSpecific);
    b.Put(s.errorCorrection);
    return std::move(b.data());
}

std::vector<uint8_t> ExtendedStreamPropertiesBody(const StreamInfo& s, uint32_t prerollMs) {
    Bytes b;
    b.U64(0); // start time
    b.U64(0); // end time
    b.U32(s.bitRate);
    b.U32(prerollMs); // buffer size (ms)
    b.U32(0);         // initial buffer fullness
    b.U32(s.bitRate); // alternate bit rate
    b.U32(prerollMs);
    b.U32(0);
    b.U32(0); // maximum object size: not known in advance
    b.U32(0); // flags
    b.U16(s.number);
    b.U16(0); // language index: the only entry of the language list
    b.U64(s.avgTimePerFrame);
    b.U16(1); // one stream name
    b.U16(0); // no payload extension systems
    const std::u16string name = ToUtf16(s.name);
    b.U16(0);
    b.U16(static_cast<uint16_t>(name.size() * 2));
    b.Utf16(name, false);
    return std::move(b.data());
}

std::vector<uint8_t> HeaderExtensionBody(const std::vector<StreamInfo>& streams,
                                         uint32_t prerollMs) {
    Bytes ext;
    {
        Bytes lang;
        lang.U16(1);
        const std::u16string en = u"en-us";
        lang.U8(static_cast<uint8_t>((en.size() + 1) * 2));
        lang.Utf16(en, true);
        ext.Put(MakeObject(kLanguageList, lang.data()));
    }
    for (const auto& s : streams)
        ext.Put(MakeObject(kExtendedStreamProperties, ExtendedStreamPropertiesBody(s, prerollMs)));
    Bytes b;
    b.Put(kHeaderExtensionReserved);
    b.U16(6);
    b.U32(static_cast<uint32_t>(ext.size()));
    b.Put(ext.data());
    return std::move(b.data());
}

std::vector<uint8_t> CodecListBody(const std::vector<StreamInfo>& streams) {
    Bytes b;
    b.Put(kCodecListReserved);
    b.U32(static_cast<uint32_t>(streams.size()));
    for (const auto& s : streams) {
        b.U16(s.video ? 1 : 2);
        const std::u16string name = ToUtf16(s.codecName);
        b.U16(static_cast<uint16_t>(name.size() + 1));
        b.Utf16(name, true);
        b.U16(0); // no description
        b.U16(static_cast<uint16_t>(s.codecInfo.size()));
        b.Put(s.codecInfo);
    }
    return std::move(b.data());
}

} // namespace

std::vector<uint8_t> VideoTypeSpecific(int32_t width, int32_t height, uint16_t bitCount,
                                       uint32_t fourcc, const std::vector<uint8_t>& extradata) {
    Bytes b;
    b.U32(static_cast<uint32_t>(width));
    b.U32(static_cast<uint32_t>(height));
    b.U8(2); // reserved flags
    const uint32_t biSize = 40 + static_cast<uint32_t>(extradata.size());
    b.U16(static_cast<uint16_t>(biSize));
    b.U32(biSize);
    b.U32(static_cast<uint32_t>(width));
    b.U32(static_cast<uint32_t>(height));
    b.U16(1); // planes
    b.U16(bitCount);
    b.U32(fourcc);
    b.U32(0); // image size
    b.U32(0);
    b.U32(0);
    b.U32(0);
    b.U32(0);
    b.Put(extradata);
    return std::move(b.data());
}

std::vector<uint8_t> AudioTypeSpecific(uint16_t formatTag, uint16_t channels, uint32_t rate,
                                       uint32_t avgBytesPerSec, uint16_t blockAlign,
                                       uint16_t bitsPerSample, const std::vector<uint8_t>& extra) {
    Bytes b;
    b.U16(formatTag);
    b.U16(channels);
    b.U32(rate);
    b.U32(avgBytesPerSec);
    b.U16(blockAlign);
    b.U16(bitsPerSample);
    b.U16(static_cast<uint16_t>(extra.size()));
    b.Put(extra);
    return std::move(b.data());
}

std::vector<uint8_t> AudioSpreadData(uint16_t blockAlign) {
    Bytes b;
    b.U8(1); // span
    b.U16(blockAlign);
    b.U16(blockAlign);
    b.U16(1); // silence data length
    b.U8(0);
    return std::move(b.data());
}

std::vector<uint8_t> BuildHeader(const FileState& state, const std::vector<StreamInfo>& streams,
                                 const std::vector<Attribute>& attributes, size_t padding) {
    Bytes objs;
    uint32_t count = 0;
    objs.Put(MakeObject(kFileProperties, FilePropertiesBody(state)));
    ++count;
    for (const auto& s : streams) {
        objs.Put(MakeObject(kStreamProperties, StreamPropertiesBody(s)));
        ++count;
    }
    objs.Put(MakeObject(kHeaderExtension, HeaderExtensionBody(streams, state.prerollMs)));
    objs.Put(MakeObject(kCodecList, CodecListBody(streams)));
    objs.Put(MakeObject(kExtendedContentDescription, ContentDescriptionBody(attributes)));
    objs.Put(MakeObject(kPadding, std::vector<uint8_t>(padding, 0)));
    count += 4;
    Bytes b;
    b.Put(kHeader);
    b.U64(kHeaderObjectSize + objs.size());
    b.U32(count);
    b.U8(1);
    b.U8(2);
    b.Put(objs.data());
    return std::move(b.data());
}

AsfWriter::~AsfWriter() {
    if (IsOpen())
        Close();
}

bool AsfWriter::IsOpen() const {
    std::lock_guard lock(mu_);
    return bool(fd_);
}

int32_t AsfWriter::LastError() const {
    std::lock_guard lock(mu_);
    return error_;
}

uint64_t AsfWriter::FileSize() const {
    std::lock_guard lock(mu_);
    return dataStart_ + state_.packets * opt_.packetSize;
}

uint64_t AsfWriter::Duration() const {
    std::lock_guard lock(mu_);
    return endTime_;
}

int32_t AsfWriter::Open(const std::string& path, std::vector<StreamInfo> streams,
                        std::vector<Attribute> attributes, WriterOptions options) {
    std::lock_guard lock(mu_);
    if (fd_)
        return -EBUSY;
    if (options.packetSize < 256 || options.packetSize > 65535)
        options.packetSize = 8192;
    opt_ = options;
    streams_ = std::move(streams);
    attributes_ = std::move(attributes);
    fd_.reset(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!fd_)
        return error_ = -errno;
    error_ = 0;

    state_ = FileState{};
    state_.fileId = RandomGuid();
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    state_.creationTime =
        kEpochDelta +
        static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(now).count()) *
            10;
    state_.prerollMs = opt_.prerollMs;
    state_.flags = kFlagBroadcast;
    state_.packetSize = opt_.packetSize;
    for (const auto& s : streams_)
        state_.maxBitrate += s.bitRate;

    const std::vector<uint8_t> header =
        BuildHeader(state_, streams_, attributes_, opt_.headerPadding);
    headerSize_ = header.size();
    dataStart_ = headerSize_ + kDataObjectHeaderSize;
    packet_.assign(opt_.packetSize, 0);
    packetUsed_ = 0;
    payloadCount_ = 0;
    lastSendTime_ = 0;
    endTime_ = 0;
    keys_.clear();
    std::fill(std::begin(objectNumbers_), std::end(objectNumbers_), 0);

    int32_t r = WriteAll(fd_.get(), header.data(), header.size());
    if (r == 0) {
        const std::vector<uint8_t> data = DataObjectHeader();
        r = WriteAll(fd_.get(), data.data(), data.size());
    }
    if (r != 0)
        error_ = r;
    return r;
}

std::vector<uint8_t> AsfWriter::DataObjectHeader() const {
    Bytes b;
    b.Put(kData);
    const bool finished = (state_.flags & kFlagBroadcast) == 0;
    b.U64(finished ? kDataObjectHeaderSize + state_.packets * opt_.packetSize : 0);
    b.Put(state_.fileId);
    b.U64(finished ? state_.packets : 0);
    b.U8(1);
    b.U8(1);
    return std::move(b.data());
}

int32_t AsfWriter::FlushPacket() {
    if (payloadCount_ == 0)
        return 0;
    uint8_t* p = packet_.data();
    const size_t padding = opt_.packetSize - kPacketHeaderSize - packetUsed_;
    const uint32_t sendTime = std::max(lastSendTime_, packetMinTime_);
    lastSendTime_ = sendTime;
    p[0] = 0x82; // error correction data present, 2 bytes
    p[1] = 0;
    p[2] = 0;
    p[3] = 0x11; // multiple payloads, padding length as a word, fixed packet length
    p[4] = 0x5D; // replicated data length: byte; offset: dword; object number: byte; stream: byte
    p[5] = static_cast<uint8_t>(padding);
    p[6] = static_cast<uint8_t>(padding >> 8);
    std::memcpy(p + 7, &sendTime, 4); // little-endian host
    p[11] = 0;
    p[12] = 0;
    p[13] = static_cast<uint8_t>(0x80 | payloadCount_); // payload lengths as words
    std::memset(p + kPacketHeaderSize + packetUsed_, 0, padding);
    const int32_t r = WriteAll(fd_.get(), p, opt_.packetSize);
    packetUsed_ = 0;
    payloadCount_ = 0;
    if (r != 0)
        return r;
    ++state_.packets;
    return 0;
}

int32_t AsfWriter::Write(uint16_t stream, int64_t time, bool keyFrame, const uint8_t* data,
                         size_t size, int64_t duration) {
    std::lock_guard lock(mu_);
    if (!fd_)
        return -EBADF;
    if (error_ != 0)
        return error_;
    if (size == 0 || size >= (1u << 24))
        return -EINVAL;
    const StreamInfo* info = nullptr;
    for (const auto& s : streams_)
        if (s.number == stream)
            info = &s;
    if (!info)
        return -EINVAL;

    if (time < 0)
        time = 0;
    const uint32_t presTime = static_cast<uint32_t>(time / 10000) + opt_.prerollMs;
    if (payloadCount_ > 0) {
        const uint32_t lo = std::min(packetFirstTime_, presTime);
        const uint32_t hi = std::max(packetFirstTime_, presTime);
        if (hi - lo > opt_.maxPacketSpanMs) {
            if (int32_t r = FlushPacket(); r != 0)
                return error_ = r;
        }
    }

    const uint8_t objectNumber = objectNumbers_[stream & 0x7F]++;
    const bool indexed = info->video && keyFrame;
    KeyEntry entry{presTime, static_cast<uint32_t>(state_.packets), 0};
    size_t offset = 0;
    bool first = true;
    while (offset < size) {
        const size_t room = opt_.packetSize - kPacketHeaderSize - packetUsed_;
        if (room < kPayloadHeaderSize + 1 || payloadCount_ == kMaxPayloads) {
            if (int32_t r = FlushPacket(); r != 0)
                return error_ = r;
            continue;
        }
        if (first) {
            entry.firstPacket = static_cast<uint32_t>(state_.packets);
            first = false;
        }
        const size_t take = std::min(size - offset, room - kPayloadHeaderSize);
        uint8_t* p = packet_.data() + kPacketHeaderSize + packetUsed_;
        p[0] = static_cast<uint8_t>((stream & 0x7F) | (keyFrame ? 0x80 : 0));
        p[1] = objectNumber;
        const uint32_t off32 = static_cast<uint32_t>(offset);
        const uint32_t size32 = static_cast<uint32_t>(size);
        const uint16_t take16 = static_cast<uint16_t>(take);
        std::memcpy(p + 2, &off32, 4);
        p[6] = 8; // replicated data: object size and presentation time
        std::memcpy(p + 7, &size32, 4);
        std::memcpy(p + 11, &presTime, 4);
        std::memcpy(p + 15, &take16, 2);
        std::memcpy(p + kPayloadHeaderSize, data + offset, take);
        if (payloadCount_ == 0) {
            packetFirstTime_ = presTime;
            packetMinTime_ = presTime;
        }
        packetMinTime_ = std::min(packetMinTime_, presTime);
        ++payloadCount_;
        packetUsed_ += kPayloadHeaderSize + take;
        offset += take;
    }
    entry.lastPacket = static_cast<uint32_t>(state_.packets);
    if (indexed)
        keys_.push_back(entry);
    const uint64_t length = duration > 0 ? static_cast<uint64_t>(duration) : info->sampleDuration;
    const uint64_t end = static_cast<uint64_t>(time) + std::max<uint64_t>(length, 1);
    endTime_ = std::max(endTime_, end);
    return 0;
}

std::vector<uint8_t> AsfWriter::IndexObject() const {
    const uint64_t totalMs = endTime_ / 10000 + opt_.prerollMs;
    const uint32_t count = static_cast<uint32_t>(totalMs / (kIndexInterval / 10000) + 1);
    Bytes body;
    body.Put(state_.fileId);
    body.U64(kIndexInterval);
    uint32_t maxCount = 1;
    for (const auto& k : keys_)
        maxCount = std::max(maxCount, k.lastPacket - k.firstPacket + 1);
    body.U32(maxCount);
    body.U32(count);
    size_t k = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t t = static_cast<uint64_t>(i) * (kIndexInterval / 10000);
        while (k + 1 < keys_.size() && keys_[k + 1].timeMs <= t)
            ++k;
        if (keys_.empty()) {
            body.U32(0);
            body.U16(1);
        } else {
            body.U32(keys_[k].firstPacket);
            body.U16(static_cast<uint16_t>(keys_[k].lastPacket - keys_[k].firstPacket + 1));
        }
    }
    return MakeObject(kSimpleIndex, body.data());
}

int32_t AsfWriter::Flush() {
    std::lock_guard lock(mu_);
    return FlushLocked();
}

int32_t AsfWriter::FlushLocked() {
    if (!fd_)
        return -EBADF;
    if (error_ == 0) {
        if (int32_t r = FlushPacket(); r != 0)
            error_ = r;
    }
    return error_;
}

int32_t AsfWriter::Close() {
    std::lock_guard lock(mu_);
    if (!fd_)
        return -EBADF;
    FlushLocked();
    const uint64_t dataEnd = dataStart_ + state_.packets * opt_.packetSize;
    uint64_t fileEnd = dataEnd;
    bool hasVideo = false;
    for (const auto& s : streams_)
        hasVideo = hasVideo || s.video;
    if (error_ == 0 && hasVideo && !keys_.empty()) {
        const std::vector<uint8_t> index = IndexObject();
        if (int32_t r = WriteAllAt(fd_.get(), index.data(), index.size(), dataEnd); r != 0)
            error_ = r;
        else
            fileEnd += index.size();
    }
    if (error_ != 0) {
        // Drop a partly written packet or index so the file ends on a whole packet.
        if (::ftruncate(fd_.get(), static_cast<off_t>(dataEnd)) != 0) {
            // Not a regular file (a device): nothing to cut.
        }
    }
    state_.flags = kFlagSeekable;
    state_.fileSize = fileEnd;
    state_.playDuration = endTime_ + static_cast<uint64_t>(opt_.prerollMs) * 10000;
    state_.sendDuration = state_.playDuration;
    const std::vector<uint8_t> header =
        BuildHeader(state_, streams_, attributes_, opt_.headerPadding);
    int32_t r = 0;
    if (header.size() == headerSize_) {
        r = WriteAllAt(fd_.get(), header.data(), header.size(), 0);
        if (r == 0) {
            const std::vector<uint8_t> data = DataObjectHeader();
            r = WriteAllAt(fd_.get(), data.data(), data.size(), headerSize_);
        }
    }
    if (r != 0 && error_ == 0)
        error_ = r;
    if (const int e = fd_.Close(); e != 0 && error_ == 0)
        error_ = -e;
    return error_;
}

} // namespace tess::asf
