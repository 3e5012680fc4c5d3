#pragma once
// Building blocks of the ASF container shared by the writer, the reader and the metadata
// editor: object GUIDs, little-endian byte output and input, UTF-16 text.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tess::asf {

using Guid = std::array<uint8_t, 16>;

// A GUID from its textual form's fields (first three little-endian, last eight as bytes).
constexpr Guid MakeGuid(uint32_t a, uint16_t b, uint16_t c, uint64_t d) {
    return Guid{
        static_cast<uint8_t>(a),       static_cast<uint8_t>(a >> 8),  static_cast<uint8_t>(a >> 16),
        static_cast<uint8_t>(a >> 24), static_cast<uint8_t>(b),       static_cast<uint8_t>(b >> 8),
        static_cast<uint8_t>(c),       static_cast<uint8_t>(c >> 8),  static_cast<uint8_t>(d >> 56),
        static_cast<uint8_t>(d >> 48), static_cast<uint8_t>(d >> 40), static_cast<uint8_t>(d >> 32),
        static_cast<uint8_t>(d >> 24), static_cast<uint8_t>(d >> 16), static_cast<uint8_t>(d >> 8),
        static_cast<uint8_t>(d)};
}

inline constexpr Guid kHeader = MakeGuid(0x75B22630, 0x668E, 0x11CF, 0xA6D900AA0062CE6C);
inline constexpr Guid kData = MakeGuid(0x75B22636, 0x668E, 0x11CF, 0xA6D900AA0062CE6C);
inline constexpr Guid kSimpleIndex = MakeGuid(0x33000890, 0xE5B1, 0x11CF, 0x89F400A0C90349CB);
inline constexpr Guid kFileProperties = MakeGuid(0x8CABDCA1, 0xA947, 0x11CF, 0x8EE400C00C205365);
inline constexpr Guid kStreamProperties = MakeGuid(0xB7DC0791, 0xA9B7, 0x11CF, 0x8EE600C00C205365);
inline constexpr Guid kHeaderExtension = MakeGuid(0x5FBF03B5, 0xA92E, 0x11CF, 0x8EE300C00C205365);
inline constexpr Guid kHeaderExtensionReserved =
    MakeGuid(0xABD3D211, 0xA9BA, 0x11CF, 0x8EE600C00C205365);
inline constexpr Guid kCodecList = MakeGuid(0x86D15240, 0x311D, 0x11D0, 0xA3A400A0C90348F6);
inline constexpr Guid kCodecListReserved = MakeGuid(0x86D15241, 0x311D, 0x11D0, 0xA3A400A0C90348F6);
inline constexpr Guid kExtendedContentDescription =
    MakeGuid(0xD2D0A440, 0xE307, 0x11D2, 0x97F000A0C95EA850);
inline constexpr Guid kPadding = MakeGuid(0x1806D474, 0xCADF, 0x4509, 0xA4BA9AABCB96AAE8);
inline constexpr Guid kExtendedStreamProperties =
    MakeGuid(0x14E6A5CB, 0xC672, 0x4332, 0x8399A96952065B5A);
inline constexpr Guid kLanguageList = MakeGuid(0x7C4346A9, 0xEFE0, 0x4BFC, 0xB229393EDE415C85);
inline constexpr Guid kAudioMedia = MakeGuid(0xF8699E40, 0x5B4D, 0x11CF, 0xA8FD00805F5C442B);
inline constexpr Guid kVideoMedia = MakeGuid(0xBC19EFC0, 0x5B4D, 0x11CF, 0xA8FD00805F5C442B);
inline constexpr Guid kNoErrorCorrection = MakeGuid(0x20FB5700, 0x5B55, 0x11CF, 0xA8FD00805F5C442B);
inline constexpr Guid kAudioSpread = MakeGuid(0xBFC3CD50, 0x618F, 0x11CF, 0x8BB200AA00B4E220);

// Size of an object's GUID and 64-bit size field.
inline constexpr size_t kObjectHeaderSize = 24;
// Header object: GUID, size, object count, two reserved bytes.
inline constexpr size_t kHeaderObjectSize = 30;
// Data object before its packets: GUID, size, file id, packet count, reserved word.
inline constexpr size_t kDataObjectHeaderSize = 50;

