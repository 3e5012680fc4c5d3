#include "media/asf/AsfReader.h"

#include "platform/Translate.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <strings.h>

namespace tess::asf {

namespace {

constexpr uint64_t kMaxHeaderSize = 64u << 20;
// Larger objects (only a damaged file claims them) are left out of ForEachObject.
constexpr uint32_t kMaxObjectSize = 64u << 20;

bool Fail(std::string* error, const std::string& text) {
    if (error)
        *error = text;
    return false;
}

uint32_t ReadSized(Reader& r, int type) {
    switch (type & 3) {
    case 1:
        return r.U8();
    case 2:
        return r.U16();
    case 3:
        return r.U32();
    default:
        return 0;
    }
}

} // namespace

const StreamDesc* AsfReader::FindStream(uint16_t number) const {
    for (const auto& s : streams_)
        if (s.number == number)
            return &s;
    return nullptr;
}

bool AsfReader::GetAttribute(const std::string& name, std::string* value) const {
    for (const auto& a : attributes_)
        if (strcasecmp(a.name.c_str(), name.c_str()) == 0) {
            if (value)
                *value = a.value;
            return true;
        }
    return false;
}

bool AsfReader::Open(const std::string& path, std::string* error) {
    *this = AsfReader{};
    path_ = path;
    std::ifstream f(path, std::ios::binary);
    if (!f)
        return Fail(error, FormatText(Tr("cannot open %s"), path.c_str()));
    f.seekg(0, std::ios::end);
    fileSize_ = static_cast<uint64_t>(f.tellg());
    f.seekg(0);
    std::vector<uint8_t> head(kHeaderObjectSize);
    if (!f.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size())))
        return Fail(error, Tr("file too short for an ASF header"));
    Reader r(head.data(), head.size());
    if (r.G() != kHeader)
        return Fail(error, Tr("not an ASF file"));
    headerSize_ = r.U64();
    if (headerSize_ < kHeaderObjectSize || headerSize_ > kMaxHeaderSize || headerSize_ > fileSize_)
        return Fail(error, Tr("bad ASF header size"));
    head.resize(headerSize_);
    if (!f.read(reinterpret_cast<char*>(head.data() + kHeaderObjectSize),
                static_cast<std::streamsize>(headerSize_ - kHeaderObjectSize)))
        return Fail(error, Tr("truncated ASF header"));
    if (!ParseHeader(head, error))
        return false;

    // The data object follows the header.
    std::vector<uint8_t> data(kDataObjectHeaderSize);
    f.seekg(static_cast<std::streamoff>(headerSize_));
    if (!f.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size())))
        return Fail(error, Tr("no data object"));
    Reader d(data.data(), data.size());
    if (d.G() != kData)
        return Fail(error, Tr("no data object after the header"));
    const uint64_t dataSize = d.U64();
    dataOffset_ = headerSize_ + kDataObjectHeaderSize;
    if (finished() && dataSize >= kDataObjectHeaderSize && headerSize_ + dataSize <= fileSize_)
        dataEnd_ = headerSize_ + dataSize;
    else
        dataEnd_ = fileSize_;
    if (packetSize_ < 32 || packetSize_ > (1u << 20))
        return Fail(error, Tr("bad packet size"));
    if (!finished())
        packets_ = (dataEnd_ - dataOffset_) / packetSize_;

    // Objects after the data object (the index).
    uint64_t pos = dataEnd_;
    while (finished() && pos + kObjectHeaderSize <= fileSize_) {
        uint8_t oh[kObjectHeaderSize];
        f.seekg(static_cast<std::streamoff>(pos));
        if (!f.read(reinterpret_cast<char*>(oh), sizeof oh))
            break;
        Reader o(oh, sizeof oh);
        const Guid g = o.G();
        const uint64_t size = o.U64();
        if (size < kObjectHeaderSize)
            break;
        if (g == kSimpleIndex)
            hasIndex_ = true;
        pos += size;
    }
    return true;
}

