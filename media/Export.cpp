#include "media/Export.h"

#include "media/Trim.h"
#include "media/asf/AsfReader.h"
#include "media/image/GifAnimation.h"
#include "platform/Translate.h"
#include "platform/gst/Transcoder.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace tess {

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string_view text) {
    std::string s(text);
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// The highest frame rate an export gets.
constexpr int kMaxFramesPerSecond = 30;

// What an export needs to know of its recording, read from the file's header.
struct Source {
    bool video = false, sound = false;
    int width = 0, height = 0;
    int framesPerSecond = 0; // the recording's, 0 when the header does not say
    int soundRate = 0, soundChannels = 0;
    int64_t durationNs = 0;
};

bool ReadSource(const fs::path& in, Source* s, std::string* error) {
    asf::AsfReader reader;
    std::string why;
    if (!reader.Open(in.string(), &why)) {
        *error = FormatText(Tr("%1$s is not a recording that can be exported (%2$s)."),
                            in.string().c_str(), why.c_str());
        return false;
    }
    for (const asf::StreamDesc& d : reader.streams()) {
        if (d.video && !s->video) {
            s->video = true;
            s->width = d.width;
            s->height = std::abs(d.height);
            if (d.avgTimePerFrame > 0)
                s->framesPerSecond =
                    static_cast<int>((10000000 + d.avgTimePerFrame / 2) / d.avgTimePerFrame);
        } else if (!d.video && !s->sound) {
            s->sound = true;
            s->soundRate = static_cast<int>(d.sampleRate);
            s->soundChannels = d.channels;
        }
    }
    s->durationNs = static_cast<int64_t>(reader.duration()) * 100;
    if (!s->video && !s->sound) {
        *error = FormatText(Tr("%s holds neither pictures nor sound."), in.string().c_str());
        return false;
    }
    return true;
}

} // namespace

fs::path ReserveBeside(const fs::path& out, const std::string& suffix, std::string* error) {
    const fs::path dir = out.has_parent_path() ? out.parent_path() : fs::path(".");
    for (int n = 0; n < 1000; ++n) {
        const fs::path p = dir / ("." + out.filename().string() + "." + std::to_string(getpid()) +
                                  "-" + std::to_string(n) + suffix);
        const int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            return p;
        }
        if (errno != EEXIST) {
            *error = FormatText(Tr("Cannot write %1$s: %2$s"), out.string().c_str(),
                                std::generic_category().message(errno).c_str());
            return {};
        }
    }
    *error =
        FormatText(Tr("Cannot write %s: no free temporary name beside it"), out.string().c_str());
    return {};
}

std::optional<ExportFormat> ExportFormatOfText(std::string_view text) {
    const std::string s = Lower(text);
    if (s == "webm")
        return ExportFormat::WebM;
    if (s == "mp4")
        return ExportFormat::Mp4;
    if (s == "gif")
        return ExportFormat::Gif;
    return std::nullopt;
}

std::optional<ExportFormat> ExportFormatOfName(const fs::path& path) {
    const std::string ext = path.extension().string();
    if (ext.size() < 2)
        return std::nullopt;
    return ExportFormatOfText(std::string_view(ext).substr(1));
}

struct Export::Impl {
    mutable std::mutex lock;
    std::condition_variable changed;
    ExportStatus status;
    bool running = false;
    std::thread worker;
    // The running (or last) export's; replaced under the lock by the next start, after the
    // worker that used it has been joined.
    std::unique_ptr<gst::Transcoder> transcoder;

    void Set(const ExportStatus& s) {
        {
            std::lock_guard<std::mutex> hold(lock);
            status = s;
        }
        changed.notify_all();
    }

    void Join() {
        if (worker.joinable())
            worker.join();
    }

