#include "media/asf/AsfEditor.h"

#include "media/asf/AsfFormat.h"
#include "platform/FileIo.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tess::asf {

namespace {

constexpr uint64_t kMaxHeaderSize = 64u << 20;
constexpr size_t kRewritePadding = 8192;

struct RawObject {
    Guid guid;
    std::vector<uint8_t> bytes; // whole object
};

// One descriptor of an extended content description, kept as it was read.
struct Descriptor {
    std::string name;
    std::vector<uint8_t> bytes; // the whole descriptor
};

std::vector<Descriptor> ParseDescriptors(const std::vector<uint8_t>& obj) {
    std::vector<Descriptor> out;
    Reader r(obj.data(), obj.size());
    r.Seek(kObjectHeaderSize);
    const uint16_t n = r.U16();
    for (uint16_t i = 0; i < n; ++i) {
        const size_t start = r.pos();
        Descriptor d;
        d.name = ToUtf8(r.Utf16(r.U16()));
        r.U16(); // value type
        r.Skip(r.U16());
        if (r.bad())
            break;
        d.bytes.assign(obj.begin() + static_cast<ptrdiff_t>(start),
                       obj.begin() + static_cast<ptrdiff_t>(r.pos()));
        out.push_back(std::move(d));
    }
    return out;
}

std::vector<uint8_t> Assemble(const std::vector<RawObject>& objs, uint8_t r1, uint8_t r2) {
    Bytes b;
    size_t size = kHeaderObjectSize;
    for (const auto& o : objs)
        size += o.bytes.size();
    b.Put(kHeader);
    b.U64(size);
    b.U32(static_cast<uint32_t>(objs.size()));
    b.U8(r1);
    b.U8(r2);
    for (const auto& o : objs)
        b.Put(o.bytes);
    return std::move(b.data());
}

} // namespace