bool AsfReader::ParseHeader(const std::vector<uint8_t>& h, std::string* error) {
    Reader r(h.data(), h.size());
    r.Seek(kHeaderObjectSize);
    bool haveFileProperties = false;
    while (r.left() >= kObjectHeaderSize) {
        const size_t start = r.pos();
        const Guid g = r.G();
        const uint64_t size = r.U64();
        if (size < kObjectHeaderSize || size > h.size() - start)
            return Fail(error, Tr("bad object size in the ASF header"));
        const size_t end = start + static_cast<size_t>(size);
        if (g == kFileProperties)
            haveFileProperties = true;
        // Each object is read on its own, up to its end: a damaged one (a read past its end)
        // cannot hide the objects after it.
        Reader body = r.Bounded(end);
        ParseObject(g, body, end);
        r.Seek(end);
    }
    if (!haveFileProperties)
        return Fail(error, Tr("no file properties in the ASF header"));
    for (auto& s : streams_)
        if (s.language.empty() && !languages_.empty())
            s.language = languages_[0];
    // The codec list names the codecs in the streams' order, one entry per stream of a kind.
    size_t used[2] = {0, 0};
    for (auto& s : streams_) {
        const uint16_t kind = s.video ? 1 : 2;
        size_t& at = used[kind - 1];
        while (at < codecs_.size() && codecs_[at].kind != kind)
            ++at;
        if (at < codecs_.size()) {
            s.codecName = codecs_[at].name;
            s.codecInfo = codecs_[at].info;
            ++at;
        }
    }
    return true;
}

