#include "capture/SnapshotCommand.h"

#include "capture/CommandOptions.h"
#include "settings/FileNames.h"
#include "settings/Settings.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <unistd.h>

namespace tess {

bool WantsSnapshotCommand(const std::vector<std::pair<std::string, std::string>>& longOptions) {
    return HasLongOption(longOptions, "snapshot");
}

SnapshotOptions
ParseSnapshotOptions(const std::vector<std::pair<std::string, std::string>>& longOptions,
                     const std::string& lastRegion) {
    SnapshotOptions o;
    auto fail = [&o](std::string text) {
        o.ok = false;
        o.error = std::move(text);
        return o;
    };
    bool haveWindow = false;
    for (const auto& [name, value] : longOptions) {
        if (name == "snapshot" || name == "notify") {
            if (!value.empty())
                return fail("--" + name + " takes no value (\"" + value + "\")");
        } else if (name == "window") {
            if (!ParseWindowOption(value, &o.request.window))
                return fail("--window needs a window id, such as 12582919 or 0xc00007");
            haveWindow = true;
        } else if (name == "region") {
            ScreenRect r;
            std::string error;
            if (!ParseRegionValue(value, lastRegion, &r, &error))
                return fail(error);
            o.request.area = r;
        } else if (name == "format") {
            auto f = ImageFormatFromName(value);
            if (!f)
                return fail("--format must be png, bmp, gif or jpg");
            o.request.format = *f;
        } else if (name == "delay") {
            char* end = nullptr;
            long n = value.empty() ? 0 : std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end || n < kMinSnapshotDelay || n > kMaxSnapshotDelay)
                return fail("--delay needs a number of seconds from 1 to 60");
            o.delaySeconds = static_cast<int>(n);
        } else if (name == "backend") {
            // Checked, and acted on, before the command runs.
        } else if (name == "output") {
            if (value.empty())
                return fail("--output needs a file name");
            o.request.outputPath = value;
        } else {
            return fail("unknown option --" + name);
        }
    }
    if (haveWindow && o.request.area)
        return fail("--window and --region cannot be used together");
    o.ok = true;
    return o;
}

int RunSnapshotCommand(const std::vector<std::pair<std::string, std::string>>& longOptions,
                       ScreenConnection* screen, Settings& settings, std::ostream& out,
                       std::ostream& err, bool countOnErr, CaptureNotice* result) {
    SnapshotOptions o = ParseSnapshotOptions(longOptions, settings.lastRegion);
    if (!o.ok) {
        err << "tessaray: " << o.error << "\n"
            << "usage: tessaray --snapshot [--window ID | --region X,Y,W,H|last] "
               "[--format png|bmp|gif|jpg] [--output FILE] [--delay N] [--notify]\n";
        return kSnapshotExitUsage;
    }
    if (!screen) {
        err << "tessaray: " << kNoDisplayMessage << "\n";
        if (result)
            *result = {CaptureNotice::Kind::Failed, {}, kNoDisplayMessage};
        return kSnapshotExitFailed;
    }
    o.request.drawCursor = settings.cursor;
    if (o.delaySeconds > 0) {
        // The count goes before each second's wait, on one line that the next count
        // overwrites; the line is cleared before the grab.
        o.request.beforeGrab = [&err, n = o.delaySeconds, countOnErr] {
            const auto start = std::chrono::steady_clock::now();
            for (int left = n; left > 0; --left) {
                if (countOnErr)
                    err << "\r" << left << "  " << std::flush;
                std::this_thread::sleep_until(start + std::chrono::seconds(n - left + 1));
            }
            if (countOnErr)
                err << "\r    \r" << std::flush;
            return true;
        };
    }
    // "--output -": the picture goes to `out` and nothing else does. It is written to a
    // private file first (the writers want a file) and that file's bytes are passed on.
    const bool toOut = o.request.outputPath == "-";
    if (toOut) {
        const char* dir = std::getenv("TMPDIR");
        const int32_t format = o.request.format < 0 ? settings.imageFormat : o.request.format;
        std::string temp = std::string(dir && *dir ? dir : "/tmp") + "/tessaray-XXXXXX." +
                           ExtensionForImageFormat(format);
        const int fd = mkstemps(temp.data(), static_cast<int>(temp.size() - temp.rfind('.')));
        if (fd < 0) {
            err << "tessaray: no private file for the picture in " << (dir ? dir : "/tmp") << "\n";
            return kSnapshotExitFailed;
        }
        close(fd);
        o.request.outputPath = temp;
    }
    SnapshotOutcome r = TakeSnapshotNow(*screen, settings, o.request);
    if (toOut) {
        std::ifstream picture(o.request.outputPath, std::ios::binary);
        if (r.ok && !(out << picture.rdbuf() && out.flush()))
            r = {false, r.code, r.path, "Snapshot failed: the picture could not be written out."};
        unlink(o.request.outputPath.c_str());
    }
    if (result)
        *result = r.ok ? CaptureNotice{CaptureNotice::Kind::Snapshot, toOut ? "" : r.path, {}}
                       : CaptureNotice{CaptureNotice::Kind::Failed, {}, r.message};
    if (!r.ok) {
        err << "tessaray: " << r.message << "\n";
        return kSnapshotExitFailed;
    }
    if (!toOut)
        out << r.path << "\n";
    return kSnapshotExitOk;
}

} // namespace tess
