#include "media/WriteImageFile.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <unistd.h>

#include "media/MediaFile.h"
#include "media/MemBm.h"
#include "media/image/ImageCodec.h"
#include "platform/FileIo.h"
#include "platform/Translate.h"

namespace tess {

namespace {

std::atomic<MediaFile*> g_openRecording{nullptr};
std::mutex g_keptMutex;

// The picture of the recording's last frame. Never destroyed: a process that ends with a
// recording open must not free it after the picture memory's own bookkeeping is gone.
std::unique_ptr<MemBm>& Kept() {
    static auto* kept = new std::unique_ptr<MemBm>;
    return *kept;
}
thread_local std::string t_lastError;

int32_t Failed(int32_t code, std::string text) {
    t_lastError = std::move(text);
    return code;
}

bool Encode(const MemBm& picture, ImageFormat format, std::FILE* out, int32_t jpegQuality) {
    switch (format) {
    case ImageFormat::kPng:
        return image::EncodePng(picture, out);
    case ImageFormat::kBmp:
        return image::EncodeBmp(picture, out);
    case ImageFormat::kGif:
        return image::EncodeGif(image::ReduceTo8Bits(picture, true), out);
    case ImageFormat::kJpeg: {
        // The low byte of the quality; 255 (from -1) and anything above 100 is the best.
        const int q = jpegQuality & 0xFF;
        return image::EncodeJpeg(picture, out, q > 100 ? 100 : (q < 1 ? 1 : q));
    }
    default:
        return false;
    }
}

} // namespace

void SetOpenRecording(MediaFile* file) {
    std::unique_ptr<MemBm> dropped;
    {
        std::lock_guard lock(g_keptMutex);
        g_openRecording.store(file);
        dropped = std::move(Kept());
    }
}

std::unique_ptr<MemBm> TakeRecordingPicture(int32_t width, int32_t height) {
    std::lock_guard lock(g_keptMutex);
    std::unique_ptr<MemBm>& kept = Kept();
    if (kept && kept->width() == width && kept->height() == height)
        return std::move(kept);
    return nullptr;
}

void KeepRecordingPicture(std::unique_ptr<MemBm> picture) {
    std::lock_guard lock(g_keptMutex);
    if (g_openRecording.load())
        Kept() = std::move(picture);
}

MediaFile* OpenRecording() {
    return g_openRecording.load();
}

const std::string& LastImageWriteError() {
    return t_lastError;
}

std::optional<ImageFormat> PictureFileFormat(int32_t stored) {
    switch (static_cast<ImageFormat>(stored)) {
    case ImageFormat::kPng:
    case ImageFormat::kBmp:
    case ImageFormat::kGif:
    case ImageFormat::kJpeg:
        return static_cast<ImageFormat>(stored);
    default:
        return std::nullopt;
    }
}

int32_t WriteImageFile(const MemBm& picture, ImageFormat format, const std::string& fileName,
                       int32_t jpegQuality, bool mayReplace) {
    t_lastError.clear();
    if (format == ImageFormat::kRecordingFrame) {
        MediaFile* recording = OpenRecording();
        return recording ? recording->AddBitmapFrame(picture) : kImageOk;
    }
    if (!PictureFileFormat(StoredValue(format)))
        return kImageOk;
    if (picture.empty())
        return Failed(kImageNoPicture, Tr("the captured picture is empty"));
    if (fileName.empty())
        return kImageOk;

    const int32_t failCode = format == ImageFormat::kPng ? kImagePngFailed : kImageFileFailed;
    const AtomicWriteResult r = WriteFileAtomic(
        fileName,
        [&](int fd) {
            const int copy = ::dup(fd); // the stream closes its own descriptor
            std::FILE* out = copy < 0 ? nullptr : ::fdopen(copy, "wb");
            if (!out) {
                if (copy >= 0)
                    ::close(copy);
                return false;
            }
            bool ok = Encode(picture, format, out, jpegQuality);
            ok = std::fflush(out) == 0 && ok;
            const int err = errno;
            ok = std::fclose(out) == 0 && ok;
            if (!ok && errno == 0)
                errno = err;
            return ok;
        },
        AtomicWriteOptions{mayReplace, std::nullopt});
    using Step = AtomicWriteResult::Step;
    const std::string why = r.error ? std::strerror(r.error) : Tr("encoding failed");
    switch (r.step) {
    case Step::kNone:
        return kImageOk;
    case Step::kCreate: {
        const std::string dir = std::filesystem::path(fileName).parent_path().string();
        return Failed(failCode, FormatText(Tr("cannot create a file in %1$s: %2$s"),
                                           dir.empty() ? "." : dir.c_str(), why.c_str()));
    }
    case Step::kMove:
        return Failed(failCode, FormatText(Tr("cannot put the picture at %1$s: %2$s"),
                                           fileName.c_str(), why.c_str()));
    default:
        return Failed(failCode,
                      FormatText(Tr("cannot write %1$s: %2$s"), fileName.c_str(), why.c_str()));
    }
}

} // namespace tess