    // The frames to the GIF writer, which writes each as the next arrives.
    static bool RunGif(gst::Transcoder& transcoder, const gst::TranscodeJob& job,
                       std::string* error) {
        std::FILE* file = std::fopen(job.output.c_str(), "wb");
        if (!file) {
            *error = job.output + ": " + std::generic_category().message(errno);
            return false;
        }
        image::GifAnimationWriter writer(file, job.width, job.height);
        int64_t endNs = 0;
        transcoder.onFrame = [&](const gst::RawFrame& f) {
            endNs = std::max(endNs, f.timeNs + f.durationNs);
            return writer.AddFrame(f.pixels, f.stride, f.timeNs / 1000000);
        };
        bool ok = transcoder.Run(job, error);
        // The delays add up to the recording's length.
        if (ok)
            ok = writer.Finish((job.durationNs > 0 ? job.durationNs : endNs) / 1000000);
        if (!writer.error().empty())
            *error = writer.error();
        if (std::fclose(file) != 0 && ok) {
            ok = false;
            *error = std::generic_category().message(errno);
        }
        return ok;
    }

    // The parts of `in` into job.input, cancelled with the transcoder; the first tenth of the
    // progress.
    bool TrimFirst(gst::Transcoder* transcoder, const fs::path& in, const gst::TranscodeJob& job,
                   const std::vector<TrimRange>& parts, std::string* error) {
        Trim trim;
        if (!trim.Start(in, job.input, parts, error))
            return false;
        while (!trim.Wait(50)) {
            if (transcoder->cancelled())
                trim.Cancel();
            std::lock_guard<std::mutex> hold(lock);
            status.fraction = trim.Status().fraction / 10;
        }
        *error = trim.Status().message;
        return trim.Status().ok;
    }

    void Run(gst::Transcoder* transcoder, gst::TranscodeJob job, fs::path out,
             std::vector<fs::path> temporary, fs::path in, std::vector<TrimRange> parts) {
        using clock = std::chrono::steady_clock;
        const auto start = clock::now();
        const double before = parts.empty() ? 0 : 0.1; // the trim's share of the progress
        transcoder->onProgress = [&](int64_t reachedNs) {
            if (job.durationNs <= 0)
                return;
            const double f =
                before + (1 - before) *
                             std::clamp(static_cast<double>(reachedNs) / job.durationNs, 0.0, 1.0);
            const double spent = std::chrono::duration<double>(clock::now() - start).count();
            std::lock_guard<std::mutex> hold(lock);
            status.fraction = f;
            status.secondsLeft = f > 0.01 ? spent * (1 - f) / f : -1;
        };
        std::string error;
        bool ok = false;
        if (!parts.empty() && !TrimFirst(transcoder, in, job, parts, &error)) {
            ok = false;
        } else if (job.target == gst::TranscodeTarget::Frames) {
            ok = RunGif(*transcoder, job, &error);
        } else {
            ok = transcoder->Run(job, &error);
        }
        std::error_code ec;
        if (ok) {
            fs::rename(job.output, out, ec);
            if (ec) {
                ok = false;
                error = FormatText(Tr("Cannot write %1$s: %2$s"), out.string().c_str(),
                                   ec.message().c_str());
            }
        } else if (!transcoder->cancelled()) {
            error = FormatText(Tr("Cannot export %1$s: %2$s"), in.string().c_str(), error.c_str());
        }
        for (const fs::path& p : temporary)
            fs::remove(p, ec);
        ExportStatus s;
        {
            std::lock_guard<std::mutex> hold(lock);
            s.fraction = status.fraction;
        }
        s.done = true;
        s.ok = ok;
        s.cancelled = !ok && transcoder->cancelled();
        if (ok)
            s.fraction = 1;
        s.secondsLeft = 0;
        if (!ok && !s.cancelled)
            s.message = error;
        {
            std::lock_guard<std::mutex> hold(lock);
            status = s;
            running = false;
        }
        changed.notify_all();
    }
};

Export::Export() : impl_(std::make_unique<Impl>()) {}

Export::~Export() {
    Cancel();
    impl_->Join();
}