void AsfReader::ParseObject(const Guid& g, Reader& r, size_t end) {
    if (g == kFileProperties) {
        r.G();
        headerFileSize_ = r.U64();
        r.U64(); // creation time
        packets_ = r.U64();
        const uint64_t play = r.U64();
        r.U64(); // send duration
        prerollMs_ = static_cast<uint32_t>(r.U64());
        flags_ = r.U32();
        r.U32();
        packetSize_ = r.U32();
        const uint64_t preroll = static_cast<uint64_t>(prerollMs_) * 10000;
        duration_ = finished() && play > preroll ? play - preroll : 0;
    } else if (g == kStreamProperties) {
        StreamDesc s;
        const Guid type = r.G();
        r.G();
        r.U64();
        const uint32_t typeLen = r.U32();
        const uint32_t errorLen = r.U32();
        s.number = r.U16() & 0x7F;
        r.U32();
        const size_t typeStart = r.pos();
        if (typeStart + typeLen <= end) {
            s.typeSpecific.assign(r.here(), r.here() + typeLen);
            if (typeStart + typeLen + errorLen <= end)
                s.errorCorrection.assign(r.here() + typeLen, r.here() + typeLen + errorLen);
        }
        if (type == kVideoMedia) {
            s.video = true;
            s.width = static_cast<int32_t>(r.U32());
            s.height = static_cast<int32_t>(r.U32());
            r.U8();
            r.U16();
            r.U32(); // biSize
            r.U32();
            r.U32();
            r.U16();
            s.bitCount = r.U16();
            s.fourcc = r.U32();
        } else if (type == kAudioMedia) {
            s.formatTag = r.U16();
            s.channels = r.U16();
            s.sampleRate = r.U32();
            s.avgBytesPerSec = r.U32();
            s.blockAlign = r.U16();
        }
        r.Seek(std::min(typeStart + typeLen, end));
        if (FindStream(s.number) == nullptr)
            streams_.push_back(s);
        else
            *const_cast<StreamDesc*>(FindStream(s.number)) = s;
    } else if (g == kHeaderExtension) {
        r.G();
        r.U16();
        const uint32_t len = r.U32();
        const size_t stop = std::min(end, r.pos() + len);
        while (r.pos() + kObjectHeaderSize <= stop) {
            const size_t start = r.pos();
            const Guid sub = r.G();
            const uint64_t size = r.U64();
            if (size < kObjectHeaderSize || size > stop - start)
                break;
            Reader body = r.Bounded(start + static_cast<size_t>(size));
            ParseObject(sub, body, start + static_cast<size_t>(size));
            r.Seek(start + static_cast<size_t>(size));
        }
    } else if (g == kLanguageList) {
        const uint16_t n = r.U16();
        for (uint16_t i = 0; i < n && !r.bad() && r.pos() < end; ++i) {
            const uint8_t len = r.U8();
            languages_.push_back(ToUtf8(r.Utf16(len)));
        }
    } else if (g == kExtendedStreamProperties) {
        r.Skip(8 + 8);
        const uint32_t dataBitRate = r.U32();
        r.Skip(4 * 6);
        r.U32(); // flags
        const uint16_t number = r.U16() & 0x7F;
        const uint16_t lang = r.U16();
        const uint64_t avg = r.U64();
        const uint16_t names = r.U16();
        r.U16();
        std::string name;
        for (uint16_t i = 0; i < names && !r.bad() && r.pos() < end; ++i) {
            r.U16();
            const uint16_t len = r.U16();
            const std::string n = ToUtf8(r.Utf16(len));
            if (i == 0)
                name = n;
        }
        StreamDesc* s = const_cast<StreamDesc*>(FindStream(number));
        if (!s) {
            streams_.push_back(StreamDesc{});
            s = &streams_.back();
            s->number = number;
        }
        s->avgTimePerFrame = avg;
        if (!s->bitRate)
            s->bitRate = dataBitRate;
        s->name = name;
        if (lang < languages_.size())
            s->language = languages_[lang];
    } else if (g == kCodecList) {
        r.G();
        const uint32_t n = r.U32();
        for (uint32_t i = 0; i < n && !r.bad() && r.pos() < end; ++i) {
            CodecEntry c;
            c.kind = r.U16();
            c.name = ToUtf8(r.Utf16(size_t{r.U16()} * 2));
            r.Skip(size_t{r.U16()} * 2); // description
            const uint16_t infoLen = r.U16();
            if (r.left() < infoLen)
                break;
            c.info.assign(r.here(), r.here() + infoLen);
            r.Skip(infoLen);
            codecs_.push_back(std::move(c));
        }
    } else if (g == kExtendedContentDescription) {
        const uint16_t n = r.U16();
        for (uint16_t i = 0; i < n && !r.bad() && r.pos() < end; ++i) {
            const uint16_t nameLen = r.U16();
            Attribute a;
            a.name = ToUtf8(r.Utf16(nameLen));
            const uint16_t type = r.U16();
            const uint16_t valueLen = r.U16();
            if (type == kTypeText) {
                a.value = ToUtf8(r.Utf16(valueLen));
            } else {
                uint64_t v = 0;
                const size_t at = r.pos();
                if (type == 2 || type == 3)
                    v = r.U32();
                else if (type == 4)
                    v = r.U64();
                else if (type == 5)
                    v = r.U16();
                r.Seek(at + valueLen);
                a.value = std::to_string(v);
            }
            attributes_.push_back(a);
        }
    }
}

