// Speed and size of the recording writer on 1920 x 1080 desktop content.
//
//   bench_recording_writer                 encode times (Google Benchmark)
//   bench_recording_writer --sizes [secs]  bytes per minute at 5, 15 and 30 fps for three
//                                          workloads, beside ffmpeg's libx264 (ultrafast, and
//                                          ultrafast -qp 0) fed the same frames in one run
//   bench_recording_writer --keyframes [FILE.rgb...]
//                                          key-frame bytes of the benchmark desktop and of
//                                          1920 x 1080 raw RGB screen pictures, by token kind
//   bench_recording_writer --stream [KEYEVERY] < FRAMES.bgrx
//                                          encodes 1920 x 1080 BGRx frames read from stdin (a
//                                          key frame every KEYEVERY, default 30): encode time
//                                          of inter and of key frames, and a checksum of the
//                                          coded bytes, which must not change when only the
//                                          speed is worked on. Frames of a real screen:
//                                          ffmpeg -f x11grab ... -f rawvideo -pix_fmt bgr0 -
#include "DesktopPicture.h"
#include "media/MemBm.h"
#include "media/WMFile.h"
#include "media/mss2/Mss2Encoder.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using tess::MemBm;

constexpr int kW = 1920, kH = 1080;

// The terminal window drawn over the desktop for the typing and scrolling workloads.
constexpr int kTermX = 260, kTermY = 140, kTermW = 1100, kTermH = 760, kLine = 16;

std::string LogLine(int n) {
    static const char* parts[] = {"GET /api/v1/items?page=",
                                  "compile src/media/asf/part",
                                  "[ok] test case number ",
                                  "warning: unused variable x",
                                  "rsync: sending incremental file list ",
                                  "2026-12-06 16:45:01 INFO worker "};
    return parts[n % 6] + std::to_string(n * 7919 % 100000) +
           "  status=" + std::to_string(200 + n % 3);
}

class Scene {
public:
    Scene() : bm_(tess::bench::MakeDesktopPicture(kW, kH)) {
        surface_ = bm_->createCairoSurface();
        cr_ = cairo_create(surface_);
    }
    ~Scene() {
        cairo_destroy(cr_);
        cairo_surface_destroy(surface_);
    }
    MemBm& picture() { return *bm_; }

    void Clock(int seconds) {
        char text[16];
        std::snprintf(text, sizeof text, "16:%02d:%02d", 45 + seconds / 60 % 15, seconds % 60);
        Rect(kW - 90, kH - 40 + 5, 85, 30, 0.16, 0.17, 0.19);
        tess::bench::DrawText(cr_, "Sans 10", kW - 80, kH - 40 + 11, text, 1, 1, 1);
        cairo_surface_flush(surface_);
    }
    void Terminal(int firstLine) {
        Rect(kTermX, kTermY, kTermW, 28, 0.25, 0.25, 0.28);
        tess::bench::DrawText(cr_, "Sans Bold 10", kTermX + 10, kTermY + 6, "user@host: ~/src", 1,
                              1, 1);
        Rect(kTermX, kTermY + 28, kTermW, kTermH - 28, 0.08, 0.08, 0.09);
        const int rows = (kTermH - 36) / kLine;
        for (int r = 0; r < rows; ++r)
            tess::bench::DrawText(cr_, "Monospace 10", kTermX + 6, kTermY + 32 + r * kLine,
                                  LogLine(firstLine + r), 0.8, 0.85, 0.8);
        cairo_surface_flush(surface_);
    }
    // Types characters `from` .. `to` - 1 of a command line at the terminal's last row.
    void Type(int from, int to, bool cursor) {
        static const std::string cmd =
            "git commit -m \"Recording writer: keyframes, inter frames and the index\" && "
            "make -j2 test && ./bench_recording_writer --sizes 10 | tee result.txt ";
        const int y = kTermY + 32 + ((kTermH - 36) / kLine - 1) * kLine;
        const double cw = 8.0; // monospace advance at this size, near enough
        for (int i = from; i < to; ++i) {
            const int col = i % 130;
            Rect(kTermX + 6 + col * cw, y, cw, kLine, 0.08, 0.08, 0.09);
            tess::bench::DrawText(cr_, "Monospace 10", kTermX + 6 + col * cw, y,
                                  std::string(1, cmd[static_cast<size_t>(i) % cmd.size()]), 0.9,
                                  0.9, 0.9);
        }
        const int col = to % 130;
        Rect(kTermX + 6 + col * cw, y + 2, cw, kLine - 3, cursor ? 0.9 : 0.08, cursor ? 0.9 : 0.08,
             cursor ? 0.9 : 0.09);
        cairo_surface_flush(surface_);
    }

private:
    void Rect(double x, double y, double w, double h, double r, double g, double b) {
        cairo_set_source_rgb(cr_, r, g, b);
        cairo_rectangle(cr_, x, y, w, h);
        cairo_fill(cr_);
    }

