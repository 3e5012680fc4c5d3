#include "platform/Log.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <unistd.h>

#include "platform/FileIo.h"

namespace tess {
namespace {

constexpr const char* kNoticePrefix = "tessaray: ";
constexpr int kMaxWarnings = 200;
constexpr long kMaxKeptBytes = 10000;

std::mutex gMutex;
int gCount = 0;
bool gOverride = false;
std::string gOverridePath;
std::string gProgramPath;

std::string ProgramPath() {
    if (!gProgramPath.empty())
        return gProgramPath;
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return "tessaray";
    buf[n] = '\0';
    return buf;
}

std::string FallbackPath() {
    std::filesystem::path base;
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && *state) {
        base = state;
    } else {
        const char* home = std::getenv("HOME");
        base = std::filesystem::path(home && *home ? home : "/tmp") / ".local" / "state";
    }
    return (base / "Tessaray" / "tessaray.log").string();
}

// The log beside the program; empty for an installed copy (the window program in
// libexec/tessaray/), whose directory belongs to the system even where it could be written
// (a program run by root): its log goes to the user's state directory.
std::string OwnLogPath() {
    const std::string exe = ProgramPath();
    if (exe.find("/libexec/tessaray/") != std::string::npos)
        return {};
    return LogPathForProgram(exe);
}

// Opens the log for appending; the fallback when the program's log cannot be written.
FILE* OpenLog(std::string* usedPath) {
    if (gOverride) {
        *usedPath = gOverridePath;
        return std::fopen(gOverridePath.c_str(), "a+");
    }
    std::string p = OwnLogPath();
    if (FILE* f = p.empty() ? nullptr : std::fopen(p.c_str(), "a+")) {
        *usedPath = p;
        return f;
    }
    p = FallbackPath();
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(p).parent_path(), ec);
    *usedPath = p;
    return std::fopen(p.c_str(), "a+");
}

// "Www Mmm dd hh:mm:ss yyyy" in English whatever the locale.
void FormatTime(char out[32]) {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    std::snprintf(out, 32, "%s %s %2d %02d:%02d:%02d %04d", kDays[tm.tm_wday % 7],
                  kMonths[tm.tm_mon % 12], tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                  tm.tm_year + 1900);
}

} // namespace

std::string LogPathForProgram(const std::string& exePath) {
    // Only the file name's extension is replaced: a dot in a directory name stays.
    std::filesystem::path p(exePath);
    p.replace_extension(".log");
    return p.string();
}

std::string WarningLogPath() {
    std::lock_guard lk(gMutex);
    if (gOverride)
        return gOverridePath;
    std::string p = OwnLogPath();
    if (p.empty())
        return FallbackPath();
    if (access(p.c_str(), W_OK) == 0 ||
        (access(p.c_str(), F_OK) != 0 &&
         access(std::filesystem::path(p).parent_path().c_str(), W_OK) == 0))
        return p;
    return FallbackPath();
}

void SetWarningLogPathForTesting(const std::string& path) {
    std::lock_guard lk(gMutex);
    gOverride = !path.empty();
    gOverridePath = path;
    gCount = 0;
}

void SetProgramPathForTesting(const std::string& exePath) {
    std::lock_guard lk(gMutex);
    gProgramPath = exePath;
    gCount = 0;
}

void LogNotice(const char* format, ...) {
    // Formatted whole and written with one call, so lines of two threads never mix.
    char line[2048];
    int n = std::snprintf(line, sizeof line, "%s", kNoticePrefix);
    va_list ap;
    va_start(ap, format);
    const int text = std::vsnprintf(line + n, sizeof line - static_cast<size_t>(n) - 1, format, ap);
    va_end(ap);
    n = std::min<int>(n + std::max(text, 0), static_cast<int>(sizeof line) - 2);
    line[n++] = '\n';
    WriteAll(STDERR_FILENO, line, static_cast<size_t>(n));
}

void LogWarning(const char* format, ...) {
    std::lock_guard lk(gMutex);
    ++gCount;
    if (gCount > kMaxWarnings)
        return;
    std::string path;
    FILE* f = OpenLog(&path);
    if (!f)
        return;
    if (gCount == 1) {
        std::fseek(f, 0, SEEK_END);
        if (std::ftell(f) > kMaxKeptBytes) {
            std::fclose(f);
            f = std::fopen(path.c_str(), "w");
            if (!f)
                return;
        }
    }
    if (gCount == kMaxWarnings) {
        std::fputs("\r\n\r\nMaximum warnings reported this session... ", f);
        std::fclose(f);
        return;
    }
    char when[32];
    FormatTime(when);
    std::fprintf(f, "%s\n", when);
    va_list ap;
    va_start(ap, format);
    std::vfprintf(f, format, ap);
    va_end(ap);
    std::fputs("\n", f);
    std::fflush(f);
    std::fclose(f);
}

} // namespace tess
