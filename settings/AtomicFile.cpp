#include "settings/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tess {

std::optional<std::string> ReadWholeFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    std::string out;
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        out.append(buf, static_cast<size_t>(n));
        if (out.size() > (64u << 20)) { // no settings file is this large
            ::close(fd);
            return std::nullopt;
        }
    }
    ::close(fd);
    return out;
}

bool WriteFileAtomic(const std::string& path, const std::string& data, std::string* error) {
    auto fail = [&](const char* what) {
        if (error)
            *error = std::string(what) + ": " + std::strerror(errno);
        return false;
    };
    std::string tmpl = path + ".tmp-XXXXXX";
    int fd = ::mkstemp(tmpl.data());
    if (fd < 0)
        return fail("cannot create a temporary file");
    ::fchmod(fd, 0644);
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            int e = errno;
            ::close(fd);
            ::unlink(tmpl.c_str());
            errno = e;
            return fail("cannot write");
        }
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0 && errno != EINVAL) {
        int e = errno;
        ::close(fd);
        ::unlink(tmpl.c_str());
        errno = e;
        return fail("cannot flush");
    }
    if (::close(fd) != 0) {
        int e = errno;
        ::unlink(tmpl.c_str());
        errno = e;
        return fail("cannot close");
    }
    if (::rename(tmpl.c_str(), path.c_str()) != 0) {
        int e = errno;
        ::unlink(tmpl.c_str());
        errno = e;
        return fail("cannot rename");
    }
    return true;
}

std::string MoveAside(const std::string& path) {
    for (int i = 1; i < 1000; ++i) {
        std::string to = path + ".damaged";
        if (i > 1)
            to += "-" + std::to_string(i);
        struct stat st {};
        if (::lstat(to.c_str(), &st) == 0)
            continue;
        if (::rename(path.c_str(), to.c_str()) == 0)
            return to;
        return {};
    }
    return {};
}

void LogSettingsWarning(const std::string& text) {
    std::fprintf(stderr, "Tessaray: warning: %s\n", text.c_str());
}

} // namespace tess
