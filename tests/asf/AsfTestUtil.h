#pragma once
// Helpers of the recording-file tests: synthetic desktop pictures and decoding through ffmpeg.
#include <cstdint>
#include <string>
#include <vector>

namespace tess::test {

// A 32-bit BGRx top-down picture.
struct Picture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> bgrx;
    uint8_t* at(int32_t x, int32_t y) { return &bgrx[(static_cast<size_t>(y) * width + x) * 4]; }
    void Fill(int32_t x0, int32_t y0, int32_t w, int32_t h, uint32_t rgb);
};

Picture MakePicture(int32_t width, int32_t height, uint32_t rgb);
// A desktop-like picture: a gradient background, windows with title bars and text-like rows.
Picture MakeDesktop(int32_t width, int32_t height, uint32_t seed);
// A glyph-like 6x10 block of pixels for character `c` at (x, y).
void DrawGlyph(Picture& p, int32_t x, int32_t y, char c, uint32_t rgb);
// Draws `n` in decimal as glyphs on a white box at (x, y): a frame counter on the screen.
void DrawCounter(Picture& p, int32_t x, int32_t y, int n);
// Changes a picture the way a desktop changes between frames; `i % 11` picks the kind: a new
// desktop, typing, a scroll, rows, one pixel, nothing (5), a flat area, noise (7), and more.
void Change(Picture& p, int i);

// The picture reduced to 15-bit colour, top-down.
std::vector<uint16_t> To555(const Picture& p, int32_t width, int32_t height);

// Every video frame of `file` decoded by ffmpeg in 15-bit colour; false when ffmpeg fails.
bool DecodeVideo555(const std::string& file, int32_t width, int32_t height,
                    std::vector<std::vector<uint16_t>>& frames, std::string* log = nullptr);
// Expects ffmpeg to decode every video frame of `file` to `pictures` in 15-bit colour.
void ExpectDecodesTo(const std::string& path, int32_t w, int32_t h,
                     const std::vector<Picture>& pictures);
// The one frame that `ffmpeg -ss seconds` shows first, in 15-bit colour (empty on failure).
std::vector<uint16_t> FfmpegFrameAt(const std::string& file, const std::string& seconds);
// The frame GStreamer shows after an accurate seek in a paused pipeline, in 15-bit colour.
// False with `error` when it fails ("built without GStreamer" when the tests were).
bool GStreamerFrameAt(const std::string& file, double seconds, int32_t width, int32_t height,
                      std::vector<uint16_t>& frame, std::string* error);
// Presentation times (ms) of the key frames of the video stream 1, and the bytes of its
// frames after the first.
std::vector<uint32_t> KeyFrameTimes(const std::string& file, uint64_t* laterBytes = nullptr);

// Decodes the first audio stream with ffmpeg to 16-bit samples of `channels` at `rate`
// (interleaved); by default mono at 8000 Hz.
bool DecodeAudioAt(const std::string& file, int rate, int channels, std::vector<int16_t>& samples);
inline bool DecodeAudio(const std::string& file, std::vector<int16_t>& samples) {
    return DecodeAudioAt(file, 8000, 1, samples);
}
// Decodes the first audio stream with GStreamer to 16-bit mono samples at `rate`; false with
// `error` when it fails.
bool GStreamerDecodeAudio(const std::string& file, int rate, std::vector<int16_t>& samples,
                          std::string* error);
// Amplitude (in full-scale units) of the sine at `hz` in samples [from, to), and the
// signal-to-rest ratio in dB: the sine's power against everything else (harmonics and noise).
double SineLevel(const std::vector<int16_t>& s, int rate, double hz, size_t from, size_t to,
                 double* sinadDb = nullptr);
// Runs ffprobe and returns its output for the given -show_entries argument.
std::string Probe(const std::string& file, const std::string& entries);

} // namespace tess::test
