// Time from DisplayFile to the first frame on screen, in the main window under X: a
// 1920 x 1080 PNG (decoded by our codec, drawn scaled) and a recording (opened, its first
// frame decoded and drawn by the player's sink), and the process's resident memory while the
// recording plays. Run under a private X server:
//   xvfb-run -a -s "-screen 0 1920x1080x24" build/bench/bench_display RECORDING.wmv
// (bench/display.sh makes a 60-s 1080p recording and runs it).
#include "app/SDIDecFrame.h"
#include "capture/WxDesktopServices.h"
#include "media/MemBm.h"
#include "media/VideoFile.h"
#include "media/WriteImageFile.h"
#include "resources/Ids.h"
#include "settings/Settings.h"

#include "DesktopPicture.h"
#include "WindowBench.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <string>
#include <wx/utils.h>

namespace {

std::string g_recording;
tess::SDIDecFrame* g_frame = nullptr;

void Pump(int ms) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
        wxTheApp->ProcessPendingEvents();
        wxYield();
    } while (std::chrono::steady_clock::now() < end);
}

using tess::bench::ResidentKb;

void Show(benchmark::State& state, const std::string& path) {
    tess::TClient* client = g_frame->client();
    for (auto _ : state) {
        client->DisplayFile(path);
        client->Update(); // the paint of the first frame, done here
        if (!client->displayedFile())
            state.SkipWithError("the file did not open");
        state.PauseTiming();
        client->RunCommand(tess::id::FileClose);
        Pump(20);
        state.ResumeTiming();
    }
}

void BM_DisplayPicture1080p(benchmark::State& state) {
    static const std::string path = [] {
        std::string p = "/tmp/tess-bench-display.png";
        tess::WriteImageFile(*tess::bench::MakeDesktopPicture(1920, 1080), tess::ImageFormat::kPng,
                             p, -1, true);
        return p;
    }();
    Show(state, path);
}
BENCHMARK(BM_DisplayPicture1080p)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_DisplayRecording(benchmark::State& state) {
    if (g_recording.empty()) {
        state.SkipWithError("no recording given");
        return;
    }
    Show(state, g_recording);
}
BENCHMARK(BM_DisplayRecording)->Unit(benchmark::kMillisecond)->Iterations(10);

// Resident memory before and while the recording plays (5 s).
void BM_MemoryWhilePlaying(benchmark::State& state) {
    if (g_recording.empty()) {
        state.SkipWithError("no recording given");
        return;
    }
    tess::TClient* client = g_frame->client();
    long before = ResidentKb(), peak = 0;
    for (auto _ : state) {
        client->DisplayFile(g_recording);
        client->RunCommand(tess::id::Play);
        for (int i = 0; i < 25; ++i) {
            Pump(200);
            peak = std::max(peak, ResidentKb());
        }
        client->RunCommand(tess::id::FileClose);
    }
    state.counters["rss_before_MB"] = before / 1024.0;
    state.counters["rss_playing_MB"] = peak / 1024.0;
}
BENCHMARK(BM_MemoryWhilePlaying)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (argc > 1)
        g_recording = argv[1];
    if (!tess::bench::StartToolkit(argv))
        return 2;
    tess::GlobalSettings().snapSystemDisplay = tess::GlobalSettings().vidSystemDisplay = false;
    static tess::WxDesktopServices desktop;
    g_frame = new tess::SDIDecFrame(desktop, false);
    desktop.setParent(g_frame);
    g_frame->Show();
    Pump(300);
    benchmark::RunSpecifiedBenchmarks();
    g_frame->Destroy();
    Pump(50);
    wxEntryCleanup();
    return 0;
}
