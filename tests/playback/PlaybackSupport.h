#pragma once
// Media files for the playback tests, made once per run: a short recording made by the
// program itself (screen and, where a sound server runs, sound), a sound-only recording and
// a WAV file.
#include "support/TestSupport.h"

#include <string>

namespace tess::test {

// The recording's path; empty (with the reason in `why`) when it could not be made.
const std::string& TestRecording(std::string* why = nullptr);
// A sound-only ".wma" recording made by the program; empty without a sound server.
const std::string& TestSoundRecording();
// A 1.5-s ".wav" tone; empty without sox.
const std::string& TestWave();
// The directory holding them.
const std::string& MediaDir();
// A media file's duration in seconds as ffprobe reads it; -1 when it cannot.
double ProbeDuration(const std::string& path);

// Runs events until `done()` or `ms` have passed; returns done().
template <typename F> bool PumpUntil(F done, int ms);

} // namespace tess::test

#include "app/AppTestSupport.h"

template <typename F> bool tess::test::PumpUntil(F done, int ms) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done() && std::chrono::steady_clock::now() < end)
        Pump(20);
    return done();
}
