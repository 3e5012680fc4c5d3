#include "audio/AudioTestSupport.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

namespace tess::test {

bool HaveSoundServer() {
    return HaveProgram("pactl") && RunCommand("pactl info >/dev/null 2>&1") == 0;
}

PrivateSoundServer::PrivateSoundServer() {
    if (!HaveProgram("pulseaudio"))
        return;
    const std::string& run = run_ = dir_.str() + "/run";
    std::string cmd = "mkdir -p '" + run + "' && chmod 700 '" + run + "' && XDG_RUNTIME_DIR='" +
                      run + "' '" TESS_SOURCE_DIR "/tests/start-pulse.sh' >/dev/null 2>&1";
    if (RunCommand(cmd) != 0)
        return;
    std::ifstream pidFile(run + "/pulse-test.pid");
    int pid = -1;
    if (!(pidFile >> pid) || pid <= 0)
        return;
    std::string server = "unix:" + run + "/pulse/native";
    if (RunCommand("PULSE_SERVER='" + server + "' pactl info >/dev/null 2>&1") != 0) {
        kill(pid, SIGKILL);
        return;
    }
    if (const char* old = std::getenv("PULSE_SERVER")) {
        hadServer_ = true;
        oldServer_ = old;
    }
    setenv("PULSE_SERVER", server.c_str(), 1);
    pid_ = pid;
}

namespace {

// Whether a process has `entry` ("NAME=value") in its environment.
bool AnyProcessWith(const std::string& entry) {
    for (const auto& p : std::filesystem::directory_iterator("/proc")) {
        std::ifstream f(p.path() / "environ", std::ios::binary);
        const std::string env(std::istreambuf_iterator<char>(f), {});
        if (env.rfind(entry + '\0', 0) == 0 || env.find('\0' + entry + '\0') != std::string::npos)
            return true;
    }
    return false;
}

} // namespace

bool PrivateSoundServer::Kill() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        WaitFor([&] { return kill(pid_, 0) != 0; }, 1000);
        pid_ = 0;
    }
    const std::string mark = "XDG_RUNTIME_DIR=" + run_;
    return run_.empty() || WaitFor([&] { return !AnyProcessWith(mark); }, 3000);
}

PrivateSoundServer::~PrivateSoundServer() {
    Kill();
    if (hadServer_)
        setenv("PULSE_SERVER", oldServer_.c_str(), 1);
    else
        unsetenv("PULSE_SERVER");
}

} // namespace tess::test
