#include "media/image/ImageCodec.h"
#include "platform/FileIo.h"
#include "platform/Translate.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

namespace tess::image {

ImageType DetectImageType(const uint8_t* data, size_t size) {
    if (!data)
        return ImageType::Unknown;
    if (size >= 8 && std::memcmp(data, "\x89PNG\r\n\x1a\n", 8) == 0)
        return ImageType::Png;
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        return ImageType::Jpeg;
    if (size >= 6 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0))
        return ImageType::Gif;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M')
        return ImageType::Bmp;
    return ImageType::Unknown;
}

ImageType TypeFromExtension(const std::string& path) {
    std::string ext = ExtensionOf(path);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == "png")
        return ImageType::Png;
    if (ext == "bmp" || ext == "dib")
        return ImageType::Bmp;
    if (ext == "gif")
        return ImageType::Gif;
    if (ext == "jpg" || ext == "jpeg" || ext == "jpe" || ext == "jfif")
        return ImageType::Jpeg;
    return ImageType::Unknown;
}

std::unique_ptr<MemBm> DecodeImage(const uint8_t* data, size_t size, ImageType type,
                                   std::string* error) {
    if (type == ImageType::Unknown)
        type = DetectImageType(data, size);
    switch (type) {
    case ImageType::Png:
        return detail::DecodePng(data, size, error);
    case ImageType::Jpeg:
        return detail::DecodeJpeg(data, size, error);
    case ImageType::Bmp:
        return detail::DecodeBmp(data, size, error);
    case ImageType::Gif:
        return detail::DecodeGif(data, size, error);
    case ImageType::Unknown:
        break;
    }
    if (error)
        *error = Tr("not a picture file of a known kind");
    return nullptr;
}

std::unique_ptr<MemBm> LoadImageFile(const std::string& path, ImageType type, std::string* error) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        if (error)
            *error = FormatText(Tr("cannot open %1$s: %2$s"), path.c_str(), std::strerror(errno));
        return nullptr;
    }
    std::vector<uint8_t> data;
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        data.insert(data.end(), chunk, chunk + n);
        if (data.size() > (size_t{1} << 30)) {
            std::fclose(f);
            if (error)
                *error = FormatText(Tr("%s is too large for a picture"), path.c_str());
            return nullptr;
        }
    }
    const bool readError = std::ferror(f);
    std::fclose(f);
    if (readError) {
        if (error)
            *error = FormatText(Tr("cannot read %s"), path.c_str());
        return nullptr;
    }
    // A file whose contents say otherwise than its name is read by its contents.
    const ImageType found = DetectImageType(data.data(), data.size());
    if (found != ImageType::Unknown)
        type = found;
    return DecodeImage(data.data(), data.size(), type, error);
}

} // namespace tess::image
