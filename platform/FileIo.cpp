#include "platform/FileIo.h"
#include "platform/Translate.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace tess {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other)
        reset(other.release());
    return *this;
}

int UniqueFd::release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

void UniqueFd::reset(int fd) {
    if (fd_ >= 0 && fd_ != fd)
        ::close(fd_);
    fd_ = fd;
}

int UniqueFd::Close() {
    if (fd_ < 0)
        return 0;
    const int r = ::close(release());
    return r == 0 ? 0 : errno;
}

namespace {

// The loop of WriteAll / ReadAllAt: `step` moves at most `left` bytes at `done` bytes in.
template <typename Step> int32_t Loop(size_t n, int32_t atZero, Step step) {
    size_t done = 0;
    while (done < n) {
        const ssize_t r = step(done, n - done);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return -errno;
        if (r == 0)
            return atZero;
        done += static_cast<size_t>(r);
    }
    return 0;
}

} // namespace

int32_t WriteAll(int fd, const void* data, size_t n) {
    const auto* p = static_cast<const char*>(data);
    return Loop(n, -EIO, [&](size_t done, size_t left) { return ::write(fd, p + done, left); });
}

int32_t WriteAllAt(int fd, const void* data, size_t n, uint64_t offset) {
    const auto* p = static_cast<const char*>(data);
    return Loop(n, -EIO, [&](size_t done, size_t left) {
        return ::pwrite(fd, p + done, left, static_cast<off_t>(offset + done));
    });
}

int32_t ReadAllAt(int fd, void* data, size_t n, uint64_t offset) {
    auto* p = static_cast<char*>(data);
    return Loop(n, -EINVAL, [&](size_t done, size_t left) {
        return ::pread(fd, p + done, left, static_cast<off_t>(offset + done));
    });
}

int32_t ReadAll(int fd, std::string& out, size_t limit) {
    char buf[65536];
    for (size_t total = 0;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -errno;
        if (n == 0)
            return 0;
        total += static_cast<size_t>(n);
        if (total > limit)
            return -EFBIG;
        out.append(buf, static_cast<size_t>(n));
    }
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (!fd || fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    std::string out;
    if (ReadAll(fd.get(), out, 64u << 20) != 0) // no file read whole is this large
        return std::nullopt;
    return out;
}

std::string ExtensionOf(const std::string& path) {
    const std::string name = std::filesystem::path(path).filename().string();
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

namespace {

// Creates a new hidden file beside `target` (".name.xxxxxxxx.part").
UniqueFd CreateTempBeside(const std::filesystem::path& target, unsigned mode,
                          std::string* tempPath) {
    static std::atomic<uint64_t> counter{0};
    std::mt19937_64 rng(
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (static_cast<uint64_t>(getpid()) << 32) ^ counter.fetch_add(1));
    std::string base = target.filename().string();
    if (base.size() > 200)
        base.resize(200);
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%08llx.part",
                      static_cast<unsigned long long>(rng() & 0xFFFFFFFFull));
        *tempPath = (target.parent_path() / ("." + base + suffix)).string();
        UniqueFd fd(::open(tempPath->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
        if (fd || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return UniqueFd();
}

// Moves the finished temporary file to its name; without `replace` an existing file of that
// name is never replaced.
bool MoveIntoPlace(const std::string& temp, const std::string& target, bool replace) {
    if (replace)
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

} // namespace

AtomicWriteResult WriteFileAtomic(const std::string& path, const std::function<bool(int fd)>& fill,
                                  const AtomicWriteOptions& options) {
    using Step = AtomicWriteResult::Step;
    std::string temp;
    UniqueFd fd = CreateTempBeside(path, options.permissions.value_or(0666), &temp);
    if (!fd)
        return {Step::kCreate, errno};
    auto failed = [&](Step step, int error) {
        fd.reset();
        ::unlink(temp.c_str());
        return AtomicWriteResult{step, error};
    };
    if (options.permissions)
        ::fchmod(fd.get(), *options.permissions); // whatever the umask
    errno = 0;
    if (!fill(fd.get()))
        return failed(Step::kFill, errno);
    if (::fsync(fd.get()) != 0 && errno != EINVAL)
        return failed(Step::kFlush, errno);
    if (const int e = fd.Close())
        return failed(Step::kFlush, e);
    if (!MoveIntoPlace(temp, path, options.replace))
        return failed(Step::kMove, errno);
    return {};
}

bool WriteFileAtomic(const std::string& path, const std::string& data, std::string* error) {
    const AtomicWriteResult r = WriteFileAtomic(
        path,
        [&](int fd) {
            const int32_t w = WriteAll(fd, data.data(), data.size());
            errno = -w;
            return w == 0;
        },
        AtomicWriteOptions{true, 0644});
    if (r.ok())
        return true;
    if (error) {
        // By the step that failed; %s is the system's reason.
        static const char* const kWhat[] = {"%s", N_("cannot create a temporary file: %s"),
                                            N_("cannot write: %s"), N_("cannot flush: %s"),
                                            N_("cannot rename: %s")};
        *error = FormatText(Tr(kWhat[static_cast<int>(r.step)]), std::strerror(r.error));
    }
    return false;
}

} // namespace tess
