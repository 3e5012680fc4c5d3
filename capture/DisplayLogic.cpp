#include "capture/DisplayLogic.h"

#include "capture/ClientLogic.h"
#include "media/VideoFile.h"
#include "platform/FileIo.h"
#include "platform/Translate.h"

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
std::string RateText(long b) {
    return b <= 1000 ? FormatText(Tr("%ld bits/sec"), b)
                     : FormatText(Tr("%ld kbits/sec"), b / 1000);
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
    // TRANSLATORS: the months' short names, in the date of a file's properties
    static const char* const names[] = {N_("Jan"), N_("Feb"), N_("Mar"), N_("Apr"),
                                        N_("May"), N_("Jun"), N_("Jul"), N_("Aug"),
                                        N_("Sep"), N_("Oct"), N_("Nov"), N_("Dec")};
    return month >= 1 && month <= 12 ? Tr(names[month - 1]) : "illegal month";
}

std::string SizeText(double bytes) {
    double m = bytes / 1048576.0;
    return FormatText(m < 1 ? Tr("%.3fMB") : m < 100 ? Tr("%.2fMB") : Tr("%.0fMB"), m);
}

std::string PropertiesText(const FileFacts& f) {
    std::string t;
    if (f.width && f.height)
        t += Format("\n%d x %d", f.width, f.height);
    if (f.bitRate)
        // TRANSLATORS: the bit rate a file states in its header, such as "300 kbits/sec"
        t += "\n" + FormatText(Tr("bitrate=%s"), RateText(f.bitRate).c_str());
    if (!f.copyright.empty())
        t += "\n" + FormatText(Tr("Copyright notice: %s"), f.copyright.c_str());
    if (!f.description.empty())
        t += "\n" + FormatText(Tr("Description: %s"), f.description.c_str());
    const long long d = f.duration;
    if (d != -1 && d != 0) {
        const std::string length =
            d < 3600 ? Format("%d:%2.2d", static_cast<int>(d / 60), static_cast<int>(d % 60))
                     : Format("%d:%2.2d:%2.2d", static_cast<int>(d / 3600),
                              static_cast<int>(d % 3600 / 60), static_cast<int>(d % 60));
        t += "\n" + FormatText(Tr("Duration: %s"), length.c_str());
    }
    if (f.size > 1)
        t += "\n" + FormatText(Tr("Size: %s"), SizeText(f.size).c_str());
    const long long seconds = d == -1 ? 0 : d;
    if (f.bitRate == 0 && f.size != 0 && seconds != 0) {
        const long rate = static_cast<long>(f.size * 8 / static_cast<double>(seconds));
        // TRANSLATORS: the bit rate worked out from the file's size and length
        t += "\n" + FormatText(Tr("Bitrate: %s"), RateText(rate).c_str());
    }
    if (f.hasDate) {
        std::tm tm{};
        localtime_r(&f.created, &tm);
        // TRANSLATORS: a file's date: %1$d the day, %2$s the month's short name, %3$d the year
        t += "\n" + FormatText(Tr("Date: %1$d-%2$s-%3$d"), tm.tm_mday, MonthName(tm.tm_mon + 1),
                               tm.tm_year + 1900);
    }
    return t.empty() ? Tr("No properties available for this file") : t;
}

std::string FileExtension(const std::string& path) {
    return ExtensionOf(path);
}

bool SameExtension(const std::string& oldPath, const std::string& newPath) {
    std::string a = FileExtension(oldPath), b = FileExtension(newPath);
    return !a.empty() && LowerCase(a) == LowerCase(b);
}

std::string SaveAsFilter(const std::string& ext) {
    // TRANSLATORS: a file type in the save dialog; %s is the file name's extension, such as wmv
    return FormatText(Tr("%s files"), ext.c_str()) + " (*." + ext + ")|*." + ext;
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
