#include "media/WriteImageFile.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "media/MediaFile.h"
#include "media/MemBm.h"
#include "media/image/ImageCodec.h"

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

std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Creates a new hidden file beside `target` (".name.XXXXXX.part"), honouring the umask.
int CreateTempBeside(const std::string& target, std::string* tempPath) {
    static std::atomic<uint64_t> counter{0};
    std::mt19937_64 rng(
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (static_cast<uint64_t>(getpid()) << 32) ^ counter.fetch_add(1));
    const std::string dir = DirectoryOf(target);
    std::string base = BaseNameOf(target);
    if (base.size() > 200)
        base.resize(200);
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%08llx.part",
                      static_cast<unsigned long long>(rng() & 0xFFFFFFFFull));
        *tempPath = dir + "/." + base + suffix;
        const int fd = ::open(tempPath->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

// Moves the finished temporary file to its name. Without `mayReplace` an existing file of
// that name is never replaced.
bool MoveIntoPlace(const std::string& temp, const std::string& target, bool mayReplace) {
    if (mayReplace)
        return ::rename(temp.c_str(), target.c_str()) == 0;
    if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return false;
    // A file system without the no-replace move: a hard link fails when the name exists.
    if (::link(temp.c_str(), target.c_str()) == 0) {
        ::unlink(temp.c_str());
        return true;
    }
    return false;
}

bool Encode(const MemBm& picture, int32_t format, std::FILE* out, int32_t jpegQuality) {
    switch (format) {
    case kImagePng:
        return image::EncodePng(picture, out);
    case kImageBmp:
        return image::EncodeBmp(picture, out);
    case kImageGif:
        return image::EncodeGif(image::ReduceTo8Bits(picture, true), out);
    case kImageJpeg: {
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

int32_t WriteImageFile(const MemBm& picture, int32_t format, const std::string& fileName,
                       int32_t jpegQuality, bool mayReplace) {
    t_lastError.clear();
    if (format == kImageRecordingFrame) {
        MediaFile* recording = OpenRecording();
        return recording ? recording->AddBitmapFrame(picture) : kImageOk;
    }
    if (format != kImagePng && format != kImageBmp && format != kImageGif && format != kImageJpeg)
        return kImageOk;
    if (picture.empty())
        return Failed(kImageNoPicture, "the captured picture is empty");
    if (fileName.empty())
        return kImageOk;

    const int32_t failCode = format == kImagePng ? kImagePngFailed : kImageFileFailed;
    std::string temp;
    const int fd = CreateTempBeside(fileName, &temp);
    if (fd < 0)
        return Failed(failCode, "cannot create a file in " + DirectoryOf(fileName) + ": " +
                                    std::strerror(errno));
    std::FILE* out = ::fdopen(fd, "wb");
    if (!out) {
        const int err = errno;
        ::close(fd);
        ::unlink(temp.c_str());
        return Failed(failCode, std::string("cannot write: ") + std::strerror(err));
    }
    bool ok = Encode(picture, format, out, jpegQuality);
    int err = ok ? 0 : errno;
    if (ok && (std::fflush(out) != 0 || ::fdatasync(fd) != 0)) {
        ok = false;
        err = errno;
    }
    if (std::fclose(out) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return Failed(failCode, "cannot write " + fileName + ": " +
                                    (err ? std::strerror(err) : "encoding failed"));
    }
    if (!MoveIntoPlace(temp, fileName, mayReplace)) {
        err = errno;
        ::unlink(temp.c_str());
        return Failed(failCode,
                      "cannot put the picture at " + fileName + ": " + std::strerror(err));
    }
    return kImageOk;
}

} // namespace tess
