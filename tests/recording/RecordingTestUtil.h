#pragma once
// Helpers of the recording tests: reading recordings back through ffprobe and ffmpeg, and
// running the program's command-line recording.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/FileIo.h"
#include "platform/Log.h"
#include "support/TestSupport.h"

namespace tess::test {

inline std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Output of `ffprobe -v error <args> file`.
inline std::string Probe(const std::string& args, const std::string& file) {
    std::string out;
    RunCommand("ffprobe -v error " + args + " -of csv=p=0 " + Quote(file) + " 2>/dev/null", &out);
    return out;
}

// Presentation times (seconds) of the video frames, as ffprobe reads them.
inline std::vector<double> VideoFrameTimes(const std::string& file) {
    std::istringstream in(Probe("-select_streams v:0 -show_entries frame=pts_time", file));
    std::vector<double> times;
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            times.push_back(std::stod(line));
    return times;
}

// "codec width height" of the first video stream, or empty.
inline std::string VideoStreamInfo(const std::string& file) {
    std::string out =
        Probe("-select_streams v:0 -show_entries stream=codec_name,width,height", file);
    while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
        out.pop_back();
    std::replace(out.begin(), out.end(), ',', ' ');
    return out;
}

// Every video frame scaled (nearest pixel) to w x h, as RGB bytes; and whether ffmpeg
// reported no error at all. Frame times are kept as they are (a late frame may follow the one
// before it by less than a period, which a constant-rate output would reject).
inline std::vector<std::string> DecodeFramesSmall(const std::string& file, int w, int h,
                                                  bool* clean = nullptr) {
    const std::string in = "ffmpeg -v error -i " + Quote(file) + " ";
    const std::string keep = "-fps_mode passthrough -enc_time_base -1 ";
    std::string raw, errors;
    RunCommand(in + "-map 0:v:0 " + keep + "-vf scale=" + std::to_string(w) + ":" +
                   std::to_string(h) + ":flags=neighbor -f rawvideo -pix_fmt rgb24 - 2>/dev/null",
               &raw);
    if (clean) {
        RunCommand(in + keep + "-f null - 2>&1", &errors);
        *clean = errors.empty();
    }
    std::vector<std::string> frames;
    const size_t n = static_cast<size_t>(w) * h * 3;
    for (size_t at = 0; at + n <= raw.size(); at += n)
        frames.push_back(raw.substr(at, n));
    return frames;
}

// The frames of a 5-s recording at the default 5 frames a second, scaled to w x h, with their
// times, after the checks every such recording passes: its video stream is `stream`, it decodes
// without an error, at least `minFrames` frames (a busy machine merges late ticks;
// bench/record.sh measures the rate), never more than the ticks, the last within `lastSlack` of
// 4.8 s (a loaded machine may take a second over the last grab; the sound's length is checked
// closer), times rising.
inline std::vector<std::string> FramesOfFiveSeconds(const std::string& file,
                                                    const std::string& stream, int w, int h,
                                                    std::vector<double>* times,
                                                    size_t minFrames = 15, double lastSlack = 1.0) {
    EXPECT_EQ(VideoStreamInfo(file), stream);
    *times = VideoFrameTimes(file);
    bool clean = false;
    std::vector<std::string> frames = DecodeFramesSmall(file, w, h, &clean);
    EXPECT_TRUE(clean);
    EXPECT_GE(frames.size(), minFrames);
    EXPECT_LE(frames.size(), 27u);
    if (times->empty() || frames.size() != times->size()) {
        ADD_FAILURE() << "no frames, or frames without times";
        return {};
    }
    EXPECT_NEAR(times->back(), 4.8, lastSlack);
    for (size_t j = 1; j < times->size(); ++j)
        EXPECT_GT((*times)[j], (*times)[j - 1]) << "frame " << j;
    return frames;
}

// The first audio stream as 16-bit mono samples at `rate` (8000 Hz by default).
inline std::vector<int16_t> DecodeSound(const std::string& file, int rate = 8000) {
    std::string raw;
    RunCommand("ffmpeg -v error -i " + Quote(file) + " -map 0:a:0 -f s16le -ac 1 -ar " +
                   std::to_string(rate) + " - 2>/dev/null",
               &raw);
    std::vector<int16_t> s(raw.size() / 2);
    std::memcpy(s.data(), raw.data(), s.size() * 2); // little-endian, as asked of ffmpeg
    return s;
}

// Frequency of a tone (0 for silence): the median distance between rising zero crossings
// (placed by linear interpolation), so a short gap or a repeated buffer does not bend it.
inline double ToneFrequency(const std::vector<int16_t>& s, int rate = 8000) {
    std::vector<double> at, periods;
    for (size_t i = 1; i < s.size(); ++i)
        if (s[i - 1] < 0 && s[i] >= 0)
            at.push_back(static_cast<double>(i - 1) +
                         static_cast<double>(-s[i - 1]) / static_cast<double>(s[i] - s[i - 1]));
    if (at.size() < 3)
        return 0;
    for (size_t i = 1; i < at.size(); ++i)
        periods.push_back(at[i] - at[i - 1]);
    std::nth_element(periods.begin(), periods.begin() + periods.size() / 2, periods.end());
    return static_cast<double>(rate) / periods[periods.size() / 2];
}

struct ProgramRun {
    int exitCode = -1;
    std::string out; // standard output
    std::string err; // standard error
};

// Runs the program with `args` (already quoted), standard error collected too.
inline ProgramRun RunProgram(const std::string& args, const std::string& prefix = "") {
    ProgramRun r;
    TempDir dir;
    const std::string errFile = Quote(dir.str() + "/err");
    r.exitCode = RunCommand(prefix + Quote(ProgramPath()) + " " + args + " 2>" + errFile, &r.out);
    RunCommand("cat " + errFile, &r.err);
    return r;
}

// 64 colours far apart: each channel at 0, 85, 170 or 255.
inline uint32_t PaletteColour(int k) {
    return static_cast<uint32_t>(k % 4 * 85) << 16 | static_cast<uint32_t>(k / 4 % 4 * 85) << 8 |
           static_cast<uint32_t>(k / 16 % 4 * 85);
}

// The palette index whose colour matches (15-bit rounding allowed), or -1.
inline int PaletteIndexOf(const uint8_t* rgb) {
    for (int k = 0; k < 64; ++k) {
        uint32_t c = PaletteColour(k);
        int r = c >> 16, g = (c >> 8) & 0xff, b = c & 0xff;
        if (std::abs(rgb[0] - r) <= 12 && std::abs(rgb[1] - g) <= 12 && std::abs(rgb[2] - b) <= 12)
            return k;
    }
    return -1;
}

// The warning logs of `exes`: beside the program, else in the state directory `state`.
inline std::string Logged(const std::string& state, const std::vector<std::string>& exes) {
    std::string all = ReadWholeFile(state + "/Tessaray/tessaray.log").value_or("");
    for (const std::string& exe : exes)
        all += ReadWholeFile(
                   LogPathForProgram(std::filesystem::path(ProgramPath()).parent_path() / exe))
                   .value_or("");
    return all;
}

// True when the test run's sound server answers (tests/start-pulse.sh).
inline bool HavePulse() {
    return RunCommand("pactl info >/dev/null 2>&1") == 0;
}

inline std::string FirstLine(const std::string& s) {
    return s.substr(0, s.find('\n'));
}

} // namespace tess::test
