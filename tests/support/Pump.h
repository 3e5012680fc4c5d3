#pragma once
// Running the toolkit's events in GUI tests: for a time, or until a condition holds.
#include <chrono>
#include <wx/app.h>
#include <wx/utils.h>

namespace tess::test {

// Runs pending events, the toolkit's queue and idle handling (which deletes destroyed
// windows) for `ms` milliseconds.
inline void Pump(int ms = 50) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
        if (wxTheApp) {
            wxTheApp->ProcessPendingEvents();
            wxYield();
            wxTheApp->ProcessIdle();
        }
        wxMilliSleep(5);
    } while (std::chrono::steady_clock::now() < end);
}

// Pumps events until `done` holds or `ms` milliseconds have passed; returns `done()`.
// Prefer it to a fixed Pump(ms) whenever there is something to wait for.
template <typename Condition> bool PumpUntil(Condition done, int ms = 5000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done() && std::chrono::steady_clock::now() < end)
        Pump(10);
    return done();
}

} // namespace tess::test
