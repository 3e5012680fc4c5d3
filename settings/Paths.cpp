#include "settings/Paths.h"

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace tess {

namespace {

std::string g_regOverride;
std::string g_iniOverride;

std::string EnvOr(const char* name, const char* homeSuffix) {
    const char* v = std::getenv(name);
    if (v && *v == '/') {
        std::string s = v;
        while (s.size() > 1 && s.back() == '/')
            s.pop_back();
        return s;
    }
    const char* home = std::getenv("HOME");
    std::string h = (home && *home) ? home : "/tmp";
    return h + homeSuffix;
}

} // namespace

std::string ConfigHome() {
    return EnvOr("XDG_CONFIG_HOME", "/.config");
}

std::string DataHome() {
    return EnvOr("XDG_DATA_HOME", "/.local/share");
}

std::string ExecutablePath() {
    // The window program started by the launcher answers with the launcher's path, the
    // one that users start (and the log-on entry and "New instance" name).
    if (const char* launcher = std::getenv("TESSARAY_LAUNCHER")) {
        struct stat st;
        if (launcher[0] == '/' && ::stat(launcher, &st) == 0 && S_ISREG(st.st_mode))
            return launcher;
    }
    return RunningExecutablePath();
}

std::string RunningExecutablePath() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return {};
    return std::string(buf, static_cast<size_t>(n));
}

std::string ExecutableDir() {
    const std::string dir = std::filesystem::path(ExecutablePath()).remove_filename().string();
    return dir.empty() ? "./" : dir;
}

std::string RegistryStorePath() {
    if (!g_regOverride.empty())
        return g_regOverride;
    return ConfigHome() + "/Quorvanta/Tessaray.reg";
}

std::string DefaultIniPath() {
    if (!g_iniOverride.empty())
        return g_iniOverride;
    return ExecutableDir() + "tessaray.ini";
}

std::string ProfileDirectory() {
    return ConfigHome() + "/Quorvanta/";
}

std::string AutostartEntryPath() {
    return ConfigHome() + "/autostart/tessaray.desktop";
}

void SetRegistryStorePathForTesting(const std::string& path) {
    g_regOverride = path;
}
void SetDefaultIniPathForTesting(const std::string& path) {
    g_iniOverride = path;
}

} // namespace tess
