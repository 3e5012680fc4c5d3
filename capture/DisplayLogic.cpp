#include "capture/DisplayLogic.h"

#include "capture/ClientLogic.h"
#include "media/VideoFile.h"
#include "platform/FileIo.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace tess {

namespace {

std::string Format(const char* fmt, auto... args) {
    char buf[512];
    std::snprintf(buf, sizeof buf, fmt, args...);
    return buf;
}

// "%ld bits/sec" up to 1000, else "%ld kbits/sec".
std::string RateText(const char* prefix, long b) {
    return b <= 1000 ? Format("%s%ld bits/sec", prefix, b)
                     : Format("%s%ld kbits/sec", prefix, b / 1000);
}

} // namespace

long long SkipTarget(long long position, long long duration, bool forward, bool shift, bool ctrl) {
    long long step = ctrl ? 600 : shift ? (forward ? 1 : 2) : 60;
    long long p = forward ? position + step : position - step;
    if (p < 0)
        p = 0;
    if (duration >= 0 && p > duration)
        p = duration;
    return p;
}

std::string FrameTitle(const std::string& fileName, const std::string& currentTitle) {
    std::string title = fileName.empty() ? "" : fileName + " ";
    auto at = currentTitle.find("Tessaray");
    return title + (at == std::string::npos ? "Tessaray" : currentTitle.substr(at));
}

std::string DurationPaneText(bool fileDisplayed, long long durationSeconds) {
    if (!fileDisplayed)
        return "";
    return PositionTimeText(durationSeconds < 0 ? 0 : durationSeconds) + "  ";
}

const char* MonthName(int month) {
    static const char* const names[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    return month >= 1 && month <= 12 ? names[month - 1] : "illegal month";
}

std::string SizeText(double bytes) {
    double m = bytes / 1048576.0;
    return Format(m < 1 ? "%.3fMB" : m < 100 ? "%.2fMB" : "%.0fMB", m);
}

std::string PropertiesText(const FileFacts& f) {
    std::string t;
    if (f.width && f.height)
        t += Format("\n%d x %d", f.width, f.height);
    if (f.bitRate)
        t += RateText("\nbitrate=", f.bitRate);
    if (!f.copyright.empty())
        t += "\nCopyright notice: " + f.copyright;
    if (!f.description.empty())
        t += "\nDescription: " + f.description;
    const long long d = f.duration;
    if (d != -1 && d != 0) {
        if (d < 3600)
            t += Format("\nDuration: %d:%2.2d", static_cast<int>(d / 60), static_cast<int>(d % 60));
        else
            t += Format("\nDuration: %d:%2.2d:%2.2d", static_cast<int>(d / 3600),
                        static_cast<int>(d % 3600 / 60), static_cast<int>(d % 60));
    }
    if (f.size > 1)
        t += "\nSize: " + SizeText(f.size);
    const long long seconds = d == -1 ? 0 : d;
    if (f.bitRate == 0 && f.size != 0 && seconds != 0)
        t += RateText("\nBitrate: ", static_cast<long>(f.size * 8 / static_cast<double>(seconds)));
    if (f.hasDate) {
        std::tm tm{};
        localtime_r(&f.created, &tm);
        t += Format("\nDate: %d-%s-%d", tm.tm_mday, MonthName(tm.tm_mon + 1), tm.tm_year + 1900);
    }
    return t.empty() ? "No properties available for this file" : t;
}

std::string FileExtension(const std::string& path) {
    return ExtensionOf(path);
}

bool SameExtension(const std::string& oldPath, const std::string& newPath) {
    std::string a = FileExtension(oldPath), b = FileExtension(newPath);
    return !a.empty() && LowerCase(a) == LowerCase(b);
}

std::string SaveAsFilter(const std::string& ext) {
    return ext + " files (*." + ext + ")|*." + ext;
}

LayoutResult LayoutFrame(const LayoutInput& in) {
    LayoutResult r;
    r.rememberedHeight = in.rememberedHeight;
    int wantW = 0, wantH = 0;
    if (in.fit && in.fileDisplayed) {
        wantW = in.fileWidth;
        wantH = in.fileHeight;
        if (wantW + in.dw > in.screenW || wantH + in.dh > in.screenH) {
            wantW /= 2;
            wantH /= 2;
        }
    }
    if (!in.fileDisplayed || !in.fileHasVideo) {
        // Full screen or not: the bars only (a maximized frame is restored to this size).
        if (in.frameHeight > in.dh + 10)
            r.rememberedHeight = in.frameHeight;
        r.kind = LayoutResult::Size;
        r.width = std::max(300, in.minFrameWidth);
        r.height = in.dh;
        return r;
    }
    if (in.fullScreen) {
        r.kind = LayoutResult::Maximize;
        return r;
    }
    r.kind = LayoutResult::Size;
    r.width = in.frameWidth;
    r.height =
        in.rememberedHeight > 0 ? in.rememberedHeight : in.dh + (in.frameWidth - in.dw) * 3 / 4;
    if (in.fit && wantW > 0 && wantH > 0) {
        r.width = wantW + in.dw;
        r.height = wantH + in.dh;
    }
    if (r.width < in.minFrameWidth) {
        const int clientW = r.width - in.dw, clientH = r.height - in.dh;
        r.width = in.minFrameWidth;
        if (clientW > 0 && clientH > 0)
            r.height = in.dh + (r.width - in.dw) * clientH / clientW;
    }
    return r;
}

namespace {

// One direction of FitFrameToArea: the frame's start and extent within [lo, hi).
void FitSpan(int32_t& start, int32_t& extent, int32_t lo, int32_t hi) {
    extent = std::min({extent, hi - lo, std::max(hi - start, (hi - lo) / 2)});
    start = std::clamp(start, lo, hi - extent);
}

} // namespace

ScreenRect FitFrameToArea(const ScreenRect& frame, const ScreenRect& area) {
    if (area.empty())
        return frame;
    int32_t x = frame.left, y = frame.top, w = frame.width(), h = frame.height();
    FitSpan(x, w, area.left, area.right);
    FitSpan(y, h, area.top, area.bottom);
    return {x, y, x + w, y + h};
}

} // namespace tess
