#pragma once
// An X server of the test's own (Xvfb), for tests that kill the server under the program.
// The suite's shared server is never touched.
#include <X11/Xlib.h>

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
        // A display number nobody holds (a lock file marks a running server), from the top
        // of the range down so as not to meet xvfb-run's choice.
        for (int n = 199; n >= 100 && name_.empty(); --n) {
            const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
            const std::string sock = "/tmp/.X11-unix/X" + std::to_string(n);
            if (::access(lock.c_str(), F_OK) == 0 || ::access(sock.c_str(), F_OK) == 0)
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
        }
    }

private:
    pid_t pid_ = -1;
    std::string name_;
};

} // namespace tess::test
