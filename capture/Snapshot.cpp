#include "capture/Snapshot.h"

#include <algorithm>
#include <atomic>
#include <cctype>

#include "media/Caption.h"
#include "media/Grab.h"
#include "media/WriteImageFile.h"
#include "platform/Translate.h"
#include "settings/FileNames.h"
#include "settings/Settings.h"

namespace tess {

namespace {

std::string CodeText(int32_t code) {
    switch (code) {
    case kImageNoBitmap:
        return Tr("the picture could not be made (an empty or too large area)");
    case kImagePngFailed:
        return Tr("the PNG file could not be written");
    case kImageFileFailed:
        return Tr("the picture file could not be written");
    case kImageNoPicture:
        return Tr("the screen gave no picture");
    case kImageNoDrawingArea:
        return Tr("the screen cannot be reached");
    default:
        return FormatText(Tr("error %d"), static_cast<int>(code));
    }
}

} // namespace

std::optional<int32_t> ImageFormatFromName(const std::string& name) {
    std::string n = name;
    std::transform(n.begin(), n.end(), n.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (n == "png")
        return StoredValue(ImageFormat::kPng);
    if (n == "bmp")
        return StoredValue(ImageFormat::kBmp);
    if (n == "gif")
        return StoredValue(ImageFormat::kGif);
    if (n == "jpg" || n == "jpeg")
        return StoredValue(ImageFormat::kJpeg);
    return std::nullopt;
}

namespace {
std::atomic<SnapshotOverlayMaker> overlayMaker{nullptr};
} // namespace

void SetSnapshotOverlayMaker(SnapshotOverlayMaker maker) {
    overlayMaker.store(maker);
}

bool SnapshotHasCaption(const Settings& settings) {
    return settings.capEnable && !settings.capString.empty();
}

bool SnapshotCaptionsAvailable() {
    return overlayMaker.load() != nullptr;
}

SnapshotOutcome TakeSnapshotNow(ScreenConnection& screen, Settings& settings,
                                const SnapshotRequest& request) {
    SnapshotOutcome out;
    const int32_t format = request.format < 0 ? settings.imageFormat : request.format;
    std::optional<ImageFormat> fileFormat = PictureFileFormat(format);
    if (!fileFormat) {
        // Format 2 is a frame of a recording to the writer: a snapshot would write nothing
        // and pass the name off as a file.
        out.code = kImageOk;
        out.message =
            FormatText(Tr("Image format %d writes no picture file."), static_cast<int>(format));
        return out;
    }

    bool mayReplace = !request.outputPath.empty();
    // The free name: before the grab, or once the editor answers Save.
    auto nameFile = [&] {
        if (mayReplace) {
            out.path = request.outputPath;
            return true;
        }
        CaptureFileName name =
            MakeCaptureFileName(settings.defaultDirectory, settings.fileSnapName,
                                ExtensionForImageFormat(format), -1, settings.fileInstanceMode);
        if (!name.ok)
            out.message = name.error;
        else
            out.path = name.path;
        return name.ok;
    };
    if (!request.beforeWrite && !nameFile())
        return out;

    if (request.beforeGrab && !request.beforeGrab()) {
        out.cancelled = true;
        out.message = Tr(kSnapshotCancelledMessage);
        return out;
    }

    // Every capture switches the scale off, with or without a caption.
    settings.scaleEnable = false;
    std::unique_ptr<Fx> overlay;
    if (SnapshotHasCaption(settings)) {
        const SnapshotOverlayMaker maker = overlayMaker.load();
        if (!maker) {
            out.message = Tr("Snapshot failed: this program cannot draw the caption.");
            return out;
        }
        overlay = maker(settings);
    }

    int32_t code = kImageOk;
    std::unique_ptr<MemBm> picture;
    if (request.window) {
        picture = GrabWindowPicture(screen, request.window, request.drawCursor, &code);
        if (!picture && code == kImageOk) {
            out.message = screen.lost()
                              ? Tr("Snapshot failed: the connection to the display was lost.")
                              : Tr("The window to capture no longer exists.");
            return out;
        }
    } else {
        const ScreenRect* area = request.area ? &*request.area : nullptr;
        picture =
            GrabScreenPicture(screen, request.drawCursor, !settings.vidStealth, true, area, &code);
    }
    if (!picture) {
        out.code = code;
        const std::string sourceFailure = ReaderFor(screen).failure();
        const std::string why = screen.lost()
                                    ? std::string(Tr("the connection to the display was lost"))
                                : !sourceFailure.empty() ? sourceFailure
                                                         : CodeText(code);
        // TRANSLATORS: %s is why no picture was taken
        out.message = FormatText(Tr("Snapshot failed: %s."), why.c_str());
        return out;
    }

    const MemBm* toWrite = overlay ? &overlay->Apply(*picture) : picture.get();
    EditedPicture edited;
    if (request.beforeWrite) {
        edited = request.beforeWrite(*toWrite);
        if (edited.kind != EditedPicture::Kind::Save || !edited.picture) {
            out.cancelled = true;
            out.copied = edited.kind == EditedPicture::Kind::Copied;
            out.message = Tr(out.copied ? kSnapshotCopiedMessage : kSnapshotDiscardedMessage);
            return out;
        }
        toWrite = edited.picture.get();
        if (!edited.path.empty()) {
            out.path = edited.path;
            mayReplace = true;
            // The name chosen says the format ("Save As..." offers each).
            const size_t dot = out.path.rfind('.');
            if (auto byName = ImageFormatFromName(
                    dot == std::string::npos ? std::string() : out.path.substr(dot + 1)))
                fileFormat = PictureFileFormat(*byName);
        } else if (!nameFile()) {
            return out;
        }
    }
    out.code = WriteImageFile(*toWrite, *fileFormat, out.path, request.quality, mayReplace);
    if (out.code != kImageOk) {
        const std::string& why = LastImageWriteError();
        out.message = FormatText(Tr("Snapshot failed: %s."),
                                 (why.empty() ? CodeText(out.code) : why).c_str());
        return out;
    }
    out.ok = true;
    if (request.written)
        request.written(*toWrite);
    return out;
}

} // namespace tess
