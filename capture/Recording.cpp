#include "capture/Recording.h"

#include "platform/Translate.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "capture/BitRate.h"
#include "capture/RecordingSound.h"
#include "media/Caption.h"
#include "media/Grab.h"
#include "media/Recorder.h"
#include "media/WMFile.h"
#include "media/WriteImageFile.h"
#include "platform/Log.h"
#include "platform/ScreenReader.h"
#include "settings/Settings.h"

namespace tess {

namespace {

constexpr int32_t kFrameQuality = 80;

// The recorder thread's grabs, through a display connection of its own.
class GrabSource : public FrameSource {
public:
    GrabSource(WindowId window, const ScreenRect& area, bool drawCursor, bool stripCopy,
               bool wholeDesktop, std::unique_ptr<Fx> overlay, std::atomic<bool>* displayLost,
               std::atomic<bool>* castEnded)
        : window_(window), area_(area), drawCursor_(drawCursor), stripCopy_(stripCopy),
          wholeDesktop_(wholeDesktop), overlay_(std::move(overlay)), displayLost_(displayLost),
          castEnded_(castEnded) {}

    void Begin() override {
        screen_ = ScreenConnection::open();
        if (!screen_)
            displayLost_->store(true);
        else // the cast that gave the first frame, or none: never a dialog on this thread
            ReaderFor(*screen_).hold();
    }
    void GrabFrame() override {
        if (!screen_ || screen_->lost()) {
            // The display is gone for good: the window thread stops the recording.
            displayLost_->store(true);
            return;
        }
        if (ReaderFor(*screen_).ended()) {
            castEnded_->store(true); // the window thread stops the recording
            return;
        }
        // A failed grab (a window that is gone, a passing server error) is tried again at
        // the next tick; write errors are kept by the media file.
        if (window_)
            GrabWindow(*screen_, window_, std::string(), StoredValue(ImageFormat::kRecordingFrame),
                       drawCursor_, kFrameQuality, overlay_.get());
        else
            GrabScreen(*screen_, std::string(), StoredValue(ImageFormat::kRecordingFrame),
                       drawCursor_, !stripCopy_, wholeDesktop_, &area_, kFrameQuality,
                       overlay_.get());
    }
    void End() override { screen_.reset(); }

private:
    WindowId window_;
    ScreenRect area_;
    bool drawCursor_;
    bool stripCopy_;
    bool wholeDesktop_;
    std::unique_ptr<Fx> overlay_;
    std::atomic<bool>* displayLost_;
    std::atomic<bool>* castEnded_;
    std::unique_ptr<ScreenConnection> screen_;
};

// The recording slots. Used from the thread that starts and stops recordings.
struct Slots {
    std::unique_ptr<WMFile> file;
    std::unique_ptr<ScreenRecorder> recorder;
    std::unique_ptr<RecordingSound> sound;
    std::chrono::steady_clock::time_point started; // moved on by every pause's length
    std::optional<std::chrono::steady_clock::time_point> pausedSince;
    std::atomic<bool> displayLost{false}; // the recorder's display connection broke
    std::atomic<bool> castEnded{false};   // the screen cast stopped delivering
};

Slots& TheSlots() {
    static Slots slots;
    return slots;
}

// Stops sound first, then frames, so nothing reaches the file after it is finished.
void StopWorkers(Slots& s) {
    if (s.sound)
        s.sound->Stop();
    s.sound.reset();
    if (s.recorder)
        s.recorder->Stop();
    s.recorder.reset();
    SetOpenRecording(nullptr);
}

// Drops a start that failed half-way: nothing keeps running and the file is removed.
RecordingStartResult Abandon(const std::string& fileName, std::string message) {
    Slots& s = TheSlots();
    StopWorkers(s);
    if (s.file)
        s.file->Close();
    s.file.reset();
    ::unlink(fileName.c_str());
    return {false, std::move(message)};
}

} // namespace

std::string RecordingErrorText(int32_t code) {
    if (code == 0)
        return std::string();
    const int e = code < 0 ? -code : code;
    switch (e) {
    case EFBIG:
    case ENOSPC:
    case EDQUOT:
        // TRANSLATORS: %s is the system's reason, such as "No space left on device"
        return FormatText(Tr("The disk is full (%s)."), std::strerror(e));
    case EEXIST:
        return Tr("The file already exists.");
    case ENOTCONN:
        return Tr("The connection to the display was lost.");
    case -kRecordingCastEnded:
        return Tr("The screen cast ended (sharing was stopped from the desktop).");
    case WMFile::kNoProfile:
        return Tr("The recording could not be set up.");
    default:
        return std::string(std::strerror(e)) + ".";
    }
}

FrameSize RecordingFrameSize(ScreenConnection& screen, WindowId window, const ScreenRect* area,
                             bool wholeDesktop, int32_t overlayScale) {
    FrameSize f;
    if (area && (area->left != 0 || area->right != 0)) {
        f = {area->width(), area->height()};
    } else if (window) {
        WindowId target = screen.grabTarget(window);
        auto r = target ? screen.windowRect(target) : std::nullopt;
        if (!r)
            return {};
        f = {r->width(), r->height()};
    } else {
        ScreenRect r = wholeDesktop ? screen.desktopRect() : screen.screenRect();
        f = {r.width(), r.height()};
    }
    if (overlayScale > 0) {
        f.width = static_cast<int32_t>(int64_t{overlayScale} * f.width / 100);
        f.height = static_cast<int32_t>(int64_t{overlayScale} * f.height / 100);
    }
    return f;
}

RecordingRequest RequestFromSettings(const Settings& s, std::string fileName,
                                     ScreenConnection* screen, WindowId window,
                                     std::optional<ScreenRect> area, bool sound) {
    RecordingRequest r;
    const bool video = !IsSoundOnlyName(fileName);
    r.fileName = std::move(fileName);
    r.frameRate = s.wmFrameRate;
    r.stripCopy = s.vidStealth;
    r.window = window;
    r.area = area;
    if (sound)
        r.audioDevice = s.waveInDriver;
    r.sound.source = static_cast<SoundSource>(s.soundSource);
    r.sound.desktopSource = s.desktopSource;
    r.sound.qualityKbps = s.soundQuality;
    r.sound.balance = s.soundBalance;
    // A window or region gets its share of the full-screen rate.
    r.bitRate = video && screen ? TargetBitRate(*screen, s.wmBitRate, area, window) : s.wmBitRate;
    return r;
}

namespace {

// A sound input may take a while to deliver (a sound server connecting its stream on a busy
// machine). Without pictures nothing else marks the time, so a recording of sound alone counts
// as started when its sound first arrives: the time shown is then the time in the file, and
// nothing said before that is taken for recorded. If no sound comes within a few seconds, the
// recording goes on and the stop reports it.
void WaitForFirstSound(Slots& s) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (s.file->audioTime() == 0 && s.sound->Running() &&
           std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const int64_t heard = s.file->audioTime(); // in 100-ns units
    if (heard > 0)
        s.started = std::chrono::steady_clock::now() - std::chrono::microseconds(heard / 10);
}

} // namespace

RecordingStartResult StartRecording(ScreenConnection* screen, RecordingRequest req) {
    StopRecording();
    Slots& s = TheSlots();
    const bool video = !IsSoundOnlyName(req.fileName);
    if (req.fileName.empty())
        return {false, Tr("No file name for the recording.")};
    if (req.frameRate < 1)
        req.frameRate = 1;

    FrameSize size;
    if (video) {
        if (!screen)
            return {false, Tr("The screen cannot be reached (no X display).")};
        if (req.window && !screen->isWindow(req.window))
            return {false, Tr("The window to record no longer exists.")};
        const ScreenRect* area = req.area ? &*req.area : nullptr;
        size = RecordingFrameSize(*screen, req.window, area, req.wholeDesktop,
                                  req.overlay ? req.overlay->scale() : 0);
        if (size.width <= 0 || size.height <= 0)
            return {false, Tr("The area to record is empty.")};
    }

    // Make the file at once, so an unusable directory is told now, not after the first
    // frame. A file of the name is replaced only when the user named it.
    struct stat st;
    if (::stat(req.fileName.c_str(), &st) == 0) {
        if (!req.replaceExisting)
            return {false, FormatText(Tr("The file %s already exists."), req.fileName.c_str())};
        if (::unlink(req.fileName.c_str()) != 0)
            // TRANSLATORS: %1$s is the file, %2$s the system's reason
            return {false, FormatText(Tr("The file %1$s cannot be replaced: %2$s."),
                                      req.fileName.c_str(), std::strerror(errno))};
    }
    int fd = ::open(req.fileName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        // TRANSLATORS: %1$s is the file, %2$s the system's reason
        return {false, FormatText(Tr("The file %1$s cannot be created: %2$s."),
                                  req.fileName.c_str(), std::strerror(errno))};
    ::close(fd);

    s.file = std::make_unique<WMFile>(req.fileName, std::string(), req.frameRate, req.bitRate,
                                      size.width, size.height, req.timeLapse);
    s.file->Open();
    const bool sound = !video || req.audioDevice.has_value();
    SoundPlan plan;
    if (sound && req.sound.music()) {
        plan = PlanSound(req.sound);
        if (s.file->AddMusicStream(plan.rate, 2, req.sound.musicBitRate()) != 0)
            return Abandon(req.fileName, Tr("The recording could not be started: the music-quality "
                                            "sound coder is not available."));
    } else if (sound) {
        s.file->AddAudioStream();
    }
    s.file->AddMark();
    s.started = std::chrono::steady_clock::now();
    s.pausedSince.reset();
    s.displayLost.store(false);
    s.castEnded.store(false);

    if (video) {
        // The first frame, on this thread: it creates the writer, so a writer that cannot
        // be made is found here.
        SetOpenRecording(s.file.get());
        const ScreenRect area = req.area.value_or(ScreenRect{});
        int32_t r = req.window ? GrabWindow(*screen, req.window, std::string(),
                                            StoredValue(ImageFormat::kRecordingFrame),
                                            req.drawCursor, kFrameQuality, req.overlay.get())
                               : GrabScreen(*screen, std::string(),
                                            StoredValue(ImageFormat::kRecordingFrame),
                                            req.drawCursor, !req.stripCopy, req.wholeDesktop, &area,
                                            kFrameQuality, req.overlay.get());
        if (r == 0 && s.file->framesWritten() == 0)
            return Abandon(req.fileName, Tr("The window to record no longer exists."));
        if (r != 0 || s.file->LastError() != 0) {
            int32_t code = s.file->LastError() ? s.file->LastError() : r;
            const std::string sourceFailure = ReaderFor(*screen).failure();
            std::string why = code < 0 || code == WMFile::kNoProfile ? RecordingErrorText(code)
                              : !sourceFailure.empty()
                                  ? sourceFailure + "."
                                  : FormatText(Tr("the screen could not be grabbed (%d)."),
                                               static_cast<int>(code));
            return Abandon(req.fileName,
                           FormatText(Tr("The recording could not be started: %s"), why.c_str()));
        }
        s.recorder = std::make_unique<ScreenRecorder>(
            req.frameRate, req.timeLapse,
            std::make_unique<GrabSource>(req.window, area, req.drawCursor, req.stripCopy,
                                         req.wholeDesktop, std::move(req.overlay), &s.displayLost,
                                         &s.castEnded));
    }

    if (sound) {
        std::string error;
        s.sound = req.sound.music()
                      ? StartMixedRecordingSound(s.file.get(), req.sound, plan,
                                                 req.audioDevice.value_or(std::string()),
                                                 req.desktop, &error)
                      : StartRecordingSound(s.file.get(), req.audioDevice.value_or(std::string()),
                                            req.desktop, &error);
        if (!s.sound && !video)
            return Abandon(req.fileName, FormatText(Tr("The recording could not be started: %s."),
                                                    error.c_str()));
        if (s.sound && !video)
            WaitForFirstSound(s);
        if (!s.sound) {
            s.file->FillSoundWithSilence();
            LogWarning("The recording %s goes on without sound: %s.", req.fileName.c_str(),
                       error.c_str());
            return {true, std::string(), error};
        }
    }
    return {true, std::string()};
}

RecordingStopResult StopRecording() {
    Slots& s = TheSlots();
    RecordingStopResult out;
    if (!s.file && !s.recorder && !s.sound)
        return out;
    out.stopped = true;
    s.pausedSince.reset();
    StopWorkers(s);
    if (s.file) {
        out.fileName = s.file->GetFileName();
        const bool nothing = s.file->framesWritten() == 0 && s.file->audioTime() == 0;
        out.ok = s.file->Close();
        if (!out.ok) {
            out.message = RecordingErrorText(s.file->LastError());
        } else if (s.castEnded.load()) {
            // Finished and playable, but shorter than asked: the stop says why.
            out.ok = false;
            out.message = RecordingErrorText(kRecordingCastEnded);
        }
        s.file.reset();
        struct stat st;
        if (nothing && ::stat(out.fileName.c_str(), &st) == 0 && st.st_size == 0) {
            // A sound input that delivered nothing before the stop leaves an empty file that
            // no player opens: it goes, and the stop says why.
            ::unlink(out.fileName.c_str());
            out.ok = false;
            out.message = Tr("no sound arrived from the sound input, so nothing was recorded. "
                             "Check that the input device works.");
            out.fileName.clear();
        }
    }
    return out;
}

bool PauseRecording(bool paused) {
    Slots& s = TheSlots();
    if (!s.file || paused == s.pausedSince.has_value())
        return false;
    const auto now = std::chrono::steady_clock::now();
    // Pausing: sound held, frames stopped, then the file writes out what it holds. Resuming:
    // the file first, so the first frame and buffer find its clock going on.
    if (paused) {
        if (s.sound)
            s.sound->SetPaused(true);
        if (s.recorder)
            s.recorder->SetPaused(true);
        s.file->SetPaused(true);
        s.pausedSince = now;
    } else {
        s.file->SetPaused(false);
        if (s.recorder)
            s.recorder->SetPaused(false);
        if (s.sound)
            s.sound->SetPaused(false);
        s.started += now - *s.pausedSince;
        s.pausedSince.reset();
    }
    return true;
}

bool RecordingPaused() {
    return TheSlots().pausedSince.has_value();
}

bool RecordingRunning() {
    return TheSlots().file != nullptr;
}

std::string RecordingFileName() {
    const Slots& s = TheSlots();
    return s.file ? s.file->GetFileName() : std::string();
}

int64_t RecordingElapsedMs() {
    const Slots& s = TheSlots();
    if (!s.file)
        return 0;
    const auto now = s.pausedSince.value_or(std::chrono::steady_clock::now());
    return std::chrono::duration_cast<std::chrono::milliseconds>(now - s.started).count();
}

int RecordingSoundLevel() {
    Slots& s = TheSlots();
    return s.sound ? s.sound->Level() : 0;
}

int32_t RecordingFramesWritten() {
    const Slots& s = TheSlots();
    return s.file ? s.file->framesWritten() : 0;
}

int32_t RecordingWriteError() {
    const Slots& s = TheSlots();
    if (!s.file)
        return 0;
    if (int32_t e = s.file->LastError())
        return e;
    if (s.castEnded.load())
        return kRecordingCastEnded;
    return s.displayLost.load() ? -ENOTCONN : 0;
}

} // namespace tess