// File properties flags.
inline constexpr uint32_t kFlagBroadcast = 0x01;
inline constexpr uint32_t kFlagSeekable = 0x02;

// Value types of the extended content description.
inline constexpr uint16_t kTypeText = 0;

// Little-endian byte output.
class Bytes {
public:
    std::vector<uint8_t>& data() { return b_; }
    const std::vector<uint8_t>& data() const { return b_; }
    size_t size() const { return b_.size(); }

    void U8(uint8_t v) { b_.push_back(v); }
    void U16(uint16_t v) {
        U8(static_cast<uint8_t>(v));
        U8(static_cast<uint8_t>(v >> 8));
    }
    void U32(uint32_t v) {
        U16(static_cast<uint16_t>(v));
        U16(static_cast<uint16_t>(v >> 16));
    }
    void U64(uint64_t v) {
        U32(static_cast<uint32_t>(v));
        U32(static_cast<uint32_t>(v >> 32));
    }
    void Put(const Guid& g) { b_.insert(b_.end(), g.begin(), g.end()); }
    void Put(const std::vector<uint8_t>& v) { b_.insert(b_.end(), v.begin(), v.end()); }
    void Put(const uint8_t* p, size_t n) { b_.insert(b_.end(), p, p + n); }
    void Zeros(size_t n) { b_.insert(b_.end(), n, 0); }
    // Text as UTF-16LE, optionally with a terminating zero.
    void Utf16(const std::u16string& s, bool terminate) {
        for (char16_t c : s)
            U16(static_cast<uint16_t>(c));
        if (terminate)
            U16(0);
    }
    // Overwrites a 64-bit value at `pos`.
    void PatchU64(size_t pos, uint64_t v) {
        for (int i = 0; i < 8; ++i)
            b_[pos + i] = static_cast<uint8_t>(v >> (8 * i));
    }

private:
    std::vector<uint8_t> b_;
};

// An object: GUID, size (24 + body), body.
std::vector<uint8_t> MakeObject(const Guid& g, const std::vector<uint8_t>& body);

// Little-endian byte input over a range; reads past the end yield zeros and set `bad`.
class Reader {
public:
    Reader(const uint8_t* p, size_t n) : p_(p), n_(n) {}
    size_t pos() const { return pos_; }
    size_t left() const { return pos_ < n_ ? n_ - pos_ : 0; }
    bool bad() const { return bad_; }
    void Seek(size_t pos) {
        pos_ = pos;
        if (pos_ > n_)
            bad_ = true;
    }
    void Skip(size_t n) { Seek(pos_ + n); }
    // A reader of its own over the same bytes up to `end`, at this position, not bad: what
    // goes wrong in one object stays in that object.
    Reader Bounded(size_t end) const {
        Reader r(p_, std::min(end, n_));
        r.pos_ = pos_;
        return r;
    }
    uint8_t U8() {
        if (pos_ >= n_) {
            bad_ = true;
            return 0;
        }
        return p_[pos_++];
    }
    uint16_t U16() { return static_cast<uint16_t>(U8() | (U8() << 8)); }
    uint32_t U32() { return U16() | (static_cast<uint32_t>(U16()) << 16); }
    uint64_t U64() { return U32() | (static_cast<uint64_t>(U32()) << 32); }
    Guid G() {
        Guid g{};
        for (auto& b : g)
            b = U8();
        return g;
    }
    // `bytes` bytes of UTF-16LE text, up to a terminating zero.
    std::u16string Utf16(size_t bytes);
    const uint8_t* here() const { return p_ + std::min(pos_, n_); }

private:
    const uint8_t* p_;
    size_t n_;
    size_t pos_ = 0;
    bool bad_ = false;
};

// UTF-8 <-> UTF-16 for attribute names and values.
std::u16string ToUtf16(const std::string& s);
std::string ToUtf8(const std::u16string& s);

// One text attribute of the extended content description.
struct Attribute {
    std::string name;
    std::string value;
};

// The body of an extended content description object holding `attrs` as text values.
std::vector<uint8_t> ContentDescriptionBody(const std::vector<Attribute>& attrs);

} // namespace tess::asf
