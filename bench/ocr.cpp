// Reading text off the screen: the first call's model load, an 800 x 200 region of UI text
// and a 1600 x 900 page, on this thread's recogniser (kept between calls, as the window
// program's worker keeps it).
#include <benchmark/benchmark.h>

#include "bench/TextPictures.h"
#include "media/TextPrep.h"
#include "platform/TextRecognizer.h"

namespace {

using tess::MemBm;

// Lines of dialog and terminal text, drawn in the UI font and set on a `width` x `height`
// light picture from its top left corner.
std::unique_ptr<MemBm> ScreenOfText(int width, int height, int lines) {
    static const char* const kLines[] = {
        "The file could not be saved because the disk is full.",
        "Free some space and try again, or choose another folder.",
        "Error 0x80070070 at 14:32 on Tuesday, 8 December 2026",
        "user@host:~/src$ make test 2>&1 | tail -n 3",
    };
    std::string text;
    for (int i = 0; i < lines; ++i)
        text += std::string(kLines[i % 4]) + (i % 2 ? "  and more words" : "") + "\n";
    const auto drawn = tess::bench::DrawTextPicture(text, {"DejaVu Sans 11px"});
    auto screen = std::make_unique<MemBm>(width, height);
    screen->fill(0xFFFFFF);
    screen->copyFrom(*drawn, 0, 0);
    return screen;
}

void Read(benchmark::State& state, const MemBm& picture) {
    std::string text, error;
    if (!tess::ReadScreenText(picture, "eng", &text, &error)) // the model, loaded once
        state.SkipWithError(error.c_str());
    for (auto _ : state) {
        tess::ReadScreenText(picture, "eng", &text, &error);
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["chars"] = static_cast<double>(tess::CharacterCount(text));
}

void BM_ModelLoad(benchmark::State& state) {
    std::string error;
    for (auto _ : state) {
        auto recognizer = tess::TextRecognizer::create("eng", &error);
        if (!recognizer)
            state.SkipWithError(error.c_str());
    }
}
BENCHMARK(BM_ModelLoad)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Region800x200(benchmark::State& state) {
    Read(state, *ScreenOfText(800, 200, 10));
}
BENCHMARK(BM_Region800x200)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_Page1600x900(benchmark::State& state) {
    Read(state, *ScreenOfText(1600, 900, 50));
}
BENCHMARK(BM_Page1600x900)->Unit(benchmark::kMillisecond)->Iterations(3);

// The accuracy over the screen-text cases (1 - edit distance / length), one counter each.
void BM_Accuracy(benchmark::State& state) {
    for (auto _ : state)
        for (const tess::bench::TextCase& c : tess::bench::ScreenTextCases()) {
            std::string text, error;
            tess::ReadScreenText(*tess::bench::DrawTextPicture(c.text, c.look), "eng", &text,
                                 &error);
            state.counters[c.name] = 100 * tess::bench::Accuracy(c.text, text);
        }
}
BENCHMARK(BM_Accuracy)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
