// Sound capture cost: CPU time of the whole process per second of sound captured through
// ALSA's default device (run beside a sound server, e.g. the one tests/start-pulse.sh
// starts), and the allocations made while capture runs. Also the level computation the
// window thread does every 200 ms.
//
//   cpu_ms_per_sound_s   process CPU (all threads: reader, worker, sound client) per second
//   new_per_sound_s      C++ allocations (this program's code) per second, steady state
//   malloc_per_sound_s   every malloc of the process (the sound server's client library
//                        included) per second, steady state
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <dlfcn.h>
#include <new>
#include <sys/resource.h>
#include <thread>

#include "audio/SWaveIn.h"

namespace {

std::atomic<long> gNew{0};
std::atomic<long> gMalloc{0};

double CpuSeconds() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_utime.tv_sec + ru.ru_stime.tv_sec +
           (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

class NullSink : public tess::MediaFile {
public:
    NullSink() : MediaFile("null.wmv") {}
    size_t WriteAudio(const void*, size_t bytes) override {
        bytes_.fetch_add(bytes);
        return bytes;
    }
    std::atomic<size_t> bytes_{0};
};

void BM_CaptureCpuPerSoundSecond(benchmark::State& state) {
    for (auto _ : state) {
        NullSink sink;
        tess::SWaveIn w(&sink, "-1");
        if (!w.Start()) {
            state.SkipWithError("no capture device (start a sound server)");
            return;
        }
        // Settle, then measure two seconds of steady capture.
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        size_t b0 = sink.bytes_.load();
        long n0 = gNew.load(), m0 = gMalloc.load();
        double c0 = CpuSeconds();
        auto t0 = std::chrono::steady_clock::now();
        while (std::chrono::steady_clock::now() - t0 < std::chrono::seconds(2))
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        double cpu = CpuSeconds() - c0;
        long news = gNew.load() - n0, mallocs = gMalloc.load() - m0;
        double sound = (sink.bytes_.load() - b0) / 16000.0;
        w.Stop();
        if (sound <= 0) {
            state.SkipWithError("no sound arrived");
            return;
        }
        state.counters["sound_s"] = sound;
        state.counters["cpu_ms_per_sound_s"] = cpu * 1000 / sound;
        state.counters["new_per_sound_s"] = news / sound;
        state.counters["malloc_per_sound_s"] = mallocs / sound;
        state.counters["malloc_whole_run"] = static_cast<double>(gMalloc.load());
    }
}
BENCHMARK(BM_CaptureCpuPerSoundSecond)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PeakLevelOfOneBuffer(benchmark::State& state) {
    NullSink sink;
    tess::SWaveIn w(&sink, "", nullptr);
    std::vector<int16_t> buf(1600);
    for (size_t i = 0; i < buf.size(); ++i)
        buf[i] = static_cast<int16_t>((i * 7919) % 65536 - 32768);
    for (auto _ : state)
        benchmark::DoNotOptimize(w.PeakLevel(buf.data(), buf.size() * 2));
    state.SetBytesProcessed(state.iterations() * 3200);
}
BENCHMARK(BM_PeakLevelOfOneBuffer);

} // namespace

// Counting allocators. They take their memory from malloc, so free is the matching release
// (the compiler cannot see that through the replaced operators).
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(size_t n) {
    gNew.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, size_t) noexcept {
    std::free(p);
}
void* operator new[](size_t n) {
    return operator new(n);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p, size_t) noexcept {
    std::free(p);
}

extern "C" void* __libc_malloc(size_t);
extern "C" void* malloc(size_t n) {
    gMalloc.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(n);
}

BENCHMARK_MAIN();
