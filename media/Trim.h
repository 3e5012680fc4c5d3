#pragma once
// Trimmed copies of a recording (".wmv" or ".wma"): the parts of it to keep, joined, written as
// a new file of the same format; the recording itself is only read.
//
// The screen video stays lossless and frame-exact: each kept part starts with the frame shown
// at its start, decoded from the key frame before it and coded again as a key frame; the
// frames after it are copied byte for byte with their times moved. Voice blocks (40 ms) are
// copied whole, each cut snapping to the nearest block boundary. The music stream is decoded,
// cut at the sample with a short fade at each join, and coded again. Files whose frames this
// program's encoder cannot reproduce are cut at key frames (Status().note says so).
//
// The job runs on a worker thread of its own like an export (media/Export.h): the copy is
// written beside the target under a temporary name and renamed at the end, so a cancelled or
// failed trim leaves nothing behind.
#include "media/Export.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tess {

// A time as seconds ("12", "12.5") or "[hh:]mm:ss[.mmm]", read the same in every locale, in
// milliseconds (rounded); none for anything else.
std::optional<int64_t> ParseTrimTime(std::string_view text);
// "T1-T2" as a range; none unless both are times and T1 < T2.
std::optional<TrimRange> ParseTrimRange(std::string_view text);
// A time as "[h:]mm:ss.mmm" (the form ParseTrimTime reads back).
std::string FormatTrimTime(int64_t ms);

// The parts kept of a recording of `durationMs` when [from, to) is kept (all of it when not
// given) and every cut removed. False with `error` when a time lies outside the recording,
// a range is empty, or nothing would be left.
bool KeptRanges(int64_t durationMs, std::optional<int64_t> from, std::optional<int64_t> to,
                const std::vector<TrimRange>& cuts, std::vector<TrimRange>* kept,
                std::string* error);

// True for the extensions a trimmed copy can have: the recording's own (any case).
bool SameRecordingFormat(const std::filesystem::path& in, const std::filesystem::path& out);

// The In and Out marks of a displayed recording, placed on its frames (the times of its video
// stream's frames, from its own object list; anywhere in a sound-only file).
class TrimMarks {
public:
    // Reads the frame times of `path`; false when it is not a finished recording.
    bool Load(const std::string& path);
    bool loaded() const { return durationMs_ > 0; }
    int64_t durationMs() const { return durationMs_; }
    void Clear() { in_ = out_ = -1; }
    // In at the start of the frame shown at `positionMs`, Out at its end (the next frame's
    // start, or the recording's end).
    void Set(bool in, int64_t positionMs);
    int64_t in() const { return in_; }
    int64_t out() const { return out_; }
    bool markSet() const { return in_ >= 0 || out_ >= 0; }
    bool selection() const { return in_ >= 0 && out_ > in_; }
    // The start of the frame after (or before) the one shown at `positionMs`; the same frame's
    // start when there is none.
    int64_t Step(int64_t positionMs, bool forward) const;
    // The parts a copy keeps: the selection, or (`without`) everything else.
    std::vector<TrimRange> Kept(bool without) const;

private:
    // Index of the frame shown at `ms` (-1 before the first).
    int64_t FrameAt(int64_t ms) const;

    std::vector<int64_t> frames_;
    int64_t durationMs_ = 0;
    int64_t in_ = -1, out_ = -1;
};

struct TrimStatus : ExportStatus {
    std::string note; // said to the user on success (a cut moved to a key frame), or empty
};

class Trim {
public:
    Trim();
    ~Trim(); // a running trim is cancelled and joined
    Trim(const Trim&) = delete;
    Trim& operator=(const Trim&) = delete;

    // The recording's length in milliseconds (0 with `error` when it is not a finished
    // recording), for KeptRanges.
    static int64_t DurationMs(const std::filesystem::path& in, std::string* error);

    // Starts writing the parts `keep` of `in` (from KeptRanges, in order) to `out`. False with
    // `error` when it cannot start: a trim already running, a file that is not a recording,
    // another format for `out`, or a target folder that cannot take a file.
    bool Start(const std::filesystem::path& in, const std::filesystem::path& out,
               const std::vector<TrimRange>& keep, std::string* error);
    void Cancel();
    TrimStatus Status() const;
    // Waits at most `timeoutMs` (negative: without end); true when done.
    bool Wait(int timeoutMs);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace tess