bool Export::Start(const fs::path& in, const fs::path& out, const ExportOptions& options,
                   std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error)
            *error = why;
        return false;
    };
    {
        std::lock_guard<std::mutex> hold(impl_->lock);
        if (impl_->running)
            return fail(Tr("An export is already running."));
    }
    impl_->Join();
    if (options.framesPerSecond < 0 || options.framesPerSecond > kMaxFramesPerSecond)
        return fail(Tr("The frame rate must be between 1 and 30 frames a second."));
    if (options.scalePercent != 100 && options.scalePercent != 50)
        return fail(Tr("The scale must be 100 or 50 per cent."));
    std::error_code ec;
    if (!fs::is_regular_file(in, ec))
        return fail(FormatText(Tr("Cannot export %s: no such file."), in.string().c_str()));
    Source source;
    std::string why;
    if (!ReadSource(in, &source, &why))
        return fail(why);

    gst::TranscodeJob job;
    job.target = options.format == ExportFormat::WebM  ? gst::TranscodeTarget::WebM
                 : options.format == ExportFormat::Mp4 ? gst::TranscodeTarget::Mp4
                                                       : gst::TranscodeTarget::Frames;
    job.input = in.string();
    job.video = source.video;
    job.sound = source.sound && options.format != ExportFormat::Gif;
    job.soundRate = source.soundRate;
    job.soundChannels = source.soundChannels;
    job.durationNs = source.durationNs;
    job.framesPerSecond = options.framesPerSecond > 0 ? options.framesPerSecond
                          : source.framesPerSecond > 0
                              ? std::min(source.framesPerSecond, kMaxFramesPerSecond)
                              : 15;
    if (source.video) {
        job.width = std::max(1, source.width * options.scalePercent / 100);
        job.height = std::max(1, source.height * options.scalePercent / 100);
        if (options.format != ExportFormat::Gif) {
            // 4:2:0 pictures have even sides.
            job.width = std::max(2, job.width & ~1);
            job.height = std::max(2, job.height & ~1);
        }
    } else if (options.format == ExportFormat::Gif) {
        return fail(FormatText(Tr("Cannot export %s as a GIF: the recording has no pictures."),
                               in.string().c_str()));
    }

    std::vector<fs::path> temporary;
    const fs::path part = ReserveBeside(out, ".part", &why);
    if (part.empty())
        return fail(why);
    temporary.push_back(part);
    job.output = part.string();
    if (!options.parts.empty()) {
        int64_t ms = 0;
        for (const TrimRange& r : options.parts)
            ms += r.toMs - r.fromMs;
        job.durationNs = ms * 1000000;
        const fs::path cut = ReserveBeside(out, ".cut" + in.extension().string(), &why);
        if (cut.empty()) {
            fs::remove(part, ec);
            return fail(why);
        }
        temporary.push_back(cut);
        job.input = cut.string();
    }
    if (options.format == ExportFormat::Mp4) {
        const fs::path scratch = ReserveBeside(out, ".moov", &why);
        if (scratch.empty()) {
            for (const fs::path& p : temporary)
                fs::remove(p, ec);
            return fail(why);
        }
        temporary.push_back(scratch);
        job.mp4Scratch = scratch.string();
    }

    std::lock_guard<std::mutex> hold(impl_->lock);
    impl_->status = ExportStatus{};
    impl_->running = true;
    impl_->transcoder = std::make_unique<gst::Transcoder>();
    impl_->worker = std::thread(&Impl::Run, impl_.get(), impl_->transcoder.get(), job, out,
                                temporary, in, options.parts);
    return true;
}

void Export::Cancel() {
    std::lock_guard<std::mutex> hold(impl_->lock);
    if (impl_->transcoder)
        impl_->transcoder->Cancel();
}

ExportStatus Export::Status() const {
    std::lock_guard<std::mutex> hold(impl_->lock);
    return impl_->status;
}

bool WaitUntil(std::unique_lock<std::mutex>& hold, std::condition_variable& changed, int timeoutMs,
               const std::function<bool()>& done) {
    if (timeoutMs < 0)
        changed.wait(hold, done);
    else
        changed.wait_for(hold, std::chrono::milliseconds(timeoutMs), done);
    return done();
}

bool Export::Wait(int timeoutMs) {
    std::unique_lock<std::mutex> hold(impl_->lock);
    return WaitUntil(hold, impl_->changed, timeoutMs, [&] { return !impl_->running; });
}

} // namespace tess
