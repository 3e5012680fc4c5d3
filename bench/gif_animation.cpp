// The animated GIF writer on four kinds of screen beside ffmpeg's two-pass GIF
// (palettegen, then paletteuse) of the same frames: bytes, and the worst frame's PSNR
// against its source (both files read back by the program's own GIF reader).
//
//   bench_gif_animation --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "bench/DesktopPicture.h"
#include "media/image/GifAnimation.h"
#include "media/image/ImageCodec.h"

namespace {

using namespace tess;

constexpr int kW = 960, kH = 540, kFps = 10, kFrames = 100;

std::string TempPath(const std::string& name) {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/tess-bench-" + std::to_string(getpid()) +
           "-" + name;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Screen kinds: 0 a still desktop whose clock changes every second, 1 typing in the
// editor, 2 the editor's page scrolling, 3 a video playing in a window.
std::vector<MemBm> Screens(int kind) {
    static const auto desk = bench::MakeDesktopPicture(kW, kH);
    std::vector<MemBm> frames;
    MemBm video(400, 300);
    bench::DrawPhoto(video, 0, 0, 400, 300);
    for (int i = 0; i < kFrames; ++i) {
        MemBm f(kW, kH);
        f.copyFrom(*desk, 0, 0);
        cairo_surface_t* s = f.createCairoSurface();
        cairo_t* cr = cairo_create(s);
        if (kind == 0) {
            cairo_set_source_rgb(cr, 0.16, 0.17, 0.19);
            cairo_rectangle(cr, kW - 40, kH - 18, 40, 18);
            cairo_fill(cr);
            bench::DrawText(cr, "Sans 8", kW - 36, kH - 16, "16:" + std::to_string(10 + i / kFps),
                            1, 1, 1);
        } else if (kind == 1) {
            const std::string text = "Typing a new line of text, one letter a frame: abcdefghij"
                                     "klmnopqrstuvwxyz 0123456789 and more words to come.";
            cairo_set_source_rgb(cr, 1, 1, 1);
            cairo_rectangle(cr, 70, 470, 500, 20);
            cairo_fill(cr);
            bench::DrawText(cr, "Sans 8", 72, 472, text.substr(0, i % text.size()), 0, 0, 0);
        } else if (kind == 2) {
            const int top = 70, h = 380, shift = (i * 7) % h;
            MemBm page(500, h);
            for (int y = 0; y < h; ++y)
                std::memcpy(page.pixelAddress(0, y), desk->pixelAddress(65, top + (y + shift) % h),
                            500 * 4);
            f.copyFrom(page, 65, top);
        } else {
            MemBm part(200, 150);
            for (int y = 0; y < 150; ++y)
                std::memcpy(part.pixelAddress(0, y), video.pixelAddress(i, y + i / 2), 200 * 4);
            f.copyFrom(part, 620, 110);
        }
        cairo_destroy(cr);
        cairo_surface_destroy(s);
        frames.push_back(std::move(f));
    }
    return frames;
}

// The worst PSNR of the frames against what the GIF shows at their times (0 when it
// cannot be read).
double WorstPsnr(const std::string& path, const std::vector<MemBm>& frames) {
    const auto data = ReadAll(path);
    std::string error;
    const auto decoded = image::detail::DecodeGifFrames(data.data(), data.size(), &error);
    if (decoded.empty())
        return 0;
    double worst = 99;
    size_t shown = 0;
    int64_t shownEndMs = decoded[0].delayCs * 10;
    for (size_t i = 0; i < frames.size(); ++i) {
        const int64_t t = static_cast<int64_t>(i) * 1000 / kFps;
        while (t >= shownEndMs && shown + 1 < decoded.size())
            shownEndMs += decoded[++shown].delayCs * 10;
        const MemBm& gif = *decoded[shown].picture;
        double sum = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                for (int c = 0; c < 3; ++c) {
                    const double d = frames[i].pixelAddress(x, y)[c] - gif.pixelAddress(x, y)[c];
                    sum += d * d;
                }
        const double mse = sum / (3.0 * kW * kH);
        worst = std::min(worst, mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse));
    }
    return worst;
}

void BM_GifAnimation(benchmark::State& state) {
    const auto frames = Screens(static_cast<int>(state.range(0)));
    const std::string ours = TempPath("ours.gif");
    for (auto _ : state) {
        std::FILE* f = std::fopen(ours.c_str(), "wb");
        image::GifAnimationWriter gif(f, kW, kH);
        bool ok = true;
        for (int i = 0; i < kFrames; ++i)
            ok = ok && gif.AddFrame(frames[i].bits(), frames[i].stride(), i * 1000 / kFps);
        ok = ok && gif.Finish(kFrames * 1000 / kFps);
        std::fclose(f);
        if (!ok)
            state.SkipWithError(gif.error().c_str());
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(ours));
    state.counters["psnr"] = WorstPsnr(ours, frames);

    // ffmpeg's two passes over the same frames, timed once.
    const std::string raw = TempPath("frames.bgr0"), pal = TempPath("palette.png"),
                      theirs = TempPath("ffmpeg.gif");
    {
        std::ofstream out(raw, std::ios::binary);
        for (const MemBm& f : frames)
            out.write(reinterpret_cast<const char*>(f.bits()),
                      static_cast<std::streamsize>(f.sizeBytes()));
    }
    const std::string input = "ffmpeg -v error -y -f rawvideo -pix_fmt bgr0 -s " +
                              std::to_string(kW) + "x" + std::to_string(kH) + " -r " +
                              std::to_string(kFps) + " -i " + raw;
    const auto start = std::chrono::steady_clock::now();
    if (std::system((input + " -vf palettegen " + pal).c_str()) != 0 ||
        std::system((input + " -i " + pal + " -lavfi paletteuse " + theirs).c_str()) != 0) {
        state.SkipWithError("ffmpeg failed");
    } else {
        state.counters["ffmpeg_ms"] =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        state.counters["ffmpeg_bytes"] = static_cast<double>(std::filesystem::file_size(theirs));
        state.counters["ffmpeg_psnr"] = WorstPsnr(theirs, frames);
    }
    for (const auto& p : {ours, raw, pal, theirs})
        std::filesystem::remove(p);
}
BENCHMARK(BM_GifAnimation)
    ->ArgName("screen")
    ->DenseRange(0, 3)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace

BENCHMARK_MAIN();
