// Picture encoding and caption costs on a 1920 x 1080 desktop picture (text, flat areas, a
// photograph). PNG is measured beside ImageMagick's `convert` encoding the same picture in
// the same run; the counters give the file sizes.
//
//   bench_pictures --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <png.h>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

#include "bench/DesktopPicture.h"
#include "media/Caption.h"
#include "media/WriteImageFile.h"
#include "media/image/ImageCodec.h"

namespace {

using namespace tess;

const MemBm& Desktop() {
    static const auto picture = bench::MakeDesktopPicture(1920, 1080);
    return *picture;
}

std::string TempPath(const std::string& name) {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/tess-bench-" + std::to_string(getpid()) +
           "-" + name;
}

double FileSize(const std::string& path) {
    std::error_code ec;
    const auto n = std::filesystem::file_size(path, ec);
    return ec ? 0 : static_cast<double>(n);
}

// Encodes with the codec layer into a file (no temporary file, no sync): the encoder alone.
template <typename Encode> void EncodeToFile(benchmark::State& state, Encode encode) {
    const std::string path = TempPath("enc");
    for (auto _ : state) {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        const bool ok = encode(f);
        std::fclose(f);
        if (!ok)
            state.SkipWithError("encoding failed");
    }
    state.counters["bytes"] = FileSize(path);
    std::remove(path.c_str());
}

void BM_PngEncode(benchmark::State& state) {
    image::PngOptions options;
    if (state.range(0) >= 0)
        options.zlibLevel = static_cast<int>(state.range(0));
    if (state.range(1) >= 0)
        options.filters = static_cast<int>(state.range(1));
    if (state.range(2) >= 0)
        options.threads = static_cast<int>(state.range(2));
    EncodeToFile(state, [&](std::FILE* f) { return image::EncodePng(Desktop(), f, options); });
}
// The program's settings (two bands at once), the same on one thread, then alternatives.
// Processor time counts every thread.
BENCHMARK(BM_PngEncode)
    ->ArgNames({"level", "filters", "threads"})
    ->Args({-1, -1, -1})
    ->Args({-1, -1, 1})
    ->Args({5, -1, -1})
    ->Args({7, -1, -1})
    ->Args({6, PNG_ALL_FILTERS, 1})
    ->Args({6, PNG_FILTER_UP | PNG_FILTER_PAETH, 1})
    ->Args({6, PNG_FILTER_NONE, 1})
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The whole picture writer: temporary file, encoding, sync, move into place.
void BM_WriteImageFilePng(benchmark::State& state) {
    const std::string path = TempPath("write.png");
    for (auto _ : state) {
        std::remove(path.c_str());
        if (WriteImageFile(Desktop(), ImageFormat::kPng, path, -1) != 0)
            state.SkipWithError("write failed");
    }
    state.counters["bytes"] = FileSize(path);
    std::remove(path.c_str());
}
BENCHMARK(BM_WriteImageFilePng)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// ImageMagick encoding the same pixels (given as raw BGRA) to PNG with its defaults.
void BM_ConvertPng(benchmark::State& state) {
    const std::string raw = TempPath("in.bgra"), out = TempPath("convert.png");
    {
        std::FILE* f = std::fopen(raw.c_str(), "wb");
        std::fwrite(Desktop().bits(), 1, Desktop().sizeBytes(), f);
        std::fclose(f);
    }
    const std::string cmd =
        "convert -size 1920x1080 -depth 8 bgra:'" + raw + "' -alpha off '" + out + "' 2>/dev/null";
    rusage before{}, after{};
    getrusage(RUSAGE_CHILDREN, &before);
    for (auto _ : state) {
        if (std::system(cmd.c_str()) != 0)
            state.SkipWithError("convert failed");
    }
    getrusage(RUSAGE_CHILDREN, &after);
    auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    const double cpu =
        ms(after.ru_utime) - ms(before.ru_utime) + ms(after.ru_stime) - ms(before.ru_stime);
    state.counters["bytes"] = FileSize(out);
    // The child's processor time per run (convert and its shell).
    state.counters["child_cpu_ms"] = cpu / static_cast<double>(state.iterations());
    std::remove(raw.c_str());
    std::remove(out.c_str());
}
BENCHMARK(BM_ConvertPng)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_JpegEncode(benchmark::State& state) {
    const int quality = static_cast<int>(state.range(0));
    EncodeToFile(state, [&](std::FILE* f) { return image::EncodeJpeg(Desktop(), f, quality); });
}
BENCHMARK(BM_JpegEncode)->Arg(100)->Arg(50)->Unit(benchmark::kMillisecond)->UseRealTime();

// GIF: reduction to 8 bits with error diffusion, then LZW.
void BM_GifEncode(benchmark::State& state) {
    EncodeToFile(state, [&](std::FILE* f) {
        return image::EncodeGif(image::ReduceTo8Bits(Desktop(), true), f);
    });
}
BENCHMARK(BM_GifEncode)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BmpEncode(benchmark::State& state) {
    EncodeToFile(state, [&](std::FILE* f) { return image::EncodeBmp(Desktop(), f); });
}
BENCHMARK(BM_BmpEncode)->Unit(benchmark::kMillisecond)->UseRealTime();

SCaption BenchCaption(int mode) {
    LogFont font;
    font.height = -20;
    font.weight = 700;
    font.setFace("DejaVu Sans");
    return SCaption("Tessaray %a %H:%M:%S", 0x000000, 0xFFFFFF, mode, 1, 0, &font);
}

// The per-frame cost during a recording with the text unchanged: compositing the box.
void BM_CaptionComposite(benchmark::State& state) {
    Fx fx(BenchCaption(static_cast<int>(state.range(0))), 100);
    fx.setClock([] { return std::time_t{1205503766}; });
    fx.Apply(Desktop());
    for (auto _ : state)
        benchmark::DoNotOptimize(fx.Composite());
    state.counters["box_w"] = fx.captionBox()->width();
    state.counters["box_h"] = fx.captionBox()->height();
}
BENCHMARK(BM_CaptionComposite)->ArgName("mode")->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

// A frame through the overlay: copy of the capture, no redraw, composite.
void BM_CaptionApplyFrame(benchmark::State& state) {
    Fx fx(BenchCaption(2), 100);
    fx.setClock([] { return std::time_t{1205503766}; });
    for (auto _ : state)
        benchmark::DoNotOptimize(fx.Apply(Desktop()).bits());
}
BENCHMARK(BM_CaptionApplyFrame)->Unit(benchmark::kMicrosecond);

// One redraw of the caption box (a new text each time, as once a second with "%S").
void BM_CaptionRedraw(benchmark::State& state) {
    Fx fx(BenchCaption(static_cast<int>(state.range(0))), 100);
    std::time_t t = 1205503766;
    fx.setClock([&] { return t; });
    fx.Apply(Desktop());
    for (auto _ : state) {
        ++t;
        benchmark::DoNotOptimize(fx.RenderCaption());
    }
}
BENCHMARK(BM_CaptionRedraw)->ArgName("mode")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
