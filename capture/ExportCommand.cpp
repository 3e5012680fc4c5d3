#include "capture/ExportCommand.h"

#include <csignal>
#include <cstdio>

#include "capture/CommandOptions.h"
#include "media/Export.h"

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

const char* kUsage = "usage: tessaray --export IN --output OUT [--format webm|mp4|gif] [--fps N]\n"
                     "                [--scale 50|100]\n";

struct ExportRequest {
    std::string error;
    std::string in, out;
    ExportOptions options;
};

ExportRequest ParseExportOptions(const LongOptions& longOptions) {
    ExportRequest r;
    std::optional<ExportFormat> format;
    for (const auto& [name, value] : longOptions) {
        long long n = 0;
        if (name == "export") {
            if (value.empty())
                r.error = "--export needs the recording to export";
            r.in = value;
        } else if (name == "output") {
            if (value.empty())
                r.error = "--output needs a file name";
            r.out = value;
        } else if (name == "format") {
            format = ExportFormatOfText(value);
            if (!format)
                r.error = "--format of an export must be webm, mp4 or gif";
        } else if (name == "fps") {
            if (!ParseOptionNumber(value, 10, &n) || n < 1 || n > 30)
                r.error = "--fps needs a frame rate from 1 to 30";
            r.options.framesPerSecond = static_cast<int>(n);
        } else if (name == "scale") {
            if (!ParseOptionNumber(value, 10, &n) || (n != 50 && n != 100))
                r.error = "--scale must be 50 or 100";
            r.options.scalePercent = static_cast<int>(n);
        } else if (name != "backend") {
            r.error = "unknown option --" + name;
        }
        if (!r.error.empty())
            return r;
    }
    if (r.out.empty())
        r.error = "--export needs --output FILE";
    else if (!format && !(format = ExportFormatOfName(r.out)))
        r.error = "the name " + r.out + " does not end in .webm, .mp4 or .gif: add --format";
    else
        r.options.format = *format;
    return r;
}

} // namespace

bool WantsExportCommand(const LongOptions& longOptions) {
    return HasLongOption(longOptions, "export");
}

int RunExportCommand(const LongOptions& longOptions, std::ostream& out, std::ostream& err,
                     bool progress, const std::atomic<bool>* stop) {
    const ExportRequest r = ParseExportOptions(longOptions);
    if (!r.error.empty()) {
        err << "tessaray: " << r.error << "\n" << kUsage;
        return kExportExitUsage;
    }
    CancelSignals signals;
    Export job;
    std::string error;
    if (!job.Start(r.in, r.out, r.options, &error)) {
        err << "tessaray: " << error << "\n";
        return kExportExitFailed;
    }
    int shown = -1;
    while (!job.Wait(100)) {
        if (gSignalled || (stop && stop->load()))
            job.Cancel();
        if (!progress)
            continue;
        const ExportStatus s = job.Status();
        const int percent = static_cast<int>(s.fraction * 100);
        if (percent == shown)
            continue;
        shown = percent;
        char line[80];
        if (s.secondsLeft >= 0)
            std::snprintf(line, sizeof line, "\rExporting: %3d %% (%.0f s left)   ", percent,
                          s.secondsLeft);
        else
            std::snprintf(line, sizeof line, "\rExporting: %3d %%   ", percent);
        err << line << std::flush;
    }
    if (progress && shown >= 0)
        err << "\n";
    const ExportStatus s = job.Status();
    if (s.cancelled) {
        err << "tessaray: the export was cancelled; no file was written.\n";
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