bool AsfReader::WalkPayloads(const std::function<bool(const PayloadDesc&)>& each,
                             std::string* error) const {
    std::ifstream f(path_, std::ios::binary);
    if (!f || packetSize_ == 0)
        return Fail(error, Tr("cannot read packets"));
    f.seekg(static_cast<std::streamoff>(dataOffset_));
    std::vector<uint8_t> pkt(packetSize_);
    const uint64_t count = (dataEnd_ - dataOffset_) / packetSize_;
    for (uint64_t p = 0; p < count; ++p) {
        if (!f.read(reinterpret_cast<char*>(pkt.data()), packetSize_))
            break;
        Reader r(pkt.data(), pkt.size());
        uint8_t flags = r.U8();
        if (flags & 0x80) {
            r.Skip(flags & 0x0F);
            flags = r.U8();
        }
        const uint8_t property = r.U8();
        uint32_t length = ReadSized(r, flags >> 5);
        if (length == 0)
            length = packetSize_;
        ReadSized(r, flags >> 1); // sequence
        const uint32_t padding = ReadSized(r, flags >> 3);
        r.U32(); // send time
        r.U16(); // duration
        int payloads = 1;
        int lengthType = 0;
        if (flags & 1) {
            const uint8_t pf = r.U8();
            payloads = pf & 0x3F;
            lengthType = pf >> 6;
        }
        const size_t payloadEnd = length > padding ? length - padding : 0;
        for (int i = 0; i < payloads && !r.bad(); ++i) {
            const uint8_t num = r.U8();
            PayloadDesc d;
            d.objectNumber = static_cast<uint8_t>(ReadSized(r, property >> 4));
            d.offset = ReadSized(r, property >> 2);
            const uint32_t replic = ReadSized(r, property);
            uint32_t presTime = 0;
            const size_t replicStart = r.pos();
            if (replic >= 8) {
                d.objectSize = r.U32();
                presTime = r.U32();
            } else if (replic != 0) {
                return Fail(error, Tr("compressed payloads are not read"));
            }
            r.Seek(replicStart + replic);
            const uint32_t len = (flags & 1) ? ReadSized(r, lengthType)
                                             : static_cast<uint32_t>(payloadEnd - r.pos());
            if (r.bad() || r.pos() + len > payloadEnd)
                return Fail(error, FormatText(Tr("malformed payload in packet %llu"),
                                              static_cast<unsigned long long>(p)));
            d.stream = num & 0x7F;
            d.keyFrame = (num & 0x80) != 0;
            d.timeMs = presTime >= prerollMs_ ? presTime - prerollMs_ : 0;
            d.data = r.here();
            d.size = len;
            r.Skip(len);
            if (!each(d))
                return true;
        }
    }
    return true;
}

bool AsfReader::ReadObjects(std::vector<ObjectDesc>& objects, std::string* error) const {
    objects.clear();
    struct Pending {
        size_t index;
        uint32_t received;
    };
    std::map<uint32_t, Pending> open; // (stream << 8 | object number) -> object being filled
    return WalkPayloads(
        [&](const PayloadDesc& d) {
            const uint32_t key = static_cast<uint32_t>(d.stream) << 8 | d.objectNumber;
            if (d.offset == 0) {
                ObjectDesc o;
                o.stream = d.stream;
                o.keyFrame = d.keyFrame;
                o.size = d.objectSize;
                o.timeMs = d.timeMs;
                objects.push_back(o);
                open[key] = {objects.size() - 1, 0};
            }
            auto it = open.find(key);
            if (it == open.end())
                return true;
            it->second.received += d.size;
            if (it->second.received >= objects[it->second.index].size) {
                objects[it->second.index].complete = true;
                open.erase(it);
            }
            return true;
        },
        error);
}

bool AsfReader::ForEachObject(const std::function<bool(const ObjectDesc&, const uint8_t*)>& each,
                              std::string* error) const {
    struct Pending {
        ObjectDesc desc;
        std::vector<uint8_t> bytes;
        uint32_t received = 0;
    };
    std::map<uint32_t, Pending> open; // (stream << 8 | object number) -> object being filled
    return WalkPayloads(
        [&](const PayloadDesc& d) {
            const uint32_t key = static_cast<uint32_t>(d.stream) << 8 | d.objectNumber;
            if (d.offset == 0 && d.objectSize <= kMaxObjectSize) {
                Pending& o = open[key];
                o.desc = ObjectDesc{d.stream, d.timeMs, d.keyFrame, d.objectSize, false};
                o.bytes.assign(d.objectSize, 0);
                o.received = 0;
            }
            auto it = open.find(key);
            if (it == open.end())
                return true;
            Pending& o = it->second;
            if (d.offset + uint64_t{d.size} > o.bytes.size())
                return true; // a fragment that does not fit its object: the object stays short
            std::copy(d.data, d.data + d.size, o.bytes.begin() + d.offset);
            o.received += d.size;
            if (o.received >= o.bytes.size()) {
                o.desc.complete = true;
                const bool more = each(o.desc, o.bytes.data());
                open.erase(it);
                return more;
            }
            return true;
        },
        error);
}

} // namespace tess::asf
