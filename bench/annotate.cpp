// The mark-up editor's costs on a 3840 x 2160 desktop picture with 50 items, shown at Fit in
// a 1800 x 1000 canvas: a pointer move while dragging (the gesture plus the repaint of its
// damage), a commit (the committed layer rebuilt), Save's render before encoding, a
// 1000 x 300 mosaic, and the first view of a 1920 x 1080 snapshot (layers made, the
// committed layer built and the whole canvas painted).
//
//   bench_annotate --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>
#include <cairo.h>
#include <random>

#include "bench/DesktopPicture.h"
#include "media/annotate/Gesture.h"
#include "media/annotate/Render.h"
#include "media/annotate/ViewLayers.h"

namespace {

using namespace tess;
using namespace tess::annotate;

constexpr int kViewW = 1800, kViewH = 1000;

const MemBm& Desktop4k() {
    static const auto picture = bench::MakeDesktopPicture(3840, 2160);
    return *picture;
}

// 50 items of every kind spread over the picture: arrows, lines, shapes, markers, texts,
// steps, long pen strokes and a few redactions (one a mosaic).
Document FiftyItems() {
    Document doc;
    std::mt19937 rng(50);
    auto x = [&] { return double(rng() % 3400) + 100; };
    auto y = [&] { return double(rng() % 1900) + 100; };
    for (int i = 0; i < 50; ++i) {
        Stroke s{uint32_t(rng() & 0xFFFFFF), 5};
        switch (i % 10) {
        case 0:
            doc.items.push_back(Arrow{{x(), y()}, {x(), y()}, s});
            break;
        case 1:
            doc.items.push_back(Line{{x(), y()}, {x(), y()}, s});
            break;
        case 2:
            doc.items.push_back(Box{{x(), y(), 300, 200}, s, i % 20 == 2});
            break;
        case 3:
            doc.items.push_back(Oval{{x(), y(), 300, 200}, s});
            break;
        case 4: {
            Pen pen{{}, s};
            PointF p{x(), y()};
            for (int k = 0; k < 200; ++k)
                pen.pts.push_back({p.x + k * 2, p.y + 40 * std::sin(k / 10.0)});
            doc.items.push_back(pen);
            break;
        }
        case 5:
            doc.items.push_back(Marker{{x(), y(), 400, 40}, 0x00FFFF});
            break;
        case 6:
            doc.items.push_back(Text{{x(), y()}, "Click here\nthen Save", 0x2020C0, 36, i == 6});
            break;
        case 7:
            doc.items.push_back(Step{{x(), y()}, {x(), y()}, 0x0000FF, 20});
            break;
        case 8:
            doc.items.push_back(Step{{x(), y()}, {x(), y()}, 0xC02020, 20});
            break;
        default:
            doc.items.push_back(Redact{{int(x()), int(y()), 240, 60},
                                       i == 9 ? RedactStyle::Mosaic : RedactStyle::Solid,
                                       0});
        }
    }
    return doc;
}

// The canvas the window paints into.
struct Canvas {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kViewW, kViewH);
    cairo_t* cr = cairo_create(surface);
    ~Canvas() {
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
    }
};

void BM_PointerMoveWhileDragging(benchmark::State& state) {
    History history(FiftyItems());
    ViewLayers layers(Desktop4k());
    layers.setDocument(history.current());
    ViewTransform view = ViewTransform::Fit({0, 0, 3840, 2160}, kViewW, kViewH, 1);
    layers.setView(view, kViewW, kViewH);
    layers.update();
    Canvas canvas;
    Gesture g(history, 3840, 2160, ToolOptions{.tool = Tool(state.range(0))});
    g.press({1000, 1000}, {});
    int i = 0;
    for (auto _ : state) {
        ++i;
        Outcome out = g.move({1000.0 + (i * 7) % 1500, 1000.0 + (i * 5) % 900}, {});
        RectI clip = view.damage(out.damage);
        layers.paint(canvas.cr, clip, g.live(), g.liveStepNumber(), g.selectedItem());
        cairo_surface_flush(canvas.surface);
    }
    state.counters["rebuilds"] = layers.rebuildCount();
}
BENCHMARK(BM_PointerMoveWhileDragging)
    ->Arg(int(Tool::Arrow))
    ->Arg(int(Tool::Rectangle))
    ->Arg(int(Tool::Pen))
    ->Unit(benchmark::kMillisecond);

// A committed change: the document with one more item, L0 and L1 brought up to date.
void BM_Commit(benchmark::State& state) {
    Document a = FiftyItems(), b = a;
    if (state.range(0))
        b.items.push_back(Redact{{1200, 800, 300, 100}, RedactStyle::Mosaic, 0});
    else
        b.items.push_back(Arrow{{100, 100}, {900, 700}, {0xFF, 5}});
    ViewLayers layers(Desktop4k());
    layers.setView(ViewTransform::Fit({0, 0, 3840, 2160}, kViewW, kViewH, 1), kViewW, kViewH);
    bool flip = false;
    for (auto _ : state) {
        layers.setDocument((flip = !flip) ? b : a);
        layers.update();
    }
}
BENCHMARK(BM_Commit)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_SaveRender(benchmark::State& state) {
    const Document doc = FiftyItems();
    for (auto _ : state)
        benchmark::DoNotOptimize(RenderForSave(Desktop4k(), doc));
}
BENCHMARK(BM_SaveRender)->Unit(benchmark::kMillisecond);

void BM_Mosaic1000x300(benchmark::State& state) {
    MemBm picture = Desktop4k();
    const std::vector<Item> items{Redact{{1000, 900, 1000, 300}, RedactStyle::Mosaic, 0}};
    for (auto _ : state)
        ApplyRedactions(picture, items);
}
BENCHMARK(BM_Mosaic1000x300)->Unit(benchmark::kMillisecond);

void BM_FirstView1080p(benchmark::State& state) {
    static const auto grab = bench::MakeDesktopPicture(1920, 1080);
    Canvas canvas;
    for (auto _ : state) {
        ViewLayers layers(*grab);
        layers.setDocument({});
        layers.setView(ViewTransform::Fit({0, 0, 1920, 1080}, kViewW, kViewH, 1), kViewW, kViewH);
        layers.paint(canvas.cr, {0, 0, kViewW, kViewH});
        cairo_surface_flush(canvas.surface);
    }
}
BENCHMARK(BM_FirstView1080p)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
