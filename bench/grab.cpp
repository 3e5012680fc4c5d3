// Time of one 1920 x 1080 screen grab: through shared memory, through plain GetImage, the
// strip copy, and the whole picture grab with the cursor. Run under Xvfb:
//   xvfb-run -a -s "-screen 0 1920x1080x24" ./bench_grab
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "capture/Snapshot.h"
#include "media/Grab.h"
#include "platform/x11/Screen.h"
#include "settings/Settings.h"

namespace {

using tess::ScreenConnection;
using tess::ScreenRect;

constexpr ScreenRect kArea{0, 0, 1920, 1080};

std::unique_ptr<ScreenConnection> OpenOrSkip(benchmark::State& state) {
    // Held open so the server does not reset (and refuse connections) between benchmarks.
    static auto keeper = ScreenConnection::open();
    auto c = ScreenConnection::open();
    if (!c)
        state.SkipWithError("no X display");
    return c;
}

void GrabInto(benchmark::State& state, bool shm) {
    auto c = OpenOrSkip(state);
    if (!c)
        return;
    if (shm && !c->shmAvailable()) {
        state.SkipWithError("no MIT-SHM");
        return;
    }
    c->setUseShm(shm);
    std::vector<uint8_t> buf(static_cast<size_t>(kArea.width()) * kArea.height() * 4);
    for (auto _ : state) {
        bool ok = c->grab(kArea, buf.data(), kArea.width() * 4);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(buf.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * buf.size());
}

void BM_GrabShm(benchmark::State& state) {
    GrabInto(state, true);
}
void BM_GrabGetImage(benchmark::State& state) {
    GrabInto(state, false);
}

void BM_StripCopy(benchmark::State& state) {
    auto c = OpenOrSkip(state);
    if (!c)
        return;
    tess::MemBm bm(kArea.width(), kArea.height());
    for (auto _ : state) {
        bool ok = tess::CopyScreenArea(bm, 0, 0, kArea.width(), kArea.height(), *c, 0, 0,
                                       tess::kSrcCopy, false);
        benchmark::DoNotOptimize(ok);
    }
}

void BM_GrabScreenPicture(benchmark::State& state) {
    auto c = OpenOrSkip(state);
    if (!c)
        return;
    for (auto _ : state) {
        int32_t result = 0;
        auto bm = tess::GrabScreenPicture(*c, true, true, true, &kArea, &result);
        benchmark::DoNotOptimize(bm.get());
    }
}

// Grab, name and write a whole-screen PNG, as the snapshot does (file in $TMPDIR).
void BM_SnapshotPng(benchmark::State& state) {
    auto c = OpenOrSkip(state);
    if (!c)
        return;
    tess::Settings settings;
    auto dir = std::filesystem::temp_directory_path() / "tess-bench-grab";
    std::filesystem::create_directories(dir);
    settings.defaultDirectory = dir.string();
    settings.fileInstanceMode = 1;
    tess::SnapshotRequest request;
    request.outputPath = (dir / "shot.png").string();
    uintmax_t size = 0;
    for (auto _ : state) {
        auto r = tess::TakeSnapshotNow(*c, settings, request);
        if (!r.ok) {
            state.SkipWithError(r.message.c_str());
            break;
        }
        size = std::filesystem::file_size(r.path);
    }
    state.counters["file_bytes"] = static_cast<double>(size);
    std::filesystem::remove_all(dir);
}

BENCHMARK(BM_GrabShm)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GrabGetImage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StripCopy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GrabScreenPicture)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SnapshotPng)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
