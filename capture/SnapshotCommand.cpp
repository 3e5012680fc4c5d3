#include "capture/SnapshotCommand.h"
#include "platform/Translate.h"

#include "capture/CommandOptions.h"
#include "media/image/ImageCodec.h"
#include "platform/FileIo.h"
#include "platform/x11/ClipboardHolder.h"
#include "platform/x11/Monitors.h"
#include "settings/FileNames.h"
#include "settings/Settings.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <unistd.h>

namespace tess {

namespace {

// The picture as a PNG file's bytes, made in memory; empty when it could not be encoded.
std::string EncodePngBytes(const MemBm& picture) {
    char* data = nullptr;
    size_t size = 0;
    std::string bytes;
    if (std::FILE* f = open_memstream(&data, &size)) {
        const bool ok = image::EncodePng(picture, f);
        if (std::fclose(f) == 0 && ok)
            bytes.assign(data, size);
    }
    std::free(data);
    return bytes;
}

constexpr char kUsage[] =
    // TRANSLATORS: the options and their choices are typed as they stand; the words in
    // capitals (ID, X,Y,W,H, NAME, N, FILE) name what the user puts there
    N_("usage: tessaray --snapshot [--window ID | --region X,Y,W,H|last | --monitor NAME|N]\n"
       "                          [--format png|bmp|gif|jpg] [--output FILE] [--delay N] "
       "[--clipboard] [--notify]\n");

// What follows a file name's last dot ("" for none; a dot in a folder's name gives no format's
// name, as it goes on past the "/").
std::string PictureExtension(const std::string& path) {
    const size_t dot = path.rfind('.');
    return dot == std::string::npos ? std::string() : path.substr(dot + 1);
}

} // namespace

bool HoldPictureFileOnClipboard(const std::string& path, std::string* error) {
    std::optional<std::string> bytes = ReadWholeFile(path);
    if (!bytes) {
        *error = Tr("the picture file could not be read");
        return false;
    }
    const auto* data = reinterpret_cast<const uint8_t*>(bytes->data());
    if (image::DetectImageType(data, bytes->size()) != image::ImageType::Png) {
        const auto picture =
            image::DecodeImage(data, bytes->size(), image::ImageType::Unknown, error);
        if (!picture)
            return false;
        *bytes = EncodePngBytes(*picture);
        if (bytes->empty()) {
            *error = Tr("the picture could not be made into a PNG");
            return false;
        }
    }
    return HoldClipboard(*bytes, error);
}

bool HoldPictureOnClipboard(const MemBm& picture, std::string* error) {
    const std::string bytes = EncodePngBytes(picture);
    if (bytes.empty()) {
        *error = Tr("the picture could not be made into a PNG");
        return false;
    }
    return HoldClipboard(bytes, error);
}

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
    std::string formatText; // --format as written
    for (const auto& [name, value] : longOptions) {
        if (name == "snapshot" || name == "notify" || name == "edit") {
            if (!value.empty())
                return fail(FormatText(Tr("--%1$s takes no value (\"%2$s\")"), name.c_str(),
                                       value.c_str()));
        } else if (name == "window") {
            if (!ParseWindowOption(value, &o.request.window))
                return fail(Tr("--window needs a window id, such as 12582919 or 0xc00007"));
            haveWindow = true;
        } else if (name == "monitor") {
            if (value.empty())
                return fail(Tr(kMonitorValueMissing));
            o.monitor = value;
        } else if (name == "region") {
            ScreenRect r;
            std::string error;
            if (!ParseRegionValue(value, lastRegion, &r, &error))
                return fail(error);
            o.request.area = r;
        } else if (name == "format") {
            auto f = ImageFormatFromName(value);
            if (!f)
                return fail(Tr("--format must be png, bmp, gif or jpg"));
            o.request.format = *f;
            formatText = value;
        } else if (name == "delay") {
            char* end = nullptr;
            long n = value.empty() ? 0 : std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end || n < 0 || n > kMaxSnapshotDelay)
                return fail(Tr("--delay needs a number of seconds from 0 (no delay) to 60"));
            o.delaySeconds = static_cast<int>(n);
        } else if (name == "clipboard") {
            if (!value.empty())
                return fail(FormatText(Tr("--%1$s takes no value (\"%2$s\")"), name.c_str(),
                                       value.c_str()));
            o.clipboard = true;
        } else if (name == "backend") {
            // Checked, and acted on, before the command runs.
        } else if (name == "output") {
            if (value.empty())
                return fail(Tr("--output needs a file name"));
            o.request.outputPath = value;
        } else {
            return fail(FormatText(Tr("unknown option --%s"), name.c_str()));
        }
    }
    if (haveWindow + o.request.area.has_value() + !o.monitor.empty() > 1)
        return fail(Tr(kOneTargetOnly));
    // A picture file's name says its format: without --format it chooses it, and a --format
    // that says otherwise is a mistake rather than a file whose name lies about its data.
    const std::string ext = PictureExtension(o.request.outputPath);
    if (const auto byName = ImageFormatFromName(ext)) {
        if (o.request.format >= 0 && o.request.format != *byName)
            // TRANSLATORS: %1$s is the --format given, %2$s the --output file's name and %3$s
            // the format its name ends in
            return fail(FormatText(Tr("--format %1$s does not fit --output %2$s (a .%3$s file): "
                                      "leave out --format or change the name"),
                                   formatText.c_str(), o.request.outputPath.c_str(), ext.c_str()));
        o.request.format = *byName;
    }
    o.ok = true;
    return o;
}