int32_t SetTextAttribute(const std::string& path, const std::string& name,
                         const std::string& value) {
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_CLOEXEC));
    if (fd.get() < 0)
        return -errno;
    struct stat st;
    if (::fstat(fd.get(), &st) != 0)
        return -errno;
    const uint64_t fileSize = static_cast<uint64_t>(st.st_size);
    uint8_t top[kHeaderObjectSize];
    if (fileSize < kHeaderObjectSize || ReadAllAt(fd.get(), top, sizeof top, 0) != 0)
        return -EINVAL;
    Reader tr(top, sizeof top);
    if (tr.G() != kHeader)
        return -EINVAL;
    const uint64_t headerSize = tr.U64();
    tr.U32();
    const uint8_t r1 = tr.U8(), r2 = tr.U8();
    if (headerSize < kHeaderObjectSize || headerSize > kMaxHeaderSize || headerSize > fileSize)
        return -EINVAL;
    std::vector<uint8_t> header(headerSize);
    if (int32_t r = ReadAllAt(fd.get(), header.data(), header.size(), 0); r != 0)
        return r;

    // Split the header into its objects.
    std::vector<RawObject> objs;
    Reader r(header.data(), header.size());
    r.Seek(kHeaderObjectSize);
    while (r.left() >= kObjectHeaderSize) {
        const size_t start = r.pos();
        const Guid g = r.G();
        const uint64_t size = r.U64();
        if (size < kObjectHeaderSize || size > header.size() - start)
            return -EINVAL;
        objs.push_back(
            {g, std::vector<uint8_t>(header.begin() + static_cast<ptrdiff_t>(start),
                                     header.begin() + static_cast<ptrdiff_t>(start + size))});
        r.Seek(start + static_cast<size_t>(size));
    }

    // One padding object at most: the first keeps its place, the room of any other joins
    // it (left in, a second one would make the rebuilt header outgrow the old one and, written
    // in place, overwrite the start of the data).
    bool paddingSeen = false;
    std::erase_if(objs, [&paddingSeen](const RawObject& o) {
        if (o.guid != kPadding)
            return false;
        const bool extra = paddingSeen;
        paddingSeen = true;
        return extra;
    });

    // Replace or add the attribute.
    auto ecd = std::find_if(objs.begin(), objs.end(), [](const RawObject& o) {
        return o.guid == kExtendedContentDescription;
    });
    // Other descriptors, of any value type, are kept byte for byte.
    std::vector<Descriptor> descriptors;
    if (ecd != objs.end())
        descriptors = ParseDescriptors(ecd->bytes);
    Descriptor added{name, {}};
    {
        std::vector<uint8_t> one = ContentDescriptionBody({{name, value}});
        added.bytes.assign(one.begin() + 2, one.end()); // without the count
    }
    auto same = std::find_if(descriptors.begin(), descriptors.end(), [&](const Descriptor& d) {
        return strcasecmp(d.name.c_str(), name.c_str()) == 0;
    });
    if (same != descriptors.end())
        *same = std::move(added);
    else
        descriptors.push_back(std::move(added));
    Bytes body;
    body.U16(static_cast<uint16_t>(descriptors.size()));
    for (const auto& d : descriptors)
        body.Put(d.bytes);
    RawObject newEcd{kExtendedContentDescription,
                     MakeObject(kExtendedContentDescription, body.data())};
    auto padding = std::find_if(objs.begin(), objs.end(),
                                [](const RawObject& o) { return o.guid == kPadding; });
    if (ecd != objs.end()) {
        *ecd = std::move(newEcd);
    } else {
        objs.insert(padding, std::move(newEcd));
    }
    padding = std::find_if(objs.begin(), objs.end(),
                           [](const RawObject& o) { return o.guid == kPadding; });

    size_t without = kHeaderObjectSize;
    for (const auto& o : objs)
        if (o.guid != kPadding)
            without += o.bytes.size();
    const bool inPlace = padding != objs.end() && without + kObjectHeaderSize <= headerSize;
    const size_t paddingBody = inPlace ? headerSize - without - kObjectHeaderSize : kRewritePadding;
    if (padding == objs.end()) {
        objs.push_back({kPadding, {}});
        padding = objs.end() - 1;
    }
    padding->bytes = MakeObject(kPadding, std::vector<uint8_t>(paddingBody, 0));
    std::vector<uint8_t> newHeader = Assemble(objs, r1, r2);

    // The file size in the file properties follows a moved data object.
    const uint64_t newFileSize = fileSize - headerSize + newHeader.size();
    {
        size_t pos = kHeaderObjectSize;
        for (const auto& o : objs) {
            if (o.guid == kFileProperties && o.bytes.size() >= 88) {
                Reader fp(o.bytes.data(), o.bytes.size());
                fp.Seek(kObjectHeaderSize + 16);
                const uint64_t recorded = fp.U64();
                fp.Seek(kObjectHeaderSize + 16 + 8 * 6);
                const uint32_t flags = fp.U32();
                if ((flags & kFlagBroadcast) == 0 && recorded != 0) {
                    for (int i = 0; i < 8; ++i)
                        newHeader[pos + kObjectHeaderSize + 16 + i] =
                            static_cast<uint8_t>(newFileSize >> (8 * i));
                }
            }
            pos += o.bytes.size();
        }
    }

    if (inPlace) {
        if (int32_t w = WriteAllAt(fd.get(), newHeader.data(), newHeader.size(), 0); w != 0)
            return w;
        if (::fsync(fd.get()) != 0)
            return -errno;
        return 0;
    }

    // Rewrite through a temporary file in the same directory.
    int32_t result = 0;
    const AtomicWriteResult written = WriteFileAtomic(
        path,
        [&](int out) {
            result = WriteAllAt(out, newHeader.data(), newHeader.size(), 0);
            std::vector<uint8_t> buf(1 << 20);
            uint64_t in = headerSize, at = newHeader.size();
            while (result == 0 && in < fileSize) {
                const size_t n = static_cast<size_t>(std::min<uint64_t>(buf.size(), fileSize - in));
                result = ReadAllAt(fd.get(), buf.data(), n, in);
                if (result == 0)
                    result = WriteAllAt(out, buf.data(), n, at);
                in += n;
                at += n;
            }
            return result == 0;
        },
        AtomicWriteOptions{true, st.st_mode & 0777});
    if (result != 0)
        return result;
    return written.ok() ? 0 : -(written.error ? written.error : EIO);
}

} // namespace tess::asf
