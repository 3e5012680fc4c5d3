#pragma once
// Reads what the program needs from an ASF file: its streams with their names, its text
// attributes, its duration and size, and (for checks) the list of media objects in its
// data packets. Damaged files give an error text, never a crash.
#include "media/asf/AsfFormat.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tess::asf {

struct StreamDesc {
    uint16_t number = 0;
    bool video = false;
    std::string name;
    std::string language;
    // Video.
    uint32_t fourcc = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t bitCount = 0;
    uint64_t avgTimePerFrame = 0; // 100-ns units
    // Audio.
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint32_t bitRate = 0;
    // The stream header's raw parts, as a writer takes them back.
    std::vector<uint8_t> typeSpecific;    // image size + BITMAPINFOHEADER, or a WAVEFORMATEX
    std::vector<uint8_t> errorCorrection; // audio spread data, or empty
    std::string codecName;                // from the codec list, by order within its kind
    std::vector<uint8_t> codecInfo;
};

// One media object (frame or audio run) found in the data packets.
struct ObjectDesc {
    uint16_t stream = 0;
    uint32_t timeMs = 0; // presentation time without the preroll
    bool keyFrame = false;
    uint32_t size = 0;
    bool complete = false; // all its fragments were found
};

// A payload of a data packet: one fragment of a media object.
struct PayloadDesc {
    uint16_t stream = 0;
    bool keyFrame = false;
    uint8_t objectNumber = 0;
    uint32_t offset = 0;     // of the fragment in its object
    uint32_t objectSize = 0; // of the whole object
    uint32_t timeMs = 0;     // presentation time without the preroll
    const uint8_t* data = nullptr;
    uint32_t size = 0;
};

class AsfReader {
public:
    // Reads the header. False (with `error`) when the file is not a readable ASF file.
    bool Open(const std::string& path, std::string* error = nullptr);

    const std::vector<StreamDesc>& streams() const { return streams_; }
    const StreamDesc* FindStream(uint16_t number) const;
    const std::vector<Attribute>& attributes() const { return attributes_; }
    // A text attribute by name (case-insensitive); false when absent.
    bool GetAttribute(const std::string& name, std::string* value) const;

    // Play duration without the preroll, 100-ns units; 0 for an unfinished (broadcast) file.
    uint64_t duration() const { return duration_; }
    uint32_t prerollMs() const { return prerollMs_; }
    uint32_t flags() const { return flags_; }
    bool finished() const { return (flags_ & kFlagBroadcast) == 0; }
    // Size of the file on disk.
    uint64_t fileSize() const { return fileSize_; }
    // Size recorded in the header (0 while unfinished).
    uint64_t headerFileSize() const { return headerFileSize_; }
    uint64_t headerSize() const { return headerSize_; }
    uint64_t packetCount() const { return packets_; }
    uint32_t packetSize() const { return packetSize_; }
    bool hasSimpleIndex() const { return hasIndex_; }

    // Walks the data packets (up to the end of the file for an unfinished one) and lists the
    // media objects. False when a packet is malformed; the objects before it are kept.
    bool ReadObjects(std::vector<ObjectDesc>& objects, std::string* error = nullptr) const;
    // Walks the data packets and hands each complete media object with its bytes to `each`
    // in the order its last fragment arrives; `each` returns false to stop the walk (which
    // then returns true). False when a packet is malformed.
    bool ForEachObject(const std::function<bool(const ObjectDesc&, const uint8_t*)>& each,
                       std::string* error = nullptr) const;

private:
    // Hands every payload of every packet to `each` (false stops the walk).
    bool WalkPayloads(const std::function<bool(const PayloadDesc&)>& each,
                      std::string* error) const;
    bool ParseHeader(const std::vector<uint8_t>& h, std::string* error);
    void ParseObject(const Guid& g, Reader& r, size_t end);

    std::string path_;
    std::vector<StreamDesc> streams_;
    std::vector<Attribute> attributes_;
    std::vector<std::string> languages_;
    // The codec list's entries: kind (1 video, 2 audio), name, information.
    struct CodecEntry {
        uint16_t kind;
        std::string name;
        std::vector<uint8_t> info;
    };
    std::vector<CodecEntry> codecs_;
    uint64_t duration_ = 0;
    uint32_t prerollMs_ = 0;
    uint32_t flags_ = 0;
    uint64_t fileSize_ = 0;
    uint64_t headerFileSize_ = 0;
    uint64_t headerSize_ = 0;
    uint64_t packets_ = 0;
    uint32_t packetSize_ = 0;
    uint64_t dataOffset_ = 0; // first packet
    uint64_t dataEnd_ = 0;
    bool hasIndex_ = false;
};

} // namespace tess::asf
