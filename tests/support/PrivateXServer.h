#pragma once
// An X server of the test's own (Xvfb), for tests that kill the server under the program.
// The suite's shared server is never touched.
#include <X11/Xlib.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tess::test {

class PrivateXServer {
public:
    explicit PrivateXServer(const char* screen = "640x480x24") {
        // A free display number, from the top down to keep off xvfb-run's; a lock file naming
        // a dead process holds nothing.
        for (int n = 199; n >= 100 && name_.empty(); --n) {
            if (Held(n))
                continue;
            const std::string name = ":" + std::to_string(n);
            pid_ = ::fork();
            if (pid_ == 0) {
                ::execlp("Xvfb", "Xvfb", name.c_str(), "-screen", "0", screen, "-nolisten", "tcp",
                         "-noreset", static_cast<char*>(nullptr));
                ::_exit(127);
            }
            if (pid_ < 0)
                return;
            // Ready when it answers; a server that ended lost the number to another one.
            for (int i = 0; i < 100; ++i) {
                if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
                    pid_ = -1;
                    break;
                }
                if (Display* d = XOpenDisplay(name.c_str())) {
                    XCloseDisplay(d);
                    name_ = name;
                    break;
                }
                ::usleep(50 * 1000);
            }
            if (name_.empty())
                Kill();
            else
                number_ = n;
        }
    }
    ~PrivateXServer() { Kill(); }
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

    // ":N", empty when the server did not start.
    const std::string& name() const { return name_; }
    // Kills the server at once (no goodbye to its clients) and waits for it.
    void Kill() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
            // A killed server leaves its lock file and socket behind; else the range fills up.
            if (number_ >= 0) {
                ::unlink(LockPath(number_).c_str());
                ::unlink(("/tmp/.X11-unix/X" + std::to_string(number_)).c_str());
                number_ = -1;
            }
        }
    }

private:
    static std::string LockPath(int n) { return "/tmp/.X" + std::to_string(n) + "-lock"; }

    // Whether a running server holds display n: a lock naming a live process, or a bare socket.
    static bool Held(int n) {
        FILE* f = std::fopen(LockPath(n).c_str(), "r");
        if (!f)
            return ::access(("/tmp/.X11-unix/X" + std::to_string(n)).c_str(), F_OK) == 0;
        long pid = 0;
        const bool read = std::fscanf(f, "%ld", &pid) == 1;
        std::fclose(f);
        return !read || pid <= 0 || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
    }

    pid_t pid_ = -1;
    int number_ = -1; // the display number of the running server
    std::string name_;
};

} // namespace tess::test