int RunSnapshotCommand(const std::vector<std::pair<std::string, std::string>>& longOptions,
                       ScreenConnection* screen, Settings& settings, std::ostream& out,
                       std::ostream& err, bool countOnErr, CaptureNotice* result,
                       std::function<EditedPicture(const MemBm&)> edit) {
    SnapshotOptions o = ParseSnapshotOptions(longOptions, settings.lastRegion);
    if (!o.ok) {
        err << "tessaray: " << o.error << "\n" << Tr(kUsage);
        return kSnapshotExitUsage;
    }
    if (!screen) {
        err << "tessaray: " << Tr(kNoDisplayMessage) << "\n";
        if (result)
            *result = {CaptureNotice::Kind::Failed, {}, Tr(kNoDisplayMessage)};
        return kSnapshotExitFailed;
    }
    if (!o.monitor.empty()) {
        std::string error;
        o.request.area = FindMonitor(ListMonitors(*screen), o.monitor, &error);
        if (!o.request.area) {
            err << "tessaray: " << error;
            return kSnapshotExitUsage;
        }
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
            err << "tessaray: "
                << FormatText(Tr("no private file for the picture in %s"), dir ? dir : "/tmp")
                << "\n";
            return kSnapshotExitFailed;
        }
        close(fd);
        o.request.outputPath = temp;
    }
    o.request.beforeWrite = std::move(edit);
    SnapshotOutcome r = TakeSnapshotNow(*screen, settings, o.request);
    if (r.copied) {
        if (toOut)
            unlink(o.request.outputPath.c_str());
        return kSnapshotExitOk;
    }
    // The clipboard is served before the path or the picture goes out, so a script's next
    // command finds the picture there. A clipboard that cannot be had leaves the file as it is.
    std::string why;
    if (r.ok && o.clipboard && !HoldPictureFileOnClipboard(r.path, &why))
        err << "tessaray: "
            << FormatText(Tr("the picture is not on the clipboard: %s"), why.c_str()) << "\n";
    if (toOut) {
        const std::optional<std::string> bytes = ReadWholeFile(o.request.outputPath);
        unlink(o.request.outputPath.c_str());
        if (r.ok && !(bytes && out << *bytes && out.flush()))
            r = {false, r.code, r.path,
                 Tr("Snapshot failed: the picture could not be written out.")};
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
