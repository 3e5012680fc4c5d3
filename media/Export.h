#pragma once
// Export of a recording to WebM (VP9 + Opus), MP4 (H.264 + AAC, moov first) or an animated GIF.
// One export runs on a worker thread of its own; the caller starts it and polls `Status()`
// (a window's timer, or the command line's progress loop). The target is written beside itself
// under a temporary name and renamed at the end: a cancelled or failed export leaves no target
// and no temporary file.
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tess {

enum class ExportFormat { WebM, Mp4, Gif };

// The format of a target name by its extension (.webm, .mp4, .gif; any case); none otherwise.
std::optional<ExportFormat> ExportFormatOfName(const std::filesystem::path& path);
// The format of a word: "webm", "mp4" or "gif" (any case); none otherwise.
std::optional<ExportFormat> ExportFormatOfText(std::string_view text);

// A name beside `out` that no other file has (".NAME.PID-N" + suffix), created empty so it is
// ours; empty with `error` when the folder cannot take a file. Jobs that write a file write
// it there and rename it over `out` at the end.
std::filesystem::path ReserveBeside(const std::filesystem::path& out, const std::string& suffix,
                                    std::string* error);

// A job's Wait: waits on `changed` with `hold` taken at most `timeoutMs` (negative: without
// end) until `done()`; its last answer.
bool WaitUntil(std::unique_lock<std::mutex>& hold, std::condition_variable& changed, int timeoutMs,
               const std::function<bool()>& done);

// A part of a recording, [fromMs, toMs) in milliseconds (media/Trim.h cuts them).
struct TrimRange {
    int64_t fromMs = 0;
    int64_t toMs = 0;
    bool operator==(const TrimRange&) const = default;
};

struct ExportOptions {
    ExportFormat format = ExportFormat::WebM;
    int framesPerSecond = 0; // 0: the recording's, at most 30
    int scalePercent = 100;  // 100 or 50 (GIF)
    // Only these parts of the recording (trimmed into a file beside the target first); all
    // of it when empty.
    std::vector<TrimRange> parts = {};
};

struct ExportStatus {
    bool done = false, ok = false, cancelled = false;
    double fraction = 0;     // 0..1 of the recording's length written
    double secondsLeft = -1; // an estimate; -1 while unknown
    std::string message;     // why it failed, empty otherwise
};

class Export {
public:
    Export();
    ~Export(); // a running export is cancelled and joined
    Export(const Export&) = delete;
    Export& operator=(const Export&) = delete;

    // Starts exporting `in` to `out` on the worker thread. False (with `error`) when it cannot
    // start: an export already running, bad options, or a target folder that does not exist.
    bool Start(const std::filesystem::path& in, const std::filesystem::path& out,
               const ExportOptions& options, std::string* error);
    // Asks the running export to stop; `Status()` tells when it has (cancelled, no target).
    void Cancel();
    ExportStatus Status() const;
    // Waits at most `timeoutMs` (negative: without end) for the export to finish; true when done.
    bool Wait(int timeoutMs);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace tess
