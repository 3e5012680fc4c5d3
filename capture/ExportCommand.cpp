#include "capture/ExportCommand.h"
#include "platform/Translate.h"

#include <csignal>

#include "capture/CommandOptions.h"
#include "media/Export.h"
#include "media/Trim.h"

#include <filesystem>

namespace tess {

namespace {

volatile std::sig_atomic_t gSignalled = 0;

void OnSignal(int) {
    gSignalled = 1;
}

// SIGINT and SIGTERM cancel the export while it runs.
class CancelSignals {
public:
    CancelSignals() {
        gSignalled = 0;
        struct sigaction sa {};
        sa.sa_handler = &OnSignal;
        sigemptyset(&sa.sa_mask);
        sigaction(SIGINT, &sa, &oldInt_);
        sigaction(SIGTERM, &sa, &oldTerm_);
    }
    ~CancelSignals() {
        sigaction(SIGINT, &oldInt_, nullptr);
        sigaction(SIGTERM, &oldTerm_, nullptr);
    }

private:
    struct sigaction oldInt_ {};
    struct sigaction oldTerm_ {};
};

const char* kUsage =
    // TRANSLATORS: the options and their choices are typed as they stand; the words in
    // capitals (IN, OUT, N, T) name what the user puts there
    N_("usage: tessaray --export IN --output OUT [--format webm|mp4|gif] [--fps N]\n"
       "                [--scale 50|100] [--from T] [--to T]\n");
const char* kTrimUsage =
    // TRANSLATORS: the options are typed as they stand; the words in capitals (IN, OUT, T,
    // T1, T2) name what the user puts there, and the last line tells how a time T is written
    N_("usage: tessaray --trim IN --output OUT [--from T] [--to T] [--cut T1-T2]...\n"
       "  (T: seconds such as 12.5, or [hh:]mm:ss[.mmm])\n");

// The parts of the recording that --from, --to and --cut keep.
struct TrimRequest {
    bool given = false;
    std::optional<int64_t> from, to;
    std::vector<TrimRange> cuts;
};

// Reads --from, --to and (when `cuts`) --cut into `t`; false when `name` is none of them.
bool ParseTrimOption(const std::string& name, const std::string& value, bool cuts, TrimRequest* t,
                     std::string* error) {
    if (name == "from" || name == "to") {
        const auto ms = ParseTrimTime(value);
        if (!ms)
            *error = FormatText(name == "from"
                                    ? Tr("--from needs a time such as 12.5 or 1:02.5, not \"%s\"")
                                    : Tr("--to needs a time such as 12.5 or 1:02.5, not \"%s\""),
                                value.c_str());
        (name == "from" ? t->from : t->to) = ms;
    } else if (name == "cut" && cuts) {
        const auto range = ParseTrimRange(value);
        if (!range)
            *error = FormatText(
                Tr("--cut needs two times with the earlier first, such as 1:00-1:30, not \"%s\""),
                value.c_str());
        else
            t->cuts.push_back(*range);
    } else {
        return false;
    }
    t->given = true;
    return true;
}

struct ExportRequest {
    std::string error;
    std::string in, out;
    ExportOptions options;
    TrimRequest trim;
};

ExportRequest ParseExportOptions(const LongOptions& longOptions) {
    ExportRequest r;
    std::optional<ExportFormat> format;
    for (const auto& [name, value] : longOptions) {
        long long n = 0;
        if (name == "export") {
            if (value.empty())
                r.error = Tr("--export needs the recording to export");
            r.in = value;
        } else if (name == "output") {
            if (value.empty())
                r.error = Tr("--output needs a file name");
            r.out = value;
        } else if (name == "format") {
            format = ExportFormatOfText(value);
            if (!format)
                r.error = Tr("--format of an export must be webm, mp4 or gif");
        } else if (name == "fps") {
            if (!ParseOptionNumber(value, 10, &n) || n < 1 || n > 30)
                r.error = Tr("--fps needs a frame rate from 1 to 30");
            r.options.framesPerSecond = static_cast<int>(n);
        } else if (name == "scale") {
            if (!ParseOptionNumber(value, 10, &n) || (n != 50 && n != 100))
                r.error = Tr("--scale must be 50 or 100");
            r.options.scalePercent = static_cast<int>(n);
        } else if (!ParseTrimOption(name, value, false, &r.trim, &r.error) && name != "backend") {
            r.error = FormatText(Tr("unknown option --%s"), name.c_str());
        }
        if (!r.error.empty())
            return r;
    }
    if (r.out.empty())
        r.error = Tr("--export needs --output FILE");
    else if (!format && !(format = ExportFormatOfName(r.out)))
        r.error = FormatText(Tr("the name %s does not end in .webm, .mp4 or .gif: add --format"),
                             r.out.c_str());
    else
        r.options.format = *format;
    return r;
}

// The progress line of an export (or a trim) at `percent`, with the seconds left when known.
std::string ProgressLine(bool exporting, int percent, double secondsLeft) {
    if (secondsLeft < 0)
        return exporting ? FormatText(Tr("Exporting: %3d %%"), percent)
                         : FormatText(Tr("Trimming: %3d %%"), percent);
    if (exporting)
        // TRANSLATORS: a command-line export's progress: the part done and the seconds left
        return FormatText(Tr("Exporting: %3d %% (%.0f s left)"), percent, secondsLeft);
    // TRANSLATORS: a command-line trim's progress: the part done and the seconds left
    return FormatText(Tr("Trimming: %3d %% (%.0f s left)"), percent, secondsLeft);
}

// Follows a running job (an export or a trim) to its end: the progress line, cancelling on a
// signal or `stop`.
template <class Job>
auto Follow(Job& job, bool exporting, bool progress, std::ostream& err,
            const std::atomic<bool>* stop) {
    int shown = -1;
    while (!job.Wait(100)) {
        if (gSignalled || (stop && stop->load()))
            job.Cancel();
        if (!progress)
            continue;
        const auto s = job.Status();
        const int percent = static_cast<int>(s.fraction * 100);
        if (percent == shown)
            continue;
        shown = percent;
        err << "\r" << ProgressLine(exporting, percent, s.secondsLeft) << "   " << std::flush;
    }
    if (progress && shown >= 0)
        err << "\n";
    return job.Status();
}

// The parts of `in` that `t` keeps; exit code 1 (the file) or 2 (the times) with a message.
std::optional<int> KeptParts(const std::string& in, const TrimRequest& t,
                             std::vector<TrimRange>* kept, std::ostream& err, const char* usage) {
    std::string error;
    const int64_t duration = Trim::DurationMs(in, &error);
    if (duration == 0) {
        err << "tessaray: " << error << "\n";
        return kExportExitFailed;
    }
    if (!KeptRanges(duration, t.from, t.to, t.cuts, kept, &error)) {
        err << "tessaray: " << error << "\n" << Tr(usage);
        return kExportExitUsage;
    }
    return std::nullopt;
}

// Writes the parts `kept` of `in` to `out`; false with the message written to `err`.
bool WriteTrimmed(const std::string& in, const std::string& out, const std::vector<TrimRange>& kept,
                  bool progress, std::ostream& err, const std::atomic<bool>* stop) {
    Trim job;
    std::string error;
    if (!job.Start(in, out, kept, &error)) {
        err << "tessaray: " << error << "\n";
        return false;
    }
    const TrimStatus s = Follow(job, false, progress, err, stop);
    if (s.cancelled)
        err << "tessaray: " << Tr("the trim was cancelled; no file was written.") << "\n";
    else if (!s.ok)
        err << "tessaray: " << s.message << "\n";
    else if (!s.note.empty())
        err << "tessaray: " << s.note << "\n";
    return s.ok;
}

} // namespace

bool WantsTrimCommand(const LongOptions& longOptions) {
    return HasLongOption(longOptions, "trim");
}

int RunTrimCommand(const LongOptions& longOptions, std::ostream& out, std::ostream& err,
                   bool progress, const std::atomic<bool>* stop) {
    std::string in, target, error;
    TrimRequest t;
    for (const auto& [name, value] : longOptions) {
        if (name == "trim") {
            in = value;
            if (value.empty())
                error = Tr("--trim needs the recording to trim");
        } else if (name == "output") {
            target = value;
            if (value.empty())
                error = Tr("--output needs a file name");
        } else if (!ParseTrimOption(name, value, true, &t, &error) && name != "backend") {
            error = FormatText(Tr("unknown option --%s"), name.c_str());
        }
        if (!error.empty())
            break;
    }
    if (error.empty() && target.empty())
        error = Tr("--trim needs --output FILE");
    if (error.empty() && !SameRecordingFormat(in, target))
        error = FormatText(Tr("a trimmed copy keeps the recording's format (%s); to convert it, "
                              "use --export"),
                           std::filesystem::path(in).extension().string().c_str());
    if (!error.empty()) {
        err << "tessaray: " << error << "\n" << Tr(kTrimUsage);
        return kExportExitUsage;
    }
    std::vector<TrimRange> kept;
    if (auto code = KeptParts(in, t, &kept, err, kTrimUsage))
        return *code;
    CancelSignals signals;
    if (!WriteTrimmed(in, target, kept, progress, err, stop))
        return kExportExitFailed;
    out << target << "\n";
    return kExportExitOk;
}

bool WantsExportCommand(const LongOptions& longOptions) {
    return HasLongOption(longOptions, "export");
}

int RunExportCommand(const LongOptions& longOptions, std::ostream& out, std::ostream& err,
                     bool progress, const std::atomic<bool>* stop) {
    const ExportRequest r = ParseExportOptions(longOptions);
    if (!r.error.empty()) {
        err << "tessaray: " << r.error << "\n" << Tr(kUsage);
        return kExportExitUsage;
    }
    ExportOptions options = r.options;
    if (r.trim.given) {
        if (auto code = KeptParts(r.in, r.trim, &options.parts, err, kUsage))
            return *code;
    }
    CancelSignals signals;
    std::string error;
    Export job;
    if (!job.Start(r.in, r.out, options, &error)) {
        err << "tessaray: " << error << "\n";
        return kExportExitFailed;
    }
    const ExportStatus s = Follow(job, true, progress, err, stop);
    if (s.cancelled) {
        err << "tessaray: " << Tr("the export was cancelled; no file was written.") << "\n";
        return kExportExitFailed;
    }
    if (!s.ok) {
        err << "tessaray: " << s.message << "\n";
        return kExportExitFailed;
    }
    out << r.out << "\n";
    return kExportExitOk;
}

} // namespace tess