    std::unique_ptr<MemBm> bm_;
    cairo_surface_t* surface_;
    cairo_t* cr_;
};

// ---- encode times ----

void BM_KeyFrame(benchmark::State& state) {
    Scene scene;
    scene.Terminal(0);
    tess::Mss2Encoder enc(kW, kH);
    std::vector<uint8_t> out;
    const MemBm& p = scene.picture();
    for (auto _ : state)
        enc.Encode(p.bits(), kW, kH, p.stride(), true, out);
    state.counters["bytes"] = static_cast<double>(out.size());
}
BENCHMARK(BM_KeyFrame)->Unit(benchmark::kMillisecond);

void BM_InterTyping(benchmark::State& state) {
    Scene scene;
    scene.Terminal(0);
    tess::Mss2Encoder enc(kW, kH);
    std::vector<uint8_t> out;
    MemBm& p = scene.picture();
    enc.Encode(p.bits(), kW, kH, p.stride(), true, out);
    int typed = 0;
    size_t bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        scene.Type(typed, typed + 1, typed % 2 == 0);
        ++typed;
        state.ResumeTiming();
        enc.Encode(p.bits(), kW, kH, p.stride(), false, out);
        bytes += out.size();
    }
    state.counters["bytes"] = static_cast<double>(bytes) / std::max(typed, 1);
}
BENCHMARK(BM_InterTyping)->Unit(benchmark::kMillisecond);

void BM_InterScrolling(benchmark::State& state) {
    Scene scene;
    tess::Mss2Encoder enc(kW, kH);
    std::vector<uint8_t> out;
    MemBm& p = scene.picture();
    scene.Terminal(0);
    enc.Encode(p.bits(), kW, kH, p.stride(), true, out);
    int line = 0;
    size_t bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        scene.Terminal(++line);
        state.ResumeTiming();
        enc.Encode(p.bits(), kW, kH, p.stride(), false, out);
        bytes += out.size();
    }
    state.counters["bytes"] = static_cast<double>(bytes) / std::max(line, 1);
}
BENCHMARK(BM_InterScrolling)->Unit(benchmark::kMillisecond);

void BM_InterAllChanged(benchmark::State& state) {
    Scene a;
    Scene b;
    b.Terminal(5);
    // A second picture that differs everywhere: the first one with its colours shifted.
    MemBm other(kW, kH);
    std::memcpy(other.bits(), b.picture().bits(), static_cast<size_t>(kW) * kH * 4);
    for (size_t i = 0; i < static_cast<size_t>(kW) * kH * 4; i += 4)
        other.bits()[i] ^= 0x18;
    tess::Mss2Encoder enc(kW, kH);
    std::vector<uint8_t> out;
    enc.Encode(a.picture().bits(), kW, kH, kW * 4, true, out);
    bool flip = false;
    for (auto _ : state) {
        const MemBm& p = flip ? a.picture() : other;
        flip = !flip;
        enc.Encode(p.bits(), kW, kH, kW * 4, false, out);
    }
    state.counters["bytes"] = static_cast<double>(out.size());
}
BENCHMARK(BM_InterAllChanged)->Unit(benchmark::kMillisecond);

