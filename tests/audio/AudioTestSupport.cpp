#include "audio/AudioTestSupport.h"

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tess::test {

bool HaveSoundServer() {
    return HaveProgram("pactl") && RunCommand("pactl info >/dev/null 2>&1") == 0;
}

PrivateSoundServer::PrivateSoundServer() {
    if (!HaveProgram("pulseaudio"))
        return;
    std::string run = dir_.str() + "/run";
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

void PrivateSoundServer::Kill() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        for (int i = 0; i < 100 && kill(pid_, 0) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        pid_ = 0;
    }
}

PrivateSoundServer::~PrivateSoundServer() {
    Kill();
    if (hadServer_)
        setenv("PULSE_SERVER", oldServer_.c_str(), 1);
    else
        unsetenv("PULSE_SERVER");
}

} // namespace tess::test
