// Time from a grabbed picture to the picture editor on the screen with it drawn: the dialog
// built, laid out, mapped and its canvas painted (the part of "snapshot to editor" that comes
// after the grab; bench/editor-show.sh times the whole command from its start). Also the
// resident memory the open editor adds, in pictures' worth. Run under a private X server with a
// window manager:
//   xvfb-run -a -s "-screen 0 1920x1080x24" sh -c 'openbox & sleep 1; build/bench/bench_editor'
#include "capture/AnnotationEditor.h"
#include "capture/WxDesktopServices.h"
#include "media/MemBm.h"

#include "DesktopPicture.h"
#include "WindowBench.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <string>
#include <wx/dialog.h>
#include <wx/timer.h>

namespace {

using Clock = std::chrono::steady_clock;

using tess::bench::ResidentKb;

// Opens the editor on `picture`; a 1-ms timer notes when the dialog is on the screen, paints
// it there and then (as the first expose would) and closes it. Returns the seconds from the
// call to the painted dialog, and the resident memory at that moment.
double ShowOnce(tess::DesktopServices& desktop, const tess::MemBm& picture, long* residentKb) {
    Clock::time_point shown;
    wxTimer poll;
    poll.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        auto* dialog = wxDynamicCast(tess::OpenAnnotationEditor(), wxDialog);
        if (!dialog || !dialog->IsShownOnScreen())
            return;
        dialog->Update();
        shown = Clock::now();
        *residentKb = ResidentKb();
        poll.Stop();
        dialog->EndModal(wxID_CANCEL);
    });
    poll.Start(1);
    const auto start = Clock::now();
    tess::RunAnnotationEditor(nullptr, desktop, picture, {});
    return std::chrono::duration<double>(shown - start).count();
}

void BM_EditorShown1080p(benchmark::State& state) {
    static tess::WxDesktopServices desktop;
    const auto picture = tess::bench::MakeDesktopPicture(1920, 1080);
    const long before = ResidentKb();
    long open = 0, peak = 0;
    double first = 0;
    for (auto _ : state) {
        const double seconds = ShowOnce(desktop, *picture, &open);
        if (seconds <= 0) {
            state.SkipWithError("the editor did not show");
            return;
        }
        state.SetIterationTime(seconds);
        if (first == 0)
            first = seconds;
        peak = std::max(peak, open);
    }
    // The first show in a process (as after a command-line snapshot) loads fonts and themes.
    state.counters["first_ms"] = first * 1000;
    const double pictureKb = 1920.0 * 1080 * 4 / 1024;
    state.counters["added_MB"] = (peak - before) / 1024.0;
    state.counters["added_pictures"] = (peak - before) / pictureKb;
}
BENCHMARK(BM_EditorShown1080p)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (!tess::bench::StartToolkit(argv))
        return 2;
    benchmark::RunSpecifiedBenchmarks();
    wxEntryCleanup();
    return 0;
}