// The whole path of one typing frame: encode, packetise, write to a file.
void BM_WriterTypingFrame(benchmark::State& state) {
    Scene scene;
    scene.Terminal(0);
    const std::string path =
        (std::filesystem::temp_directory_path() / "bench_recording_writer.wmv").string();
    std::filesystem::remove(path);
    {
        tess::WMFile f(path, "", 1000000, 4000000, kW, kH, -1); // no forced key frames
        f.Open();
        MemBm& p = scene.picture();
        int64_t t = 0;
        f.AddBitmapFrame(p, 1, true);
        int typed = 0;
        for (auto _ : state) {
            state.PauseTiming();
            scene.Type(typed, typed + 1, false);
            ++typed;
            state.ResumeTiming();
            t += 333333;
            f.AddBitmapFrame(p, t, false);
        }
        f.Close();
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_WriterTypingFrame)->Unit(benchmark::kMillisecond);

// ---- sizes ----

enum class Workload { StaticClock, Typing, Scrolling };
const char* Name(Workload w) {
    switch (w) {
    case Workload::StaticClock:
        return "static desktop + clock";
    case Workload::Typing:
        return "typing in a terminal";
    default:
        return "scrolling text";
    }
}

struct Sizes {
    uint64_t ours = 0, x264 = 0, x264Lossless = 0;
    double oursSeconds = 0;
};

Sizes Measure(Workload w, int fps, int seconds, const std::string& dir) {
    Scene scene;
    scene.Terminal(0);
    const std::string ours = dir + "/ours.wmv", a = dir + "/x264.mkv", b = dir + "/x264qp0.mkv";
    for (const auto& f : {ours, a, b})
        std::filesystem::remove(f);
    const std::string cmd = "ffmpeg -v error -y -f rawvideo -pix_fmt bgr0 -s " +
                            std::to_string(kW) + "x" + std::to_string(kH) + " -r " +
                            std::to_string(fps) + " -i - -map 0 -c:v libx264 -preset ultrafast '" +
                            a + "' -map 0 -c:v libx264 -preset ultrafast -qp 0 '" + b + "'";
    FILE* pipe = popen(cmd.c_str(), "w");
    Sizes s;
    // The bit rate a full-screen recording gets by default (WMBitRate).
    tess::WMFile file(ours, "", fps, 300000, kW, kH, -1);
    file.Open();
    const int frames = fps * seconds;
    int typed = 0;
    double encodeSeconds = 0;
    for (int i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / fps;
        switch (w) {
        case Workload::StaticClock:
            scene.Clock(static_cast<int>(t));
            break;
        case Workload::Typing: {
            const int want = static_cast<int>(t * 6); // six characters a second
            scene.Type(typed, want, static_cast<int>(t * 2) % 2 == 0);
            typed = want;
            break;
        }
        case Workload::Scrolling:
            scene.Terminal(static_cast<int>(t * 20)); // twenty lines a second
            break;
        }
        const MemBm& p = scene.picture();
        const auto t0 = std::chrono::steady_clock::now();
        file.AddBitmapFrame(p, i == 0 ? 0 : static_cast<int64_t>(i) * 10000000 / fps, false);
        encodeSeconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (pipe)
            std::fwrite(p.bits(), 1, static_cast<size_t>(kW) * kH * 4, pipe);
    }
    file.Close();
    if (pipe)
        pclose(pipe);
    auto size = [](const std::string& f) {
        std::error_code ec;
        const auto n = std::filesystem::file_size(f, ec);
        return ec ? 0 : static_cast<uint64_t>(n);
    };
    s.ours = size(ours);
    s.x264 = size(a);
    s.x264Lossless = size(b);
    s.oursSeconds = encodeSeconds;
    return s;
}

int RunSizes(int seconds) {
    const std::string dir =
        (std::filesystem::temp_directory_path() / "bench_recording_sizes").string();
    std::filesystem::create_directories(dir);
    std::printf("Bytes per minute, %dx%d, %d s per run scaled to one minute (MB = 10^6 bytes)\n",
                kW, kH, seconds);
    std::printf("%-24s %4s %12s %12s %12s %14s\n", "workload", "fps", "MSS2 (ours)", "x264 ultraf",
                "x264 qp 0", "ours ms/frame");
    for (Workload w : {Workload::StaticClock, Workload::Typing, Workload::Scrolling}) {
        for (int fps : {5, 15, 30}) {
            const Sizes s = Measure(w, fps, seconds, dir);
            const double k = 60.0 / seconds / 1e6;
            std::printf("%-24s %4d %10.2f MB %10.2f MB %10.2f MB %14.2f\n", Name(w), fps,
                        s.ours * k, s.x264 * k, s.x264Lossless * k,
                        s.oursSeconds * 1000 / (fps * seconds));
            std::fflush(stdout);
        }
    }
    std::filesystem::remove_all(dir);
    return 0;
}

// ---- where the bytes of a key frame go ----

// Reads the tokens of a 555 key frame: how many bytes and pixels each kind of token takes.
// Repeat tokens are counted with the kind of symbol they repeat.
struct TokenCensus {
    uint64_t bytes[2] = {}, pixels[2] = {}, tokens[2] = {}; // [0] colours, [1] copies from above
    uint64_t repeatBytes[2] = {};
    uint64_t total = 0;
};

TokenCensus CountTokens(const std::vector<uint8_t>& frame) {
    TokenCensus c;
    c.total = frame.size();
    int kind = 0;
    for (size_t i = 2; i < frame.size();) {
        const uint8_t b = frame[i];
        if (b < 0x80) {
            kind = 0;
            c.bytes[0] += 2;
            c.pixels[0] += 1;
            c.tokens[0] += 1;
            i += 2;
        } else if (b == 0x80) {
            kind = 1;
            c.bytes[1] += 1;
            c.pixels[1] += 1;
            c.tokens[1] += 1;
            i += 1;
        } else if (b > 0x81) {
            const int n = b - 0x82;
            uint64_t count = 0;
            for (int k = 0; k < n && i + 1 + k < frame.size(); ++k)
                count = (count << 8) + frame[i + 1 + k] + 1;
            c.bytes[kind] += 1 + n;
            c.repeatBytes[kind] += 1 + n;
            c.pixels[kind] += count + 1;
            i += 1 + n;
        } else {
            i += 1; // a skip: not in key frames
        }
    }
    return c;
}

void PrintKeyFrame(const char* name, const uint8_t* bgrx, int stride) {
    tess::Mss2Encoder enc(kW, kH);
    std::vector<uint8_t> out;
    const auto t0 = std::chrono::steady_clock::now();
    enc.Encode(bgrx, kW, kH, stride, true, out);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    const TokenCensus c = CountTokens(out);
    std::printf(
        "%-28s %9llu bytes %6.1f ms | colours: %8llu tokens %8llu B (%7llu in repeats) "
        "%8llu px | copies: %8llu tokens %8llu B (%7llu in repeats) %8llu px\n",
        name, static_cast<unsigned long long>(c.total), ms,
        static_cast<unsigned long long>(c.tokens[0]), static_cast<unsigned long long>(c.bytes[0]),
        static_cast<unsigned long long>(c.repeatBytes[0]),
        static_cast<unsigned long long>(c.pixels[0]), static_cast<unsigned long long>(c.tokens[1]),
        static_cast<unsigned long long>(c.bytes[1]),
        static_cast<unsigned long long>(c.repeatBytes[1]),
        static_cast<unsigned long long>(c.pixels[1]));
}

int RunKeyFrames(int argc, char** argv) {
    Scene scene;
    scene.Terminal(0);
    PrintKeyFrame("benchmark desktop", scene.picture().bits(), scene.picture().stride());
    std::vector<uint8_t> bgrx(static_cast<size_t>(kW) * kH * 4);
    std::vector<uint8_t> rgb(static_cast<size_t>(kW) * kH * 3);
    for (int i = 0; i < argc; ++i) {
        FILE* f = std::fopen(argv[i], "rb");
        const bool ok = f && std::fread(rgb.data(), 1, rgb.size(), f) == rgb.size();
        if (f)
            std::fclose(f);
        if (!ok) {
            std::fprintf(stderr, "%s: not a 1920 x 1080 raw RGB picture\n", argv[i]);
            return 1;
        }
        for (size_t p = 0; p < static_cast<size_t>(kW) * kH; ++p) {
            bgrx[p * 4] = rgb[p * 3 + 2];
            bgrx[p * 4 + 1] = rgb[p * 3 + 1];
            bgrx[p * 4 + 2] = rgb[p * 3];
            bgrx[p * 4 + 3] = 0;
        }
        const char* base = std::strrchr(argv[i], '/');
        PrintKeyFrame(base ? base + 1 : argv[i], bgrx.data(), kW * 4);
    }
    return 0;
}

// ---- a stream of real frames ----

int RunStream(int keyEvery) {
    std::vector<uint8_t> bgrx(static_cast<size_t>(kW) * kH * 4);
    tess::Mss2Encoder enc(kW, kH);
    std::vector<uint8_t> out;
    uint64_t hash = 14695981039346656037ULL; // FNV-1a over every coded frame
    uint64_t bytes = 0;
    int frames = 0, keys = 0;
    double seconds[2] = {}; // inter frames, key frames
    while (std::fread(bgrx.data(), 1, bgrx.size(), stdin) == bgrx.size()) {
        const auto start = std::chrono::steady_clock::now();
        const bool key = enc.Encode(bgrx.data(), kW, kH, kW * 4, frames % keyEvery == 0, out);
        seconds[key] +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        keys += key;
        for (const uint8_t b : out)
            hash = (hash ^ b) * 1099511628211ULL;
        bytes += out.size();
        ++frames;
    }
    std::printf("%d frames, %llu bytes, %.2f ms an inter frame, %d key frames of %.1f ms, "
                "checksum %016llx\n",
                frames, static_cast<unsigned long long>(bytes),
                frames > keys ? seconds[0] * 1000 / (frames - keys) : 0.0, keys,
                keys ? seconds[1] * 1000 / keys : 0.0, static_cast<unsigned long long>(hash));
    return frames > 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--stream") == 0)
        return RunStream(argc >= 3 ? std::max(1, std::atoi(argv[2])) : 30);
    if (argc >= 2 && std::strcmp(argv[1], "--sizes") == 0)
        return RunSizes(argc >= 3 ? std::max(1, std::atoi(argv[2])) : 10);
    if (argc >= 2 && std::strcmp(argv[1], "--keyframes") == 0)
        return RunKeyFrames(argc - 2, argv + 2);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
