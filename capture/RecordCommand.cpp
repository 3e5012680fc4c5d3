#include "capture/RecordCommand.h"
#include "platform/Translate.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "capture/CommandOptions.h"
#include "capture/Recording.h"
#include "media/Caption.h"
#include "media/WMFile.h"
#include "platform/Log.h"
#include "platform/ScreenPixelSource.h"
#include "platform/pulse/PulseSources.h"
#include "platform/x11/Monitors.h"
#include "settings/FileNames.h"
#include "settings/Settings.h"

namespace tess {

namespace {

volatile std::sig_atomic_t gSignalled = 0;

void OnStopSignal(int) {
    gSignalled = 1;
    // A screen cast waiting for the user's answer gives up, so the command ends.
    InterruptScreenSourceStart();
}

// SIGINT and SIGTERM end the recording instead of the process while it runs.
class StopSignals {
public:
    StopSignals() {
        gSignalled = 0;
        struct sigaction sa {};
        sa.sa_handler = OnStopSignal;
        sigemptyset(&sa.sa_mask);
        sigaction(SIGINT, &sa, &oldInt_);
        sigaction(SIGTERM, &sa, &oldTerm_);
    }
    ~StopSignals() {
        sigaction(SIGINT, &oldInt_, nullptr);
        sigaction(SIGTERM, &oldTerm_, nullptr);
    }

private:
    struct sigaction oldInt_ {};
    struct sigaction oldTerm_ {};
};

const char* kUsage =
    // TRANSLATORS: the options and their choices are typed as they stand; the words in
    // capitals (N, ID, X,Y,W,H, NAME, FILE) name what the user puts there
    N_("usage: tessaray --record [--seconds N] [--window ID | --region X,Y,W,H|last |\n"
       "                        --monitor NAME|N] [--audio]\n"
       "                        [--audio-source mic|desktop|both|NAME] [--output FILE] "
       "[--notify]\n");

// A named --audio-source must be one of the sound server's sources: else the reason, with
// what the option takes, for a usage error.
std::string UnknownAudioSource(const std::string& value) {
    if (value.empty() || value == "mic" || value == "desktop" || value == "both")
        return {};
    const pulse::MonitorList list = pulse::ListMonitorSources();
    for (const pulse::SoundSource& source : list.monitors)
        if (source.name == value)
            return {};
    if (!list.error.empty())
        // TRANSLATORS: %1$s is the name the user gave, %2$s why the sound server's sources
        // could not be listed
        return FormatText(Tr("no sound source \"%1$s\" (%2$s); --audio-source takes mic, "
                             "desktop or both"),
                          value.c_str(), list.error.c_str()) +
               "\n";
    // The list of the desktop's sources follows, one a line.
    std::string text = FormatText(Tr("no sound source \"%s\"; --audio-source takes mic, desktop, "
                                     "both or one of the desktop's sources:"),
                                  value.c_str()) +
                       "\n";
    for (const pulse::SoundSource& source : list.monitors)
        text += "  " + source.name + " (" + source.description + ")\n";
    return text;
}

} // namespace

bool WantsRecordCommand(const std::vector<std::pair<std::string, std::string>>& longOptions) {
    return HasLongOption(longOptions, "record");
}

void ApplyAudioSource(const std::string& value, SoundChoice& sound) {
    if (value == "mic") {
        sound.source = SoundSource::microphone;
    } else if (value == "desktop") {
        sound.source = SoundSource::desktop;
    } else if (value == "both") {
        sound.source = SoundSource::both;
    } else if (!value.empty()) {
        sound.source = SoundSource::desktop;
        sound.desktopSource = value;
    }
}

RecordOptions
ParseRecordOptions(const std::vector<std::pair<std::string, std::string>>& longOptions,
                   const std::string& lastRegion) {
    RecordOptions o;
    auto fail = [&o](std::string text) {
        o.ok = false;
        o.error = std::move(text);
        return o;
    };
    bool haveWindow = false;
    for (const auto& [name, value] : longOptions) {
        if (name == "record" || name == "audio" || name == "notify") {
            if (!value.empty())
                return fail(FormatText(Tr("--%1$s takes no value (\"%2$s\")"), name.c_str(),
                                       value.c_str()));
            if (name == "audio")
                o.audio = true;
        } else if (name == "audio-source") {
            if (value.empty())
                return fail(Tr("--audio-source needs mic, desktop, both or the name of a desktop "
                               "sound source"));
            o.audio = true;
            o.audioSource = value;
        } else if (name == "seconds") {
            char* end = nullptr;
            errno = 0;
            double s = value.empty() ? -1 : std::strtod(value.c_str(), &end);
            if (value.empty() || errno != 0 || !end || *end != '\0' || !(s > 0) || s > 86400 * 7)
                return fail(Tr("--seconds needs a number of seconds above 0, such as 5 or 2.5"));
            o.seconds = s;
        } else if (name == "window") {
            if (!ParseWindowOption(value, &o.window))
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
            o.area = r;
        } else if (name == "backend") {
            // Checked, and acted on, before the command runs.
        } else if (name == "output") {
            if (value.empty())
                return fail(Tr("--output needs a file name"));
            o.outputPath = value;
        } else {
            return fail(FormatText(Tr("unknown option --%s"), name.c_str()));
        }
    }
    if (haveWindow + o.area.has_value() + !o.monitor.empty() > 1)
        return fail(Tr(kOneTargetOnly));
    o.ok = true;
    return o;
}

int RunRecordCommand(const std::vector<std::pair<std::string, std::string>>& longOptions,
                     ScreenConnection* screen, Settings& settings, std::ostream& out,
                     std::ostream& err, const std::atomic<bool>* stop, CaptureNotice* result) {
    CaptureNotice ignored;
    CaptureNotice& notice = result ? *result : ignored;
    auto failed = [&notice](const std::string& path, const std::string& message) {
        notice = {CaptureNotice::Kind::Failed, path, message};
        return kRecordExitFailed;
    };
    RecordOptions o = ParseRecordOptions(longOptions, settings.lastRegion);
    if (!o.ok) {
        err << "tessaray: " << o.error << "\n" << Tr(kUsage);
        return kRecordExitUsage;
    }
    if (const std::string unknown = UnknownAudioSource(o.audioSource); !unknown.empty()) {
        err << "tessaray: " << unknown;
        return kRecordExitUsage;
    }
    // A sound-only recording (a ".wma" output) needs no screen.
    const bool soundOnly = IsSoundOnlyName(o.outputPath);
    if (!screen && !soundOnly) {
        err << "tessaray: " << Tr(kNoDisplayMessage) << "\n";
        return failed({}, Tr(kNoDisplayMessage));
    }
    if (!o.monitor.empty() && screen) {
        std::string error;
        o.area = FindMonitor(ListMonitors(*screen), o.monitor, &error);
        if (!o.area) {
            err << "tessaray: " << error;
            return kRecordExitUsage;
        }
    }

    std::string fileName = o.outputPath;
    if (fileName.empty()) {
        CaptureFileName name = MakeCaptureFileName(settings.defaultDirectory, settings.fileVidName,
                                                   "wmv", -1, settings.fileInstanceMode);
        if (!name.ok) {
            err << "tessaray: " << name.error << "\n";
            return failed({}, name.error);
        }
        fileName = name.path;
    }
    RecordingRequest req =
        RequestFromSettings(settings, fileName, screen, o.window, o.area, o.audio);
    ApplyAudioSource(o.audioSource, req.sound);
    req.replaceExisting = !o.outputPath.empty(); // a path the user named
    req.overlay = CreateOverlay(settings);

    StopSignals signals;
    RecordingStartResult started = StartRecording(screen, std::move(req));
    if (!started.ok) {
        err << "tessaray: " << started.message << "\n";
        return failed({}, started.message);
    }
    if (!started.withoutSound.empty())
        err << "tessaray: "
            << FormatText(Tr("recording without sound: %s."), started.withoutSound.c_str()) << "\n";

    // The time counts from the start of the recording (its first frame included).
    const double limitMs = o.seconds * 1000.0;
    int32_t writeError = 0;
    for (;;) {
        if (gSignalled || (stop && stop->load()))
            break;
        if (o.seconds > 0 && static_cast<double>(RecordingElapsedMs()) >= limitMs)
            break;
        if ((writeError = RecordingWriteError()) != 0)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    RecordingStopResult stopped = StopRecording();
    if (!stopped.ok || writeError != 0) {
        std::string why =
            stopped.message.empty() ? RecordingErrorText(writeError) : stopped.message;
        LogWarning("The recording %s stopped early: %s", stopped.fileName.c_str(), why.c_str());
        if (stopped.fileName.empty()) {
            err << "tessaray: " << FormatText(Tr("the recording failed: %s"), why.c_str()) << "\n";
            return failed({}, FormatText(Tr("The recording failed: %s"), why.c_str()));
        }
        err << "tessaray: "
            << FormatText(Tr("the recording stopped early: %s The file holds what was recorded "
                             "until then."),
                          why.c_str())
            << "\n";
        out << stopped.fileName << "\n";
        return failed(stopped.fileName,
                      FormatText(Tr("The recording stopped early: %1$s\nThe file holds what was "
                                    "recorded until then:\n%2$s"),
                                 why.c_str(), stopped.fileName.c_str()));
    }
    out << stopped.fileName << "\n";
    notice = {CaptureNotice::Kind::Recording, stopped.fileName, started.withoutSound};
    return kRecordExitOk;
}

} // namespace tess
