#pragma once
// Files at the level of the system: an owned descriptor, loops that write or read a whole
// buffer, whole-file reads, and files written in one piece (a crash, a full disk or a failed
// encoder never leaves half a file under the name).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace tess {

// Owns one open file descriptor and closes it when it goes. Move-only; -1 is "none".
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    int release();
    // Closes the descriptor held (if any) and holds `fd`.
    void reset(int fd = -1);
    // Closes now; 0, or the close's errno (the last chance to hear of a failed write).
    int Close();

private:
    int fd_ = -1;
};

// Writes all `n` bytes at the file position, or at `offset`, going on after short writes and
// interruptions. 0, or -errno (-EIO when the system wrote nothing).
int32_t WriteAll(int fd, const void* data, size_t n);
int32_t WriteAllAt(int fd, const void* data, size_t n, uint64_t offset);

// Reads exactly `n` bytes at `offset`. 0, -EINVAL when the file ends first, else -errno.
int32_t ReadAllAt(int fd, void* data, size_t n, uint64_t offset);

// Appends what is left of the file to `out`. 0, -EFBIG past `limit` bytes, else -errno.
int32_t ReadAll(int fd, std::string& out, size_t limit = SIZE_MAX);

// A regular file's bytes (at most 64 MiB), or nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// The text after the last '.' of the path's file name; "" without one.
std::string ExtensionOf(const std::string& path);

struct AtomicWriteOptions {
    // false: an existing file of the name is never replaced, not even one that appears while
    // the file is written (the move fails with EEXIST).
    bool replace = true;
    // The new file's permission bits; without them 0666 less the umask.
    std::optional<unsigned> permissions;
};

// Which step of WriteFileAtomic failed, and its errno (0 where the filler gave none).
struct AtomicWriteResult {
    enum class Step { kNone, kCreate, kFill, kFlush, kMove };
    Step step = Step::kNone;
    int error = 0;
    bool ok() const { return step == Step::kNone; }
};

// Writes a file in one piece: `fill` writes the content to the descriptor of a new hidden file
// beside `path` (".NAME.xxxxxxxx.part"), which is then flushed to disk and moved to `path`.
// `fill` returns false on failure, with errno set when a system call failed. On any failure
// the temporary file is removed, `path` is as it was, and no directory is created.
AtomicWriteResult WriteFileAtomic(const std::string& path, const std::function<bool(int fd)>& fill,
                                  const AtomicWriteOptions& options = {});

// The same for bytes in hand, with permissions 0644 (the settings files). False on failure,
// `error` getting a short reason.
bool WriteFileAtomic(const std::string& path, const std::string& data,
                     std::string* error = nullptr);

} // namespace tess
