#pragma once
// Writes an ASF file: a header with the streams, their names and text attributes, a data
// object of fixed-size packets, and a simple index for seeking.
//
// The header is written first in its broadcast form (sizes and durations unknown), so a file
// cut off by a crash stays readable up to its last complete packet; Close writes the index
// and rewrites the header with the real sizes. Samples may arrive from several threads: every
// public call takes the writer's own lock. A failed write is sticky: it is returned by that
// call and every later one, and Close still finishes what was written before it.
#include "media/asf/AsfFormat.h"
#include "platform/FileIo.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace tess::asf {

struct StreamInfo {
    bool video = true;
    uint16_t number = 1;
    std::string name;                     // stream name, e.g. "Video1"
    std::vector<uint8_t> typeSpecific;    // video: image size + BITMAPINFOHEADER; audio: format
    std::vector<uint8_t> errorCorrection; // audio spread data, or empty
    uint32_t bitRate = 0;                 // bits per second
    uint64_t avgTimePerFrame = 0;         // 100-ns units (video), 0 for audio
    uint64_t sampleDuration = 0;          // 100-ns units of one media object, for the duration
    std::string codecName;
    std::vector<uint8_t> codecInfo; // fourcc (video) or format tag (audio)
};

// Type-specific data of a video stream: image size and a BITMAPINFOHEADER with extradata.
std::vector<uint8_t> VideoTypeSpecific(int32_t width, int32_t height, uint16_t bitCount,
                                       uint32_t fourcc, const std::vector<uint8_t>& extradata);
// Type-specific data of an audio stream: a WAVEFORMATEX with its extra bytes.
std::vector<uint8_t> AudioTypeSpecific(uint16_t formatTag, uint16_t channels, uint32_t rate,
                                       uint32_t avgBytesPerSec, uint16_t blockAlign,
                                       uint16_t bitsPerSample, const std::vector<uint8_t>& extra);
// Error correction data of an audio stream that is not spread (span 1).
std::vector<uint8_t> AudioSpreadData(uint16_t blockAlign);

struct WriterOptions {
    uint32_t packetSize = 8192;
    uint32_t prerollMs = 3000;
    // Padding kept in the header so attributes can be added later without moving the data.
    uint32_t headerPadding = 8192;
    // A partly filled packet is written out once it holds samples this far apart, so an
    // interrupted file loses little.
    uint32_t maxPacketSpanMs = 1000;
};

// Everything of a header that changes between the start and the end of writing.
struct FileState {
    Guid fileId{};
    uint64_t fileSize = 0;
    uint64_t creationTime = 0; // 100-ns units since 1601
    uint64_t packets = 0;
    uint64_t playDuration = 0; // 100-ns units, preroll included
    uint64_t sendDuration = 0;
    uint32_t prerollMs = 0;
    uint32_t flags = kFlagBroadcast;
    uint32_t packetSize = 0;
    uint32_t maxBitrate = 0;
};

// The header object for the given state, streams and attributes, with a padding object of
// `padding` bytes of content.
std::vector<uint8_t> BuildHeader(const FileState& state, const std::vector<StreamInfo>& streams,
                                 const std::vector<Attribute>& attributes, size_t padding);

class AsfWriter {
public:
    AsfWriter() = default;
    ~AsfWriter();
    AsfWriter(const AsfWriter&) = delete;
    AsfWriter& operator=(const AsfWriter&) = delete;

    // Creates (truncates) the file and writes the header. Returns 0 or a negative errno.
    int32_t Open(const std::string& path, std::vector<StreamInfo> streams,
                 std::vector<Attribute> attributes, WriterOptions options = {});
    // Writes one media object (a coded frame or a run of audio blocks) of a stream at a
    // sample time in 100-ns units, lasting `duration` (0: the stream's sample duration).
    // Returns 0 or a negative errno.
    int32_t Write(uint16_t stream, int64_t time, bool keyFrame, const uint8_t* data, size_t size,
                  int64_t duration = 0);
    // Writes the last packet and the index and rewrites the header with the final sizes.
    // Returns 0 or the first error met while writing (negative errno).
    int32_t Close();
    // Writes out the packet being filled (padded), so a file cut off after this call plays to
    // here. Returns 0 or the first error met (negative errno).
    int32_t Flush();

    bool IsOpen() const;
    int32_t LastError() const;
    // Bytes in the file so far (header and complete packets).
    uint64_t FileSize() const;
    // Play duration so far in 100-ns units, without the preroll.
    uint64_t Duration() const;

private:
    struct KeyEntry {
        uint32_t timeMs; // presentation time, preroll included
        uint32_t firstPacket;
        uint32_t lastPacket;
    };

    int32_t FlushPacket();
    // Flush's work, mu_ held.
    int32_t FlushLocked();
    std::vector<uint8_t> IndexObject() const;
    std::vector<uint8_t> DataObjectHeader() const;

    mutable std::mutex mu_;
    UniqueFd fd_;
    int32_t error_ = 0;
    WriterOptions opt_;
    std::vector<StreamInfo> streams_;
    std::vector<Attribute> attributes_;
    FileState state_;
    uint64_t headerSize_ = 0;
    uint64_t dataStart_ = 0; // file offset of the first packet

    // Packet being filled.
    std::vector<uint8_t> packet_;
    size_t packetUsed_ = 0; // payload bytes after the packet header
    int payloadCount_ = 0;
    uint32_t packetMinTime_ = 0;
    uint32_t packetFirstTime_ = 0;
    uint32_t lastSendTime_ = 0;

    uint8_t objectNumbers_[128] = {};
    uint64_t endTime_ = 0; // largest sample end time, 100-ns units
    uint64_t bytesPerSecondPeak_ = 0;
    std::vector<KeyEntry> keys_;
    bool pendingKey_ = false;
};

} // namespace tess::asf
