#include "capture/SnapshotPipeline.h"
#include "platform/Translate.h"

#include "media/Grab.h"
#include "media/MemBm.h"
#include "media/WriteImageFile.h"
#include "settings/Settings.h"

namespace tess {

void ApplyCaptureStart(SnapshotHost& host, const Settings& settings) {
    if (settings.captureAction == 1)
        host.HideFrame();
    else if (settings.captureAction == 2)
        host.MinimizeFrame();
}

void UndoCaptureStart(SnapshotHost& host, const Settings& settings) {
    if (settings.captureAction != 0)
        host.ShowFrameNormal();
    host.RebuildTitle();
}

std::string SnapshotStatusText(const SnapshotOutcome& outcome) {
    if (outcome.ok)
        return outcome.path;
    return outcome.message.empty() ? std::string(Tr("Snapshot failed.")) : outcome.message;
}

SnapshotOutcome TakeSnapshot(SnapshotHost& host, Settings& settings, WindowId window,
                             std::optional<ScreenRect> area, int32_t format, int32_t quality,
                             const std::string& outputPath) {
    SnapshotRequest request;
    request.outputPath = outputPath;
    request.window = window;
    request.area = window ? std::nullopt : area;
    request.format = format;
    request.quality = quality;
    request.drawCursor = settings.cursor;
    // Between the naming of the file and the grab: the delay, then the title.
    request.beforeGrab = [&host, &settings, area = request.area] {
        if (settings.captureDelay) {
            for (int left = settings.snapshotDelay; left > 0; --left) {
                host.ShowCountdown(left, area);
                host.Wait(kDelayStepMs);
                if (host.CountdownCancelled()) {
                    host.HideCountdown();
                    host.RebuildTitle();
                    return false;
                }
                host.Beep();
            }
            host.HideCountdown();
            host.Wait(kCountdownGoneMs);
        }
        host.RebuildTitle();
        return true;
    };

    if (settings.editSnapshots && host.MayEdit())
        request.beforeWrite = [&host](const MemBm& picture) {
            EditedPicture edited = host.EditPicture(picture);
            if (edited.kind == EditedPicture::Kind::Copied && edited.picture)
                host.CopyPicture(*edited.picture);
            return edited;
        };
    if (settings.copyToClipboard)
        request.written = [&host](const MemBm& picture) { host.CopyPicture(picture); };

    SnapshotOutcome out;
    if (ScreenConnection* screen = host.Screen()) {
        out = TakeSnapshotNow(*screen, settings, request);
    } else {
        out.code = kImageNoDrawingArea;
        out.message = Tr("Snapshot failed: the screen cannot be reached (no X display).");
    }
    // A file that was not written gets no shutter, no path and no display.
    if (out.ok)
        host.PlayShutter();
    host.ShowStatus(SnapshotStatusText(out));
    if (settings.notify && !out.cancelled)
        host.NotifyCapture(
            out.ok ? CaptureNotice{CaptureNotice::Kind::Snapshot, out.path, {}}
                   : CaptureNotice{CaptureNotice::Kind::Failed, {}, SnapshotStatusText(out)});
    if (out.ok && settings.displayOpenAuto)
        host.DisplayFile(out.path);
    return out;
}

std::optional<SnapshotOutcome> SnapshotScreenCommand(SnapshotHost& host, Settings& settings,
                                                     const std::string& outputPath) {
    ApplyCaptureStart(host, settings);
    SnapshotOutcome out = TakeSnapshot(host, settings, 0, std::nullopt, -1, -1, outputPath);
    UndoCaptureStart(host, settings);
    return out;
}

std::optional<SnapshotOutcome> SnapshotWindowCommand(SnapshotHost& host, Settings& settings,
                                                     const std::string& outputPath) {
    ApplyCaptureStart(host, settings);
    host.ShowPrompt(Tr(kPromptSnapWindow));
    std::optional<SnapshotOutcome> out;
    WindowId window = 0;
    if (host.SelectWindow(&window)) {
        host.Wait(kAfterSelectionMs);
        out = TakeSnapshot(host, settings, window, std::nullopt, -1, -1, outputPath);
    }
    UndoCaptureStart(host, settings);
    return out;
}

std::optional<SnapshotOutcome> SnapshotRegionCommand(SnapshotHost& host, Settings& settings,
                                                     const std::string& outputPath) {
    ApplyCaptureStart(host, settings);
    host.ShowPrompt(Tr(kPromptSnapRegion));
    std::optional<SnapshotOutcome> out;
    ScreenRect rect;
    if (host.SelectRectangle(&rect)) {
        host.Wait(kAfterSelectionMs);
        out = TakeSnapshot(host, settings, 0, rect, -1, -1, outputPath);
    }
    UndoCaptureStart(host, settings);
    return out;
}

std::unique_ptr<MemBm> GrabChosenRegion(SnapshotHost& host, const Settings& settings) {
    ApplyCaptureStart(host, settings);
    host.ShowPrompt(Tr(kPromptTextRegion));
    std::unique_ptr<MemBm> picture;
    ScreenRect rect;
    if (host.SelectRectangle(&rect) && host.Screen()) {
        host.Wait(kAfterSelectionMs);
        int32_t code = 0;
        picture = GrabScreenPicture(*host.Screen(), false, true, false, &rect, &code);
    }
    UndoCaptureStart(host, settings);
    return picture;
}

SnapshotOutcome SnapshotAreaCommand(SnapshotHost& host, Settings& settings, const ScreenRect& area,
                                    const std::string& outputPath) {
    ApplyCaptureStart(host, settings);
    SnapshotOutcome out = TakeSnapshot(host, settings, 0, area, -1, -1, outputPath);
    UndoCaptureStart(host, settings);
    return out;
}

} // namespace tess
