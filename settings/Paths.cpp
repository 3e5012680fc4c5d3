#include "settings/Paths.h"

#include "platform/FileIo.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>
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
    return HomeDirectory() + homeSuffix;
}

// The value of `line` when it sets `key` in the shell-like form of user-dirs.dirs
// (KEY="$HOME/rest" or KEY="/absolute"), with the home folder put in; else "".
std::string UserDirValue(const std::string& line, const std::string& key) {
    size_t at = line.find_first_not_of(" \t");
    if (at == std::string::npos || line.compare(at, key.size(), key) != 0)
        return {};
    at = line.find_first_not_of(" \t", at + key.size());
    if (at == std::string::npos || line[at] != '=')
        return {};
    at = line.find_first_not_of(" \t", at + 1);
    if (at == std::string::npos || line[at] != '"')
        return {};
    std::string value;
    for (++at; at < line.size() && line[at] != '"'; ++at) {
        if (line[at] == '\\' && at + 1 < line.size())
            ++at;
        value += line[at];
    }
    if (at >= line.size())
        return {}; // no closing quote
    if (value.rfind("$HOME", 0) == 0 && (value.size() == 5 || value[5] == '/'))
        value = HomeDirectory() + value.substr(5);
    else if (value.empty() || value[0] != '/')
        return {};
    while (value.size() > 1 && value.back() == '/')
        value.pop_back();
    return value;
}

} // namespace

std::string ConfigHome() {
    return EnvOr("XDG_CONFIG_HOME", "/.config");
}

std::string DataHome() {
    return EnvOr("XDG_DATA_HOME", "/.local/share");
}

std::string HomeDirectory() {
    const char* home = std::getenv("HOME");
    return (home && *home) ? home : "/tmp";
}

std::string PicturesDirectory() {
    std::istringstream lines(ReadWholeFile(ConfigHome() + "/user-dirs.dirs").value_or(""));
    std::string found;
    for (std::string line; std::getline(lines, line);)
        if (std::string v = UserDirValue(line, "XDG_PICTURES_DIR"); !v.empty())
            found = v; // the last setting counts, as in a shell
    return found.empty() ? HomeDirectory() + "/Pictures" : found;
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
